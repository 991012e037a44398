#pragma once
// Every size, depth and count the transcoder accepts from a fetched page. Pages are hostile:
// each limit is checked while parsing, before the memory it guards is taken.

#include <cstddef>
#include <cstdint>

namespace tovarin::gateway {

// A page body after decompression and after conversion to UTF-8.
inline constexpr std::size_t kMaxBodyBytes = 4u << 20;
// The HTML we hand back; a deck that would write more is cut with a note.
inline constexpr std::size_t kMaxOutputBytes = 8u << 20;

// Markup trees (WML text, WMLC, XHTML).
inline constexpr int kMaxElementDepth = 256;
inline constexpr std::size_t kMaxAttributesPerElement = 64;
inline constexpr std::size_t kMaxNodes = 200'000;
inline constexpr std::size_t kMaxNameBytes = 256;  // element and attribute names

// WML variables and the browser context.
inline constexpr std::size_t kMaxVariables = 256;
inline constexpr std::size_t kMaxVariableNameBytes = 64;
inline constexpr std::size_t kMaxVariableValueBytes = 4096;
inline constexpr std::size_t kMaxHistoryEntries = 32;
inline constexpr std::size_t kMaxHistoryUrlBytes = 2048;
// The serialized context travels in one cookie, and browsers keep cookies of up to 4 KiB.
inline constexpr std::size_t kMaxContextBytes = 3u << 10;

// WMLC (WBXML).
inline constexpr std::size_t kMaxWbxmlStringTableBytes = 1u << 20;
inline constexpr int kMaxWbxmlIntegerBytes = 5;  // mb_u_int32: 5 bytes carry 32 bits

// WBMP.
inline constexpr std::uint32_t kMaxWbmpDimension = 4096;
inline constexpr std::uint64_t kMaxWbmpPixels = 4u << 20;

}  // namespace tovarin::gateway
