#pragma once
// WmlContext: the part of a WML browser's state that belongs to the user, not to the service:
// the variables and the history `prev` walks back through. The service keeps it with the
// browser (in a cookie or in the page's addresses) and hands it in with every request, so it
// holds nothing per user itself.
//
// History entries are absolute addresses of the cards shown, fragment included
// ("http://wap.example.com/deck.wml#menu"); the last entry is the card on screen.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gateway/wml_variables.h"

namespace tovarin::gateway {

struct WmlContext {
  WmlVariables variables;
  std::vector<std::string> history;

  // Records that `card_url` is now on screen after a forward navigation. Entering the card on
  // screen again (a reload) adds nothing; beyond kMaxHistoryEntries the oldest entry goes.
  void PushHistory(std::string_view card_url);
  // For `prev`: drops the card on screen and returns the address to show, which stays as the
  // new last entry; nullopt (and nothing changed) when there is no earlier card.
  std::optional<std::string> PopForPrev();
  // A card with newcontext: no variables, no history.
  void Reset();

  // A compact text safe in a cookie or a URL query (percent-encoded "key=value" pairs joined
  // by '&'), at most kMaxContextBytes: when larger, the oldest history entries go first, then
  // the variables with the longest values.
  std::string Serialize() const;
  // Reads what Serialize wrote. Malformed pieces are skipped; invalid names, over-long values
  // and entries beyond the limits are dropped, so any text gives a valid context.
  static WmlContext Parse(std::string_view text);

  bool operator==(const WmlContext&) const = default;
};

}  // namespace tovarin::gateway
