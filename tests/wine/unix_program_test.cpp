#include <gtest/gtest.h>
#include <windows.h>

#include "tests/support/simulator_win.h"

namespace velmar::test {
namespace {

// Leaves `value` in the stack below the caller, where the next call's locals will lie.
[[gnu::noinline]] void PaintStack(HANDLE value) {
  volatile HANDLE paint[4096];
  for (auto& slot : paint) slot = value;
}

// Wine starts a Unix program without a process object and leaves the process and thread handles
// of the start unwritten: what the stack held before. Closing them closed whatever the test held
// there (its simulator's socket, Winsock's own event), and its instrument or its sockets went.
TEST(UnixProgramTest, StartingOneClosesNoHandleOfTheTestProcess) {
  const HANDLE held = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(held, nullptr);
  for (int i = 0; i < 5; ++i) {
    PaintStack(held);
    ASSERT_TRUE(StartUnixProgram("/bin/true", ""));
  }
  EXPECT_NE(WaitForSingleObject(held, 0), WAIT_FAILED) << GetLastError();
  CloseHandle(held);
}

}  // namespace
}  // namespace velmar::test
