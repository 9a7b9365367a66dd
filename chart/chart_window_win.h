#pragma once
#include <windows.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "chart/chart_canvas_win.h"
#include "chart/chart_run.h"
#include "chart/chart_scene.h"
#include "chart/chart_settings_win.h"
#include "chart/chart_view.h"
#include "chart/log_loader.h"
#include "core/column_limits.h"
#include "chart/pixel_rect.h"
#include "core/run_types.h"
#include "framework/window_win.h"
#include "settings/profile_win.h"

namespace velmar {

// The alarms as the chart shows them and lets the user set them: the main window's.
class ChartAlarms {
 public:
  virtual ~ChartAlarms() = default;
  virtual const std::vector<ColumnLimit>& Limits() const = 0;
  virtual bool ColumnInAlarm(size_t column) const = 0;
  // Asks for a column's limits in a dialog owned by `owner`; true when they changed.
  virtual bool EditLimit(HWND owner, const std::wstring& title) = 0;
};

// The live chart: a modeless top-level window owned by the main dialog, showing the current
// run (or a run read from a log file). A row is drawn right after its poll, at most ten times
// a second; rows closer together wait for a timer, the mouse for the display's next frame.
// Texts that change with every row are redrawn at most twice a second. Per-monitor DPI aware
// on its own; the dialog stays as it is.
class ChartWindow final : public Window, public RowListener {
 public:
  static constexpr wchar_t kCaption[] = L"Live Chart - Velmar Simple Data Logger";

  // Keeps its placement and choices in `profile`'s "Chart" section.
  ChartWindow(HWND owner, Profile profile);
  ~ChartWindow() override;

  // Creates the window where it was last (on a visible monitor), else beside the owner; or
  // brings it to the front.
  void Show();
  // Destroys the window, remembering its placement; the data stays.
  void Close();
  // When the program ends: remembers whether the window is open, once (a run that ends the
  // program closes it before Close would look again), and closes it.
  void CloseAtEnd();
  // At the next start: opens the window if it was open when the program last ended.
  void ShowIfOpenAtLastEnd();
  bool IsOpen() const { return Hwnd() != nullptr; }

  // Where the lanes' limits and alarms come from; none shows none.
  void SetAlarms(ChartAlarms* alarms) { alarms_ = alarms; }
  // What the header names while the live run is shown (a network instrument's address), from
  // the next run on; empty names nothing.
  void SetLiveSource(std::wstring source) { liveSource_ = std::move(source); }

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
  const ChartView& View() const { return view_; }
  // Puts the chart on the clipboard as a bitmap.
  bool CopyToClipboard();
  // Puts the visible window's statistics on the clipboard as a tab-separated table.
  bool CopyFiguresToClipboard();

 private:
  bool OnCreate() override;
  bool OnTimer(UINT_PTR id) override;
  bool OnPaint() override;
  bool OnSize(int width, int height) override;
  bool OnCommand(UINT id, UINT code, HWND control) override;
  bool OnKeyDown(WPARAM key) override;
  bool OnMouseMove(POINT at) override;
  bool OnMouseLeave() override;
  bool OnLeftButtonDown(POINT at) override;
  bool OnLeftButtonUp(POINT at) override;
  bool OnMouseWheel(POINT at, int delta) override;
  bool OnContextMenu(std::optional<POINT> screen) override;
  bool OnDpiChanged(const RECT& suggested) override;
  bool OnClose() override;
  bool OnDestroy() override;
  MessageResult OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  // Posted by the log reader's thread when it has finished a job.
  static constexpr UINT kLogReadMessage = WM_APP + 40;
  // Posted by a row, to draw it once its poll is over.
  static constexpr UINT kRowDrawMessage = WM_APP + 41;
  static constexpr UINT_PTR kRepaintTimer = 1;
  // A repaint within a display frame: for the mouse, or after a poll that was due.
  static constexpr UINT_PTR kSoonTimer = 2;

  void Create();
  // The remembered placement on its monitor, else beside the owner; in the monitor's pixels.
  PixelRect InitialRect(bool& maximized) const;
  void RememberPlacement() const;
  const ChartRun& ShownRun() const { return log_ ? *log_ : live_; }
  ChartScene BuildScene(int width, int height) const;
  void DrawRow();
  // `damaged`: the part of the client area a paint is for; none outside a paint.
  void Render(HDC target, const std::optional<RECT>& damaged);
  void Invalidate() const;
  // Anything but new rows changed what is shown: the next repaint redraws every text.
  void Changed();
  // At most one repaint per display frame.
  void RepaintSoon();
  void Execute(UINT command);
  void ChooseWindow(TimeWindow window);
  void ToggleLane(size_t column);
  void ToggleKind(size_t column);
  void ToggleStatistics();
  void EditLimit(size_t column);
  void OpenLog();
  bool StartLoad(const std::wstring& path, std::optional<size_t> runIndex, bool askForRun);
  void OnLoaded();
  std::optional<size_t> ChooseRun(const std::vector<LogRun>& runs);
  std::wstring SourceText() const;

  HWND owner_;
  ChartSettings settings_;
  bool openAtEndSaved_ = false;
  ChartRun live_;
  std::unique_ptr<ChartRun> log_;
  std::wstring logSource_;
  std::wstring liveSource_;
  ChartView view_;
  TimeWindow chosenWindow_;
  LaneChoices choices_;
  ChartAlarms* alarms_ = nullptr;
  ChartCanvas canvas_;
  int dpi_ = 96;
  bool dirty_ = false;
  std::chrono::steady_clock::time_point rowDrawn_;
  bool rowDrawPosted_ = false;
  std::optional<int> cursorX_;
  std::optional<int> dragX_;
  bool trackingLeave_ = false;
  UINT frameMs_ = 16;
  bool soonTimerRunning_ = false;
  bool soonPending_ = false;
  // The last scene drawn: where the mouse is, and the scales the next scene may keep.
  ChartLayout lastLayout_;
  TimeTransform lastTime_;
  std::vector<SceneLane> lastLanes_;
  uint64_t changes_ = 0;
  uint64_t changesDrawn_ = 0;
  std::chrono::steady_clock::time_point textsDrawn_;
  bool textsStale_ = false;
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
