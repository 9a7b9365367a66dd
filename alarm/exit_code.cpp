#include "alarm/exit_code.h"

namespace velmar {

ExitCode ChooseExitCode(const ExitFacts& facts) {
  if (!facts.closeWhenDone) return ExitCode::Clean;
  if (facts.badSwitches || facts.startFailed) return ExitCode::Failed;
  if (facts.waitRanOut) return ExitCode::PortNeverCame;
  if (facts.rowsNotInLog) return ExitCode::RowsNotInLog;
  if (facts.alarmRaised) return ExitCode::AlarmRaised;
  return ExitCode::Clean;
}

}  // namespace velmar
