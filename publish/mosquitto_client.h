#pragma once
#include <string>
#include <string_view>

struct mosquitto;
struct ssl_ctx_st;

namespace velmar {

// What libmosquitto reports from inside MosquittoClient::Loop. Handlers only take note: the
// library must not be called back into from here (no reconnect, no publish).
class MosquittoEvents {
 public:
  virtual ~MosquittoEvents() = default;
  // code 0: accepted; otherwise the broker's refusal (4 bad user name or password, 5 not
  // authorised).
  virtual void OnConnect(int code) = 0;
  virtual void OnDisconnect(int code) = 0;
  // The broker acknowledged the message with this id.
  virtual void OnPublished(int) {}
  virtual void OnSubscribed() {}
  virtual void OnMessage(std::string_view /*topic*/, std::string_view /*payload*/, bool /*retained*/) {}
};

// The library's process-wide set-up (the sockets layer), counted so that clients on several
// threads may hold it.
class MosquittoLibrary {
 public:
  MosquittoLibrary();
  ~MosquittoLibrary();
  MosquittoLibrary(const MosquittoLibrary&) = delete;
  MosquittoLibrary& operator=(const MosquittoLibrary&) = delete;
};

// One MQTT 3.1.1 client of libmosquitto, used from one thread only, with the library's own
// threads built out: the owner drives Loop. Calls return the library's MOSQ_ERR_ codes.
class MosquittoClient {
 public:
  MosquittoClient(const std::string& clientId, bool cleanSession, MosquittoEvents& events);
  ~MosquittoClient();
  MosquittoClient(const MosquittoClient&) = delete;
  MosquittoClient& operator=(const MosquittoClient&) = delete;

  bool Valid() const { return client_ != nullptr; }
  // Both before the first Connect: the library sends them with it.
  int SetWill(const std::string& topic, std::string_view payload, bool retain);
  int SetCredentials(const std::string& user, const std::string& password);
  int SetMaxInFlight(unsigned count);
  // Every connection over TLS, set up entirely by this context of ours (the library adds
  // nothing to it and takes a reference of its own).
  int UseTls(ssl_ctx_st* context);
  // Starts a connection without waiting for it (the name lookup itself does block); the
  // outcome comes through OnConnect or OnDisconnect from Loop.
  int Connect(const std::string& host, int port, int keepAliveSeconds);
  int Reconnect();
  int Disconnect();
  // What became of a message handed to the library: the id it took it under, or 0 when it
  // refused it, and its MOSQ_ERR_ code.
  struct Handed {
    int id = 0;
    int code = 0;
  };
  // QoS 1. A message the library took is acknowledged once through OnPublished, whatever the
  // call returned: one taken while disconnected, or whose write failed on a connection just
  // lost, is kept and sent again after a reconnect.
  Handed Publish(const std::string& topic, std::string_view payload, bool retain);
  int Subscribe(const std::string& topicFilter);
  // Waits up to timeoutMs for traffic and handles it; the events fire from here.
  int Loop(int timeoutMs);
  // Whether a connection that is still being made has already failed: Windows tells that
  // only as an exception on the socket, which the library does not watch.
  bool ConnectFailed() const;

 private:
  MosquittoLibrary library_;
  mosquitto* client_ = nullptr;
};

// The library's words for an error code or a broker's refusal.
std::string MosquittoErrorText(int code);

}  // namespace velmar
