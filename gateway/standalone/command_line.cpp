#include "gateway/standalone/command_line.h"

#include <optional>
#include <utility>

namespace tovarin::gateway {
namespace {

constexpr std::string_view kUsage =
    "usage: tovarin-gateway [--listen HOST:PORT] [--allow-private] [--name HOST]... [--quiet]\n"
    "\n"
    "Serves the Tovarin rendering service (WAP pages as safe HTML) over HTTP.\n"
    "\n"
    "  --listen HOST:PORT  address to listen on (default 127.0.0.1:8080; [::1]:8080 for IPv6;\n"
    "                      port 0 picks a free port). The first line on standard output says\n"
    "                      where the service listens.\n"
    "  --allow-private     also fetch private and loopback addresses when listening on an\n"
    "                      address other machines can reach\n"
    "  --name HOST         another host name the service answers to (repeatable), e.g. the\n"
    "                      name or address other machines reach it by\n"
    "  --quiet             no log line per request on standard error\n"
    "  --help              this text\n";

// The value of an option that takes one: "--opt=VALUE" or "--opt VALUE" (advancing `index`).
platform::Result<std::string> OptionValue(const std::vector<std::string>& args, std::size_t& index,
                                          std::string_view name) {
  std::string_view arg = args[index];
  if (arg.size() > name.size() && arg[name.size()] == '=') {
    return std::string(arg.substr(name.size() + 1));
  }
  if (index + 1 >= args.size()) return platform::Error{std::string(name) + " needs a value"};
  return args[++index];
}

bool Matches(std::string_view arg, std::string_view name) {
  return arg == name || (arg.size() > name.size() && arg.substr(0, name.size()) == name &&
                         arg[name.size()] == '=');
}

// Applies the option at `index`, advancing past its value.
platform::Status ApplyOption(const std::vector<std::string>& args, std::size_t& index,
                             CommandLine& line) {
  std::string_view arg = args[index];
  if (arg == "--allow-private") {
    line.allow_private = true;
  } else if (arg == "--quiet") {
    line.quiet = true;
  } else if (arg == "--help" || arg == "-h") {
    line.help = true;
  } else if (Matches(arg, "--listen")) {
    auto value = OptionValue(args, index, "--listen");
    if (!value.ok()) return platform::Error{value.error()};
    auto listen = ParseListen(value.value());
    if (!listen.ok()) return platform::Error{"--listen " + value.value() + ": " + listen.error()};
    line.host = std::move(listen.value().first);
    line.port = listen.value().second;
  } else if (Matches(arg, "--name")) {
    auto value = OptionValue(args, index, "--name");
    if (!value.ok()) return platform::Error{value.error()};
    if (value.value().empty()) return platform::Error{"--name needs a host name"};
    line.names.push_back(std::move(value.value()));
  } else {
    return platform::Error{"unknown argument: " + std::string(arg)};
  }
  return platform::Status::Ok();
}

}  // namespace

platform::Result<std::pair<std::string, std::uint16_t>> ParseListen(std::string_view value) {
  std::size_t colon = value.rfind(':');
  if (colon == std::string_view::npos) return platform::Error{"expected HOST:PORT"};
  std::string_view host = value.substr(0, colon);
  std::string_view port_text = value.substr(colon + 1);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
  } else if (host.find(':') != std::string_view::npos) {
    return platform::Error{"an IPv6 address goes in brackets: [::1]:8080"};
  }
  if (host.empty()) return platform::Error{"no host"};
  if (port_text.empty() || port_text.size() > 5) return platform::Error{"no valid port"};
  unsigned port = 0;
  for (char c : port_text) {
    if (c < '0' || c > '9') return platform::Error{"the port is not a number"};
    port = port * 10 + static_cast<unsigned>(c - '0');
  }
  if (port > 65535) return platform::Error{"the port is above 65535"};
  return std::pair<std::string, std::uint16_t>(std::string(host), static_cast<std::uint16_t>(port));
}

platform::Result<CommandLine> ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine line;
  for (std::size_t index = 0; index < args.size(); ++index) {
    if (platform::Status applied = ApplyOption(args, index, line); !applied.ok()) {
      return platform::Error{applied.error()};
    }
  }
  return line;
}

std::string_view UsageText() { return kUsage; }

}  // namespace tovarin::gateway
