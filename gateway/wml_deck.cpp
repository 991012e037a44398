#include "gateway/wml_deck.h"

#include <algorithm>

namespace tovarin::gateway {
namespace {

void CollectCards(const MarkupNode& node, WmlDeck& deck, int depth) {
  if (depth > 64) return;
  for (const MarkupNode& child : node.children) {
    if (!child.IsElement()) continue;
    if (child.name == "card") {
      deck.cards.push_back(&child);
    } else if (child.name == "template") {
      if (!deck.deck_template) deck.deck_template = &child;
    } else if (child.name == "access") {
      deck.access.push_back(&child);
    } else {
      CollectCards(child, deck, depth + 1);
    }
  }
}

// The <do> elements of a card or template, at any depth but not inside another do or onevent.
void CollectDos(const MarkupNode& node, std::vector<const MarkupNode*>& found, int depth) {
  if (depth > 64) return;
  for (const MarkupNode& child : node.children) {
    if (!child.IsElement()) continue;
    if (child.name == "do") {
      found.push_back(&child);
    } else if (child.name != "onevent" && child.name != "card") {
      CollectDos(child, found, depth + 1);
    }
  }
}

std::string DoName(const MarkupNode& element) {
  std::string name = element.AttributeOr("name", "");
  return name.empty() ? element.AttributeOr("type", "unknown") : name;
}

// An event of `element` itself: its attribute, or an <onevent> child.
std::optional<WmlTask> OwnEvent(const MarkupNode& element, std::string_view type,
                                std::string_view charset) {
  if (auto href = element.Attribute(type); href && !href->empty()) return GoTo(*href, charset);
  for (const MarkupNode& child : element.children) {
    if (child.IsElement("onevent") && child.Attribute("type") == type) {
      return TaskOf(child, charset);
    }
  }
  return std::nullopt;
}

}  // namespace

WmlDeck IndexDeck(const MarkupNode& wml) {
  WmlDeck deck;
  CollectCards(wml, deck, 0);
  return deck;
}

const MarkupNode* FindCard(const WmlDeck& deck, std::string_view card_id) {
  if (deck.cards.empty()) return nullptr;
  if (!card_id.empty()) {
    for (const MarkupNode* card : deck.cards) {
      if (card->Attribute("id") == card_id) return card;
    }
  }
  return deck.cards.front();
}

WmlTask GoTo(std::string_view href, std::string_view charset) {
  WmlTask task;
  task.kind = WmlTask::Kind::kGo;
  task.href = std::string(href);
  task.charset = std::string(charset);
  return task;
}

std::optional<WmlTask> TaskOf(const MarkupNode& element, std::string_view charset) {
  for (const MarkupNode& child : element.children) {
    if (!child.IsElement()) continue;
    WmlTask task;
    if (child.name == "go") {
      task = GoTo(child.AttributeOr("href", ""), charset);
      std::string method = child.AttributeOr("method", "get");
      std::transform(method.begin(), method.end(), method.begin(),
                     [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
      task.post = method == "post";
      task.multipart = child.Attribute("enctype") == "multipart/form-data";
      if (auto accept = child.Attribute("accept-charset"); accept && !accept->empty()) {
        // A list is allowed; the first charset the site accepts is the one we send.
        std::string first(accept->substr(0, accept->find_first_of(", ")));
        if (!first.empty()) task.charset = first;
      }
    } else if (child.name == "prev") {
      task.kind = WmlTask::Kind::kPrev;
    } else if (child.name == "refresh") {
      task.kind = WmlTask::Kind::kRefresh;
    } else if (child.name == "noop") {
      return task;
    } else {
      continue;
    }
    for (const MarkupNode& part : child.children) {
      if (part.IsElement("postfield") && task.kind == WmlTask::Kind::kGo) {
        task.postfields.emplace_back(part.AttributeOr("name", ""), part.AttributeOr("value", ""));
      } else if (part.IsElement("setvar")) {
        task.setvars.emplace_back(part.AttributeOr("name", ""), part.AttributeOr("value", ""));
      }
    }
    return task;
  }
  return std::nullopt;
}

std::optional<WmlTask> EventTask(const MarkupNode& card, const MarkupNode* deck_template,
                                 std::string_view type, std::string_view charset) {
  if (auto own = OwnEvent(card, type, charset)) return own;
  if (deck_template) return OwnEvent(*deck_template, type, charset);
  return std::nullopt;
}

std::vector<SoftKey> SoftKeysOf(const MarkupNode& card, const MarkupNode* deck_template,
                                std::string_view charset) {
  std::vector<const MarkupNode*> card_dos;
  CollectDos(card, card_dos, 0);
  std::vector<const MarkupNode*> all = card_dos;
  if (deck_template) {
    std::vector<const MarkupNode*> template_dos;
    CollectDos(*deck_template, template_dos, 0);
    for (const MarkupNode* inherited : template_dos) {
      std::string name = DoName(*inherited);
      bool shadowed = std::any_of(card_dos.begin(), card_dos.end(),
                                  [&](const MarkupNode* own) { return DoName(*own) == name; });
      if (!shadowed) all.push_back(inherited);
    }
  }
  std::vector<SoftKey> keys;
  for (const MarkupNode* element : all) {
    std::optional<WmlTask> task = TaskOf(*element, charset);
    if (!task || task->kind == WmlTask::Kind::kNoop) continue;
    keys.push_back({element, element->AttributeOr("type", "unknown"),
                    element->AttributeOr("label", ""), std::move(*task)});
  }
  return keys;
}

std::string_view DefaultSoftKeyLabel(std::string_view type) {
  if (type == "accept") return "确定";
  if (type == "prev") return "返回";
  if (type == "options") return "选项";
  if (type == "help") return "帮助";
  if (type == "reset") return "重置";
  if (type == "delete") return "删除";
  return "选择";
}

bool HasFields(const MarkupNode& card) {
  for (const MarkupNode& child : card.children) {
    if (child.IsElement("input") || child.IsElement("select")) return true;
    if (child.IsElement() && HasFields(child)) return true;
  }
  return false;
}

}  // namespace tovarin::gateway
