#include "serial/serial_port_win.h"

#include "serial/line_settings.h"
#include "serial/port_path.h"

namespace {

constexpr DWORD kQueueSize = 10000;
constexpr DWORD kWriteTotalTimeoutMs = 5000;
constexpr DWORD kWriteWaitMs = 1000;
constexpr DWORD kReadWaitMs = 50;

velmar::UniqueEvent NewManualResetEvent() {
  return velmar::UniqueEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

}  // namespace

bool CSerialPort::Open(int portNumber, DWORD baudRate) {
  if (m_open) return true;
  m_portNumber = portNumber;
  return Open(velmar::ComDevicePath(portNumber), baudRate);
}

bool CSerialPort::Open(const std::wstring& path, DWORD baudRate) {
  if (m_open) return true;
  m_portNumber = velmar::PortNumberFromPath(path);

  velmar::UniqueFile handle(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr));
  if (!handle) return false;

  m_read.overlapped = {};
  m_write.overlapped = {};

  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = MAXDWORD;
  timeouts.WriteTotalTimeoutConstant = kWriteTotalTimeoutMs;
  SetCommTimeouts(handle.Get(), &timeouts);

  velmar::UniqueEvent readEvent = NewManualResetEvent();
  velmar::UniqueEvent writeEvent = NewManualResetEvent();

  DCB dcb{};
  dcb.DCBlength = sizeof(dcb);
  GetCommState(handle.Get(), &dcb);
  velmar::ApplyLineSettings(dcb, baudRate);

  if (!SetCommState(handle.Get(), &dcb) || !SetupComm(handle.Get(), kQueueSize, kQueueSize) || !readEvent ||
      !writeEvent) {
    return false;
  }
  PurgeComm(handle.Get(), PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
  m_handle = std::move(handle);
  m_read.event = std::move(readEvent);
  m_write.event = std::move(writeEvent);
  m_read.overlapped.hEvent = m_read.event.Get();
  m_write.overlapped.hEvent = m_write.event.Get();
  m_open = true;
  m_lost = false;
  return true;
}

bool CSerialPort::Close() {
  if (m_open && m_handle) {
    m_read.event.Reset();
    m_write.event.Reset();
    m_read.overlapped.hEvent = nullptr;
    m_write.overlapped.hEvent = nullptr;
    m_handle.Reset();
    m_open = false;
  }
  return true;
}

void CSerialPort::CloseLost() {
  Close();
  m_lost = true;
}

// Waits for a pending request; if it is still in flight, cancels it and collects it, so the
// record is free again. A request that completed in the meantime keeps its bytes.
DWORD CSerialPort::FinishPending(Request& request, DWORD waitMs) {
  DWORD transferred = 0;
  if (WaitForSingleObject(request.event.Get(), waitMs) == WAIT_OBJECT_0 &&
      GetOverlappedResult(m_handle.Get(), &request.overlapped, &transferred, FALSE)) {
    return transferred;
  }
  CancelIoEx(m_handle.Get(), &request.overlapped);
  if (GetOverlappedResult(m_handle.Get(), &request.overlapped, &transferred, TRUE)) return transferred;
  return 0;
}

bool CSerialPort::WriteByte(BYTE byte) {
  if (!m_open) return false;
  DWORD written = 0;
  if (WriteFile(m_handle.Get(), &byte, 1, &written, &m_write.overlapped)) return written == 1;
  const DWORD error = GetLastError();
  if (error == ERROR_IO_PENDING) {
    // A stalled line: report the byte as not written, but keep the channel.
    written = FinishPending(m_write, kWriteWaitMs);
    m_write.overlapped.Offset += written;
    return written == 1;
  }
  if (error == ERROR_TIMEOUT) return false;
  CloseLost();
  return false;
}

DWORD CSerialPort::Write(const void* bytes, DWORD count) {
  if (!m_open) return 0;
  const BYTE* data = static_cast<const BYTE*>(bytes);
  DWORD written = 0;
  while (written < count && m_open && WriteByte(data[written])) ++written;
  return written;
}

DWORD CSerialPort::Read(BYTE* buffer) {
  if (!m_open || !m_handle) return 0;
  DWORD errors = 0;
  COMSTAT status{};
  if (!ClearCommError(m_handle.Get(), &errors, &status)) {
    // The status call fails only when the device is gone (unplugged adapter).
    CloseLost();
    return 0;
  }
  if (status.cbInQue == 0) return 0;
  DWORD read = 0;
  if (ReadFile(m_handle.Get(), buffer, 1, &read, &m_read.overlapped)) return read;
  if (GetLastError() == ERROR_IO_PENDING) return FinishPending(m_read, kReadWaitMs);
  CloseLost();
  return 0;
}
