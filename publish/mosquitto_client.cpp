#include "publish/mosquitto_client.h"

#include <mosquitto.h>

#include <mutex>

#include "core/sockets_start_lock.h"

#ifdef _WIN32
#include <winsock2.h>
#endif

namespace velmar {

namespace {

MosquittoEvents& EventsOf(void* userData) { return *static_cast<MosquittoEvents*>(userData); }

}  // namespace

// The library counts its users without a lock, and starts and ends Winsock with them.
MosquittoLibrary::MosquittoLibrary() {
  const std::lock_guard<std::mutex> lock(SocketsStartLock());
  mosquitto_lib_init();
}

MosquittoLibrary::~MosquittoLibrary() {
  const std::lock_guard<std::mutex> lock(SocketsStartLock());
  mosquitto_lib_cleanup();
}

MosquittoClient::MosquittoClient(const std::string& clientId, bool cleanSession, MosquittoEvents& events)
    : client_(mosquitto_new(clientId.c_str(), cleanSession, &events)) {
  if (!client_) return;
  mosquitto_connect_callback_set(client_, [](mosquitto*, void* user, int code) { EventsOf(user).OnConnect(code); });
  mosquitto_disconnect_callback_set(client_,
                                    [](mosquitto*, void* user, int code) { EventsOf(user).OnDisconnect(code); });
  mosquitto_publish_callback_set(client_, [](mosquitto*, void* user, int id) { EventsOf(user).OnPublished(id); });
  mosquitto_subscribe_callback_set(
      client_, [](mosquitto*, void* user, int, int, const int*) { EventsOf(user).OnSubscribed(); });
  mosquitto_message_callback_set(client_, [](mosquitto*, void* user, const mosquitto_message* message) {
    EventsOf(user).OnMessage(message->topic,
                             {static_cast<const char*>(message->payload), static_cast<size_t>(message->payloadlen)},
                             message->retain);
  });
}

MosquittoClient::~MosquittoClient() {
  if (client_) mosquitto_destroy(client_);
}

int MosquittoClient::SetWill(const std::string& topic, std::string_view payload, bool retain) {
  return mosquitto_will_set(client_, topic.c_str(), static_cast<int>(payload.size()), payload.data(), 1, retain);
}

int MosquittoClient::SetCredentials(const std::string& user, const std::string& password) {
  return mosquitto_username_pw_set(client_, user.c_str(), password.c_str());
}

int MosquittoClient::SetMaxInFlight(unsigned count) { return mosquitto_max_inflight_messages_set(client_, count); }

int MosquittoClient::UseTls(ssl_ctx_st* context) {
  const int defaults = mosquitto_int_option(client_, MOSQ_OPT_SSL_CTX_WITH_DEFAULTS, 0);
  return defaults != MOSQ_ERR_SUCCESS ? defaults : mosquitto_void_option(client_, MOSQ_OPT_SSL_CTX, context);
}

int MosquittoClient::Connect(const std::string& host, int port, int keepAliveSeconds) {
  return mosquitto_connect_async(client_, host.c_str(), port, keepAliveSeconds);
}

int MosquittoClient::Reconnect() { return mosquitto_reconnect_async(client_); }

int MosquittoClient::Disconnect() { return mosquitto_disconnect(client_); }

MosquittoClient::Handed MosquittoClient::Publish(const std::string& topic, std::string_view payload, bool retain) {
  Handed handed;
  // The library gives the id once the topic and payload passed its checks, before it queues.
  handed.code = mosquitto_publish(client_, &handed.id, topic.c_str(), static_cast<int>(payload.size()),
                                  payload.data(), 1, retain);
  // Out of memory may come before or after the message was queued; counted as refused, an
  // acknowledgement that still comes for it is ignored.
  if (handed.code == MOSQ_ERR_NOMEM) handed.id = 0;
  return handed;
}

int MosquittoClient::Subscribe(const std::string& topicFilter) {
  return mosquitto_subscribe(client_, nullptr, topicFilter.c_str(), 1);
}

int MosquittoClient::Loop(int timeoutMs) { return mosquitto_loop(client_, timeoutMs, 1); }

bool MosquittoClient::ConnectFailed() const {
#ifdef _WIN32
  const int socket = mosquitto_socket(client_);
  if (socket < 0) return false;
  fd_set failed;
  FD_ZERO(&failed);
  FD_SET(static_cast<SOCKET>(socket), &failed);
  timeval now{};
  return select(0, nullptr, nullptr, &failed, &now) > 0;
#else
  return false;
#endif
}

std::string MosquittoErrorText(int code) { return mosquitto_strerror(code); }

}  // namespace velmar
