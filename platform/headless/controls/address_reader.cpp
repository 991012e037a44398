#include "platform/headless/controls/address_reader.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/headless/controls/http_get.h"

namespace tovarin::platform::headless {
namespace {

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

Result<ResourceAddress> ClassifyFetchable(std::string_view address) {
  auto classified = ClassifyResourceAddress(address);
  if (!classified.ok()) return classified;
  if (classified->kind == ResourceKind::kHttps)
    return Error{"the headless reader cannot fetch https addresses"};
  if (classified->kind == ResourceKind::kHttp) {
    auto url = ParseHttpUrl(classified->location);
    if (!url.ok()) return Error{url.error()};
  }
  return classified;
}

Result<FetchResult> FetchAddress(const ResourceAddress& address, const FetchOptions& options) {
  if (address.kind == ResourceKind::kFile) return ReadFile(address.location, options.max_bytes);
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
