#include "serial/query_exchange_win.h"

#include "framework/ansi_text_win.h"
#include "serial/reply_reader.h"

namespace velmar {
namespace {

class PortReplySource final : public ReplySource {
 public:
  explicit PortReplySource(CSerialPort& port) : port_(port) {}
  bool ReadByte(char& byte) override {
    BYTE b = 0;
    if (port_.Read(&b) != 1) return false;
    byte = static_cast<char>(b);
    return true;
  }
  uint32_t TickCount() override { return GetTickCount(); }
  void SleepOneMs() override { Sleep(1); }

 private:
  CSerialPort& port_;
};

}  // namespace

std::string QueryLineBytes(std::wstring_view command) {
  std::wstring line(command);
  line.push_back(L'\n');
  return ToAnsi(line);
}

DWORD SendQuery(CSerialPort& port, std::wstring_view command) {
  const std::string bytes = QueryLineBytes(command);
  return port.Write(bytes.data(), static_cast<DWORD>(bytes.size()));
}

std::string ReadReply(CSerialPort& port) {
  PortReplySource source(port);
  return ReadReplyLine(source);
}

}  // namespace velmar
