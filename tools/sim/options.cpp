#include "tools/sim/options.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <cmath>
#include <string_view>
#include <vector>

namespace velmar::sim {

namespace {

template <typename Number>
bool ParseNumber(std::string_view text, Number& value) {
  const char* end = text.data() + text.size();
  auto [stop, status] = std::from_chars(text.data(), end, value);
  return status == std::errc() && stop == end;
}

bool ParseSplit(std::string_view text, ReplySettings& reply) {
  const auto colon = text.find(':');
  int pieces = 0;
  int gap = 0;
  if (colon == std::string_view::npos || !ParseNumber(text.substr(0, colon), pieces) ||
      !ParseNumber(text.substr(colon + 1), gap) || pieces < 1 || gap < 0)
    return false;
  reply.split_pieces = pieces;
  reply.split_gap = std::chrono::milliseconds(gap);
  return true;
}

}  // namespace

const char* UsageText() {
  return R"(Usage: velmar-sim --link PATH [options]
       velmar-sim --tcp PORT [options]

Simulates a laser-diode driver / TEC controller on a pseudo-terminal whose slave is published
at PATH (a symlink, replaced atomically and removed on exit), or on a TCP port of 127.0.0.1
serving one client at a time, as a serial device server in raw mode does (a second client
waits until the first one leaves). Each query line, ended by LF (CR ignored), gets one reply
line: one comma-separated value per query, ended by CR LF.

Options:
  --link PATH            symlink to publish the pty slave at
  --tcp PORT             listen on 127.0.0.1:PORT instead (0: any free port; see tcp-port)
  --greeting TEXT        send TEXT and CR LF to each new TCP client (or pty)
  --seed N               seed of the drifting readings (default: random)
  --delay MS             wait MS milliseconds before replying
  --split N:GAP_MS       send each reply in N pieces, GAP_MS milliseconds apart
  --silent               never reply
  --cr-only              end replies with CR only
  --lf-first             send LF, then the reply ended by CR LF
  --no-cr                end replies with LF only
  --garbage              mix random bytes (NUL and high bytes among them) into replies
  --nul                  put a NUL byte into replies, after the first value
  --long                 make each reply last over 1.2 s: values repeated, written at the
                         baud rate the other side set
  --record FILE          append "<microseconds since start> <hex byte>" per received byte
  --control PORT         accept line commands on 127.0.0.1:PORT (0: any free port, which
                         is printed on stdout)
  --port-file FILE       write the control port number to FILE once listening
  --exit-with-control    exit when the first control connection closes
  --lifetime SECONDS     exit after SECONDS (default 0: never)
  --help                 show this text

At most one of --silent, --cr-only, --lf-first, --no-cr, --garbage, --nul, --long.

Signals: SIGUSR1 unplugs (closes the pty, removes the link), SIGUSR2 plugs a new pty in,
SIGTERM, SIGINT and SIGHUP exit.

Control commands, one per line, each answered by one line "ok ..." or "error ...":
  ping                   ok pong
  mode NAME              normal|silent|cr-only|lf-first|no-cr|garbage|nul|long
  delay MS               reply delay
  split N GAP_MS         reply pieces (N=1: one piece)
  unplug | replug        as the signals; both do nothing when already in that state
  record                 ok <received bytes as hex, two digits per byte>
  record-times           ok <ms since start>:<hex byte> ...
  record-times-us        ok <us since start>:<hex byte> ... (received bytes)
  sent-times-us          ok <us since start>:<hex byte> ... (written bytes, timed after the write)
  start-time             ok <CLOCK_MONOTONIC microseconds when the simulator started>
  sent                   ok <bytes written to the line so far, as hex>
  clear                  forget the received and sent bytes
  reply [TEXT]           answer every query with exactly TEXT (empty: an empty line)
  reply-off              answer the queries again
  termios                ok speed=<baud> csize=<5..8> parenb= cstopb= crtscts= ixon= ixoff= raw=
                         (each flag 0 or 1, as the other side set its end of the line)
  send HEX               write these bytes (two hex digits each) to the line at once
  queries                ok <number of query lines received>
  quit                   exit
  greeting [TEXT]        the greeting for the next clients (empty: none)
  half-open              read queries but answer none, until the next client
  flood                  send bytes without a line end as fast as they are taken, until the
                         next client
  trickle GAP_MS         send each reply byte by byte, GAP_MS milliseconds apart
With --tcp:
  tcp-port               ok <the port listened on>
  clients                ok <number of clients accepted so far>
  close | reset          end the client's connection (reset: with an RST)
  refuse                 stop listening: new connections are refused
  listen                 listen again, on the same port
)";
}

