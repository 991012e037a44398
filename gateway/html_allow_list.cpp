#include "gateway/html_allow_list.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <utility>

namespace tovarin::gateway {
namespace {

using Action = ElementAction;
using ElementEntry = std::pair<std::string_view, ElementAction>;

// Sorted by name (checked below) for a binary search: no table is built per call.
// clang-format off
constexpr auto kElements = std::to_array<ElementEntry>({
    {"a", Action::kAnchor},        {"abbr", Action::kKeep},     {"acronym", Action::kKeep},
    {"address", Action::kKeep},    {"applet", Action::kDrop},   {"area", Action::kUnwrap},
    {"article", Action::kKeep},    {"aside", Action::kKeep},    {"audio", Action::kUnwrap},
    {"b", Action::kKeep},          {"base", Action::kDrop},     {"bdi", Action::kKeep},
    {"bdo", Action::kKeep},        {"big", Action::kKeep},      {"blockquote", Action::kKeep},
    {"body", Action::kUnwrap},     {"br", Action::kVoid},       {"button", Action::kButton},
    {"caption", Action::kKeep},    {"center", Action::kKeep},   {"cite", Action::kKeep},
    {"code", Action::kKeep},       {"col", Action::kVoid},      {"colgroup", Action::kKeep},
    {"dd", Action::kKeep},         {"del", Action::kKeep},      {"details", Action::kKeep},
    {"dfn", Action::kKeep},        {"div", Action::kKeep},      {"dl", Action::kKeep},
    {"dt", Action::kKeep},         {"em", Action::kKeep},       {"embed", Action::kUnwrap},
    {"fieldset", Action::kKeep},   {"figcaption", Action::kKeep}, {"figure", Action::kKeep},
    {"font", Action::kKeep},       {"footer", Action::kKeep},   {"form", Action::kForm},
    {"frame", Action::kDrop},      {"frameset", Action::kDrop}, {"h1", Action::kKeep},
    {"h2", Action::kKeep},         {"h3", Action::kKeep},       {"h4", Action::kKeep},
    {"h5", Action::kKeep},         {"h6", Action::kKeep},       {"head", Action::kHead},
    {"header", Action::kKeep},     {"hgroup", Action::kKeep},   {"hr", Action::kVoid},
    {"html", Action::kUnwrap},     {"i", Action::kKeep},        {"iframe", Action::kDrop},
    {"img", Action::kImage},       {"input", Action::kInput},   {"ins", Action::kKeep},
    {"kbd", Action::kKeep},        {"label", Action::kKeep},    {"legend", Action::kKeep},
    {"li", Action::kList},         {"link", Action::kLink},     {"main", Action::kKeep},
    {"mark", Action::kKeep},       {"math", Action::kDrop},     {"meta", Action::kMeta},
    {"nav", Action::kKeep},        {"noscript", Action::kUnwrap}, {"object", Action::kDrop},
    {"ol", Action::kList},         {"optgroup", Action::kKeep}, {"option", Action::kKeep},
    {"p", Action::kKeep},          {"param", Action::kDrop},    {"portal", Action::kDrop},
    {"pre", Action::kKeep},        {"q", Action::kKeep},        {"rp", Action::kKeep},
    {"rt", Action::kKeep},         {"ruby", Action::kKeep},     {"s", Action::kKeep},
    {"samp", Action::kKeep},       {"script", Action::kDrop},   {"section", Action::kKeep},
    {"select", Action::kKeep},     {"small", Action::kKeep},    {"span", Action::kKeep},
    {"strike", Action::kKeep},     {"strong", Action::kKeep},   {"style", Action::kStyle},
    {"sub", Action::kKeep},        {"summary", Action::kKeep},  {"sup", Action::kKeep},
    {"svg", Action::kDrop},        {"table", Action::kKeep},    {"tbody", Action::kKeep},
    {"td", Action::kKeep},         {"template", Action::kDrop}, {"textarea", Action::kTextArea},
    {"tfoot", Action::kKeep},      {"th", Action::kKeep},       {"thead", Action::kKeep},
    {"time", Action::kKeep},       {"title", Action::kTitle},   {"tr", Action::kKeep},
    {"tt", Action::kKeep},         {"u", Action::kKeep},        {"ul", Action::kList},
    {"var", Action::kKeep},        {"wbr", Action::kVoid},
});
// clang-format on
static_assert(std::is_sorted(kElements.begin(), kElements.end(),
                             [](const ElementEntry& a, const ElementEntry& b) {
                               return a.first < b.first;
                             }));

// Copied as they are onto any written element. Sorted (checked below).
// clang-format off
constexpr auto kCopiedAttributes = std::to_array<std::string_view>({
    "accesskey", "align",    "alt",      "bgcolor",   "border",   "cellpadding", "cellspacing",
    "checked",   "class",    "clear",    "color",     "cols",     "colspan",     "dir",
    "disabled",  "face",     "for",      "headers",   "height",   "hspace",      "id",
    "label",     "lang",     "maxlength", "multiple", "name",     "nowrap",      "placeholder",
    "readonly",  "rows",     "rowspan",  "scope",     "selected", "size",        "span",
    "start",     "summary",  "tabindex", "title",     "valign",   "value",       "vspace",
    "width",
});
// clang-format on
static_assert(std::is_sorted(kCopiedAttributes.begin(), kCopiedAttributes.end()));

constexpr auto kInputTypes = std::to_array<std::string_view>({
    "button",
    "checkbox",
    "email",
    "hidden",
    "number",
    "password",
    "radio",
    "reset",
    "search",
    "submit",
    "tel",
    "text",
    "url",
});

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerTrimmed(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= 0x20) text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x20) text.remove_suffix(1);
  std::string out(text);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

// Where each first letter's names start and end in a sorted table, so a lookup compares a few
// names of the right first letter only (built at compile time).
struct LetterRange {
  std::uint16_t begin = 0;
  std::uint16_t end = 0;
};
using LetterIndex = std::array<LetterRange, 26>;

template <typename Table, typename NameOf>
constexpr LetterIndex IndexByFirstLetter(const Table& table, NameOf name_of) {
  LetterIndex index{};
  for (std::size_t i = 0; i < table.size(); ++i) {
    LetterRange& range = index[static_cast<std::size_t>(name_of(table[i])[0] - 'a')];
    if (range.begin == range.end) range.begin = static_cast<std::uint16_t>(i);
    range.end = static_cast<std::uint16_t>(i + 1);
  }
  return index;
}

constexpr LetterIndex kElementIndex =
    IndexByFirstLetter(kElements, [](const ElementEntry& entry) { return entry.first; });
constexpr LetterIndex kAttributeIndex =
    IndexByFirstLetter(kCopiedAttributes, [](std::string_view name) { return name; });

// The index in `table` of `name`, or -1.
template <typename Table, typename NameOf>
int Find(const Table& table, const LetterIndex& index, std::string_view name, NameOf name_of) {
  if (name.empty() || name[0] < 'a' || name[0] > 'z') return -1;
  const LetterRange range = index[static_cast<std::size_t>(name[0] - 'a')];
  for (std::size_t i = range.begin; i < range.end; ++i) {
    if (name_of(table[i]) == name) return static_cast<int>(i);
  }
  return -1;
}

std::optional<ElementAction> FindElement(std::string_view name) {
  const int at =
      Find(kElements, kElementIndex, name, [](const ElementEntry& e) { return e.first; });
  if (at < 0) return std::nullopt;
  return kElements[static_cast<std::size_t>(at)].second;
}
}  // namespace

