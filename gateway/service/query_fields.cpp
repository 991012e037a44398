#include "gateway/service/query_fields.h"

#include "gateway/url.h"

namespace tovarin::gateway {

platform::Result<QueryFields> ParseQueryFields(std::string_view text) {
  QueryFields fields;
  while (!text.empty()) {
    std::size_t end = text.find('&');
    std::string_view piece = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (piece.empty()) continue;
    if (fields.size() == kMaxQueryFields) {
      return platform::Error{"表单字段过多（超过 " + std::to_string(kMaxQueryFields) + " 个）"};
    }
    std::size_t equals = piece.find('=');
    std::string_view name = piece.substr(0, equals);
    std::string_view value =
        equals == std::string_view::npos ? std::string_view() : piece.substr(equals + 1);
    fields.emplace_back(PercentDecode(name, true), PercentDecode(value, true));
  }
  return fields;
}

std::string EncodeQueryFields(const QueryFields& fields) {
  std::string out;
  for (const auto& [name, value] : fields) {
    if (!out.empty()) out += '&';
    out += PercentEncode(name);
    out += '=';
    out += PercentEncode(value);
  }
  return out;
}

std::optional<std::string> TakeField(QueryFields& fields, std::string_view name) {
  for (auto it = fields.begin(); it != fields.end(); ++it) {
    if (it->first == name) {
      std::string value = std::move(it->second);
      fields.erase(it);
      return value;
    }
  }
  return std::nullopt;
}

std::optional<std::string_view> RawQueryParameter(std::string_view query, std::string_view name) {
  while (!query.empty()) {
    std::size_t end = query.find('&');
    std::string_view piece = query.substr(0, end);
    if (piece.size() > name.size() && piece.substr(0, name.size()) == name &&
        piece[name.size()] == '=') {
      return piece.substr(name.size() + 1);
    }
    if (piece == name) return std::string_view();
    query = end == std::string_view::npos ? std::string_view() : query.substr(end + 1);
  }
  return std::nullopt;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace tovarin::gateway
