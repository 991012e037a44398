#pragma once
// DestinationPolicy: where the fetcher may connect. Two rules:
//   - never the service itself: the host:port pairs it listens on;
//   - when asked (a service other machines can reach), no loopback, private, shared,
//     link-local or unique-local destination, so a page cannot make the service probe the
//     network it sits in (routers, cloud metadata at 169.254.169.254, other local services).
// The fetcher asks twice: once with the host as written in the address (an IP literal is
// judged before anything is sent; a name only against the service's own names), and again
// with every address it is about to connect to, so a name resolving to a refused address is
// refused too.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tovarin::gateway {

// An IP address in network byte order. IPv4 addresses use the first 4 bytes.
struct IpAddress {
  bool v6 = false;
  std::array<std::uint8_t, 16> bytes{};

  static IpAddress V4(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d);
  friend bool operator==(const IpAddress&, const IpAddress&) = default;
};

// An IP literal ("192.0.2.1", "::1", "[::1]"), or nullopt for anything else (names included).
std::optional<IpAddress> ParseIpAddress(std::string_view text);

// The IPv4 address an IPv6 address carries (IPv4-mapped ::ffff:a.b.c.d, IPv4-compatible
// ::a.b.c.d other than :: and ::1, NAT64 64:ff9b::a.b.c.d), or the address itself.
IpAddress EmbeddedIpv4(const IpAddress& address);

// True for destinations a public service must not reach:
//   IPv4: 0.0.0.0/8 ("this network"; 0.0.0.0 connects to the local machine), 10.0.0.0/8,
//         100.64.0.0/10 (carrier-grade NAT), 127.0.0.0/8, 169.254.0.0/16 (link-local, cloud
//         metadata), 172.16.0.0/12, 192.168.0.0/16;
//   IPv6: :: (connects to the local machine), ::1, fc00::/7 (unique local), fe80::/10 (link
//         local), fec0::/10 (the former site-local), and IPv4 carried in IPv6 (see
//         EmbeddedIpv4) by the IPv4 rules.
bool IsPrivateAddress(const IpAddress& address);

// True for 127.0.0.0/8 and ::1 (also carried in IPv6).
bool IsLoopbackAddress(const IpAddress& address);

enum class DestinationVerdict {
  kAllowed,
  kServiceItself,  // one of the addresses the service listens on
  kPrivate,        // a private range while those are refused
};

class DestinationPolicy {
 public:
  // `own_addresses`: "host:port" pairs the service listens on; the host is an IP literal (IPv6
  // in brackets), "localhost" or a name. A loopback or "localhost" host stands for every
  // loopback address on that port; 0.0.0.0 and :: (every interface) for the loopback
  // addresses and the addresses of this machine's interfaces when the policy is made. A name
  // is matched as written in fetched addresses (and through its connected address only when
  // it is an IP literal or localhost). Entries without a valid port are ignored with a warning.
  DestinationPolicy(bool refuse_private, const std::vector<std::string>& own_addresses);

  // Judges the host of an address as written (a name, an IP literal, or an IPv6 literal in
  // brackets; case does not matter) and its port, before resolving or connecting.
  DestinationVerdict CheckHost(std::string_view host, int port) const;
  // Judges an address about to be connected to.
  DestinationVerdict CheckAddress(const IpAddress& address, int port) const;

 private:
  struct OwnEndpoint {
    std::optional<IpAddress> address;  // nullopt: matched by name only
    std::string name;                  // lower case, for named entries
    bool any_loopback = false;         // loopback or "localhost": every loopback address
    int port = 0;
  };

  bool IsOwnAddress(const IpAddress& address, int port) const;

  bool refuse_private_;
  std::vector<OwnEndpoint> own_;
};

}  // namespace tovarin::gateway
