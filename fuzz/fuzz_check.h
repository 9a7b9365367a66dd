#pragma once
#include <cstdio>
#include <cstdlib>

// libFuzzer treats an abort as a crash and saves the input that caused it; a macro keeps
// the failed condition's text for the report.
#define FUZZ_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : velmar_fuzz::Fail(#condition, __FILE__, __LINE__))

namespace velmar_fuzz {

[[noreturn]] inline void Fail(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
  std::abort();
}

}  // namespace velmar_fuzz
