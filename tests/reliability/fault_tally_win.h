#pragma once
#include <cstddef>

namespace velmar::test {

// Rows whose content a reliability case verified, for the suite's closing tally.
void CountCheckedRows(size_t rows);

}  // namespace velmar::test
