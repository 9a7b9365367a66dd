#include <gtest/gtest.h>
#include <winsock2.h>

#include <thread>

#include "network/winsock_win.h"
#include "publish/mosquitto_client.h"

namespace velmar {
namespace {

// The network instrument's scope and the MQTT library start and end Winsock on threads of their
// own; a count lost between them would end Winsock, and close every socket, under a user that
// still holds it.
TEST(SocketsStartTest, ThreadsStartingAndEndingWinsockNeverCloseASocketAnotherUserHolds) {
  constexpr int kRounds = 100000;
  const WinsockScope held;
  const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  ASSERT_NE(socket, INVALID_SOCKET) << WSAGetLastError();
  std::thread instrument([] {
    for (int i = 0; i < kRounds; ++i) const WinsockScope scope;
  });
  std::thread broker([] {
    for (int i = 0; i < kRounds; ++i) const MosquittoLibrary library;
  });
  instrument.join();
  broker.join();
  int type = 0;
  int size = sizeof(type);
  EXPECT_EQ(getsockopt(socket, SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&type), &size), 0) << WSAGetLastError();
  closesocket(socket);
}

}  // namespace
}  // namespace velmar
