#include "core/instrument_address.h"
#include "settings/network_instruments.h"

#include <gtest/gtest.h>

#include <string>

namespace velmar {
namespace {

NetworkInstrument At(const std::wstring& host, int port) { return {{host, port}, LineEnd::Lf, L""}; }

std::wstring Parsed(const std::wstring& text, Scheme scheme = Scheme::Required) {
  const std::optional<NetworkAddress> address = ParseNetworkAddress(text, scheme);
  return address ? address->host + L" " + std::to_wstring(address->port) : L"<rejected>";
}

TEST(NetworkAddressTest, TakesNamesIpv4AndBracketedIpv6) {
  EXPECT_EQ(Parsed(L"tcp://10.0.0.5:5025"), L"10.0.0.5 5025");
  EXPECT_EQ(Parsed(L"TCP://localhost:1"), L"localhost 1");
  EXPECT_EQ(Parsed(L"tcp://lab-pi_2.example.org:65535"), L"lab-pi_2.example.org 65535");
  EXPECT_EQ(Parsed(L"tcp://[::1]:4001"), L"::1 4001");
  EXPECT_EQ(Parsed(L"tcp://[fe80::1%3]:10001"), L"fe80::1%3 10001");
  EXPECT_EQ(Parsed(L"tcp://[2001:db8:0:0:0:0:2:1]:5025"), L"2001:db8:0:0:0:0:2:1 5025");
  EXPECT_EQ(Parsed(L"tcp://[::ffff:192.0.2.1]:80"), L"::ffff:192.0.2.1 80");
  EXPECT_EQ(Parsed(L"labpi:4001", Scheme::Optional), L"labpi 4001");
}

TEST(NetworkAddressTest, RejectsPortsOutOfRangeAndJunk) {
  for (const wchar_t* text :
       {L"tcp://host:0", L"tcp://host:65536", L"tcp://host:99999999999", L"tcp://host:", L"tcp://host", L"tcp://:5025",
        L"tcp://host:+80", L"tcp://host:8 0", L"tcp://10.0.0.256:80", L"tcp://1.2.3:80", L"tcp://::1:80",
        L"tcp://[::1::2]:80", L"tcp://[1:2:3:4:5:6:7:8:9]:80", L"tcp://[12345::]:80", L"tcp://[::1]80",
        L"tcp://[::1]:", L"tcp://ho st:80", L"tcp://-host:80", L"tcp://a..b:80", L"tcp://user@host:80",
        L"tcp://host/path:80", L"udp://host:80", L"host:80", L"COM5", L"", L"tcp://"}) {
    EXPECT_EQ(Parsed(text), L"<rejected>") << std::string(text, text + std::wstring(text).size());
  }
}

TEST(NetworkAddressTest, NamesAnAddressAsThePortListAndTopicsDo) {
  EXPECT_EQ(AddressText({L"10.0.0.5", 5025}), L"10.0.0.5:5025");
  EXPECT_EQ(AddressText({L"::1", 4001}), L"[::1]:4001");
  EXPECT_EQ(AddressUrl({L"::1", 4001}), L"tcp://[::1]:4001");
  EXPECT_EQ(InstrumentName({5, std::nullopt}), L"COM5");
  EXPECT_EQ(InstrumentName({5, NetworkInstrument{{L"labpi", 4001}, LineEnd::Lf, L""}}), L"labpi:4001");
  EXPECT_TRUE(SameAddress({L"LabPi", 4001}, {L"labpi", 4001}));
  EXPECT_FALSE(SameAddress({L"labpi", 4001}, {L"labpi", 4002}));
}

TEST(NetworkAddressTest, LineEndsAndTheOnConnectText) {
  EXPECT_EQ(LineEndFromName(L"crlf"), LineEnd::CrLf);
  EXPECT_EQ(LineEndFromName(L"Lf"), LineEnd::Lf);
  EXPECT_EQ(LineEndFromName(L"lfcr"), std::nullopt);
  EXPECT_EQ(OnConnectFromSwitch(L"\\nSYST:REM\\\\x"), L"\nSYST:REM\\x");
  EXPECT_EQ(OnConnectForSwitch(L"\nSYST:REM\\x"), L"\\nSYST:REM\\\\x");
  NetworkInstrument instrument{{L"h", 1}, LineEnd::CrLf, L"\nSYST:REM"};
  EXPECT_EQ(OnConnectLines(instrument), L"\r\nSYST:REM\r\n");
  instrument.onConnect.clear();
  EXPECT_EQ(OnConnectLines(instrument), L"");
}

// A value written by hand or by another program is passed over, never taken half.
TEST(StoredInstrumentTest, ReadsWhatItWroteAndSkipsWhatItDoesNotUnderstand) {
  const NetworkInstrument scpi{{L"10.0.0.5", 5025}, LineEnd::CrLf, L"\nSYST:REM"};
  EXPECT_EQ(StoredInstrumentData(scpi), L"CRLF \nSYST:REM");
  EXPECT_EQ(StoredInstrument(AddressUrl(scpi.address), StoredInstrumentData(scpi)), scpi);
  EXPECT_EQ(StoredInstrument(L"tcp://labpi:4001", L"lf"), (NetworkInstrument{{L"labpi", 4001}, LineEnd::Lf, L""}));
  EXPECT_EQ(StoredInstrument(L"LastUsed", L"tcp://labpi:4001"), std::nullopt);
  EXPECT_EQ(StoredInstrument(L"tcp://labpi:4001", L""), std::nullopt);
  EXPECT_EQ(StoredInstrument(L"tcp://labpi:4001", std::wstring(L"\x05\0\0\0", 4)), std::nullopt);
  EXPECT_EQ(StoredInstrument(L"tcp://labpi:70000", L"LF"), std::nullopt);

  std::vector<NetworkInstrument> list{At(L"b", 2), At(L"A", 9), {{L"a", 9}, LineEnd::Cr, L""}, At(L"a", 10)};
  SortInstruments(list);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(AddInstrument(list, At(L"A", 10)).refusal, L"A:10 is listed already.");
  EXPECT_EQ(AddInstrument(list, At(L"c", 1)).selected, 3u);
  EXPECT_EQ(ChangeInstrument(list, 3, At(L"0.0.0.1", 1)).selected, 0u);
  EXPECT_EQ(ChangeInstrument(list, 0, At(L"b", 2)).refusal, L"b:2 is listed already.");
  list.erase(list.begin());
  // By text, as "COM10" comes before "COM2"; of one address the first stays.
  EXPECT_EQ(AddressText(list[0].address), L"a:10");
  EXPECT_EQ(AddressText(list[1].address), L"A:9");
}

}  // namespace
}  // namespace velmar
