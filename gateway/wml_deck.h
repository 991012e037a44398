#pragma once
// The WML deck as the renderer sees it: which card to show, the template's soft keys and events
// that apply to it, and the tasks its elements carry. Pure functions over a parsed MarkupNode
// tree; nothing here writes HTML.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gateway/markup_tree.h"
#include "gateway/wml_task.h"

namespace tovarin::gateway {

// The cards of a deck in order, and its template (null when none). Cards are searched below the
// <wml> element at any depth outside other cards, so decks the HTML parser had to read (which
// may nest cards in odd places) still show theirs.
struct WmlDeck {
  std::vector<const MarkupNode*> cards;
  const MarkupNode* deck_template = nullptr;
  std::vector<const MarkupNode*> access;  // <access> elements of the head
};
WmlDeck IndexDeck(const MarkupNode& wml);

// The card whose id is `card_id`, else the first; null for a deck with no card.
const MarkupNode* FindCard(const WmlDeck& deck, std::string_view card_id);

// The task an element carries: the first go, prev, refresh or noop child. `charset` is the
// deck's, used when the go names no accept-charset.
std::optional<WmlTask> TaskOf(const MarkupNode& element, std::string_view charset);
// A go task to `href`, for the attribute forms (onenterforward="...", onpick="...").
WmlTask GoTo(std::string_view href, std::string_view charset);

// The task for event `type` ("onenterforward", "onenterbackward", "ontimer", "onpick"): from the
// element's own attribute or <onevent>, else from the template's; nullopt when neither has one.
std::optional<WmlTask> EventTask(const MarkupNode& card, const MarkupNode* deck_template,
                                 std::string_view type, std::string_view charset);

// A soft key: a <do> of the card, or of the template that the card does not shadow (by name,
// which defaults to the type). A <do> whose task is noop shadows and is not shown.
struct SoftKey {
  const MarkupNode* element = nullptr;
  std::string type;
  std::string label;  // as written, references unresolved; may be empty
  WmlTask task;
};
std::vector<SoftKey> SoftKeysOf(const MarkupNode& card, const MarkupNode* deck_template,
                                std::string_view charset);

// The label a phone shows for a soft key of `type` when the deck gives none.
std::string_view DefaultSoftKeyLabel(std::string_view type);

// Whether the card has fields the user fills in (input, select).
bool HasFields(const MarkupNode& card);

}  // namespace tovarin::gateway
