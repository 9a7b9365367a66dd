#pragma once
#include <cstddef>
#include <string>

namespace velmar {

// The integer reader asks the registry for at most this many bytes of a value's data.
inline constexpr std::size_t kProfileIntBytes = 4;

// Interprets the data of an integer setting, whatever its registry type: 1 to 4 bytes are a
// little-endian number, zero-extended. Missing data (null), empty data and data longer than
// 4 bytes carry no number and yield defaultValue.
int DecodeProfileInt(const unsigned char* data, std::size_t size, int defaultValue);

// Interprets the data of a text setting, whatever its registry type, as UTF-16LE up to the
// first zero unit. Data without a terminator gives all its units; an odd last byte is not
// part of any unit and is ignored. Never reads beyond size.
std::wstring DecodeProfileText(const unsigned char* data, std::size_t size);

}  // namespace velmar
