#pragma once

namespace velmar {

// What a process that ends by /close tells the batch file that started it.
enum class ExitCode : int {
  Clean = 0,
  Failed = 1,        // bad switches, or Start failed
  RowsNotInLog = 2,  // rows went to a recovery file, or were lost
  AlarmRaised = 3,   // a limit or a health alarm, cleared or not
  PortNeverCame = 4, // /wait ran out before the port appeared
};

struct ExitFacts {
  bool closeWhenDone = false;
  bool badSwitches = false;
  bool startFailed = false;
  bool waitRanOut = false;
  bool rowsNotInLog = false;
  bool alarmRaised = false;
};

// The first that applies: 1, 4, 2, 3, else 0. Without /close the program always ends with 0,
// as it always did.
ExitCode ChooseExitCode(const ExitFacts& facts);

}  // namespace velmar
