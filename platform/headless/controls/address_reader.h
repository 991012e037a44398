#pragma once
// Reading a named resource into bytes for the headless asynchronous reader, after
// ClassifyResourceAddress sorted it out: a file (its path) or an http:// URL (HttpGet). The
// headless reader speaks no TLS: an https address is refused by CheckFetchable.
// Anything over `max_bytes` fails without being read whole.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/host/control_host.h"
#include "platform/host/resource_address.h"
#include "platform/result.h"

namespace tovarin::platform::headless {

// Classifies an address and checks that this reader can fetch it: https is refused, and an
// http URL must be one HttpGet understands.
Result<ResourceAddress> ClassifyFetchable(std::string_view address);

struct FetchOptions {
  std::chrono::milliseconds timeout{10000};
  std::uint64_t max_bytes = kMaxAsyncReadBytes;
};

struct FetchResult {
  Bytes data;
  std::uint64_t declared_total = 0;  // the size announced before the data (0 when unknown)
};

Result<FetchResult> FetchAddress(const ResourceAddress& address, const FetchOptions& options);

}  // namespace tovarin::platform::headless
