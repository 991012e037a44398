#include "platform/headless/controls/address_reader.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/headless/controls/http_get.h"

namespace tovarin::platform::headless {
namespace {

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
  }
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

Result<std::string> PercentDecode(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '%') {
      out += s[i];
      continue;
    }
    const int hi = i + 1 < s.size() ? HexValue(s[i + 1]) : -1;
    const int lo = i + 2 < s.size() ? HexValue(s[i + 2]) : -1;
    if (hi < 0 || lo < 0) return Error{"malformed percent escape"};
    out += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  if (out.find('\0') != std::string::npos) return Error{"file address contains a NUL character"};
  return out;
}

Result<FetchResult> ReadFile(const std::string& path, std::uint64_t max_bytes) {
  std::error_code ec;
  const std::filesystem::path file(path);
  if (!std::filesystem::is_regular_file(file, ec))
    return Error{"cannot open " + path + ": no such file"};
  const std::uint64_t size = std::filesystem::file_size(file, ec);
  if (ec) return Error{"cannot read " + path + ": " + ec.message()};
  if (size > max_bytes) {
    return Error{path + ": " + std::to_string(size) + " bytes exceed the limit of " +
                 std::to_string(max_bytes) + " bytes"};
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) return Error{"cannot open " + path};
  FetchResult result;
  result.declared_total = size;
  result.data.resize(static_cast<std::size_t>(size));
  in.read(reinterpret_cast<char*>(result.data.data()), static_cast<std::streamsize>(size));
  if (static_cast<std::uint64_t>(in.gcount()) != size) return Error{"cannot read all of " + path};
  return result;
}

}  // namespace

Result<ClassifiedAddress> ClassifyAddress(std::string_view address) {
  if (address.empty()) return Error{"empty address"};
  if (StartsWithNoCase(address, "http://")) {
    auto url = ParseHttpUrl(address);
    if (!url.ok()) return Error{url.error()};
    return ClassifiedAddress{AddressKind::kHttp, std::string(address)};
  }
  if (StartsWithNoCase(address, "file://")) {
    std::string_view rest = address.substr(7);
    const std::size_t slash = rest.find('/');
    const std::string_view host = rest.substr(0, slash);
    if (!host.empty() && !StartsWithNoCase(host, "localhost")) {
      return Error{"file addresses on other machines are not supported"};
    }
    if (slash == std::string_view::npos) return Error{"file address without a path"};
    auto path = PercentDecode(rest.substr(slash));
    if (!path.ok()) return Error{path.error()};
    return ClassifiedAddress{AddressKind::kFile, std::move(path).value()};
  }
  const std::size_t scheme_end = address.find("://");
  if (scheme_end != std::string_view::npos) {
    return Error{"unsupported address scheme \"" + std::string(address.substr(0, scheme_end)) +
                 "\""};
  }
  if (address.find('\0') != std::string_view::npos)
    return Error{"file name contains a NUL character"};
  return ClassifiedAddress{AddressKind::kFile, std::string(address)};
}

Result<FetchResult> FetchAddress(const ClassifiedAddress& address, const FetchOptions& options) {
  if (address.kind == AddressKind::kFile) return ReadFile(address.location, options.max_bytes);
  HttpGetOptions http;
  http.timeout = options.timeout;
  http.max_body_bytes = options.max_bytes;
  auto response = HttpGet(address.location, http);
  if (!response.ok()) return Error{response.error()};
  FetchResult result;
  result.declared_total = response->declared_length;
  result.data = std::move(response->body);
  return result;
}

}  // namespace tovarin::platform::headless
