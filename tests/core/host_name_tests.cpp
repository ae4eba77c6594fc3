#include "core/host_name.h"

#include <gtest/gtest.h>

namespace kestrane {
namespace {

TEST(HostName, NamesOfLettersDigitsHyphensAndUnderscoresInAnyScript) {
  for (const char* name : {"srv01", "SRV-01", "srv_01", "srv01.corp.example", "srv01.corp.example.", "a", "1",
                           "срв-01", "СЕРВЕР.домен.рф", "δοκιμή", "サーバー", "服务器1", "x-y-z", "10.0.0.1.5",
                           "\xF0\xA0\x80\x80" "srv"}) {  // U+20000, four bytes
    EXPECT_EQ(ClassifyHost(name), HostKind::Name) << name;
  }
  std::string longest;
  for (int i = 0; i < 3; ++i) longest += std::string(63, 'a') + ".";
  longest += std::string(61, 'b');  // 253 characters
  EXPECT_EQ(ClassifyHost(longest), HostKind::Name);
  EXPECT_EQ(ClassifyHost(std::string(63, 'c')), HostKind::Name);
  EXPECT_EQ(ClassifyHost(std::string(63, 'c') + "." + std::string(63, 'd')), HostKind::Name);
  EXPECT_EQ(ClassifyHost(std::string(62, 'c') + "ж"), HostKind::Name);  // 63 characters, 64 bytes
}

TEST(HostName, NothingThatCouldCarryOptionsOrPathsPasses) {
  for (const char* text :
       {"", " ", "srv02 /t 0", "srv02\t/t", "\"srv\"", "srv'1", "srv/1", "srv\\1", "\\\\srv", "srv:3389", "srv,1",
        "srv;x", "srv&calc", "srv|x", "srv>x", "srv%x%", "srv*", "srv?", "-srv", "srv-", "srv.-x", "srv-.x",
        ".srv", "srv..corp", ".", "..", "a.b..", "srv\xC2\xA0" "1", "srv\xE2\x80\x83", "srv\xC2\xAB", "«srv»",
        "srv\x01", "srv\x7F", "srv\xFF", "srv\xD1", "\xE3\x80\x80srv",
        "srv\xC3 x",                 // a lead byte whose continuation is a blank
        "\xE3\x82\xB5\xE3\x83\xBB" "1"}) {  // the katakana middle dot U+30FB is punctuation
    EXPECT_EQ(ClassifyHost(text), std::nullopt) << text;
  }
  EXPECT_EQ(ClassifyHost(std::string(64, 'c')), std::nullopt);       // a label of 64
  std::string tooLong;
  for (int i = 0; i < 3; ++i) tooLong += std::string(63, 'a') + ".";
  tooLong += std::string(62, 'b');  // 254 characters
  EXPECT_EQ(ClassifyHost(tooLong), std::nullopt);
  EXPECT_EQ(ClassifyHost(std::string_view("srv\0x", 5)), std::nullopt);
}

TEST(HostName, IPv4AndIPv6Addresses) {
  EXPECT_EQ(ClassifyHost("192.168.0.1"), HostKind::IPv4);
  EXPECT_EQ(ClassifyHost("0.0.0.0"), HostKind::IPv4);
  EXPECT_EQ(ClassifyHost("255.255.255.255"), HostKind::IPv4);
  EXPECT_EQ(ClassifyHost("256.1.1.1"), HostKind::Name);  // digits as labels: harmless, not an address
  EXPECT_EQ(ClassifyHost("01.2.3.4"), HostKind::Name);   // a leading zero is octal elsewhere
  for (const char* address : {"::1", "::", "fe80::1", "2001:db8::8a2e:370:7334", "1:2:3:4:5:6:7:8",
                              "::ffff:192.0.2.128", "1:2:3:4:5:6:1.2.3.4", "1::", "ABCD::ef"}) {
    EXPECT_EQ(ClassifyHost(address), HostKind::IPv6) << address;
  }
  for (const char* text : {":::", "1:2", "1:2:3:4:5:6:7:8:9", "1::2::3", "12345::", "fe80::1%12", "[::1]",
                           "::1:", ":1::", "g::1", "1:2:3:4:5:6:7:1.2.3.4", "::1.2.3",
                           "1:2:3:4:5:6:7::8"}) {
    EXPECT_EQ(ClassifyHost(text), std::nullopt) << text;
  }
}

TEST(HostName, EachCommandGetsTheFormItNeeds) {
  EXPECT_EQ(RemoteDesktopHost("srv01", HostKind::Name), "srv01");
  EXPECT_EQ(RemoteDesktopHost("10.0.0.1", HostKind::IPv4), "10.0.0.1");
  EXPECT_EQ(RemoteDesktopHost("fe80::1", HostKind::IPv6), "[fe80::1]");
  EXPECT_EQ(UncHost("srv01", HostKind::Name), "srv01");
  EXPECT_EQ(UncHost("2001:db8::1", HostKind::IPv6), "2001-db8--1.ipv6-literal.net");
  EXPECT_NE(NotAHostMessage("srv02 /t 0").find("«srv02 /t 0»"), std::string::npos);
}

}  // namespace
}  // namespace kestrane
