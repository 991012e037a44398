#include "gateway/wml_context.h"

#include <algorithm>

#include "gateway/limits.h"
#include "gateway/url.h"

namespace tovarin::gateway {
namespace {

// Keys: "v" + name for a variable ("vcity=Paris"), "h" for a history entry, in order.
std::string SerializeParts(const std::vector<std::pair<std::string, std::string>>& variables,
                           const std::vector<std::string>& history, std::size_t first_entry) {
  std::string out;
  for (const auto& [name, value] : variables) {
    if (!out.empty()) out += '&';
    out += 'v';
    out += name;
    out += '=';
    out += PercentEncode(value);
  }
  for (std::size_t i = first_entry; i < history.size(); ++i) {
    if (!out.empty()) out += '&';
    out += "h=";
    out += PercentEncode(history[i]);
  }
  return out;
}

}  // namespace

void WmlContext::PushHistory(std::string_view card_url) {
  if (card_url.empty() || card_url.size() > kMaxHistoryUrlBytes) return;
  if (!history.empty() && history.back() == card_url) return;
  history.emplace_back(card_url);
  if (history.size() > kMaxHistoryEntries) {
    history.erase(history.begin(), history.begin() + static_cast<std::ptrdiff_t>(
                                                         history.size() - kMaxHistoryEntries));
  }
}

std::optional<std::string> WmlContext::PopForPrev() {
  if (history.size() < 2) return std::nullopt;
  history.pop_back();
  return history.back();
}

void WmlContext::Reset() {
  variables.Clear();
  history.clear();
}

std::string WmlContext::Serialize() const {
  std::vector<std::pair<std::string, std::string>> kept(variables.values().begin(),
                                                        variables.values().end());
  std::size_t first_entry = 0;
  std::string out = SerializeParts(kept, history, first_entry);
  while (out.size() > kMaxContextBytes && first_entry < history.size()) {
    ++first_entry;
    out = SerializeParts(kept, history, first_entry);
  }
  // Still too large: give up the longest values, one at a time.
  while (out.size() > kMaxContextBytes && !kept.empty()) {
    auto longest = std::max_element(kept.begin(), kept.end(), [](const auto& a, const auto& b) {
      return a.second.size() < b.second.size();
    });
    kept.erase(longest);
    out = SerializeParts(kept, history, first_entry);
  }
  return out;
}

WmlContext WmlContext::Parse(std::string_view text) {
  WmlContext context;
  if (text.size() > kMaxContextBytes) text = text.substr(0, kMaxContextBytes);
  while (!text.empty()) {
    std::size_t amp = text.find('&');
    std::string_view piece = text.substr(0, amp);
    text = amp == std::string_view::npos ? std::string_view() : text.substr(amp + 1);
    std::size_t equals = piece.find('=');
    if (equals == std::string_view::npos || equals == 0) continue;
    std::string_view key = piece.substr(0, equals);
    std::string value = PercentDecode(piece.substr(equals + 1));
    if (key == "h") {
      if (!value.empty() && value.size() <= kMaxHistoryUrlBytes) {
        context.history.push_back(std::move(value));
        // Beyond the limit the oldest entry goes, as in PushHistory: the last is the card on
        // screen, and prev walks back from it.
        if (context.history.size() > kMaxHistoryEntries) {
          context.history.erase(context.history.begin());
        }
      }
    } else if (key.front() == 'v') {
      (void)context.variables.Set(key.substr(1), value);
    }
  }
  return context;
}

}  // namespace tovarin::gateway
