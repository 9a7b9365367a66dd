#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "tools/sim/byte_log.h"
#include "tools/sim/instrument_model.h"
#include "tools/sim/query_language.h"
#include "tools/sim/reply_shaper.h"

namespace velmar::sim {
namespace {

constexpr const char* kComboLine =
    "las:ldi?;ldv?;mdi?;out?;eve?;cond?;tec:ite?;v?;t?;r?;out?;eve?;cond?;err?";
constexpr const char* kLaserLine = "las:ldi?;ldv?;mdi?;out?;eve?;cond?;err?";
constexpr const char* kTecLine = "tec:ite?;v?;t?;r?;out?;eve?;cond?;err?";

std::vector<std::string> Fields(const std::string& reply) {
  std::vector<std::string> fields;
  std::size_t begin = 0;
  while (true) {
    const std::size_t end = reply.find(',', begin);
    fields.push_back(reply.substr(begin, end - begin));
    if (end == std::string::npos) return fields;
    begin = end + 1;
  }
}

double Number(const std::string& field) {
  char* end = nullptr;
  const double value = std::strtod(field.c_str(), &end);
  EXPECT_EQ(*end, '\0') << "not a number: " << field;
  return value;
}

std::vector<std::string> Answer(const char* line, double at_seconds = 5.0, std::uint64_t seed = 7) {
  InstrumentModel model(seed);
  model.AdvanceTo(at_seconds);
  const auto reply = AnswerLine(line, model);
  EXPECT_TRUE(reply.has_value());
  return reply ? Fields(*reply) : std::vector<std::string>{};
}

TEST(SimLanguage, ComboLineAnswersFourteenPlausibleValues) {
  const auto f = Answer(kComboLine);
  ASSERT_EQ(f.size(), 14u);
  EXPECT_NEAR(Number(f[0]), 150.0, 1.5);  // laser current, mA
  EXPECT_NEAR(Number(f[1]), 1.85, 0.05);  // laser voltage, V
  EXPECT_NEAR(Number(f[2]), 123.0, 5.0);  // photodiode, uA
  EXPECT_EQ(f[3], "1");
  EXPECT_EQ(f[4], "0");
  EXPECT_EQ(f[5], "1");
  EXPECT_NEAR(Number(f[6]), 0.5, 0.2);     // TEC current, A
  EXPECT_NEAR(Number(f[7]), 1.2, 0.4);     // TEC voltage, V
  EXPECT_NEAR(Number(f[8]), 25.0, 0.05);   // sensor temperature, C
  EXPECT_NEAR(Number(f[9]), 10.0, 0.05);   // sensor resistance, kOhm
  EXPECT_EQ(f[10], "1");
  EXPECT_EQ(f[11], "0");
  EXPECT_EQ(f[12], "1");
  EXPECT_EQ(f[13], "0");
}

TEST(SimLanguage, LaserLineAnswersSevenValues) {
  const auto f = Answer(kLaserLine);
  ASSERT_EQ(f.size(), 7u);
  EXPECT_NEAR(Number(f[0]), 150.0, 1.5);
  EXPECT_EQ(f[6], "0");
}

TEST(SimLanguage, TecLineAnswersEightValues) {
  const auto f = Answer(kTecLine);
  ASSERT_EQ(f.size(), 8u);
  EXPECT_NEAR(Number(f[2]), 25.0, 0.05);
  EXPECT_EQ(f[7], "0");
}

TEST(SimLanguage, ValuesHaveFixedDecimals) {
  const auto f = Answer(kComboLine);
  ASSERT_EQ(f.size(), 14u);
  for (int i : {0, 1, 6, 7, 8, 9}) {
    const auto dot = f[i].find('.');
    ASSERT_NE(dot, std::string::npos) << f[i];
    EXPECT_EQ(f[i].size() - dot - 1, 3u) << f[i];
  }
}

TEST(SimLanguage, ResistanceFollowsTemperatureThroughTheThermistor) {
  for (double t : {10.0, 24.9, 30.0}) {
    EXPECT_LT(InstrumentModel::ThermistorKohm(t + 0.1), InstrumentModel::ThermistorKohm(t));
  }
  EXPECT_NEAR(InstrumentModel::ThermistorKohm(25.0), 10.0, 1e-9);
  InstrumentModel model(3);
  model.AdvanceTo(42.0);
  const TecReadings tec = model.Tec();
  EXPECT_NEAR(tec.resistance_kohm, InstrumentModel::ThermistorKohm(tec.temperature_c), 1e-9);
}

TEST(SimLanguage, ErrorQueryAnswersZeroInBothSubsystems) {
  EXPECT_EQ(Answer("err?"), std::vector<std::string>{"0"});
  EXPECT_EQ(Answer("tec:err?"), std::vector<std::string>{"0"});
}

TEST(SimLanguage, UnknownQueryAnswersMinusOneAndKeepsItsColumn) {
  EXPECT_EQ(Answer("las:foo?;out?"), (std::vector<std::string>{"-1", "1"}));
  EXPECT_EQ(Answer("tec:ldi?"), std::vector<std::string>{"-1"});
}

TEST(SimLanguage, QueriesAreCaseInsensitiveAndIgnoreCarriageReturns) {
  EXPECT_EQ(Answer("LAS:OUT?;Err?\r"), (std::vector<std::string>{"1", "0"}));
  EXPECT_EQ(Answer("TeC:CoNd?"), std::vector<std::string>{"1"});
}

TEST(SimLanguage, SubsystemDefaultsToLaserAndSticksUntilChanged) {
  const auto f = Answer("ldi?;tec:t?;r?;las:ldv?");
  ASSERT_EQ(f.size(), 4u);
  EXPECT_NEAR(Number(f[0]), 150.0, 1.5);
  EXPECT_NEAR(Number(f[1]), 25.0, 0.05);
  EXPECT_NEAR(Number(f[2]), 10.0, 0.05);
  EXPECT_NEAR(Number(f[3]), 1.85, 0.05);
}

TEST(SimLanguage, CommandsWithoutQuestionMarkAreNotAnswered) {
  InstrumentModel model(1);
  EXPECT_FALSE(AnswerLine("las:out 1", model).has_value());
  EXPECT_FALSE(AnswerLine("", model).has_value());
  EXPECT_EQ(AnswerLine("las:out 1;out?", model), "1");
}

TEST(SimLanguage, SameSeedAndTimeGiveSameReadings) {
  EXPECT_EQ(Answer(kComboLine, 12.5, 99), Answer(kComboLine, 12.5, 99));
}

TEST(SimLanguage, ReadingsDriftButStayNearTheirSetPoints) {
  InstrumentModel model(11);
  double lowest = 1e9;
  double highest = -1e9;
  for (int second = 1; second <= 600; ++second) {
    model.AdvanceTo(second);
    const double current = model.Laser().current_ma;
    lowest = std::min(lowest, current);
    highest = std::max(highest, current);
    EXPECT_NEAR(model.Tec().temperature_c, 25.0, 0.05);
  }
  EXPECT_GT(highest - lowest, 0.1);
  EXPECT_GT(lowest, 149.0);
  EXPECT_LT(highest, 151.0);
}

std::string Joined(const std::vector<ReplyChunk>& chunks) {
  std::string all;
  for (const ReplyChunk& c : chunks) all += c.bytes;
  return all;
}

TEST(SimReplyShape, FramingOfEachMode) {
  std::mt19937_64 rng(5);
  auto shaped = [&](ReplyMode mode) {
    ReplySettings settings;
    settings.mode = mode;
    return Joined(ShapeReply("1.5,2", settings, 9600, rng));
  };
  EXPECT_EQ(shaped(ReplyMode::kNormal), "1.5,2\r\n");
  EXPECT_EQ(shaped(ReplyMode::kSilent), "");
  EXPECT_EQ(shaped(ReplyMode::kCrOnly), "1.5,2\r");
  EXPECT_EQ(shaped(ReplyMode::kLfFirst), "\n1.5,2\r\n");
  EXPECT_EQ(shaped(ReplyMode::kNoCr), "1.5,2\n");
  EXPECT_EQ(shaped(ReplyMode::kNul), std::string("1.5\0,2\r\n", 8));
}

TEST(SimReplyShape, GarbageHasNulAndHighBytesButNoLineEndsBeforeTheTerminator) {
  std::mt19937_64 rng(8);
  ReplySettings settings;
  settings.mode = ReplyMode::kGarbage;
  const std::string reply = Joined(ShapeReply("150.000,1.850", settings, 9600, rng));
  ASSERT_TRUE(reply.ends_with("\r\n"));
  const std::string body = reply.substr(0, reply.size() - 2);
  EXPECT_GT(body.size(), 13u);
  EXPECT_NE(body.find('\0'), std::string::npos);
  EXPECT_TRUE(std::any_of(body.begin(), body.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }));
  EXPECT_EQ(body.find_first_of("\r\n"), std::string::npos);
}

TEST(SimReplyShape, SplitAndDelaySpreadTheReplyOverTime) {
  std::mt19937_64 rng(1);
  ReplySettings settings;
  settings.delay = std::chrono::milliseconds(40);
  settings.split_pieces = 3;
  settings.split_gap = std::chrono::milliseconds(100);
  const auto chunks = ShapeReply("12345", settings, 9600, rng);
  ASSERT_EQ(chunks.size(), 3u);
  EXPECT_EQ(Joined(chunks), "12345\r\n");
  EXPECT_EQ(chunks[0].offset, std::chrono::milliseconds(40));
  EXPECT_EQ(chunks[2].offset, std::chrono::milliseconds(240));
}

TEST(SimReplyShape, LongReplyLastsOverASecondAtTheLineRate) {
  std::mt19937_64 rng(1);
  ReplySettings settings;
  settings.mode = ReplyMode::kLong;
  for (unsigned baud : {9600u, 115200u}) {
    const auto chunks = ShapeReply("150.000,1.850", settings, baud, rng);
    const std::string all = Joined(chunks);
    EXPECT_TRUE(all.ends_with("\r\n"));
    EXPECT_EQ(all.find('\r'), all.size() - 2);
    EXPECT_GT(all.size() * 10.0 / baud, 1.2);
    EXPECT_GT(chunks.back().offset, std::chrono::milliseconds(1200));
  }
}

TEST(SimReplyShape, ModeNamesRoundTrip) {
  for (const char* name : {"normal", "silent", "cr-only", "lf-first", "no-cr", "garbage", "nul", "long"}) {
    const auto mode = ReplyModeFromName(name);
    ASSERT_TRUE(mode.has_value()) << name;
    EXPECT_EQ(ReplyModeName(*mode), name);
  }
  EXPECT_FALSE(ReplyModeFromName("loud").has_value());
}

TEST(SimByteLog, HexAndTimedItems) {
  ByteLog log;
  EXPECT_EQ(log.Hex(), "");
  log.Add(std::chrono::microseconds(1500), 0x0A);
  log.Add(std::chrono::microseconds(12000), 0xFF);
  EXPECT_EQ(log.Hex(), "0aff");
  EXPECT_EQ(log.TimedItems(), "1:0a 12:ff");
  EXPECT_EQ(ByteLog::RecordLine(std::chrono::microseconds(1500), 0x00), "1500 00\n");
  log.Clear();
  EXPECT_EQ(log.Size(), 0u);
}

}  // namespace
}  // namespace velmar::sim
