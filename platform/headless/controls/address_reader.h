#pragma once
// Reading a named resource into bytes for the headless asynchronous reader: a file path, a
// file:// URL (percent escapes decoded; host empty or "localhost") or an http:// URL (HttpGet).
// Anything over `max_bytes` fails without being read whole.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/host/control_host.h"
#include "platform/result.h"

namespace tovarin::platform::headless {

enum class AddressKind { kFile, kHttp };

struct ClassifiedAddress {
  AddressKind kind = AddressKind::kFile;
  std::string location;  // the file's path, or the http:// URL
};

// Sorts an address out, or explains why it cannot be read (empty, unsupported scheme,
// malformed escapes).
Result<ClassifiedAddress> ClassifyAddress(std::string_view address);

struct FetchOptions {
  std::chrono::milliseconds timeout{10000};
  std::uint64_t max_bytes = kMaxAsyncReadBytes;
};

struct FetchResult {
  Bytes data;
  std::uint64_t declared_total = 0;  // the size announced before the data (0 when unknown)
};

Result<FetchResult> FetchAddress(const ClassifiedAddress& address, const FetchOptions& options);

}  // namespace tovarin::platform::headless
