#include "gateway/reference_policy.h"

#include <array>

#include "gateway/url.h"

namespace tovarin::gateway {
namespace {

// Bytes a browser's URL reader skips: leading and trailing C0 controls and spaces everywhere,
// tabs and line breaks anywhere. We skip all of them anywhere, which is stricter: no spelling of
// a scheme can hide from the check below.
bool IsIgnorableByte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte <= 0x20 || byte == 0x7F;
}

bool HasIgnorableBytes(std::string_view text) {
  for (char c : text) {
    if (IsIgnorableByte(c)) return true;
  }
  return false;
}

std::string WithoutIgnorableBytes(std::string_view text) {
  if (!HasIgnorableBytes(text)) return std::string(text);
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (!IsIgnorableByte(c)) out += c;
  }
  return out;
}

// The reference as a browser would resolve it: surrounding controls and spaces trimmed, tabs and
// line breaks removed (other inner bytes are escaped later by ResolveUrl).
std::string AsBrowserReads(std::string_view text) {
  while (!text.empty() && IsIgnorableByte(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsIgnorableByte(text.back())) text.remove_suffix(1);
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c != '\t' && c != '\n' && c != '\r') out += c;
  }
  return out;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (AsciiLower(text[i]) != prefix[i]) return false;
  }
  return true;
}

}  // namespace

std::string ReferenceScheme(std::string_view reference) {
  return UrlScheme(WithoutIgnorableBytes(reference));
}

bool IsRasterImageDataUrl(std::string_view reference) {
  const std::string compact = WithoutIgnorableBytes(reference);
  std::string_view rest(compact);
  if (!StartsWithNoCase(rest, "data:")) return false;
  rest.remove_prefix(5);
  const std::size_t type_end = rest.find_first_of(";,");
  if (type_end == std::string_view::npos) return false;
  const std::string_view type = rest.substr(0, type_end);
  static constexpr std::array<std::string_view, 5> kRasterTypes = {
      "image/png", "image/gif", "image/jpeg", "image/webp", "image/bmp"};
  for (std::string_view raster : kRasterTypes) {
    if (type.size() == raster.size() && StartsWithNoCase(type, raster)) return true;
  }
  return false;
}

bool IsScriptLikeScheme(std::string_view scheme) {
  return scheme == "javascript" || scheme == "vbscript" || scheme == "livescript" ||
         scheme == "data";
}

std::optional<std::string> ReferenceClassifier::Resolve(std::string_view reference) const {
  std::string encoded;
  if (query_encoder_) {
    encoded = query_encoder_(reference);
    reference = encoded;
  }
  std::optional<std::string> plain = plain_.Resolve(reference);
  return plain ? plain : ResolveUrl(base_, reference);
}

Reference ClassifyReference(std::string_view base, std::string_view reference) {
  return ReferenceClassifier(base).Classify(reference);
}

Reference ReferenceClassifier::Classify(std::string_view reference) const {
  Reference result;
  // Most references have no white space or control byte at all: then both readings are the
  // reference itself.
  const bool plain = !HasIgnorableBytes(reference);
  result.url = plain ? std::string(reference) : AsBrowserReads(reference);
  const std::string compact = plain ? std::string() : WithoutIgnorableBytes(reference);
  const std::string_view judged = plain ? std::string_view(result.url) : std::string_view(compact);
  if (!judged.empty() && judged.front() == '#') {
    result.kind = ReferenceKind::kFragment;
    return result;
  }
  result.scheme = UrlScheme(judged);
  if (result.scheme.empty() || IsFetchableScheme(result.scheme)) {
    std::optional<std::string> absolute = Resolve(result.url);
    // The resolved address is judged again: only what really came out as http(s) is fetchable.
    if (absolute && IsFetchableScheme(UrlScheme(*absolute))) {
      result.kind = ReferenceKind::kFetchable;
      result.url = std::move(*absolute);
    }
    return result;
  }
  if (result.scheme == "data" && IsRasterImageDataUrl(judged)) {
    // Written as judged: browsers skip white space inside base64 data anyway.
    result.kind = ReferenceKind::kRasterData;
    result.url = std::string(judged);
  }
  return result;
}

}  // namespace tovarin::gateway
