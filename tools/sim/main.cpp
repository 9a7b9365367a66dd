#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <random>
#include <string>

#include "tools/sim/control_server.h"
#include "tools/sim/options.h"
#include "tools/sim/simulator.h"

namespace {

using velmar::sim::Simulator;
using Clock = Simulator::Clock;

// Signals only write their number here; the loop acts on them between polls.
int g_signal_pipe[2] = {-1, -1};

void OnSignal(int number) {
  const int saved = errno;
  const unsigned char byte = static_cast<unsigned char>(number);
  [[maybe_unused]] const ssize_t ignored = write(g_signal_pipe[1], &byte, 1);
  errno = saved;
}

bool InstallSignals() {
  if (pipe2(g_signal_pipe, O_NONBLOCK | O_CLOEXEC) != 0) return false;
  struct sigaction action{};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  for (int number : {SIGUSR1, SIGUSR2, SIGTERM, SIGINT, SIGHUP})
    if (sigaction(number, &action, nullptr) != 0) return false;
  std::signal(SIGPIPE, SIG_IGN);
  return true;
}

// Written beside the target and renamed, so a harness polling the file never reads half of it.
bool WritePortFile(const std::string& path, unsigned port) {
  const std::string temp = path + ".new." + std::to_string(getpid());
  std::FILE* file = std::fopen(temp.c_str(), "w");
  if (!file) return false;
  const bool written = std::fprintf(file, "%u\n", port) > 0;
  if (std::fclose(file) != 0 || !written || std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

// Returns false when the program should stop.
bool HandleSignals(Simulator& sim) {
  unsigned char numbers[64];
  ssize_t n;
  bool keep_running = true;
  while ((n = read(g_signal_pipe[0], numbers, sizeof numbers)) > 0) {
    for (ssize_t i = 0; i < n; ++i) {
      std::string error;
      switch (numbers[i]) {
        case SIGUSR1:
          sim.Unplug();
          break;
        case SIGUSR2:
          if (!sim.Replug(error)) std::fprintf(stderr, "velmar-sim: replug failed: %s\n", error.c_str());
          break;
        default:
          keep_running = false;
      }
    }
  }
  return keep_running;
}

int PollTimeoutMs(std::optional<Clock::time_point> wake, Clock::time_point now) {
  if (!wake) return -1;
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*wake - now).count();
  return static_cast<int>(std::clamp<long long>(wait, 0, 60'000));
}

int Run(const velmar::sim::Options& options) {
  const Clock::time_point start = Clock::now();
  std::FILE* record = nullptr;
  if (!options.record_path.empty() && !(record = std::fopen(options.record_path.c_str(), "a"))) {
    std::perror(("velmar-sim: " + options.record_path).c_str());
    return 1;
  }
  if (!InstallSignals()) {
    std::perror("velmar-sim: signals");
    return 1;
  }
  const std::uint64_t seed = options.seed ? *options.seed : std::random_device{}();
  Simulator sim(options, seed, record, start);
  std::string error;
  if (!sim.Replug(error)) {
    std::fprintf(stderr, "velmar-sim: %s\n", error.c_str());
    return 1;
  }
  std::fprintf(stderr, "velmar-sim: %s -> %s\n", options.link_path.c_str(), sim.line().Describe().c_str());

  velmar::sim::ControlServer control;
  if (options.control_port) {
    if (!control.Listen(*options.control_port, error)) {
      std::fprintf(stderr, "velmar-sim: %s\n", error.c_str());
      return 1;
    }
    std::printf("%u\n", static_cast<unsigned>(control.port()));
    std::fflush(stdout);
    if (!options.port_file.empty() && !WritePortFile(options.port_file, control.port())) {
      std::perror(("velmar-sim: " + options.port_file).c_str());
      return 1;
    }
  }

  std::optional<Clock::time_point> end;
  if (options.lifetime_s > 0)
    end = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(options.lifetime_s));
  const auto handler = [&sim](std::string_view command) { return sim.Control(command); };

  // Said on the way out, so that a test's output shows why its instrument went away.
  const char* ending = "lifetime over";
  while (true) {
    Clock::time_point now = Clock::now();
    sim.RunDue(now);
    if (end && now >= *end) break;

    std::vector<pollfd> fds{{g_signal_pipe[0], POLLIN, 0}};
    sim.AddPollFds(fds, now);
    if (options.control_port) control.AddPollFds(fds);
    std::optional<Clock::time_point> wake = sim.NextWakeUp();
    if (end && (!wake || *end < *wake)) wake = end;

    if (poll(fds.data(), fds.size(), PollTimeoutMs(wake, now)) < 0) {
      if (errno == EINTR) continue;
      std::perror("velmar-sim: poll");
      ending = "poll failed";
      break;
    }
    now = Clock::now();
    if ((fds[0].revents & POLLIN) && !HandleSignals(sim)) {
      ending = "a signal";
      break;
    }
    sim.Dispatch(fds, now);
    if (options.control_port) control.Dispatch(fds, handler);
    if (sim.quit_requested()) {
      ending = "asked to quit";
      control.Flush(1000);
      break;
    }
    if (options.exit_with_control && control.first_connection_closed()) {
      ending = "its control connection closed";
      break;
    }
  }
  std::fprintf(stderr, "velmar-sim: ending: %s\n", ending);
  sim.Unplug();
  if (record) std::fclose(record);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  velmar::sim::Options options;
  std::string error;
  switch (velmar::sim::ParseOptions(argc, argv, options, error)) {
    case velmar::sim::ParseOutcome::kHelp:
      std::fputs(velmar::sim::UsageText(), stdout);
      return 0;
    case velmar::sim::ParseOutcome::kError:
      std::fprintf(stderr, "velmar-sim: %s\nTry 'velmar-sim --help'.\n", error.c_str());
      return 2;
    case velmar::sim::ParseOutcome::kRun:
      break;
  }
  return Run(options);
}
