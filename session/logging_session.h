#pragma once
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/split_options.h"
#include "logfile/run_log.h"
#include "session/logging_run.h"
#include "session/poll_schedule.h"
#include "session/session_parts.h"

namespace velmar {

struct StartOutcome {
  bool started = false;
  // A message box to show; with `started`, a notice that does not stop the run.
  std::wstring message;
};

struct PollOutcome {
  bool polled = false;
  // "<elapsed>ms: <reply>" or the lost-port notice, in the ANSI code page.
  std::string status;
  // Rows wait in memory for a file of the run: this row's, or when splitting, an earlier one.
  bool writeFailed = false;
  // The port was gone and could not be opened again; the row has an empty reply.
  bool portLost = false;
  // What the listeners heard, for the checks that also need the two facts above.
  LoggedRow row;
};

struct StopOutcome {
  bool wasRunning = false;
  // The file the run wrote last.
  std::wstring logPath;
  // Each file with rows still waiting for it.
  std::vector<WaitingFile> files;
  size_t unwritten = 0;
  size_t dropped = 0;
};

struct RecoveryOutcome {
  std::vector<SavedFile> files;
  size_t rows = 0;
  size_t dropped = 0;
};

// The log file as the first listener of a run's rows. Its preamble is written when the run
// opens, before any listener hears of it, since a file that refuses it stops the Start.
class LogFileRows final : public RowListener {
 public:
  LogFileRows(RunLog& log, const AppSettings& run) : log_(log), run_(run) {}
  void OnRunStarted(const RunHeader&) override {}
  void OnRow(const LoggedRow& row) override;
  // Whether rows wait in memory for any file of the run, or the last row was lost.
  bool RowsWaiting() const { return waiting_; }

 private:
  RunLog& log_;
  const AppSettings& run_;
  bool waiting_ = false;
};

// One logging run: the port, the log file, the timer and the run's state, from Start to Stop.
// Each step returns what the window should show; the window only shows it.
class LoggingSession {
 public:
  LoggingSession(SessionChannel& channel, LogStorage& storage, PollTimer& timer, SessionClock& clock,
                 SettingsSink& settings);

  // Followers of every logged row after the log file, e.g. the live chart.
  void AddListener(RowListener& listener);

  // Opens the link to the instrument and writes the preamble. On success with a blank path the
  // message is the notice that no file is written; Begin then starts the run.
  StartOutcome Open(const AppSettings& run, const InstrumentAddress& instrument, const SplitOptions& split = {});
  // On the run's COM port.
  StartOutcome Open(const AppSettings& run, const SplitOptions& split = {}) {
    return Open(run, InstrumentAddress{run.comPort, std::nullopt}, split);
  }
  // Stores the settings and starts the timer; the run is claimed only when the timer runs.
  StartOutcome Begin();
  // One poll with the command as it stands now.
  PollOutcome Poll(const std::wstring& command);
  // Stops the timer, releases the port and tries the waiting rows once more.
  StopOutcome Stop();
  StopOutcome RetryUnwritten();
  // Saves the rows the files still refuse to recovery files; none wait afterwards.
  RecoveryOutcome SaveUnwritten();
  // Forgets what Stop reported, once it has been shown.
  void FinishStop();
  // At the end of the Windows session: stops as Stop does, and saves what the files refuse,
  // with nothing to ask; also when the run has stopped and its rows wait on a question.
  RecoveryOutcome StopForSessionEnd();

  bool Running() const { return running_; }

 private:
  SessionChannel& channel_;
  LogStorage& storage_;
  PollTimer& timer_;
  SessionClock& clock_;
  SettingsSink& settings_;
  AppSettings run_;
  InstrumentAddress instrument_;
  LocalDateTime startedAt_;
  RunLog log_{storage_};
  LogFileRows fileRows_{log_, run_};
  std::vector<RowListener*> listeners_{&fileRows_};
  LoggingRun points_;
  std::optional<PollSchedule> schedule_;
  bool running_ = false;
};

// "N rows could not be written to PATH." for each file, with the rows lost beyond the memory
// bound, if any.
std::wstring UnwrittenRowsText(const StopOutcome& outcome);
// Where the rows went that the files refused at the end.
std::wstring RecoveryText(const RecoveryOutcome& outcome);
// Said when every kept row reached the file but some were lost beyond the memory bound.
std::wstring DroppedOnlyText(const StopOutcome& outcome);

}  // namespace velmar
