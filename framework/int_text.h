#pragma once
#include <string>
#include <string_view>

namespace velmar {

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

}  // namespace velmar
