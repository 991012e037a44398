#include "gateway/service/destination_policy.h"

#include <gio/gio.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>

#include "platform/glib/glib_holders.h"

namespace tovarin::gateway {

using platform::glib::GObjectPtr;

namespace {

constexpr int kMaxPort = 65535;

std::string Lowercase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(g_ascii_tolower(c));
  return lower;
}

// "Name." and "name" are the same host.
std::string_view WithoutTrailingDot(std::string_view host) {
  if (host.size() > 1 && host.back() == '.') host.remove_suffix(1);
  return host;
}

std::string_view WithoutBrackets(std::string_view host) {
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
    host.remove_prefix(1);
    host.remove_suffix(1);
  }
  return host;
}

bool IsLocalhostName(std::string_view host) {
  return Lowercase(WithoutTrailingDot(host)) == "localhost";
}

// True when the first `bits` bits of `address` equal those of `prefix` (same family).
bool InPrefix(const IpAddress& address, const IpAddress& prefix, int bits) {
  if (address.v6 != prefix.v6) return false;
  const int whole_bytes = bits / 8;
  if (std::memcmp(address.bytes.data(), prefix.bytes.data(), whole_bytes) != 0) return false;
  const int rest = bits % 8;
  if (rest == 0) return true;
  const auto mask = static_cast<std::uint8_t>(0xFF << (8 - rest));
  return (address.bytes[whole_bytes] & mask) == (prefix.bytes[whole_bytes] & mask);
}

IpAddress V6(std::initializer_list<std::uint8_t> leading) {
  IpAddress address;
  address.v6 = true;
  std::copy(leading.begin(), leading.end(), address.bytes.begin());
  return address;
}

bool IsUnspecified(const IpAddress& address) {
  const std::size_t size = address.v6 ? 16 : 4;
  return std::all_of(address.bytes.begin(), address.bytes.begin() + size,
                     [](std::uint8_t byte) { return byte == 0; });
}

std::optional<IpAddress> FromInetAddress(GInetAddress* inet) {
  IpAddress address;
  const gsize size = g_inet_address_get_native_size(inet);
  if (size != 4 && size != 16) return std::nullopt;
  address.v6 = size == 16;
  std::memcpy(address.bytes.data(), g_inet_address_to_bytes(inet), size);
  return address;
}

// The addresses of this machine's interfaces (for a service listening on every interface).
std::vector<IpAddress> InterfaceAddresses() {
  std::vector<IpAddress> addresses;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return addresses;
  std::unique_ptr<ifaddrs, void (*)(ifaddrs*)> holder(list, freeifaddrs);
  for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr) continue;
    IpAddress address;
    if (entry->ifa_addr->sa_family == AF_INET) {
      const auto* in = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
      std::memcpy(address.bytes.data(), &in->sin_addr, 4);
    } else if (entry->ifa_addr->sa_family == AF_INET6) {
      const auto* in6 = reinterpret_cast<const sockaddr_in6*>(entry->ifa_addr);
      address.v6 = true;
      std::memcpy(address.bytes.data(), &in6->sin6_addr, 16);
    } else {
      continue;
    }
    addresses.push_back(address);
  }
  return addresses;
}

// "host:port" or "[v6]:port" split at the last colon; port 0 when missing or invalid (an IPv6
// literal outside brackets has no port).
std::pair<std::string_view, int> SplitHostPort(std::string_view text) {
  const std::size_t colon = text.rfind(':');
  if (colon == std::string_view::npos || colon + 1 == text.size()) return {text, 0};
  if (text.front() != '[' && text.substr(0, colon).find(':') != std::string_view::npos) {
    return {text, 0};
  }
  int port = 0;
  for (char c : text.substr(colon + 1)) {
    if (c < '0' || c > '9' || port > kMaxPort) return {text, 0};
    port = port * 10 + (c - '0');
  }
  return {text.substr(0, colon), port <= kMaxPort ? port : 0};
}

}  // namespace

IpAddress IpAddress::V4(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
  IpAddress address;
  address.bytes[0] = a;
  address.bytes[1] = b;
  address.bytes[2] = c;
  address.bytes[3] = d;
  return address;
}

std::optional<IpAddress> ParseIpAddress(std::string_view text) {
  const std::string literal(WithoutBrackets(text));
  GObjectPtr<GInetAddress> inet(g_inet_address_new_from_string(literal.c_str()));
  if (!inet) return std::nullopt;
  return FromInetAddress(inet.get());
}

