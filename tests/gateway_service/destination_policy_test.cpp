#include "gateway/service/destination_policy.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tovarin::gateway {
namespace {

IpAddress Ip(const char* text) {
  const std::optional<IpAddress> address = ParseIpAddress(text);
  EXPECT_TRUE(address.has_value()) << text;
  return address.value_or(IpAddress{});
}

bool Private(const char* text) { return IsPrivateAddress(Ip(text)); }

// ---- Address ranges (each range's first and last address, and its neighbours) -----------

TEST(DestinationPolicy, Ipv4PrivateRangesWithTheirEdges) {
  for (const char* refused :
       {"0.0.0.0", "0.255.255.255", "10.0.0.0", "10.255.255.255", "100.64.0.0", "100.127.255.255",
        "127.0.0.0", "127.0.0.1", "127.255.255.255", "169.254.0.0", "169.254.169.254",
        "169.254.255.255", "172.16.0.0", "172.31.255.255", "192.168.0.0", "192.168.255.255"}) {
    EXPECT_TRUE(Private(refused)) << refused;
  }
  for (const char* allowed :
       {"1.0.0.0", "9.255.255.255", "11.0.0.0", "100.63.255.255", "100.128.0.0", "126.255.255.255",
        "128.0.0.0", "169.253.255.255", "169.255.0.0", "172.15.255.255", "172.32.0.0",
        "192.167.255.255", "192.169.0.0", "8.8.8.8", "203.0.113.7"}) {
    EXPECT_FALSE(Private(allowed)) << allowed;
  }
}

TEST(DestinationPolicy, Ipv6PrivateRangesWithTheirEdges) {
  for (const char* refused : {"::1", "::", "fc00::", "fdff:ffff:ffff:ffff:ffff:ffff:ffff:ffff",
                              "fe80::", "febf:ffff::1", "fec0::1"}) {
    EXPECT_TRUE(Private(refused)) << refused;
  }
  for (const char* allowed :
       {"100::1", "fbff:ffff::1", "fe00::1", "2001:db8::1", "2606:4700::1111", "ff02::1"}) {
    EXPECT_FALSE(Private(allowed)) << allowed;
  }
}

TEST(DestinationPolicy, Ipv4CarriedInIpv6IsJudgedAsIpv4) {
  for (const char* refused :
       {"::ffff:127.0.0.1", "::ffff:10.1.2.3", "::ffff:169.254.169.254", "::ffff:192.168.1.1",
        "::ffff:0.0.0.0", "64:ff9b::10.0.0.1", "::10.0.0.1", "::ffff:100.64.0.1"}) {
    EXPECT_TRUE(Private(refused)) << refused;
  }
  for (const char* allowed : {"::ffff:8.8.8.8", "64:ff9b::8.8.8.8", "::ffff:172.32.0.1"}) {
    EXPECT_FALSE(Private(allowed)) << allowed;
  }
  EXPECT_EQ(EmbeddedIpv4(Ip("::ffff:192.0.2.9")), IpAddress::V4(192, 0, 2, 9));
  EXPECT_EQ(EmbeddedIpv4(Ip("2001:db8::1")), Ip("2001:db8::1"));
}

TEST(DestinationPolicy, LoopbackIsAllOf127AndIpv6One) {
  EXPECT_TRUE(IsLoopbackAddress(Ip("127.0.0.1")));
  EXPECT_TRUE(IsLoopbackAddress(Ip("127.200.0.9")));
  EXPECT_TRUE(IsLoopbackAddress(Ip("::1")));
  EXPECT_TRUE(IsLoopbackAddress(Ip("::ffff:127.0.0.1")));
  EXPECT_FALSE(IsLoopbackAddress(Ip("10.0.0.1")));
  EXPECT_FALSE(IsLoopbackAddress(Ip("::")));
}

TEST(DestinationPolicy, OnlyIpLiteralsParse) {
  EXPECT_EQ(ParseIpAddress("192.0.2.1"), IpAddress::V4(192, 0, 2, 1));
  EXPECT_EQ(ParseIpAddress("[::1]"), ParseIpAddress("::1"));
  EXPECT_TRUE(ParseIpAddress("::1")->v6);
  for (const char* not_literal :
       {"", "example.com", "1.2.3", "256.1.1.1", "[::1", "localhost", "1.2.3.4.5"}) {
    EXPECT_FALSE(ParseIpAddress(not_literal).has_value()) << not_literal;
  }
}

// ---- The policy --------------------------------------------------------------------------

TEST(DestinationPolicy, PrivateRangesAreRefusedOnlyWhenAskedFor) {
  const DestinationPolicy open(false, {});
  const DestinationPolicy closed(true, {});
  for (const char* host : {"10.0.0.1", "127.0.0.1", "[::1]", "169.254.169.254", "[fd00::1]"}) {
    EXPECT_EQ(open.CheckHost(host, 80), DestinationVerdict::kAllowed) << host;
    EXPECT_EQ(closed.CheckHost(host, 80), DestinationVerdict::kPrivate) << host;
  }
  EXPECT_EQ(closed.CheckHost("93.184.216.34", 80), DestinationVerdict::kAllowed);
  EXPECT_EQ(closed.CheckAddress(Ip("192.168.1.1"), 443), DestinationVerdict::kPrivate);
  EXPECT_EQ(closed.CheckAddress(Ip("2001:db8::5"), 443), DestinationVerdict::kAllowed);
  // Names are judged by the addresses they connect to, not as written.
  EXPECT_EQ(closed.CheckHost("wap.localhost", 80), DestinationVerdict::kAllowed);
  EXPECT_EQ(closed.CheckHost("intranet", 80), DestinationVerdict::kAllowed);
}

TEST(DestinationPolicy, TheServiceItselfIsRefusedOnItsPortOnly) {
  const DestinationPolicy policy(false, {"127.0.0.1:8080"});
  EXPECT_EQ(policy.CheckHost("127.0.0.1", 8080), DestinationVerdict::kServiceItself);
  EXPECT_EQ(policy.CheckHost("127.0.0.1", 8081), DestinationVerdict::kAllowed);
  EXPECT_EQ(policy.CheckHost("10.0.0.1", 8080), DestinationVerdict::kAllowed);
  // Every loopback form reaches the loopback listener's machine.
  EXPECT_EQ(policy.CheckHost("127.0.0.2", 8080), DestinationVerdict::kServiceItself);
  EXPECT_EQ(policy.CheckHost("[::1]", 8080), DestinationVerdict::kServiceItself);
  EXPECT_EQ(policy.CheckHost("[::ffff:127.0.0.1]", 8080), DestinationVerdict::kServiceItself);
  EXPECT_EQ(policy.CheckHost("0.0.0.0", 8080), DestinationVerdict::kServiceItself);
  EXPECT_EQ(policy.CheckAddress(Ip("::1"), 8080), DestinationVerdict::kServiceItself);
  // Being itself wins over being private, so the reason shown is the right one.
  const DestinationPolicy closed(true, {"127.0.0.1:8080"});
  EXPECT_EQ(closed.CheckHost("127.0.0.1", 8080), DestinationVerdict::kServiceItself);
  EXPECT_EQ(closed.CheckHost("127.0.0.1", 9999), DestinationVerdict::kPrivate);
}

TEST(DestinationPolicy, OwnAddressesInEveryWrittenForm) {
  const DestinationPolicy policy(
      false, {"[2001:db8::7]:8443", "Gateway.Example:80", "localhost:9000", "192.0.2.10:8080"});
  EXPECT_EQ(policy.CheckHost("[2001:db8::7]", 8443), DestinationVerdict::kServiceItself);
  EXPECT_EQ(policy.CheckHost("2001:db8::7", 8443), DestinationVerdict::kServiceItself);
  EXPECT_EQ(policy.CheckHost("[2001:db8::8]", 8443), DestinationVerdict::kAllowed);
  EXPECT_EQ(policy.CheckHost("gateway.example", 80), DestinationVerdict::kServiceItself);
  EXPECT_EQ(policy.CheckHost("GATEWAY.EXAMPLE.", 80), DestinationVerdict::kServiceItself);
  EXPECT_EQ(policy.CheckHost("gateway.example", 81), DestinationVerdict::kAllowed);
  EXPECT_EQ(policy.CheckAddress(Ip("127.0.0.1"), 9000), DestinationVerdict::kServiceItself);
  EXPECT_EQ(policy.CheckAddress(Ip("::1"), 9000), DestinationVerdict::kServiceItself);
  EXPECT_EQ(policy.CheckHost("localhost", 9000), DestinationVerdict::kServiceItself);
  EXPECT_EQ(policy.CheckAddress(Ip("192.0.2.10"), 8080), DestinationVerdict::kServiceItself);
  EXPECT_EQ(policy.CheckAddress(Ip("::ffff:192.0.2.10"), 8080), DestinationVerdict::kServiceItself);
  EXPECT_EQ(policy.CheckAddress(Ip("192.0.2.11"), 8080), DestinationVerdict::kAllowed);
}

TEST(DestinationPolicy, ListeningOnEveryInterfaceCoversLoopback) {
  const DestinationPolicy policy(false, {"0.0.0.0:8080"});
  EXPECT_EQ(policy.CheckHost("127.0.0.1", 8080), DestinationVerdict::kServiceItself);
  EXPECT_EQ(policy.CheckHost("[::1]", 8080), DestinationVerdict::kServiceItself);
  EXPECT_EQ(policy.CheckHost("0.0.0.0", 8080), DestinationVerdict::kServiceItself);
  EXPECT_EQ(policy.CheckHost("127.0.0.1", 8081), DestinationVerdict::kAllowed);
}

TEST(DestinationPolicy, EntriesWithoutAPortAreIgnored) {
  const DestinationPolicy policy(false, {"127.0.0.1", "127.0.0.1:", "127.0.0.1:http", ":8080",
                                         "127.0.0.1:99999", "::1", "fe80::1:8080"});
  for (int port : {80, 8080, 1, 34463, 99999 - 65536}) {
    EXPECT_EQ(policy.CheckHost("127.0.0.1", port), DestinationVerdict::kAllowed) << port;
    EXPECT_EQ(policy.CheckHost("[::1]", port), DestinationVerdict::kAllowed) << port;
  }
}

}  // namespace
}  // namespace tovarin::gateway
