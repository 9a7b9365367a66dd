#pragma once
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace velmar {

// The run of decimal digits at the start of a text: its value, saturated at `limit`, and how
// many digits it has. Every reader of whole numbers in the program is built on this one.
struct DigitRun {
  uint64_t value = 0;
  size_t length = 0;
  bool saturated = false;
};

template <class Char>
DigitRun ReadDigitRun(std::basic_string_view<Char> text, uint64_t limit = std::numeric_limits<uint64_t>::max()) {
  DigitRun run;
  for (; run.length < text.size(); ++run.length) {
    const Char c = text[run.length];
    if (c < Char('0') || c > Char('9')) break;
    const uint64_t digit = static_cast<uint64_t>(c - Char('0'));
    if (run.saturated || run.value > (limit - digit) / 10) {
      run.saturated = true;
      run.value = limit;
    } else {
      run.value = run.value * 10 + digit;
    }
  }
  return run;
}

enum class IntTextStatus { Ok, NoDigits, OutOfRange };

// value is the number read whenever digits were found; a number too large for int is
// reported OutOfRange with value saturated at INT_MIN or INT_MAX.
struct IntTextResult {
  IntTextStatus status;
  int value;
};

// Reads an integer the way "%d" does from at most the first 63 characters: leading white
// space, one optional sign, decimal digits; anything after the digits is ignored.
// Unlike "%d", a number that does not fit in int is rejected instead of wrapping around.
IntTextResult ReadBoundedInt(std::wstring_view text, int minValue, int maxValue);

// What a rejected text is told: "Enter an integer." or "Enter an integer between MIN and MAX.";
// empty for a text that was read.
std::wstring RejectionMessage(IntTextStatus status, int minValue, int maxValue);

// The decimal number the text starts with: no white space or sign is skipped, so a text that
// does not begin with a digit gives 0. A number above INT_MAX saturates at INT_MAX.
int LeadingDecimal(std::wstring_view text);

// A text of digits only, as an int; a number too large saturates at INT_MAX, which every range
// check then rejects.
std::optional<int> AllDigits(std::wstring_view text);

// An optional minus sign and digits at the start of `text`, within int64; the text read is
// removed. None, and nothing removed, without digits or beyond the range.
std::optional<int64_t> TakeSignedDecimal(std::string_view& text);

}  // namespace velmar
