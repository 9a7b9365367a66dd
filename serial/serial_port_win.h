#pragma once
#include <windows.h>

#include <string>

#include "framework/unique_handle_win.h"

// The one connection to the instrument: a COM port opened for overlapped I/O, driven one
// byte per call; the overlapped mode only bounds each call by a wait.
class CSerialPort {
 public:
  CSerialPort() = default;
  ~CSerialPort() { Close(); }
  CSerialPort(const CSerialPort&) = delete;
  CSerialPort& operator=(const CSerialPort&) = delete;

  bool Open(int portNumber, DWORD baudRate);
  bool Open(const std::wstring& path, DWORD baudRate);
  bool Close();

  DWORD Write(const void* bytes, DWORD count);
  bool WriteByte(BYTE byte);
  DWORD Read(BYTE* buffer);

  bool IsOpen() const { return m_open; }
  int PortNumber() const { return m_portNumber; }
  // True once a failure of the device closed the channel, until the next successful open.
  bool Lost() const { return m_lost; }

 private:
  // Each request owns its event; a request that outlives its wait is cancelled and
  // collected before the record is used again.
  struct Request {
    OVERLAPPED overlapped{};
    velmar::UniqueEvent event;
  };

  DWORD FinishPending(Request& request, DWORD waitMs);
  void CloseLost();

  int m_portNumber = -1;
  velmar::UniqueFile m_handle;
  Request m_read;
  Request m_write;
  bool m_open = false;
  bool m_lost = false;
};