ElementAction ActionForElement(std::string_view name) {
  const std::size_t colon = name.rfind(':');
  if (colon != std::string_view::npos) {
    const std::optional<ElementAction> local = FindElement(name.substr(colon + 1));
    return local == ElementAction::kDrop ? ElementAction::kDrop : ElementAction::kUnwrap;
  }
  return FindElement(name).value_or(ElementAction::kUnwrap);
}

bool IsCopiedAttribute(std::string_view name) {
  return Find(kCopiedAttributes, kAttributeIndex, name, [](std::string_view n) { return n; }) >= 0;
}

std::optional<std::string_view> InputTypeToWrite(std::string_view type) {
  const std::string lower = LowerTrimmed(type);
  if (lower == "file") return std::nullopt;
  if (lower == "image") return std::string_view("submit");
  for (std::string_view safe : kInputTypes) {
    if (lower == safe) return safe;
  }
  return std::string_view();
}

std::string_view ButtonTypeToWrite(std::string_view type) {
  const std::string lower = LowerTrimmed(type);
  for (std::string_view safe :
       {std::string_view("submit"), std::string_view("reset"), std::string_view("button")}) {
    if (lower == safe) return safe;
  }
  return {};
}

bool IsListType(std::string_view type) {
  static constexpr auto kListTypes =
      std::to_array<std::string_view>({"1", "a", "A", "i", "I", "disc", "circle", "square"});
  return std::find(kListTypes.begin(), kListTypes.end(), type) != kListTypes.end();
}

// Each comma-separated query counts when it names no medium (a bare "(max-width:...)"), or
// names all, screen or handheld; "only" and "not" are read as browsers do.
bool MediaSuitsPhone(std::string_view media) {
  const std::string lower = LowerTrimmed(media);
  if (lower.empty()) return true;
  std::string_view rest(lower);
  while (true) {
    const std::size_t comma = rest.find(',');
    std::string_view query = rest.substr(0, comma);
    while (!query.empty() && query.front() == ' ') query.remove_prefix(1);
    bool negated = false;
    if (query.starts_with("only ")) query.remove_prefix(5);
    if (query.starts_with("not ")) {
      negated = true;
      query.remove_prefix(4);
    }
    while (!query.empty() && query.front() == ' ') query.remove_prefix(1);
    const std::string_view medium = query.substr(0, query.find_first_of(" (\t\n"));
    const bool named = medium == "all" || medium == "screen" || medium == "handheld";
    if (medium.empty() || named != negated) return true;
    if (comma == std::string_view::npos) return false;
    rest.remove_prefix(comma + 1);
  }
}

}  // namespace tovarin::gateway