ParseOutcome ParseOptions(int argc, char** argv, Options& options, std::string& error) {
  std::vector<std::string_view> args(argv + 1, argv + argc);
  std::optional<ReplyMode> mode;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view name = args[i];
    std::optional<std::string_view> inline_value;
    if (const auto eq = name.find('='); name.starts_with("--") && eq != std::string_view::npos) {
      inline_value = name.substr(eq + 1);
      name = name.substr(0, eq);
    }
    auto value = [&]() -> std::optional<std::string_view> {
      if (inline_value) return inline_value;
      if (i + 1 < args.size()) return args[++i];
      return std::nullopt;
    };
    auto fail = [&](std::string_view why) {
      error = std::string(name) + ": " + std::string(why);
      return ParseOutcome::kError;
    };

    if (name == "--help" || name == "-h") return ParseOutcome::kHelp;
    if (const auto flag_mode = name.starts_with("--") ? ReplyModeFromName(name.substr(2)) : std::nullopt;
        flag_mode && *flag_mode != ReplyMode::kNormal) {
      if (mode && *mode != *flag_mode) return fail("only one reply mode may be given");
      mode = flag_mode;
      continue;
    }
    if (name == "--exit-with-control") {
      options.exit_with_control = true;
      continue;
    }

    constexpr std::string_view kValued[] = {"--link",    "--seed",      "--delay",     "--split",  "--record",
                                            "--control", "--port-file", "--lifetime", "--tcp",    "--greeting"};
    if (std::find(std::begin(kValued), std::end(kValued), name) == std::end(kValued)) {
      error = "unknown option " + std::string(name);
      return ParseOutcome::kError;
    }
    const auto text = value();
    if (!text) return fail("needs a value");
    if (name == "--link") {
      options.link_path = std::string(*text);
    } else if (name == "--seed") {
      std::uint64_t seed = 0;
      if (!ParseNumber(*text, seed)) return fail("expects a non-negative integer");
      options.seed = seed;
    } else if (name == "--delay") {
      int ms = 0;
      if (!ParseNumber(*text, ms) || ms < 0) return fail("expects milliseconds");
      options.reply.delay = std::chrono::milliseconds(ms);
    } else if (name == "--split") {
      if (!ParseSplit(*text, options.reply)) return fail("expects N:GAP_MS with N >= 1");
    } else if (name == "--record") {
      options.record_path = std::string(*text);
    } else if (name == "--control") {
      std::uint16_t port = 0;
      if (!ParseNumber(*text, port)) return fail("expects a TCP port number");
      options.control_port = port;
    } else if (name == "--tcp") {
      std::uint16_t port = 0;
      if (!ParseNumber(*text, port)) return fail("expects a TCP port number");
      options.tcp_port = port;
    } else if (name == "--greeting") {
      options.greeting = std::string(*text);
    } else if (name == "--port-file") {
      options.port_file = std::string(*text);
    } else {  // --lifetime
      double seconds = 0;
      if (!ParseNumber(*text, seconds) || !std::isfinite(seconds) || seconds < 0) return fail("expects seconds");
      options.lifetime_s = seconds;
    }
  }
  if (options.link_path.empty() == !options.tcp_port) {
    error = "one of --link PATH and --tcp PORT is required";
    return ParseOutcome::kError;
  }
  if (!options.control_port && (!options.port_file.empty() || options.exit_with_control)) {
    error = "--port-file and --exit-with-control need --control";
    return ParseOutcome::kError;
  }
  if (mode) options.reply.mode = *mode;
  return ParseOutcome::kRun;
}

}  // namespace velmar::sim
