#pragma once
// Query strings and urlencoded form bodies as the service reads and writes them: ordered
// (name, value) pairs of raw bytes. Decoding turns '+' into a space and %XX into its byte; a
// malformed escape stays as written. Encoding percent-encodes every byte outside RFC 3986's
// unreserved set, so what decoding read is written back byte for byte (in the charset the
// browser submitted it in).

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/result.h"

namespace tovarin::gateway {

using QueryFields = std::vector<std::pair<std::string, std::string>>;

// More fields than any phone form has; a query or body with more is refused.
inline constexpr std::size_t kMaxQueryFields = 1024;

// Splits `text` at '&' (empty pieces are skipped; a piece without '=' is a name with an empty
// value). Fails when there are more than kMaxQueryFields fields.
[[nodiscard]] platform::Result<QueryFields> ParseQueryFields(std::string_view text);

// "name=value&name=value", each part percent-encoded.
std::string EncodeQueryFields(const QueryFields& fields);

// The value of the first field called `name`, and removes it; nullopt when there is none.
std::optional<std::string> TakeField(QueryFields& fields, std::string_view name);

// The undecoded value of the first parameter `name` of a raw query, or nullopt.
std::optional<std::string_view> RawQueryParameter(std::string_view query, std::string_view name);

// ASCII case-insensitive equality (methods, schemes, host names).
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace tovarin::gateway
