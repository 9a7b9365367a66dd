#pragma once
#include <windows.h>

#include <atomic>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "chart/chart_painter_win.h"
#include "chart/log_loader.h"
#include "chart/chart_run.h"
#include "chart/chart_scene.h"
#include "chart/chart_settings_win.h"
#include "chart/chart_view.h"
#include "core/run_types.h"
#include "settings/profile_win.h"

namespace velmar {

// The live chart: a modeless top-level window owned by the main dialog, showing the current
// run (or a run read from a log file). Rows only mark it dirty; a 100 ms timer repaints, so
// the row rate never sets the paint rate.
class ChartWindow final : public RowListener {
 public:
  static constexpr wchar_t kCaption[] = L"Live Chart - Velmar Simple Data Logger";

  // Keeps its placement and choices in `profile`'s "Chart" section.
  ChartWindow(HWND owner, Profile profile);
  ~ChartWindow() override;
  ChartWindow(const ChartWindow&) = delete;
  ChartWindow& operator=(const ChartWindow&) = delete;

  // Creates the window where it was last (on a visible monitor), or brings it to the front.
  void Show();
  // Destroys the window, remembering its placement; the data stays.
  void Close();
  // When the program ends: remembers whether the window is open, once (a run that ends the
  // program closes it before Close would look again), and closes it.
  void CloseAtEnd();
  // At the next start: opens the window if it was open when the program last ended.
  void ShowIfOpenAtLastEnd();
  bool IsOpen() const { return hwnd_ != nullptr; }
  HWND Hwnd() const { return hwnd_; }

  void OnRunStarted(const RunHeader& header) override;
  void OnRow(const LoggedRow& row) override;

  // Starts reading a log file on a thread of its own, to show its run `runIndex` (the last when
  // none is given) once read; false when the file cannot be opened. The live run goes on
  // being kept meanwhile.
  bool ShowLogRun(const std::wstring& path, std::optional<size_t> runIndex = std::nullopt);
  // While a log file is being read.
  bool Loading() const { return loader_.Busy(); }
  bool ShowingLog() const { return log_ != nullptr; }
  // Cancels a log file being read, and shows the live run.
  void ShowLiveRun();
  // Puts the chart on the clipboard as a bitmap.
  bool CopyToClipboard();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void Create();
  void RememberPlacement() const;
  const ChartRun& ShownRun() const { return log_ ? *log_ : live_; }
  ChartScene BuildScene(int width, int height) const;
  void Render(HDC target);
  void Invalidate() const;
  bool OnKey(WPARAM key);
  void OnMouseMove(int x);
  void OnWheel(int x, int delta);
  void OnContextMenu(POINT screen);
  void Execute(UINT command);
  void ChooseWindow(TimeWindow window);
  void ToggleLane(size_t column);
  void OpenLog();
  bool StartLoad(const std::wstring& path, std::optional<size_t> runIndex, bool askForRun);
  void OnLoaded();
  std::optional<size_t> ChooseRun(const std::vector<LogRun>& runs);
  std::wstring SourceText() const;
  double PlotFraction(int x) const;

  HWND owner_;
  ChartSettings settings_;
  bool openAtEndSaved_ = false;
  HWND hwnd_ = nullptr;
  ChartRun live_;
  std::unique_ptr<ChartRun> log_;
  std::wstring logSource_;
  ChartView view_;
  TimeWindow chosenWindow_;
  std::set<size_t> hiddenColumns_;
  ChartPainter painter_;
  bool dirty_ = false;
  std::optional<int> cursorX_;
  std::optional<int> dragX_;
  bool trackingLeave_ = false;
  ChartLayout lastLayout_;
  std::wstring loadPath_;
  std::optional<size_t> loadRun_;
  bool askForRun_ = false;
  LogRun loadingRun_;
  // Where log reading ends are posted; none while the window is closed.
  std::atomic<HWND> loadNotices_{nullptr};
  // Last, so its thread is stopped before anything it reports to goes.
  LogLoader loader_;
};

}  // namespace velmar
