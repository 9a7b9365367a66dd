#include "settings/broker_values.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>

namespace velmar {
namespace {

// A settings section in memory, read and written as the registry's Profile is.
class MemoryValues {
 public:
  int ReadInt(const wchar_t*, const wchar_t* name, int defaultValue) const {
    const auto found = ints_.find(name);
    return found == ints_.end() ? defaultValue : found->second;
  }
  std::wstring ReadText(const wchar_t*, const wchar_t* name) const {
    const auto found = texts_.find(name);
    return found == texts_.end() ? std::wstring() : found->second;
  }
  void WriteInt(const wchar_t*, const wchar_t* name, int value) const { ints_[name] = value; }
  void WriteText(const wchar_t*, const wchar_t* name, const std::wstring& text) const { texts_[name] = text; }

  mutable std::map<std::wstring, int> ints_;
  mutable std::map<std::wstring, std::wstring> texts_;
};

BrokerOptions Read(const MemoryValues& values) {
  BrokerOptions broker;
  ReadBrokerValues(values, L"Options", broker);
  return broker;
}

TEST(BrokerValuesTest, TlsAndItsFilesLoadBackUnderTheirNamesWithOnlyThePathsStored) {
  const BrokerOptions written{L"lab-pi", 8884, L"lab/oven", L"anna", L"", true,
                              L"C:\\Lab\\ca.pem", L"C:\\Lab\\oven.pem", L"C:\\Lab\\oven.key"};
  MemoryValues values;
  WriteBrokerValues(values, L"Options", written);
  EXPECT_EQ(Read(values), written);
  EXPECT_EQ(values.ints_.at(L"BrokerTls"), 1);
  EXPECT_EQ(values.texts_.at(L"BrokerCaFile"), L"C:\\Lab\\ca.pem");
  EXPECT_EQ(values.texts_.at(L"BrokerCertFile"), L"C:\\Lab\\oven.pem");
  EXPECT_EQ(values.texts_.at(L"BrokerKeyFile"), L"C:\\Lab\\oven.key");
  EXPECT_EQ(values.texts_.count(L"BrokerPassword"), 0u);

  BrokerOptions plain = written;
  plain.tls = false;
  WriteBrokerValues(values, L"Options", plain);
  EXPECT_EQ(values.ints_.at(L"BrokerTls"), 0);
  EXPECT_FALSE(Read(values).tls);
}

TEST(BrokerValuesTest, AMissingOrWrongPortIs8883WithTlsAnd1883Without) {
  MemoryValues values;
  EXPECT_EQ(Read(values).port, 1883);
  EXPECT_FALSE(Read(values).tls);
  values.ints_[L"BrokerTls"] = 1;
  EXPECT_EQ(Read(values).port, 8883);
  values.ints_[L"BrokerPort"] = 70000;
  EXPECT_EQ(Read(values).port, 8883);
  values.ints_[L"BrokerPort"] = 1883;
  EXPECT_EQ(Read(values).port, 1883);
  // Only 1 turns TLS on.
  values.ints_[L"BrokerTls"] = 2;
  EXPECT_FALSE(Read(values).tls);
}

}  // namespace
}  // namespace velmar
