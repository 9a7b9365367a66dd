#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/unique_handle_win.h"

// The one connection to the instrument: a COM port opened for overlapped I/O, driven one
// byte per call; the overlapped mode only bounds each call by a wait.
class CSerialPort {
 public:
  CSerialPort() = default;
  ~CSerialPort();
  CSerialPort(const CSerialPort&) = delete;
  CSerialPort& operator=(const CSerialPort&) = delete;

  bool Open(int portNumber, DWORD baudRate);
  bool Open(const std::wstring& path, DWORD baudRate);
  bool Close();

  DWORD Write(const void* bytes, DWORD count);
  bool WriteByte(BYTE byte);
  DWORD Read(BYTE* buffer);

  bool IsOpen() const { return open_; }
  int PortNumber() const { return portNumber_; }
  // True once a failure of the device closed the channel, until the next successful open.
  bool Lost() const { return lost_; }

  // Each request owns its event and its one-byte buffer, so a request the driver never ends
  // can be set aside whole, with nothing of it freed under the driver.
  struct Request {
    OVERLAPPED overlapped{};
    velmar::UniqueEvent event;
    BYTE byte = 0;
  };

 private:
  void CloseLost();
  // Gives up the port over a request that outlived its cancel; the request is kept until it ends.
  void AbandonInFlight(std::unique_ptr<Request>& request);
  void ReleaseEndedRequests();

  int portNumber_ = -1;
  velmar::UniqueFile handle_;
  std::unique_ptr<Request> read_;
  std::unique_ptr<Request> write_;
  bool open_ = false;
  bool lost_ = false;
  std::vector<std::unique_ptr<Request>> abandoned_;
};
