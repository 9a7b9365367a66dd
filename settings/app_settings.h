#pragma once
#include <string>

namespace velmar {

// The interval the dialog accepts, in milliseconds.
inline constexpr int kMinInterval = 100;
inline constexpr int kMaxInterval = 10000000;

// The six values remembered from one start of the program to the next, with the values a
// first start gets.
struct AppSettings {
  int comPort = 1;
  int baudRate = 38400;
  int interval = 1000;
  std::wstring command;
  std::wstring fileName;
  std::wstring header;
};

}  // namespace velmar
