#include "tests/reliability/fault_tally_win.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace velmar::test {
namespace {

size_t checkedRows = 0;

// Each case injects one fault; a case that passed is a fault the logger survived.
class TallyPrinter : public ::testing::EmptyTestEventListener {
  void OnTestProgramEnd(const ::testing::UnitTest& unit) override {
    std::printf("Reliability: %d faults survived of %d injected, %zu rows checked\n", unit.successful_test_count(),
                unit.test_to_run_count(), checkedRows);
  }
};

}  // namespace

void CountCheckedRows(size_t rows) { checkedRows += rows; }

}  // namespace velmar::test

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new velmar::test::TallyPrinter);
  return RUN_ALL_TESTS();
}
