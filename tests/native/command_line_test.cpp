#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "cli/broker_switches.h"
#include "core/presets.h"

namespace velmar {
namespace {

using Args = std::vector<std::wstring>;

// Parses args that must be accepted.
CommandLineOptions Parse(const Args& args) {
  const CommandLineResult result = ParseCommandLine(args);
  EXPECT_EQ(result.error, L"") << ::testing::PrintToString(args);
  return result.options;
}

TEST(CommandLineFormsTest, NoArgumentsSetNothing) {
  const CommandLineResult result = ParseCommandLine({});
  EXPECT_EQ(result.error, L"");
  EXPECT_EQ(result.options, CommandLineOptions{});
}

TEST(CommandLineFormsTest, AValueFollowsAsNextArgumentOrAfterColonOrEquals) {
  for (const Args& args : {Args{L"/port", L"COM5"}, Args{L"/port:COM5"}, Args{L"/port=COM5"}, Args{L"-port", L"COM5"},
                           Args{L"-port:COM5"}, Args{L"/PoRt", L"com5"}, Args{L"-PORT=Com5"}}) {
    EXPECT_EQ(Parse(args).port, 5) << ::testing::PrintToString(args);
  }
}

TEST(CommandLineFormsTest, EverySwitchInEitherPrefixAndAnyCase) {
  const CommandLineOptions options =
      Parse({L"-PORT", L"12", L"/Baud", L"9600", L"-interval:250", L"/PRESET=Tec", L"-Log", L"run.csv",
             L"/START", L"-duration", L"90", L"-Close", L"/MINIMIZED", L"-chart"});
  CommandLineOptions expected;
  expected.port = 12;
  expected.baudRate = 9600;
  expected.intervalMs = 250;
  expected.command = kTecPreset.queryLine;
  expected.header = kTecPreset.columnTitles;
  expected.logPath = L"run.csv";
  expected.start = true;
  expected.durationMs = 90000;
  expected.closeWhenDone = true;
  expected.minimized = true;
  expected.chart = true;
  EXPECT_EQ(options, expected);
}

TEST(CommandLineFormsTest, EverythingAfterTheFirstSeparatorIsTheValue) {
  EXPECT_EQ(Parse({L"/log=C:\\a=b.csv"}).logPath, L"C:\\a=b.csv");
  EXPECT_EQ(Parse({L"/log:C:\\x.csv"}).logPath, L"C:\\x.csv");
  EXPECT_EQ(Parse({L"/command:las:ldi?"}).command, L"las:ldi?");
}

TEST(CommandLineFormsTest, AQuotedPathWithSpacesArrivesWhole) {
  EXPECT_EQ(Parse({L"/log", L"C:\\Lab Data\\run 1.csv", L"/start"}).logPath, L"C:\\Lab Data\\run 1.csv");
}

TEST(CommandLineFormsTest, TextSwitchesTakeTheNextArgumentWhateverItLooksLike) {
  const CommandLineOptions options = Parse({L"/log", L"-run.csv", L"/command", L"/x", L"/header", L""});
  EXPECT_EQ(options.logPath, L"-run.csv");
  EXPECT_EQ(options.command, L"/x");
  EXPECT_EQ(options.header, L"");
  EXPECT_FALSE(options.start);
  EXPECT_EQ(Parse({L"/log="}).logPath, L"");
}

TEST(CommandLineFormsTest, TheLastOfARepeatedSwitchWins) {
  const CommandLineOptions options =
      Parse({L"/port", L"3", L"/log", L"a.csv", L"/port=COM7", L"/interval", L"500", L"/log", L"b.csv",
             L"/interval:700", L"/duration", L"1h", L"/duration", L"2m", L"/start", L"/start"});
  EXPECT_EQ(options.port, 7);
  EXPECT_EQ(options.logPath, L"b.csv");
  EXPECT_EQ(options.intervalMs, 700);
  EXPECT_EQ(options.durationMs, 120000u);
  EXPECT_TRUE(options.start);
}

TEST(CommandLineValuesTest, PortsFromOneTo255WithOrWithoutCom) {
  EXPECT_EQ(Parse({L"/port", L"COM1"}).port, 1);
  EXPECT_EQ(Parse({L"/port", L"cOm255"}).port, 255);
  EXPECT_EQ(Parse({L"/port", L"1"}).port, 1);
  EXPECT_EQ(Parse({L"/port", L"255"}).port, 255);
}

TEST(CommandLineValuesTest, EveryListedBaudRate) {
  for (const int rate : {1200, 2400, 9600, 19200, 38400, 57600, 115200}) {
    EXPECT_EQ(Parse({L"/baud", std::to_wstring(rate)}).baudRate, rate);
  }
}

TEST(CommandLineValuesTest, IntervalReadsAsTheDialogDoes) {
  EXPECT_EQ(Parse({L"/interval", L"100"}).intervalMs, 100);
  EXPECT_EQ(Parse({L"/interval", L"10000000"}).intervalMs, 10000000);
  EXPECT_EQ(Parse({L"/interval", L"250ms"}).intervalMs, 250);
  EXPECT_EQ(Parse({L"/interval", L" +300"}).intervalMs, 300);
}

TEST(CommandLineValuesTest, DurationInSecondsMinutesOrHoursToTheMillisecond) {
  const std::vector<std::pair<std::wstring, std::uint64_t>> cases{
      {L"90", 90000u},      {L"90s", 90000u},       {L"2m", 120000u},   {L"1h", 3600000u},
      {L"1.5h", 5400000u},  {L"2M", 120000u},       {L"0.5", 500u},     {L"0.0015s", 2u},
      {L"0.25m", 15000u},   {L"1000h", 3600000000u}, {L"0.001", 1u},    {L"007s", 7000u},
      {L"1.000000000000000000000000001h", 3600000u}};
  for (const auto& [text, ms] : cases) {
    EXPECT_EQ(Parse({L"/duration", text}).durationMs, ms) << ::testing::PrintToString(text);
  }
}

TEST(CommandLineValuesTest, SplitNeverDailyOrEveryNRows) {
  EXPECT_EQ(Parse({L"/split", L"never"}).split, (SplitOptions{SplitMode::Never, kDefaultSplitRows}));
  EXPECT_EQ(Parse({L"/split:Daily"}).split, (SplitOptions{SplitMode::Daily, kDefaultSplitRows}));
  EXPECT_EQ(Parse({L"/split", L"10"}).split, (SplitOptions{SplitMode::Rows, 10}));
  EXPECT_EQ(Parse({L"/split", L"100000000"}).split, (SplitOptions{SplitMode::Rows, 100'000'000}));
}

TEST(CommandLineValuesTest, BrokerHostPortOffTopicAndUserForThisProcessOnly) {
  EXPECT_EQ(Parse({L"/mqtt", L"lab-pi"}).mqtt, (BrokerAddress{L"lab-pi", 1883}));
  EXPECT_EQ(Parse({L"/mqtt:10.0.0.5:8883"}).mqtt, (BrokerAddress{L"10.0.0.5", 8883}));
  EXPECT_EQ(Parse({L"/mqtt", L"[::1]:1884"}).mqtt, (BrokerAddress{L"::1", 1884}));
  EXPECT_EQ(Parse({L"/mqtt", L"fe80::1"}).mqtt, (BrokerAddress{L"fe80::1", 1883}));
  EXPECT_EQ(Parse({L"/mqtt", L"OFF"}).mqtt, (BrokerAddress{L"", 1883}));
  EXPECT_EQ(Parse({L"/topic", L"/lab/bench 2"}).topicPrefix, L"/lab/bench 2");
  EXPECT_EQ(Parse({L"/mqtt-user", L"-lab"}).mqttUser, L"-lab");

  BrokerOptions stored{L"stored", 1883, L"old", L"anna", L"secret"};
  CommandLineOptions switches = Parse({L"/mqtt", L"new:1999", L"/mqtt-user", L"bob"});
  EXPECT_EQ(BrokerForThisProcess(stored, switches, std::nullopt),
            (BrokerOptions{L"new", 1999, L"old", L"bob", L"secret"}));
  EXPECT_EQ(BrokerForThisProcess(stored, switches, L"from-env").password, L"from-env");
  EXPECT_EQ(BrokerForThisProcess(stored, Parse({L"/mqtt", L"off"}), std::nullopt).host, L"");
  EXPECT_EQ(BrokerForThisProcess(stored, {}, std::nullopt), stored);
}

TEST(CommandLineValuesTest, MqttsTurnsTlsOnWithPort8883AndItsFilesComeFromTheSwitches) {
  EXPECT_EQ(Parse({L"/mqtt", L"mqtts://lab-pi"}).mqtt, (BrokerAddress{L"lab-pi", 8883, true}));
  EXPECT_EQ(Parse({L"/mqtt", L"MQTTS://lab-pi:9883"}).mqtt, (BrokerAddress{L"lab-pi", 9883, true}));
  EXPECT_EQ(Parse({L"/mqtt", L"mqtts://[::1]"}).mqtt, (BrokerAddress{L"::1", 8883, true}));
  EXPECT_EQ(Parse({L"/mqtt=mqtt://lab-pi"}).mqtt, (BrokerAddress{L"lab-pi", 1883, false}));
  EXPECT_EQ(Parse({L"/mqtt", L"mqtt://lab-pi:8883"}).mqtt, (BrokerAddress{L"lab-pi", 8883, false}));
  const CommandLineOptions files =
      Parse({L"/mqtt-ca", L"C:\\Lab CA\\ca.pem", L"/mqtt-cert", L"-client.pem", L"/mqtt-key", L"client.key"});
  EXPECT_EQ(files.mqttCaFile, L"C:\\Lab CA\\ca.pem");
  EXPECT_EQ(files.mqttCertFile, L"-client.pem");
  EXPECT_EQ(files.mqttKeyFile, L"client.key");

  // A plain /mqtt turns off a stored TLS; /mqtts turns it on; the files replace the stored ones.
  BrokerOptions stored{L"stored", 8883, L"", L"", L"", true, L"stored-ca.pem", L"stored.pem", L"stored.key"};
  EXPECT_FALSE(BrokerForThisProcess(stored, Parse({L"/mqtt", L"lab-pi"}), std::nullopt).tls);
  const BrokerOptions overTls = BrokerForThisProcess(
      {}, Parse({L"/mqtt", L"mqtts://lab-pi", L"/mqtt-ca", L"ca.pem", L"/mqtt-cert", L"c.pem"}), std::nullopt);
  EXPECT_EQ(overTls, (BrokerOptions{L"lab-pi", 8883, L"", L"", L"", true, L"ca.pem", L"c.pem", L""}));
  EXPECT_EQ(BrokerForThisProcess(stored, {}, std::nullopt), stored);
}

TEST(CommandLineValuesTest, TlsFilesAreCheckedAtStartAndNamedAsTheirSwitchesWhenGivenThere) {
  const CommandLineOptions clearWithCa = Parse({L"/mqtt", L"lab-pi", L"/mqtt-ca", L"ca.pem"});
  EXPECT_EQ(BrokerSwitchesError(BrokerForThisProcess({}, clearWithCa, std::nullopt), clearWithCa),
            L"/mqtt-ca is for a TLS broker, and this one is reached in clear (/mqtt mqtts://HOST[:PORT] uses TLS).");
  const CommandLineOptions tlsWithKey = Parse({L"/mqtt", L"mqtts://lab-pi", L"/mqtt-key", L"k.pem"});
  EXPECT_EQ(BrokerSwitchesError(BrokerForThisProcess({}, tlsWithKey, std::nullopt), tlsWithKey), L"");
  const CommandLineOptions offWithCa = Parse({L"/mqtt", L"off", L"/mqtt-ca", L"ca.pem"});
  EXPECT_EQ(BrokerSwitchesError(BrokerForThisProcess({}, offWithCa, std::nullopt), offWithCa), L"");

  const BrokerFileProblem missingCa{BrokerFile::Ca, L"C:\\ca.pem", L"cannot be read: The file is missing"};
  EXPECT_EQ(BrokerFileError(missingCa, Parse({L"/mqtt-ca", L"C:\\ca.pem"})),
            L"/mqtt-ca: \"C:\\ca.pem\" cannot be read: The file is missing.");
  EXPECT_EQ(BrokerFileError(missingCa, {}), L"The broker's CA file \"C:\\ca.pem\" cannot be read: The file is missing.");
  const BrokerFileProblem wrongKey{BrokerFile::Key, L"k.pem", L"holds no PEM private key without a pass phrase"};
  EXPECT_EQ(BrokerFileError(wrongKey, Parse({L"/mqtt-key", L"k.pem"})),
            L"/mqtt-key: \"k.pem\" holds no PEM private key without a pass phrase.");
  EXPECT_EQ(BrokerFileError({BrokerFile::Cert, L"c.pem", L"holds no PEM certificate"}, Parse({L"/mqtt-key", L"k.pem"})),
            L"The client certificate file \"c.pem\" holds no PEM certificate.");
}

TEST(CommandLineValuesTest, ANetworkInstrumentItsLineEndAndOnConnectText) {
  const CommandLineOptions options =
      Parse({L"/port", L"COM5", L"/port:tcp://10.0.0.5:5025", L"/eol", L"CRLF", L"/on-connect", L"\\nSYST:REM"});
  EXPECT_EQ(options.port, std::nullopt);
  EXPECT_EQ(options.network, (NetworkAddress{L"10.0.0.5", 5025}));
  EXPECT_EQ(options.lineEnd, LineEnd::CrLf);
  EXPECT_EQ(options.onConnect, L"\nSYST:REM");
  EXPECT_EQ(Parse({L"/port", L"TCP://[::1]:4001", L"/port", L"7"}).network, std::nullopt);
  EXPECT_EQ(Parse({L"/on-connect", L"-R"}).onConnect, L"-R");
  const std::wstring form =
      L" is not an address tcp://HOST:PORT (HOST a name, an IPv4 address or an IPv6 address in brackets; PORT 1 to "
      L"65535).";
  for (const wchar_t* junk : {L"tcp://host:0", L"tcp://::1:80", L"tcp:host:80", L"tcp://host name:80"}) {
    EXPECT_EQ(ParseCommandLine({L"/port", junk}).error, L"/port: \"" + std::wstring(junk) + L"\"" + form);
  }
  EXPECT_EQ(ParseCommandLine({L"/eol", L"lfcr"}).error, L"/eol: \"lfcr\" is not lf, cr or crlf.");
  EXPECT_EQ(UnreachableInstrumentError({L"::1", 4001}, L"connection refused"),
            L"/port: [::1]:4001 could not be reached: connection refused.");
}

TEST(CommandLinePresetTest, EachPresetSetsItsCommandAndTitles) {
  const std::vector<std::pair<std::wstring, const CommandPreset*>> cases{
      {L"laser", &kLaserPreset}, {L"TEC", &kTecPreset}, {L"Combo", &kComboPreset}};
  for (const auto& [name, preset] : cases) {
    const CommandLineOptions options = Parse({L"/preset", name});
    EXPECT_EQ(options.command, preset->queryLine);
    EXPECT_EQ(options.header, preset->columnTitles);
  }
}

TEST(CommandLinePresetTest, TheLaterOfPresetAndCommandSetsCommandAndTitles) {
  CommandLineOptions options = Parse({L"/preset", L"laser", L"/command", L"tec:t?"});
  EXPECT_EQ(options.command, L"tec:t?");
  EXPECT_EQ(options.header, kDefaultColumnTitles);

  options = Parse({L"/command", L"tec:t?", L"/preset", L"laser"});
  EXPECT_EQ(options.command, kLaserPreset.queryLine);
  EXPECT_EQ(options.header, kLaserPreset.columnTitles);
}

TEST(CommandLinePresetTest, AnExplicitHeaderWinsInAnyOrder) {
  EXPECT_EQ(Parse({L"/header", L"T", L"/preset", L"tec"}).header, L"T");
  EXPECT_EQ(Parse({L"/preset", L"tec", L"/header", L"T"}).header, L"T");
  EXPECT_EQ(Parse({L"/header", L"T", L"/command", L"x?"}).header, L"T");
  EXPECT_EQ(Parse({L"/command", L"x?", L"/header", L"T"}).header, L"T");
  const CommandLineOptions headerOnly = Parse({L"/header", L"T"});
  EXPECT_EQ(headerOnly.header, L"T");
  EXPECT_EQ(headerOnly.command, std::nullopt);
}

struct ErrorCase {
  Args args;
  std::wstring message;
};

TEST(CommandLineErrorTest, EachFaultGivesItsMessageAndNoValues) {
  const std::wstring rates = L"1200, 2400, 9600, 19200, 38400, 57600, 115200.";
  const std::wstring notATime = L" is not a time such as 90, 90s, 2m or 1.5h.";
  const std::wstring outOfRange = L" is out of range: the time must be above 0 and at most 1000h.";
  const std::wstring notSplit = L" is not never, daily or a number of rows from 10 to 100000000.";
  const std::wstring notBroker = L" is not HOST, HOST:PORT (port 1 to 65535), mqtt://HOST[:PORT], mqtts://HOST[:PORT] or off.";
  const std::vector<ErrorCase> cases{
      {{L"/port", L"5", L"/foo"}, L"Unknown switch \"/foo\"."},
      {{L"-Foo:bar"}, L"Unknown switch \"-Foo\"."},
      {{L"--port", L"5"}, L"Unknown switch \"--port\"."},
      {{L"/"}, L"Unknown switch \"/\"."},
      {{L"/start", L"COM5"}, L"Unexpected argument \"COM5\"."},
      {{L""}, L"Unexpected argument \"\"."},
      {{L"/baud"}, L"The switch /baud needs a value."},
      {{L"/port", L"/start"}, L"The switch /port needs a value."},
      {{L"-INTERVAL", L"-5"}, L"The switch /interval needs a value."},
      {{L"/preset="}, L"The switch /preset needs a value."},
      {{L"/duration", L""}, L"The switch /duration needs a value."},
      {{L"/log"}, L"The switch /log needs a value."},
      {{L"/START:yes"}, L"The switch /start takes no value."},
      {{L"/close="}, L"The switch /close takes no value."},
      {{L"/port", L"COM0"}, L"/port: \"COM0\" is not a port from COM1 to COM255."},
      {{L"/port", L"256"}, L"/port: \"256\" is not a port from COM1 to COM255."},
      {{L"/port", L"COM"}, L"/port: \"COM\" is not a port from COM1 to COM255."},
      {{L"/port", L"COM5x"}, L"/port: \"COM5x\" is not a port from COM1 to COM255."},
      {{L"/port", L"99999999999"}, L"/port: \"99999999999\" is not a port from COM1 to COM255."},
      {{L"/baud", L"4800"}, L"/baud: 4800 is not one of " + rates},
      {{L"/baud", L"9600x"}, L"/baud: 9600x is not one of " + rates},
      {{L"/interval", L"abc"}, L"/interval: Enter an integer."},
      {{L"/interval", L"99"}, L"/interval: Enter an integer between 100 and 10000000."},
      {{L"/interval", L"10000001"}, L"/interval: Enter an integer between 100 and 10000000."},
      {{L"/preset", L"laserx"}, L"/preset: \"laserx\" is not one of laser, tec, combo."},
      {{L"/duration", L"2x"}, L"/duration: \"2x\"" + notATime},
      {{L"/duration", L"1."}, L"/duration: \"1.\"" + notATime},
      {{L"/duration", L".5h"}, L"/duration: \".5h\"" + notATime},
      {{L"/duration", L"h"}, L"/duration: \"h\"" + notATime},
      {{L"/duration", L"90ms"}, L"/duration: \"90ms\"" + notATime},
      {{L"/duration", L"0"}, L"/duration: \"0\"" + outOfRange},
      {{L"/duration", L"0.0004s"}, L"/duration: \"0.0004s\"" + outOfRange},
      {{L"/duration", L"1000.0000003h"}, L"/duration: \"1000.0000003h\"" + outOfRange},
      {{L"/duration", L"99999999999999999999999h"}, L"/duration: \"99999999999999999999999h\"" + outOfRange},
      {{L"/wait", L"2x"}, L"/wait: \"2x\"" + notATime},
      {{L"/wait", L"0"}, L"/wait: \"0\"" + outOfRange},
      {{L"/split", L"9"}, L"/split: \"9\"" + notSplit},
      {{L"/split", L"100000001"}, L"/split: \"100000001\"" + notSplit},
      {{L"/split", L"weekly"}, L"/split: \"weekly\"" + notSplit},
      {{L"/mqtt", L"host:"}, L"/mqtt: \"host:\"" + notBroker},
      {{L"/mqtt", L"host:65536"}, L"/mqtt: \"host:65536\"" + notBroker},
      {{L"/mqtt", L"[::1"}, L"/mqtt: \"[::1\"" + notBroker},
      {{L"/mqtt", L":1883"}, L"/mqtt: \":1883\"" + notBroker},
      {{L"/mqtt", L"mqtts://"}, L"/mqtt: \"mqtts://\"" + notBroker},
      {{L"/mqtt", L"mqtts://host:0"}, L"/mqtt: \"mqtts://host:0\"" + notBroker},
      {{L"/mqtt", L"ssl://host"}, L"/mqtt: \"ssl://host\"" + notBroker},
      {{L"/topic", L"lab/+/x"}, L"/topic: A topic prefix may not hold + or #."},
      {{L"/topic", L"$SYS"}, L"/topic: A topic prefix may not start with $."},
      {{L"/topic", L"lab\tbench"}, L"/topic: A topic prefix may not hold control characters, such as a TAB."},
      {{L"/topic", L""}, L"/topic: The topic prefix is empty."},
  };
  for (const ErrorCase& c : cases) {
    const CommandLineResult result = ParseCommandLine(c.args);
    EXPECT_EQ(result.error, c.message) << ::testing::PrintToString(c.args);
    EXPECT_EQ(result.options, CommandLineOptions{}) << ::testing::PrintToString(c.args);
  }
}

TEST(CommandLineLimitTest, FormsRepeatAndTheLastForATitleWins) {
  const CommandLineOptions options =
      Parse({L"/limit", L"TEC Sensor T=24.5..25.1/3", L"-limit:Laser Current=..150", L"/LIMIT=Errors=0..0",
             L"/limit", L" Errors =-1e-3.. +2 ", L"/limit", L"-V=10../1", L"/wait", L"2s"});
  const std::vector<ColumnLimit> expected{{L"TEC Sensor T", 24.5, 25.1, 3},
                                          {L"Laser Current", std::nullopt, 150, 1},
                                          {L"Errors", -1e-3, 2, 1},
                                          {L"-V", 10, std::nullopt, 1}};
  EXPECT_EQ(options.limits, expected);
  EXPECT_EQ(options.waitMs, 2000u);
  // The form the stored limits use too, and reads back the same.
  EXPECT_EQ(LimitRangeText(expected[0]), L"24.5..25.1/3");
  EXPECT_EQ(LimitRangeText(expected[2]), L"-0.001..2");
  EXPECT_EQ(ParseLimitRange(L"Errors", LimitRangeText(expected[2])).limit, expected[2]);
}

TEST(CommandLineLimitTest, MalformedLimitsAreSwitchErrors) {
  const std::wstring form = L" is not TITLE=LOW..HIGH or TITLE=LOW..HIGH/N, such as \"TEC Sensor T=24.5..25.5/3\".";
  const std::vector<ErrorCase> cases{
      {{L"/limit"}, L"The switch /limit needs a value."},
      {{L"/limit", L""}, L"/limit: \"\"" + form},
      {{L"/limit", L"T"}, L"/limit: \"T\"" + form},
      {{L"/limit", L" =1..2"}, L"/limit: \" =1..2\"" + form},
      {{L"/limit", L"T=1-2"}, L"/limit: \"T=1-2\"" + form},
      {{L"/limit", L"T=1,5..2"}, L"/limit: \"1,5\" is not a number such as 25.1 or -0.5."},
      {{L"/limit", L"T=..nan"}, L"/limit: \"nan\" is not a number such as 25.1 or -0.5."},
      {{L"/limit", L"T=..inf"}, L"/limit: \"inf\" is not a number such as 25.1 or -0.5."},
      {{L"/limit", L"T=..\u00b5"}, L"/limit: \"\u00b5\" is not a number such as 25.1 or -0.5."},
      {{L"/limit", L"T=.."}, L"/limit: \"..\" sets neither a low nor a high limit."},
      {{L"/limit", L"T=2..1"}, L"/limit: \"2..1\" has its low limit above its high limit."},
      {{L"/limit", L"T=1..2/0"}, L"/limit: \"0\" is not a number of polls from 1 to 100000."},
      {{L"/limit", L"T=1..2/"}, L"/limit: \"\" is not a number of polls from 1 to 100000."},
      {{L"/limit", L"T=1..2/100001"}, L"/limit: \"100001\" is not a number of polls from 1 to 100000."},
  };
  for (const ErrorCase& c : cases) {
    EXPECT_EQ(ParseCommandLine(c.args).error, c.message) << ::testing::PrintToString(c.args);
  }
}

TEST(CommandLineLimitTest, AtStartATitleMustNameAColumnOfTheRun) {
  const std::wstring header = L"A, B,,D";
  const auto error = [&](std::wstring title) {
    return LimitTitlesError({{L"A", 0, 1, 1}, {std::move(title), 0, 1, 1}}, header);
  };
  for (const wchar_t* title : {L"B", L"Column 3", L"Column 5", L"Column 99"}) EXPECT_EQ(error(title), L"") << title;
  EXPECT_EQ(error(L"b"), L"/limit: \"b\" is not a column title of this run (A, B, Column 3, D).");
  EXPECT_EQ(error(L"Column 2"), L"/limit: \"Column 2\" is not a column title of this run (A, B, Column 3, D).");
  EXPECT_EQ(LimitTitlesError({{L"T", 0, 1, 1}}, L""), L"/limit: \"T\" is not a column title of this run.");
}

TEST(CommandLineErrorTest, CloseAndTheNamedLogAreKnownEvenWhenAnotherSwitchIsWrong) {
  EXPECT_TRUE(ParseCommandLine({L"/baud", L"4800", L"-CLOSE"}).closeRequested);
  EXPECT_TRUE(ParseCommandLine({L"/close", L"/bogus"}).closeRequested);
  EXPECT_FALSE(ParseCommandLine({L"/bogus"}).closeRequested);
  EXPECT_TRUE(ParseCommandLine({L"/start", L"/close"}).closeRequested);

  EXPECT_EQ(ParseCommandLine({L"/bogus", L"/LOG", L"a.csv", L"/log=b.csv", L"/baud", L"4800"}).namedLogPath, L"b.csv");
  // A value is not a switch: "/log" given as /command's text names no log.
  EXPECT_EQ(ParseCommandLine({L"/command", L"/log", L"/interval", L"5"}).namedLogPath, L"");
  EXPECT_EQ(ParseCommandLine({L"/log", L"/interval", L"/interval", L"5"}).namedLogPath, L"/interval");
}

TEST(CommandLineErrorTest, TheFirstFaultStopsAndNothingIsHalfApplied) {
  const CommandLineResult result =
      ParseCommandLine({L"/port", L"5", L"/start", L"/preset", L"tec", L"/baud", L"4800", L"/port", L"COM0"});
  EXPECT_EQ(result.error, L"/baud: 4800 is not one of 1200, 2400, 9600, 19200, 38400, 57600, 115200.");
  EXPECT_EQ(result.options, CommandLineOptions{});
}

TEST(CommandLineHelpTest, HelpAnywhereGivesOnlyUsageWhateverElseIsWrong) {
  CommandLineOptions usageOnly;
  usageOnly.showUsage = true;
  for (const Args& args : {Args{L"/?"}, Args{L"-?"}, Args{L"/HELP"}, Args{L"-Help"},
                           Args{L"/port", L"5", L"/start", L"/help"}, Args{L"/foo", L"stray", L"/?"},
                           Args{L"/baud", L"4800", L"-help"}}) {
    const CommandLineResult result = ParseCommandLine(args);
    EXPECT_EQ(result.error, L"") << ::testing::PrintToString(args);
    EXPECT_EQ(result.options, usageOnly) << ::testing::PrintToString(args);
  }
}

TEST(CommandLineHelpTest, UsageNamesEverySwitch) {
  const std::wstring usage = CommandLineUsage();
  EXPECT_EQ(usage.rfind(L"Usage: VelmarDataLogger [switches]\n", 0), 0u);
  for (const wchar_t* name : {L"\n/port ", L"\n/baud ", L"\n/interval ", L"\n/preset ", L"\n/command ", L"\n/header ",
                              L"\n/log ", L"\n/start\t", L"\n/duration ", L"\n/close\t", L"\n/minimized\t",
                              L"\n/chart\t", L"\n/split ", L"\n/wait ", L"\n/limit ", L"\n/mqtt ", L"\n/topic ", L"\n/mqtt-user ",
                              L"\n/mqtt mqtts://", L"\n/mqtt-ca ", L"\n/mqtt-cert ", L"\n/mqtt-key ", L"\n/? or /help\t",
                              L"\n/port tcp://", L"\n/eol ", L"\n/on-connect "}) {
    EXPECT_NE(usage.find(name), std::wstring::npos) << ::testing::PrintToString(std::wstring(name));
  }
}

}  // namespace
}  // namespace velmar

namespace velmar {
namespace {

TEST(CommandLinePortOnStart, AnAbsentPortIsWaitedForOnlyByARunThatIsToStart) {
  CommandLineOptions options;
  EXPECT_EQ(PortOnStartFor(options, false), PortOnStart::Present);
  options.port = 5;
  EXPECT_EQ(PortOnStartFor(options, true), PortOnStart::Present);
  EXPECT_EQ(PortOnStartFor(options, false), PortOnStart::Missing);
  EXPECT_EQ(MissingPortError(5), L"/port: COM5 is not present.");
  options.start = true;
  EXPECT_EQ(PortOnStartFor(options, false), PortOnStart::WaitForIt);
}

}  // namespace
}  // namespace velmar
