#include "session/logging_session.h"

#include "logfile/log_format.h"

namespace velmar {
namespace {

// One poll's view of the channel: the run's instrument and rate for a reopen, the command as
// it stands now for the query.
class ChannelPollLink final : public PollLink {
 public:
  ChannelPollLink(SessionChannel& channel, const InstrumentAddress& instrument, int baudRate,
                  const std::wstring& command)
      : channel_(channel), instrument_(instrument), baudRate_(baudRate), command_(command) {}
  bool IsOpen() const override { return channel_.IsOpen(); }
  bool Reopen() override { return channel_.Open(instrument_, baudRate_); }
  bool SendQuery() override { return channel_.SendQuery(command_); }
  std::string ReadReply() override { return channel_.ReadReply(); }

 private:
  SessionChannel& channel_;
  const InstrumentAddress& instrument_;
  int baudRate_;
  const std::wstring& command_;
};

std::wstring CountedRows(size_t count) {
  return std::to_wstring(count) + (count == 1 ? L" row" : L" rows");
}

std::wstring DroppedText(size_t dropped) {
  if (dropped == 0) return {};
  return L" " + std::to_wstring(dropped) + (dropped == 1 ? L" more row was" : L" more rows were") +
         L" lost beyond the memory bound.";
}

std::wstring Sentences(const std::vector<std::wstring>& sentences) {
  std::wstring text;
  for (const std::wstring& sentence : sentences) text += (text.empty() ? L"" : L" ") + sentence;
  return text;
}

}  // namespace

void LogFileRows::OnRow(const LoggedRow& row) {
  // A file of a split run that still refuses its rows keeps them waiting after the switch.
  waiting_ = !run_.fileName.empty() &&
             (!log_.Append(row.point, row.elapsedMs, row.reply, row.time) || log_.WaitingRows() > 0);
}

LoggingSession::LoggingSession(SessionChannel& channel, LogStorage& storage, PollTimer& timer, SessionClock& clock,
                               SettingsSink& settings)
    : channel_(channel), storage_(storage), timer_(timer), clock_(clock), settings_(settings) {}

void LoggingSession::AddListener(RowListener& listener) { listeners_.push_back(&listener); }

StartOutcome LoggingSession::Open(const AppSettings& run, const InstrumentAddress& instrument,
                                  const SplitOptions& split) {
  run_ = run;
  instrument_ = instrument;
  points_.Begin();
  if (!channel_.Open(instrument_, run_.baudRate)) {
    const std::wstring failure = channel_.OpenFailure();
    // Idle holds no link, nor an attempt at one.
    channel_.Close();
    return {false, failure};
  }
  log_.Discard();
  startedAt_ = clock_.LocalNow();
  if (run_.fileName.empty()) return {true, L"File name blank, will not log data."};
  std::string preamble = StartStampLine(FormatLongDateTime(startedAt_)) + QueryLine(storage_.FileText(run_.command)) +
                         ColumnTitlesLine(storage_.FileText(run_.header));
  if (!log_.Begin(run_.fileName, split, std::move(preamble), startedAt_)) {
    // Idle holds no port: the next Start opens it afresh at the rate chosen then.
    channel_.Close();
    return {false, L"Cannot open output file, aborting!"};
  }
  return {true, {}};
}

StartOutcome LoggingSession::Begin() {
  settings_.Store(run_, instrument_);
  schedule_.emplace(static_cast<uint32_t>(run_.interval));
  if (!timer_.Arm(static_cast<uint32_t>(run_.interval))) {
    channel_.Close();
    return {false, L"Cannot start the measurement timer, aborting!"};
  }
  running_ = true;
  const RunHeader header{run_.command, run_.header, startedAt_};
  for (RowListener* listener : listeners_) listener->OnRunStarted(header);
  return {true, {}};
}

PollOutcome LoggingSession::Poll(const std::wstring& command) {
  if (!running_) return {};
  const uint64_t tick = clock_.TickCount();
  schedule_->PollStarted(clock_.FineMs());
  const LocalDateTime time = clock_.LocalNow();
  ChannelPollLink link(channel_, instrument_, run_.baudRate, command);
  const PollResult result = points_.Poll(link, tick);

  const LoggedRow row{result.point, result.elapsedMs, time, result.reply};
  for (RowListener* listener : listeners_) listener->OnRow(row);
  timer_.Arm(schedule_->DelayAfterPoll(clock_.FineMs()));
  return {true, PollStatusText(result, InstrumentName(instrument_)), fileRows_.RowsWaiting(), result.portLost, row};
}

StopOutcome LoggingSession::Stop() {
  if (!running_) return {};
  timer_.Disarm();
  channel_.Close();
  running_ = false;
  return RetryUnwritten();
}

StopOutcome LoggingSession::RetryUnwritten() {
  log_.Flush();
  return {true, log_.CurrentPath(), log_.WaitingFiles(), log_.WaitingRows(), log_.DroppedRows()};
}

RecoveryOutcome LoggingSession::SaveUnwritten() {
  RecoveryOutcome outcome{{}, log_.WaitingRows(), log_.DroppedRows()};
  outcome.files = log_.SaveWaiting(clock_.LocalNow());
  return outcome;
}

void LoggingSession::FinishStop() { log_.Discard(); }

RecoveryOutcome LoggingSession::StopForSessionEnd() {
  Stop();
  log_.Flush();
  RecoveryOutcome outcome = SaveUnwritten();
  FinishStop();
  return outcome;
}

std::wstring UnwrittenRowsText(const StopOutcome& outcome) {
  std::vector<std::wstring> sentences;
  for (const WaitingFile& file : outcome.files) {
    sentences.push_back(CountedRows(file.rows) + L" could not be written to " + file.path + L".");
  }
  return Sentences(sentences) + DroppedText(outcome.dropped);
}

std::wstring RecoveryText(const RecoveryOutcome& outcome) {
  std::vector<std::wstring> sentences;
  for (const SavedFile& file : outcome.files) {
    std::wstring text = CountedRows(file.rows) + L" could not be written to " + file.logPath;
    if (file.savedTo.empty()) {
      text += L" nor saved to a recovery file, and " + std::wstring(file.rows == 1 ? L"was" : L"were") + L" lost.";
    } else {
      text += L". " + std::wstring(file.rows == 1 ? L"It was" : L"They were") + L" saved to " + file.savedTo + L".";
    }
    sentences.push_back(std::move(text));
  }
  return Sentences(sentences) + DroppedText(outcome.dropped);
}

std::wstring DroppedOnlyText(const StopOutcome& outcome) {
  return L"All kept rows were written to " + outcome.logPath + L"." + DroppedText(outcome.dropped);
}

}  // namespace velmar
