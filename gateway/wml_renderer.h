#pragma once
// Renders one card of a WML deck as a complete HTML page for the view, or says where the card's
// entry event leads instead.
//
// The page is one HTML form (see wml_task.h): the card's title as a title bar, its content, and
// its soft keys (the card's <do> elements and the template's it does not shadow) as a row of
// phone-like buttons under it. A card without input fields writes every task as a plain link;
// a card with fields writes them as submit buttons, so what the user typed becomes variables
// when they go on. A timer becomes a <meta> refresh to its task; no script is written.

#include <string>
#include <string_view>

#include "gateway/markup_tree.h"
#include "gateway/service_links.h"
#include "gateway/wml_context.h"
#include "gateway/wml_task.h"

namespace tovarin::gateway {

// How the card was reached: a new navigation, `prev`, or a refresh of the card on screen.
enum class EntryDirection { kForward, kBackward, kRefresh };

struct WmlRenderRequest {
  std::string_view deck_url;  // the deck's final address; its fragment names the card
  std::string_view charset;   // the deck's charset, for escaping and form data
  EntryDirection direction = EntryDirection::kForward;
  const ServiceLinks* links = nullptr;
};

struct WmlRenderResult {
  enum class Kind { kHtml, kNavigate, kError };
  Kind kind = Kind::kHtml;
  std::string html;
  Navigation navigation;  // kNavigate: an entry event's task
  std::string error;      // kError: why the card cannot be shown
};

// Renders the card `request.deck_url` names (else the first) of the <wml> element `deck`.
// `context` is read and updated: history, the variables the card's fields and timer set.
WmlRenderResult RenderWmlDeck(const MarkupNode& deck, const WmlRenderRequest& request,
                              WmlContext& context);

}  // namespace tovarin::gateway
