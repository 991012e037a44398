#include "gateway/wml_variables.h"

#include "gateway/charset.h"
#include "gateway/limits.h"
#include "gateway/url.h"

namespace tovarin::gateway {
namespace {

bool IsNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9'); }

enum class Conversion { kDefault, kEscape, kUnescape, kNone };

std::optional<Conversion> ParseConversion(std::string_view text) {
  if (text.empty()) return Conversion::kDefault;
  if (text == "e" || text == "E" || text == "escape") return Conversion::kEscape;
  if (text == "u" || text == "U" || text == "unesc") return Conversion::kUnescape;
  if (text == "n" || text == "N" || text == "noesc") return Conversion::kNone;
  return std::nullopt;
}

// One parsed reference at text[start] == '$'.
struct Reference {
  std::size_t length = 0;  // bytes of the reference in the text; 0 = not a reference
  std::string_view name;
  Conversion conversion = Conversion::kDefault;
  bool dollar = false;  // "$$"
};

Reference ParseReference(std::string_view text, std::size_t start) {
  Reference ref;
  std::size_t i = start + 1;
  if (i >= text.size()) return ref;
  if (text[i] == '$') {
    ref.length = 2;
    ref.dollar = true;
    return ref;
  }
  if (text[i] == '(') {
    std::size_t close = text.find(')', i + 1);
    if (close == std::string_view::npos) return ref;
    std::string_view inner = text.substr(i + 1, close - i - 1);
    std::string_view name = inner.substr(0, inner.find(':'));
    std::string_view conversion;
    if (name.size() < inner.size()) conversion = inner.substr(name.size() + 1);
    // Decks write "$( name )" now and then; spaces around the parts are not part of them.
    while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    while (!conversion.empty() && conversion.back() == ' ') conversion.remove_suffix(1);
    while (!conversion.empty() && conversion.front() == ' ') conversion.remove_prefix(1);
    auto parsed = ParseConversion(conversion);
    if (!IsVariableName(name) || !parsed) return ref;
    ref.length = close + 1 - start;
    ref.name = name;
    ref.conversion = *parsed;
    return ref;
  }
  if (!IsNameStart(text[i])) return ref;
  std::size_t end = i;
  while (end < text.size() && IsNameChar(text[end])) ++end;
  ref.length = end - start;
  ref.name = text.substr(i, end - i);
  return ref;
}

}  // namespace

bool IsVariableName(std::string_view name) {
  if (name.empty() || name.size() > kMaxVariableNameBytes || !IsNameStart(name[0])) return false;
  for (char c : name) {
    if (!IsNameChar(c)) return false;
  }
  return true;
}

bool WmlVariables::Set(std::string_view name, std::string_view value) {
  if (!IsVariableName(name) || value.size() > kMaxVariableValueBytes) return false;
  auto found = values_.find(name);
  if (value.empty()) {
    if (found != values_.end()) values_.erase(found);
    return true;
  }
  if (found != values_.end()) {
    found->second = value;
    return true;
  }
  if (values_.size() >= kMaxVariables) return false;
  values_.emplace(std::string(name), std::string(value));
  return true;
}

std::string WmlVariables::Get(std::string_view name) const {
  auto found = values_.find(name);
  return found == values_.end() ? std::string() : found->second;
}

std::string EscapeVariableValue(std::string_view value, std::string_view charset) {
  if (!charset.empty() && CanonicalCharset(charset) != "UTF-8") {
    auto converted = ConvertFromUtf8(value, charset);
    if (converted.ok()) return PercentEncode(converted.value());
  }
  return PercentEncode(value);
}

std::string EncodeQueryInCharset(std::string_view address, std::string_view charset) {
  const std::size_t query = address.find('?');
  if (query == std::string_view::npos) return std::string(address);
  const std::string decoder = CanonicalCharset(charset);
  if (decoder.empty() || decoder == "UTF-8") return std::string(address);
  const std::size_t fragment = address.find('#', query);
  const std::size_t query_end = fragment == std::string_view::npos ? address.size() : fragment;
  std::string out(address.substr(0, query + 1));
  for (std::size_t i = query + 1; i < query_end;) {
    if (static_cast<unsigned char>(address[i]) < 0x80) {
      out += address[i++];
      continue;
    }
    std::size_t run_end = i;
    while (run_end < query_end && static_cast<unsigned char>(address[run_end]) >= 0x80) ++run_end;
    out += EscapeVariableValue(address.substr(i, run_end - i), charset);
    i = run_end;
  }
  out.append(address.substr(query_end));
  return out;
}

std::string SubstituteVariables(std::string_view text, const WmlVariables& variables,
                                VariableContext context, std::string_view charset) {
  std::size_t dollar = text.find('$');
  if (dollar == std::string_view::npos) return std::string(text);
  std::string out(text.substr(0, dollar));
  for (std::size_t i = dollar; i < text.size(); ++i) {
    if (text[i] != '$') {
      out += text[i];
      continue;
    }
    Reference ref = ParseReference(text, i);
    if (ref.length == 0) {
      out += '$';
      continue;
    }
    i += ref.length - 1;
    if (ref.dollar) {
      out += '$';
      continue;
    }
    std::string value = variables.Get(ref.name);
    Conversion conversion = ref.conversion;
    if (conversion == Conversion::kDefault) {
      conversion = context == VariableContext::kAddress ? Conversion::kEscape : Conversion::kNone;
    }
    if (conversion == Conversion::kEscape) {
      out += EscapeVariableValue(value, charset);
    } else if (conversion == Conversion::kUnescape) {
      out += PercentDecode(value);
    } else {
      out += value;
    }
  }
  return out;
}

bool HasVariableReference(std::string_view text) {
  for (std::size_t i = text.find('$'); i != std::string_view::npos; i = text.find('$', i)) {
    Reference ref = ParseReference(text, i);
    if (ref.length != 0 && !ref.dollar) return true;
    i += ref.length == 0 ? 1 : ref.length;
  }
  return false;
}

}  // namespace tovarin::gateway