IpAddress EmbeddedIpv4(const IpAddress& address) {
  if (!address.v6) return address;
  static const IpAddress kMapped = V6({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF});
  static const IpAddress kCompatible = V6({});
  static const IpAddress kNat64 = V6({0x00, 0x64, 0xFF, 0x9B});
  const bool compatible = InPrefix(address, kCompatible, 96) && !IsUnspecified(address) &&
                          !(address.bytes[12] == 0 && address.bytes[13] == 0 &&
                            address.bytes[14] == 0 && address.bytes[15] <= 1);
  if (!InPrefix(address, kMapped, 96) && !InPrefix(address, kNat64, 96) && !compatible) {
    return address;
  }
  return IpAddress::V4(address.bytes[12], address.bytes[13], address.bytes[14], address.bytes[15]);
}

bool IsLoopbackAddress(const IpAddress& address) {
  const IpAddress plain = EmbeddedIpv4(address);
  if (!plain.v6) return plain.bytes[0] == 127;
  static const IpAddress kLoopback6 = V6({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1});
  return plain == kLoopback6;
}

bool IsPrivateAddress(const IpAddress& address) {
  const IpAddress plain = EmbeddedIpv4(address);
  if (IsLoopbackAddress(plain) || IsUnspecified(plain)) return true;
  if (!plain.v6) {
    struct Range {
      IpAddress prefix;
      int bits;
    };
    static const Range kRanges[] = {
        {IpAddress::V4(0, 0, 0, 0), 8},     {IpAddress::V4(10, 0, 0, 0), 8},
        {IpAddress::V4(100, 64, 0, 0), 10}, {IpAddress::V4(169, 254, 0, 0), 16},
        {IpAddress::V4(172, 16, 0, 0), 12}, {IpAddress::V4(192, 168, 0, 0), 16},
    };
    return std::any_of(std::begin(kRanges), std::end(kRanges), [&](const Range& range) {
      return InPrefix(plain, range.prefix, range.bits);
    });
  }
  return InPrefix(plain, V6({0xFC}), 7) || InPrefix(plain, V6({0xFE, 0x80}), 10) ||
         InPrefix(plain, V6({0xFE, 0xC0}), 10);
}

DestinationPolicy::DestinationPolicy(bool refuse_private,
                                     const std::vector<std::string>& own_addresses)
    : refuse_private_(refuse_private) {
  for (const std::string& entry : own_addresses) {
    const auto [host, port] = SplitHostPort(entry);
    if (port == 0 || host.empty()) {
      g_warning("tovarin gateway: ignoring the own address \"%s\" (no valid port)", entry.c_str());
      continue;
    }
    OwnEndpoint endpoint;
    endpoint.port = port;
    endpoint.address = ParseIpAddress(host);
    if (!endpoint.address) {
      endpoint.name = Lowercase(WithoutTrailingDot(host));
      endpoint.any_loopback = IsLocalhostName(host);
    } else if (IsLoopbackAddress(*endpoint.address)) {
      endpoint.any_loopback = true;
    } else if (IsUnspecified(*endpoint.address)) {
      endpoint.any_loopback = true;
      for (const IpAddress& local : InterfaceAddresses()) {
        own_.push_back(OwnEndpoint{local, std::string(), false, port});
      }
    }
    own_.push_back(std::move(endpoint));
  }
}

bool DestinationPolicy::IsOwnAddress(const IpAddress& address, int port) const {
  const IpAddress plain = EmbeddedIpv4(address);
  return std::any_of(own_.begin(), own_.end(), [&](const OwnEndpoint& own) {
    if (own.port != port) return false;
    if (own.any_loopback && (IsLoopbackAddress(plain) || IsUnspecified(plain))) return true;
    return own.address && EmbeddedIpv4(*own.address) == plain;
  });
}

DestinationVerdict DestinationPolicy::CheckHost(std::string_view host, int port) const {
  if (const std::optional<IpAddress> literal = ParseIpAddress(host)) {
    return CheckAddress(*literal, port);
  }
  const std::string name = Lowercase(WithoutTrailingDot(host));
  const bool own_name = std::any_of(own_.begin(), own_.end(), [&](const OwnEndpoint& own) {
    return own.port == port && !own.address && own.name == name;
  });
  return own_name ? DestinationVerdict::kServiceItself : DestinationVerdict::kAllowed;
}

DestinationVerdict DestinationPolicy::CheckAddress(const IpAddress& address, int port) const {
  if (IsOwnAddress(address, port)) return DestinationVerdict::kServiceItself;
  if (refuse_private_ && IsPrivateAddress(address)) return DestinationVerdict::kPrivate;
  return DestinationVerdict::kAllowed;
}

}  // namespace tovarin::gateway
