#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "settings/baud_table.h"
#include "core/decimal_text.h"
#include "settings/registry_value.h"

namespace velmar {
namespace {

constexpr int kDefault = 1000;

// Exactly sized heap copies, so the sanitizer reports any read past the data.
int DecodeInt(std::vector<unsigned char> bytes) {
  return DecodeProfileInt(bytes.data(), bytes.size(), kDefault);
}

std::wstring DecodeText(std::vector<unsigned char> bytes) {
  return DecodeProfileText(bytes.data(), bytes.size());
}

TEST(SettingsValuesTest, FourBytesAreALittleEndianNumber) {
  EXPECT_EQ(DecodeInt({0x40, 0x42, 0x0F, 0x00}), 1000000);
  EXPECT_EQ(DecodeInt({0x00, 0x96, 0x00, 0x00}), 38400);
  EXPECT_EQ(DecodeInt({0xFF, 0xFF, 0xFF, 0xFF}), -1);
  EXPECT_EQ(DecodeInt({0x00, 0x00, 0x00, 0x80}), INT_MIN);
}

TEST(SettingsValuesTest, ShorterDataIsZeroExtended) {
  EXPECT_EQ(DecodeInt({0x07}), 7);
  EXPECT_EQ(DecodeInt({0xFF}), 255);
  EXPECT_EQ(DecodeInt({0x2C, 0x01}), 300);
  EXPECT_EQ(DecodeInt({0xFF, 0xFF}), 65535);
  EXPECT_EQ(DecodeInt({0x00, 0xC2, 0x01}), 115200);
}

TEST(SettingsValuesTest, OnlyThePresentBytesAreUsed) {
  const unsigned char buffer[] = {0x05, 0xAA, 0xAA, 0xAA};
  EXPECT_EQ(DecodeProfileInt(buffer, 1, kDefault), 5);
  EXPECT_EQ(DecodeProfileInt(buffer, 2, kDefault), 0xAA05);
}

TEST(SettingsValuesTest, TextDataIsReadAsItsBytes) {
  // "7" stored as a string: '7', 0 in UTF-16LE, four bytes in all.
  EXPECT_EQ(DecodeInt({'7', 0x00, 0x00, 0x00}), 55);
}

TEST(SettingsValuesTest, EmptyMissingOrLongerDataGivesTheDefault) {
  const unsigned char present[] = {0x05};
  EXPECT_EQ(DecodeProfileInt(present, 0, kDefault), kDefault);
  EXPECT_EQ(DecodeProfileInt(nullptr, 0, kDefault), kDefault);
  EXPECT_EQ(DecodeProfileInt(nullptr, 4, kDefault), kDefault);
  for (std::size_t size = 5; size <= 8; ++size) {
    EXPECT_EQ(DecodeInt(std::vector<unsigned char>(size, 0x01)), kDefault) << "size " << size;
  }
}

TEST(SettingsValuesTest, TextEndsAtItsTerminator) {
  EXPECT_EQ(DecodeText({'a', 0, 'b', 0, 0, 0}), L"ab");
  EXPECT_EQ(DecodeText({'a', 0, 'b', 0, 0, 0, 'c', 0}), L"ab");
}

TEST(SettingsValuesTest, EmbeddedZeroEndsTheText) {
  EXPECT_EQ(DecodeText({'a', 0, 0, 0, 'b', 0}), L"a");
  EXPECT_EQ(DecodeText({0, 0, 'b', 0}), L"");
}

TEST(SettingsValuesTest, TextWithoutTerminatorKeepsAllUnits) {
  EXPECT_EQ(DecodeText({'a', 0, 'b', 0, 'c', 0}), L"abc");
}

TEST(SettingsValuesTest, OddTrailingByteIsIgnored) {
  EXPECT_EQ(DecodeText({'a', 0, 'b', 0, 'c'}), L"ab");
  EXPECT_EQ(DecodeText({'a'}), L"");
}

TEST(SettingsValuesTest, EmptyOrMissingTextIsEmpty) {
  EXPECT_EQ(DecodeText({}), L"");
  EXPECT_EQ(DecodeProfileText(nullptr, 6), L"");
}

TEST(SettingsValuesTest, UnitsAreLittleEndianAndUnsigned) {
  EXPECT_EQ(DecodeText({0xE9, 0x00, 0xAC, 0x20, 0xFF, 0xFF}), std::wstring(L"\u00e9\u20ac\uffff"));
}

TEST(SettingsValuesTest, ListedBaudRatesSelectTheirEntry) {
  EXPECT_EQ(BaudListIndexForRate(1200), 0);
  EXPECT_EQ(BaudListIndexForRate(2400), 1);
  EXPECT_EQ(BaudListIndexForRate(9600), 2);
  EXPECT_EQ(BaudListIndexForRate(19200), 3);
  EXPECT_EQ(BaudListIndexForRate(38400), 4);
  EXPECT_EQ(BaudListIndexForRate(57600), 5);
  EXPECT_EQ(BaudListIndexForRate(115200), 6);
}

TEST(SettingsValuesTest, UnlistedBaudRatesSelect9600) {
  for (const int rate : {4800, 0, -1, 1, 230400, INT_MAX}) {
    EXPECT_EQ(BaudListIndexForRate(rate), 2) << "rate " << rate;
  }
}

TEST(SettingsValuesTest, LeadingDecimalReadsTheDigitsAtTheStart) {
  EXPECT_EQ(LeadingDecimal(L"38400"), 38400);
  EXPECT_EQ(LeadingDecimal(L"115200"), 115200);
  EXPECT_EQ(LeadingDecimal(L"9600 baud"), 9600);
  EXPECT_EQ(LeadingDecimal(L"0"), 0);
}

TEST(SettingsValuesTest, LeadingDecimalWithoutLeadingDigitIsZero) {
  for (const wchar_t* text : {L"", L"baud", L" 9600", L"-5", L"+5"}) {
    EXPECT_EQ(LeadingDecimal(text), 0) << ::testing::PrintToString(std::wstring(text));
  }
}

TEST(SettingsValuesTest, LeadingDecimalSaturatesAtIntMax) {
  EXPECT_EQ(LeadingDecimal(L"2147483647"), INT_MAX);
  EXPECT_EQ(LeadingDecimal(L"2147483648"), INT_MAX);
  EXPECT_EQ(LeadingDecimal(L"99999999999999999999"), INT_MAX);
  EXPECT_EQ(LeadingDecimal(L"2147483646"), 2147483646);
}

}  // namespace
}  // namespace velmar
