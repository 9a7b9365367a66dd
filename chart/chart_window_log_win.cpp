#include "chart/chart_menu_win.h"
#include "chart/chart_window_win.h"
#include "chart/log_source_win.h"
#include "chart/run_choice.h"
#include "chart/run_list_win.h"
#include "core/reply_fields.h"
#include "framework/ansi_text_win.h"

// The chart's past runs: a log file read on a thread of its own, then shown in place of the live run.
namespace velmar {

namespace {

std::wstring FileName(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool ChartWindow::ShowLogRun(const std::wstring& path, std::optional<size_t> runIndex) {
  return StartLoad(path, runIndex, false);
}

bool ChartWindow::StartLoad(const std::wstring& path, std::optional<size_t> runIndex, bool askForRun) {
  std::unique_ptr<ChunkSource> source = OpenLogSource(path);
  if (!source) return false;
  // The run shown before goes now: with the live run and the one being read, that is the most
  // the chart ever keeps.
  log_.reset();
  logSource_.clear();
  loadPath_ = path;
  loadRun_ = runIndex;
  askForRun_ = askForRun;
  loader_.Scan(std::move(source));
  Changed();
  return true;
}

void ChartWindow::OnLoaded() {
  std::optional<LogLoader::Result> result = loader_.Take();
  if (!result) return;
  if (result->kind == LogLoader::Result::Kind::Failed) {
    MessageBoxW(Hwnd(), (L"Cannot read " + loadPath_ + L".").c_str(), kCaption, MB_OK | MB_ICONEXCLAMATION);
  } else if (result->kind == LogLoader::Result::Kind::Scanned) {
    const std::vector<LogRun>& runs = result->runs;
    if (runs.empty()) {
      if (askForRun_) {
        MessageBoxW(Hwnd(), (L"No run found in " + loadPath_ + L".").c_str(), kCaption, MB_OK | MB_ICONEXCLAMATION);
      }
    } else if (const std::optional<size_t> chosen = askForRun_ ? ChooseRun(runs) : loadRun_.value_or(runs.size() - 1);
               chosen && *chosen < runs.size()) {
      if (std::unique_ptr<ChunkSource> source = OpenLogSource(loadPath_)) {
        loadingRun_ = runs[*chosen];
        loader_.Build(std::move(source), loadingRun_, SplitTitles(FromAnsi(loadingRun_.columnTitles)));
      }
    }
  } else {
    log_ = std::move(result->chart);
    logSource_ = FileName(loadPath_) + L", run started " + FromAnsi(loadingRun_.stamp);
    view_.SetWindow(TimeWindow::All);
  }
  Changed();
}

std::wstring ChartWindow::SourceText() const {
  if (!loader_.Busy()) return log_ ? logSource_ : liveSource_;
  return L"Reading " + FileName(loadPath_) + L"... " + std::to_wstring(loader_.Percent()) + L" %";
}

void ChartWindow::ShowLiveRun() {
  loader_.Cancel();
  log_.reset();
  logSource_.clear();
  view_.SetWindow(chosenWindow_);
  Changed();
}

void ChartWindow::OpenLog() {
  const std::wstring path = AskForLogFile(Hwnd());
  if (path.empty()) return;
  if (!StartLoad(path, std::nullopt, true)) {
    MessageBoxW(Hwnd(), (L"Cannot read " + path + L".").c_str(), kCaption, MB_OK | MB_ICONEXCLAMATION);
  }
}

std::optional<size_t> ChartWindow::ChooseRun(const std::vector<LogRun>& runs) {
  if (runs.size() == 1) return 0;
  std::vector<RunChoice> choices;
  for (size_t i = 0; i < runs.size(); ++i) choices.push_back(DescribeRun(runs[i], i, runs.size(), FromAnsi(runs[i].stamp)));
  return runs.size() <= kRunsInMenu ? PickLogRun(Hwnd(), choices) : PickRunFromList(Hwnd(), choices);
}

}  // namespace velmar
