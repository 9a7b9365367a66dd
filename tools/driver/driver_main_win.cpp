#include <chrono>
#include <cstdio>
#include <cwchar>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>

#include "chart/chart_menu_win.h"
#include "chart/chart_window_win.h"
#include "res/resource.h"
#include "tools/driver/dialog_driver_win.h"

// A scripted session, for the main job's demo without a display:
// velmar-driver EXE PORT LOGFILE POLLS INTERVAL_MS [PROGRAM_ARGUMENTS]
// PORT is a COM port's number, or a network instrument's tcp://HOST:PORT (which the program's
// arguments must list with /port).
// POLLS 0 holds the run until an empty line arrives on stdin instead: a benchmark then stops it
// when it has seen enough, and the driver does not touch the log file or the server meanwhile.
// A line "open PATH" before it opens that log in the live chart, as "Open log..." does.
namespace {

using velmar::driver::Millis;

constexpr WPARAM kLiveChartCommand = 0x0020;

size_t DataRows(const std::wstring& path) {
  std::ifstream file(path.c_str());
  std::string line;
  size_t lines = 0;
  while (std::getline(file, line)) ++lines;
  return lines > 3 ? lines - 3 : 0;
}

int Fail(const char* what) {
  std::fprintf(stderr, "velmar-driver: %s\n", what);
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 6 && argc != 7) {
    std::fputs("usage: velmar-driver EXE PORT LOGFILE POLLS INTERVAL_MS [PROGRAM_ARGUMENTS]\n", stderr);
    return 2;
  }
  const std::wstring exe = argv[1];
  constexpr std::wstring_view kScheme = L"tcp://";
  const std::wstring portArgument = argv[2];
  const std::wstring port = portArgument.rfind(kScheme, 0) == 0 ? portArgument.substr(kScheme.size())
                                                                 : L"COM" + portArgument;
  const std::wstring logFile = argv[3];
  const size_t polls = std::wcstoul(argv[4], nullptr, 10);
  const std::wstring interval = argv[5];
  const std::wstring programArguments = argc == 7 ? argv[6] : L"";

  velmar::driver::LoggerProcess logger;
  const auto launched = std::chrono::steady_clock::now();
  if (!logger.Start(exe, Millis(30000), programArguments)) return Fail("the logger's window did not appear");
  const auto ready = std::chrono::duration_cast<Millis>(std::chrono::steady_clock::now() - launched);
  std::printf("dialog ready after %lld ms\n", static_cast<long long>(ready.count()));
  std::fflush(stdout);
  const velmar::driver::DialogDriver dialog = logger.Driver();
  if (!dialog.SelectComboText(IDC_PORT, port)) return Fail("the port is not in the list");
  dialog.SelectComboText(IDC_BAUD, L"115200");
  dialog.SetText(IDC_INTERVAL, interval);
  dialog.SetText(IDC_COMMAND, L"");
  dialog.Click(IDC_COMBO_COMMANDS);
  dialog.SetText(IDC_LOGFILE, logFile);
  dialog.Click(IDOK);
  if (!velmar::driver::WaitFor([&] { return dialog.Enabled(IDC_STOP) || dialog.FindOtherDialog(); }, Millis(10000)) ||
      !dialog.Enabled(IDC_STOP)) {
    return Fail("the run did not start");
  }
  bool polled = true;
  if (polls == 0) {
    std::puts("running");
    std::fflush(stdout);
    for (std::wstring line; std::getline(std::wcin, line) && !line.empty();) {
      if (line.rfind(L"open ", 0) != 0) continue;
      dialog.SendSysCommand(kLiveChartCommand);
      HWND chart = nullptr;
      velmar::driver::WaitFor([&] {
        const auto found = velmar::driver::FindProcessWindows(logger.ProcessId(), velmar::ChartWindow::kCaption);
        chart = found.empty() ? nullptr : found[0];
        return chart != nullptr;
      }, Millis(10000));
      if (!chart) return Fail("the chart did not open");
      PostMessageW(chart, WM_COMMAND, velmar::kOpenLog, 0);
      if (!dialog.ChooseInFileDialog(line.substr(5), Millis(10000))) return Fail("no file dialog");
      std::puts("opened");
      std::fflush(stdout);
    }
  } else {
    polled = velmar::driver::WaitFor([&] { return DataRows(logFile) >= polls; }, Millis(60000));
  }
  std::wprintf(L"status line: %ls\n", dialog.Text(IDC_STATUS).c_str());
  dialog.Click(IDC_STOP);
  velmar::driver::WaitFor([&] { return !dialog.Enabled(IDC_STOP); }, Millis(10000));
  dialog.Click(IDCANCEL);
  if (!logger.WaitExit(Millis(10000))) return Fail("the logger did not end");
  return polled ? 0 : Fail("too few rows were logged");
}
