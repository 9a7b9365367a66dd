#include "core/decimal_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace velmar {
namespace {

constexpr int kMinInterval = 100;
constexpr int kMaxInterval = 10000000;

IntTextResult ReadInterval(const std::wstring& text) {
  return ReadBoundedInt(text, kMinInterval, kMaxInterval);
}

IntTextResult ReadAnyInt(const std::wstring& text) {
  return ReadBoundedInt(text, INT_MIN, INT_MAX);
}

void ExpectOk(IntTextResult result, int value) {
  EXPECT_EQ(result.status, IntTextStatus::Ok);
  EXPECT_EQ(result.value, value);
}

TEST(IntTextTest, SkipsEveryKindOfLeadingWhiteSpace) {
  ExpectOk(ReadInterval(L" \t\n\v\f\r250"), 250);
}

TEST(IntTextTest, AcceptsOneSign) {
  ExpectOk(ReadInterval(L"+250"), 250);
  ExpectOk(ReadAnyInt(L"-5"), -5);
  ExpectOk(ReadAnyInt(L"  -0"), 0);
}

TEST(IntTextTest, NegativeNumberOutsideTheRangeIsOutOfRange) {
  const IntTextResult result = ReadInterval(L"-5");
  EXPECT_EQ(result.status, IntTextStatus::OutOfRange);
  EXPECT_EQ(result.value, -5);
}

TEST(IntTextTest, IgnoresWhatFollowsTheDigits) {
  ExpectOk(ReadInterval(L"250ms"), 250);
  ExpectOk(ReadInterval(L"1000 2000"), 1000);
  ExpectOk(ReadInterval(L"300-5"), 300);
}

TEST(IntTextTest, TextWithoutDigitsIsRejected) {
  for (const std::wstring text :
       {L"", L"   ", L"abc", L"ms250", L"+", L"-", L"+-5", L"--5", L"- 5", L"\uff15\uff10\uff10"}) {
    EXPECT_EQ(ReadInterval(text).status, IntTextStatus::NoDigits) << ::testing::PrintToString(text);
  }
}

TEST(IntTextTest, RangeBoundsAreInclusive) {
  EXPECT_EQ(ReadInterval(L"99").status, IntTextStatus::OutOfRange);
  EXPECT_EQ(ReadInterval(L"99").value, 99);
  ExpectOk(ReadInterval(L"100"), 100);
  ExpectOk(ReadInterval(L"10000000"), 10000000);
  EXPECT_EQ(ReadInterval(L"10000001").status, IntTextStatus::OutOfRange);
}

TEST(IntTextTest, NumberThatWouldWrapToAnAcceptedValueIsRejected) {
  // 4294967396 is 2^32 + 100: accumulating in 32 bits would give 100.
  EXPECT_EQ(ReadInterval(L"4294967396").status, IntTextStatus::OutOfRange);
  EXPECT_EQ(ReadAnyInt(L"4294967396").status, IntTextStatus::OutOfRange);
  EXPECT_EQ(ReadAnyInt(L"-4294967196").status, IntTextStatus::OutOfRange);
}

TEST(IntTextTest, HugeDigitStringsAreOutOfRangeAndSaturate) {
  const IntTextResult positive = ReadAnyInt(std::wstring(60, L'9'));
  EXPECT_EQ(positive.status, IntTextStatus::OutOfRange);
  EXPECT_EQ(positive.value, INT_MAX);
  const IntTextResult negative = ReadAnyInt(L"-" + std::wstring(60, L'9'));
  EXPECT_EQ(negative.status, IntTextStatus::OutOfRange);
  EXPECT_EQ(negative.value, INT_MIN);
}

TEST(IntTextTest, IntLimitsAreExact) {
  ExpectOk(ReadAnyInt(L"2147483647"), INT_MAX);
  ExpectOk(ReadAnyInt(L"-2147483648"), INT_MIN);
  EXPECT_EQ(ReadAnyInt(L"2147483648").status, IntTextStatus::OutOfRange);
  EXPECT_EQ(ReadAnyInt(L"-2147483649").status, IntTextStatus::OutOfRange);
}

TEST(IntTextTest, LeadingZerosDoNotCountTowardsOverflow) {
  ExpectOk(ReadInterval(std::wstring(40, L'0') + L"250"), 250);
}

TEST(IntTextTest, OnlyTheFirst63CharactersAreRead) {
  ExpectOk(ReadInterval(std::wstring(60, L' ') + L"12345"), 123);
  ExpectOk(ReadInterval(std::wstring(58, L' ') + L"12345"), 12345);
  EXPECT_EQ(ReadInterval(std::wstring(63, L' ') + L"500").status, IntTextStatus::NoDigits);
  EXPECT_EQ(ReadInterval(std::wstring(62, L' ') + L"-5").status, IntTextStatus::NoDigits);
}

TEST(IntTextTest, CutDoesNotHideOverflowWithinTheReadPart) {
  const std::wstring digits = std::wstring(63, L'9') + L"ms";
  EXPECT_EQ(ReadAnyInt(digits).status, IntTextStatus::OutOfRange);
}

}  // namespace
}  // namespace velmar
