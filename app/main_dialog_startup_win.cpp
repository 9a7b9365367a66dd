#include "app/dialog_timers.h"
#include "app/main_dialog_win.h"
#include "res/resource.h"
#include "settings/baud_table.h"
#include "settings/port_list_win.h"
#include "settings/port_selection.h"

namespace {

constexpr UINT kPortWaitCheckMs = 1000;
constexpr UINT kMinimizedHoldMs = 1000;

}  // namespace

// The switches land in the fields exactly as the user's choices would; a fault in them, or a
// missing port that no run waits for, applies none of them.
void CVelmarDataLoggerDlg::ApplySwitches() {
  if (!switches_.error.empty()) return;
  const velmar::CommandLineOptions& options = switches_.options;
  const bool present = options.port && velmar::ComPortExists(*options.port);
  const velmar::PortOnStart port = velmar::PortOnStartFor(options, present);
  if (port == velmar::PortOnStart::Missing) {
    switches_.error = velmar::MissingPortError(*options.port);
    return;
  }
  if (options.port && present) velmar::SelectPortEntry(portList_, *options.port);
  if (options.network) {
    ReloadNetworkInstruments();
    if (const std::optional<int> entry = NetworkEntryOf(*options.network)) velmar::SelectPortEntry(portList_, *entry);
  }
  if (options.baudRate) SendMessageW(baudList_, CB_SETCURSEL, velmar::BaudListIndexForRate(*options.baudRate), 0);
  if (options.intervalMs) interval_ = *options.intervalMs;
  if (options.command) command_ = *options.command;
  if (options.header) columnHeader_ = *options.header;
  if (options.logPath) logFilePath_ = *options.logPath;
  velmar::UnattendedPlan plan;
  plan.start = options.start;
  if (port == velmar::PortOnStart::WaitForIt) {
    plan.waitForPort = options.port;
    waitedInstrument_ = {*options.port, std::nullopt};
  } else if (const velmar::InstrumentAddress selected = SelectedInstrument(); options.start && selected.network) {
    // Whether it can be reached is known only once an attempt has been made, off this thread.
    plan.waitForPort = velmar::kAutoPort;
    waitedInstrument_ = selected;
  }
  plan.waitLimitMs = options.waitMs;
  plan.durationMs = options.durationMs;
  plan.closeWhenDone = options.closeWhenDone;
  unattended_ = velmar::UnattendedRun(plan);
}

void CVelmarDataLoggerDlg::OnStartupSwitches() {
  chart_->ShowIfOpenAtLastEnd();
  if (!switches_.error.empty()) {
    ShowSwitchFault(switches_.error);
    // Under /close nobody is there to set things right: the program ends at once.
    if (switches_.closeRequested) EndDialog(IDCANCEL);
    return;
  }
  const velmar::CommandLineOptions& options = switches_.options;
  if (options.chart) chart_->Show();
  Carry(unattended_.Ready(WaitedInstrumentPresent(), GetTickCount64()));
  if (options.minimized && IsWindow(Hwnd())) {
    SendMessageW(Hwnd(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    holdMinimized_ = true;
    SetTimer(Hwnd(), velmar::kMinimizedHoldTimer, kMinimizedHoldMs, nullptr);
  }
}

// Carries out what the unattended run decided, in its order.
void CVelmarDataLoggerDlg::Carry(const velmar::UnattendedSteps& steps) {
  if (steps.waitForPort) {
    alarms_->Waiting();
    // Stop stays available to end the wait; the run starts once the port is listed.
    EnableControls(false);
    const std::wstring name = velmar::InstrumentName(waitedInstrument_);
    SetStatus(L"Waiting for " + name + L"...");
    // A TLS file that cannot be used is told at Start; until then nothing is published.
    std::wstring brokerError;
    if (const std::optional<BrokerRun> broker = PrepareBroker(brokerError)) {
      publishing_->RunStarting(broker->options, broker->tlsFiles, name, velmar::RunState::Waiting);
    }
    SetTimer(Hwnd(), velmar::kPortWaitTimer, kPortWaitCheckMs, nullptr);
  }
  if (steps.endWait) {
    alarms_->Idle();
    KillTimer(Hwnd(), velmar::kPortWaitTimer);
    SetStatus(L"");
    EnableControls(true);
    // An attempt still under way is abandoned; a connection made is the run's.
    if (!steps.startRun) Channel().Close();
  }
  if (steps.portMissing) {
    exitFacts_.waitRanOut = true;
    ShowMessage(waitedInstrument_.network ? velmar::UnreachableInstrumentError(waitedInstrument_.network->address,
                                                                               Channel().Network().LastFailure())
                                          : velmar::MissingPortError(*switches_.options.port));
  }
  if (steps.startRun) {
    if (switches_.options.port) RebuildPorts(*switches_.options.port, false);
    const StartStep step = OnStart();
    if (step == StartStep::Connecting) {
      switchStartConnecting_ = true;
    } else {
      Carry(unattended_.RunStarted(step == StartStep::Started, GetTickCount64()));
    }
  }
  if (steps.armDeadlineMs) SetTimer(Hwnd(), velmar::kDurationTimer, *steps.armDeadlineMs, nullptr);
  if (steps.stopRun) OnStop(velmar::RunMark::EndByDuration);
  if (steps.closeProgram) {
    chart_->CloseAtEnd();
    EndDialog(IDCANCEL);
  }
}

void CVelmarDataLoggerDlg::CheckWaitedPort() {
  if (unattended_.WaitedPort()) Carry(unattended_.PortCheck(WaitedInstrumentPresent(), GetTickCount64()));
}

bool CVelmarDataLoggerDlg::WaitedInstrumentPresent() {
  if (waitedInstrument_.network) return Channel().Network().Open(*waitedInstrument_.network, velmar::Pace::Paced);
  return !switches_.options.port || velmar::ComPortExists(*switches_.options.port);
}
