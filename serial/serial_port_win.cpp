#include "serial/serial_port_win.h"

#include <algorithm>

#include "serial/line_settings.h"
#include "serial/overlapped_request.h"
#include "serial/port_path.h"

namespace {

constexpr DWORD kQueueSize = 10000;
constexpr DWORD kWriteTotalTimeoutMs = 5000;
constexpr DWORD kWriteWaitMs = 1000;
constexpr DWORD kReadWaitMs = 50;

std::unique_ptr<CSerialPort::Request> NewRequest() {
  auto request = std::make_unique<CSerialPort::Request>();
  request->event = velmar::UniqueEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  request->overlapped.hEvent = request->event.Get();
  return request;
}

// One byte read into, or written from, the request's own buffer.
class OneByteCalls final : public velmar::OverlappedCalls {
 public:
  OneByteCalls(HANDLE file, CSerialPort::Request& request, bool write) : file_(file), request_(request), write_(write) {}

  Start Issue(uint32_t& transferred) override {
    DWORD count = 0;
    const BOOL done = write_ ? WriteFile(file_, &request_.byte, 1, &count, &request_.overlapped)
                             : ReadFile(file_, &request_.byte, 1, &count, &request_.overlapped);
    if (done) {
      transferred = count;
      return Start::Completed;
    }
    startError_ = GetLastError();
    return startError_ == ERROR_IO_PENDING ? Start::Pending : Start::Failed;
  }
  bool WaitSignalled(uint32_t waitMs) override {
    return WaitForSingleObject(request_.event.Get(), waitMs) == WAIT_OBJECT_0;
  }
  bool Result(uint32_t& transferred) override {
    DWORD count = 0;
    if (!GetOverlappedResult(file_, &request_.overlapped, &count, FALSE)) return false;
    transferred = count;
    return true;
  }
  void Cancel() override { CancelIoEx(file_, &request_.overlapped); }

  DWORD StartError() const { return startError_; }

 private:
  HANDLE file_;
  CSerialPort::Request& request_;
  bool write_;
  DWORD startError_ = ERROR_SUCCESS;
};

}  // namespace

CSerialPort::~CSerialPort() {
  Close();
  ReleaseEndedRequests();
  // What is left may still be written by its driver: it is never freed.
  for (auto& request : abandoned_) static_cast<void>(request.release());
}

bool CSerialPort::Open(int portNumber, DWORD baudRate) {
  if (open_) return true;
  portNumber_ = portNumber;
  return Open(velmar::ComDevicePath(portNumber), baudRate);
}

bool CSerialPort::Open(const std::wstring& path, DWORD baudRate) {
  if (open_) return true;
  ReleaseEndedRequests();
  portNumber_ = velmar::PortNumberFromPath(path);

  velmar::UniqueFile handle(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr));
  if (!handle) return false;

  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = MAXDWORD;
  timeouts.WriteTotalTimeoutConstant = kWriteTotalTimeoutMs;
  SetCommTimeouts(handle.Get(), &timeouts);

  std::unique_ptr<Request> read = NewRequest();
  std::unique_ptr<Request> write = NewRequest();

  DCB dcb{};
  dcb.DCBlength = sizeof(dcb);
  GetCommState(handle.Get(), &dcb);
  velmar::ApplyLineSettings(dcb, baudRate);

  if (!SetCommState(handle.Get(), &dcb) || !SetupComm(handle.Get(), kQueueSize, kQueueSize) || !read->event ||
      !write->event) {
    return false;
  }
  PurgeComm(handle.Get(), PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
  handle_ = std::move(handle);
  read_ = std::move(read);
  write_ = std::move(write);
  open_ = true;
  lost_ = false;
  return true;
}

bool CSerialPort::Close() {
  if (open_ && handle_) {
    handle_.Reset();
    read_.reset();
    write_.reset();
    open_ = false;
  }
  return true;
}

void CSerialPort::CloseLost() {
  Close();
  lost_ = true;
}

void CSerialPort::AbandonInFlight(std::unique_ptr<Request>& request) {
  abandoned_.push_back(std::move(request));
  CloseLost();
}

void CSerialPort::ReleaseEndedRequests() {
  std::erase_if(abandoned_, [](const std::unique_ptr<Request>& request) {
    return HasOverlappedIoCompleted(&request->overlapped);
  });
}

bool CSerialPort::WriteByte(BYTE byte) {
  if (!open_) return false;
  write_->byte = byte;
  OneByteCalls calls(handle_.Get(), *write_, true);
  const velmar::RequestOutcome outcome = velmar::RunRequest(calls, kWriteWaitMs);
  switch (outcome.end) {
    case velmar::RequestEnd::Completed:
      write_->overlapped.Offset += outcome.transferred;
      return outcome.transferred == 1;
    case velmar::RequestEnd::Failed:
      // A stalled line: the byte is reported as not written, but the channel stays.
      return false;
    case velmar::RequestEnd::InFlight:
      AbandonInFlight(write_);
      return false;
    case velmar::RequestEnd::FailedToStart:
      break;
  }
  if (calls.StartError() != ERROR_TIMEOUT) CloseLost();
  return false;
}

DWORD CSerialPort::Write(const void* bytes, DWORD count) {
  if (!open_) return 0;
  const BYTE* data = static_cast<const BYTE*>(bytes);
  DWORD written = 0;
  while (written < count && open_ && WriteByte(data[written])) ++written;
  return written;
}

DWORD CSerialPort::Read(BYTE* buffer) {
  if (!open_ || !handle_) return 0;
  DWORD errors = 0;
  COMSTAT status{};
  if (!ClearCommError(handle_.Get(), &errors, &status)) {
    // The status call fails only when the device is gone (unplugged adapter).
    CloseLost();
    return 0;
  }
  if (status.cbInQue == 0) return 0;
  OneByteCalls calls(handle_.Get(), *read_, false);
  const velmar::RequestOutcome outcome = velmar::RunRequest(calls, kReadWaitMs);
  switch (outcome.end) {
    case velmar::RequestEnd::Completed:
      if (outcome.transferred == 1) *buffer = read_->byte;
      return outcome.transferred;
    case velmar::RequestEnd::Failed:
      return 0;
    case velmar::RequestEnd::InFlight:
      AbandonInFlight(read_);
      return 0;
    case velmar::RequestEnd::FailedToStart:
      break;
  }
  CloseLost();
  return 0;
}
