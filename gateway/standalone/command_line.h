#pragma once
// The command line of tovarin-gateway:
//
//   tovarin-gateway [--listen HOST:PORT] [--allow-private] [--name HOST]... [--quiet] [--help]
//
//   --listen HOST:PORT  where to listen (default 127.0.0.1:8080); HOST an IP literal (IPv6 in
//                       brackets: [::1]:8080) or localhost; PORT 0 picks a free port
//   --allow-private     fetch private, loopback and link-local destinations even when listening
//                       on an address other machines reach (they are refused then by default)
//   --name HOST         another Host header value to answer to (repeatable): the names other
//                       machines use, "wap.lan" or "wap.lan:8080"
//   --quiet             no line per request on standard error
// Each option taking a value also reads "--option=VALUE".

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace tovarin::gateway {

struct CommandLine {
  std::string host = "127.0.0.1";
  std::uint16_t port = 8080;
  bool allow_private = false;
  std::vector<std::string> names;
  bool quiet = false;
  bool help = false;
};

// Reads the arguments after the program name. Errors name the argument at fault.
[[nodiscard]] platform::Result<CommandLine> ParseCommandLine(const std::vector<std::string>& args);

// "HOST:PORT" split; IPv6 hosts come without their brackets. Errors for a missing or
// non-numeric port, a port above 65535, or an empty host.
[[nodiscard]] platform::Result<std::pair<std::string, std::uint16_t>> ParseListen(
    std::string_view value);

// The usage text, ending with a newline.
std::string_view UsageText();

}  // namespace tovarin::gateway
