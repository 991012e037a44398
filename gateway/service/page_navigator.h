#pragma once
// PageNavigator: takes the user to a page. It fetches the address (or finds the deck in the
// short-lived cache), transcodes it in the user's WML context, follows the entry events of the
// card it lands on (at most kMaxEventHops of them) and answers the page, a picture, or the
// error page; nothing only for a site's own "no content" (204, 205), answered with 204 so the
// view stays on its page.
//
//   Open(GET url#card)       the cached deck when the address names a card, else a fetch
//   Open(POST ...)           always a fetch; never cached
//   Follow(go)               Open, after checking the scheme (only http and https)
//   Follow(prev)             the previous card of the user's history (WmlContext::PopForPrev),
//                            entered backward; with no history, the card on screen again
//   Follow(refresh, none)    the card on screen again (EntryDirection::kRefresh)
//
// Answers: a page 200 (also a site's own error page: a 404 or 500 with a deck or page of its
// own is shown as the site sent it); an upstream failure, an empty answer (the error page names
// its HTTP status, and a 503's Retry-After) or a deck the transcoder cannot read 502 with the
// error page (the offline start page when it was the viewer's start address); an address of
// another scheme 400 with the error page. The view shows whatever page comes with the status.

#include <string>
#include <string_view>

#include "gateway/service/deck_cache.h"
#include "gateway/service/fetcher.h"
#include "gateway/service/gateway_options.h"
#include "gateway/service/service_addresses.h"
#include "gateway/service/service_exchange.h"
#include "gateway/transcoder.h"

namespace tovarin::gateway {

// The reason an error page gives for an upstream failure: FailureReason and the detail.
std::string FetchFailureText(const FetchResponse& response);

class PageNavigator {
 public:
  // All three must outlive the navigator; `fetcher` must not call back after it is gone.
  PageNavigator(Fetcher& fetcher, const ServiceAddresses& links, const GatewayOptions& options);

  // Shows `request.url` (absolute, http or https; its fragment names a card) entered in
  // `direction`. The exchange's cookies go with the fetch.
  void Open(ExchangePtr exchange, FetchRequest request, EntryDirection direction);
  // Carries out `navigation`, started from the card at `card_url`.
  void Follow(ExchangePtr exchange, const Navigation& navigation, std::string_view card_url);

  // Answers the error page for `reason` (or the offline start page, see above).
  void Fail(const ExchangePtr& exchange, unsigned status, std::string_view reason);

 private:
  void OnFetched(const ExchangePtr& exchange, FetchResponse response, std::string_view fragment,
                 EntryDirection direction, bool post);
  void Render(const ExchangePtr& exchange, const CachedDeck& deck, std::string_view fragment,
              EntryDirection direction);
  void AnswerImage(const ExchangePtr& exchange, TranscodeResult& result);

  Fetcher& fetcher_;
  const ServiceAddresses& links_;
  const GatewayOptions& options_;
  DeckCache cache_;
};

}  // namespace tovarin::gateway
