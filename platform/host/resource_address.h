#pragma once
// ClassifyResourceAddress: what kind of resource an address names, for the asynchronous readers
// of the control hosts. One classification serves every host; a host may still be unable to
// fetch a kind it recognises (the headless reader speaks no TLS, so it refuses https).
//
//   "http://host[:port]/..."   kHttp   location: the address as given
//   "https://host[:port]/..."  kHttps  location: the address as given
//   "file:///path"             kFile   location: the path, percent escapes decoded; the host
//   "file://localhost/path"            part must be empty or "localhost"
//   anything without "://"     kFile   location: the address as given (a file path)
// Schemes are compared without regard to case. Refused, with the reason: an empty address,
// any other scheme, an http(s) address without a host or with a port outside 1..65535, a file
// URL of another machine or without a path, a malformed percent escape, and a NUL character in
// a file path.

#include <string>
#include <string_view>

#include "platform/result.h"

namespace tovarin::platform {

enum class ResourceKind { kFile, kHttp, kHttps };

struct ResourceAddress {
  ResourceKind kind = ResourceKind::kFile;
  std::string location;  // the file's path, or the URL
};

Result<ResourceAddress> ClassifyResourceAddress(std::string_view address);

}  // namespace tovarin::platform
