#include "gateway/wml_code_pages.h"

#include <array>
#include <cstddef>

namespace tovarin::gateway {
namespace {

// Tag code page 0 (WML 1.3; 0x1B pre is new in 1.2, 0x3A is unused since WML 1.1).
struct TagEntry {
  std::uint8_t code;
  std::string_view name;
};
constexpr TagEntry kTags[] = {
    {0x1B, "pre"},      {0x1C, "a"},         {0x1D, "td"},      {0x1E, "tr"},     {0x1F, "table"},
    {0x20, "p"},        {0x21, "postfield"}, {0x22, "anchor"},  {0x23, "access"}, {0x24, "b"},
    {0x25, "big"},      {0x26, "br"},        {0x27, "card"},    {0x28, "do"},     {0x29, "em"},
    {0x2A, "fieldset"}, {0x2B, "go"},        {0x2C, "head"},    {0x2D, "i"},      {0x2E, "img"},
    {0x2F, "input"},    {0x30, "meta"},      {0x31, "noop"},    {0x32, "prev"},   {0x33, "onevent"},
    {0x34, "optgroup"}, {0x35, "option"},    {0x36, "refresh"}, {0x37, "select"}, {0x38, "small"},
    {0x39, "strong"},   {0x3B, "template"},  {0x3C, "timer"},   {0x3D, "u"},      {0x3E, "setvar"},
    {0x3F, "wml"},
};

// Attribute start tokens, attribute code page 0. 0x0E, 0x17, 0x2B..0x2D and 0x51 were WML 1.0
// attributes and are unused since 1.1; 0x62..0x64 are new in WML 1.3, 0x5E..0x61 in 1.2.
struct AttributeStartEntry {
  std::uint8_t token;
  WmlAttributeStart start;
};
constexpr AttributeStartEntry kAttributeStarts[] = {
    {0x05, {"accept-charset", ""}},
    {0x06, {"align", "bottom"}},
    {0x07, {"align", "center"}},
    {0x08, {"align", "left"}},
    {0x09, {"align", "middle"}},
    {0x0A, {"align", "right"}},
    {0x0B, {"align", "top"}},
    {0x0C, {"alt", ""}},
    {0x0D, {"content", ""}},
    {0x0F, {"domain", ""}},
    {0x10, {"emptyok", "false"}},
    {0x11, {"emptyok", "true"}},
    {0x12, {"format", ""}},
    {0x13, {"height", ""}},
    {0x14, {"hspace", ""}},
    {0x15, {"ivalue", ""}},
    {0x16, {"iname", ""}},
    {0x18, {"label", ""}},
    {0x19, {"localsrc", ""}},
    {0x1A, {"maxlength", ""}},
    {0x1B, {"method", "get"}},
    {0x1C, {"method", "post"}},
    {0x1D, {"mode", "nowrap"}},
    {0x1E, {"mode", "wrap"}},
    {0x1F, {"multiple", "false"}},
    {0x20, {"multiple", "true"}},
    {0x21, {"name", ""}},
    {0x22, {"newcontext", "false"}},
    {0x23, {"newcontext", "true"}},
    {0x24, {"onpick", ""}},
    {0x25, {"onenterbackward", ""}},
    {0x26, {"onenterforward", ""}},
    {0x27, {"ontimer", ""}},
    {0x28, {"optional", "false"}},
    {0x29, {"optional", "true"}},
    {0x2A, {"path", ""}},
    {0x2E, {"scheme", ""}},
    {0x2F, {"sendreferer", "false"}},
    {0x30, {"sendreferer", "true"}},
    {0x31, {"size", ""}},
    {0x32, {"src", ""}},
    {0x33, {"ordered", "true"}},
    {0x34, {"ordered", "false"}},
    {0x35, {"tabindex", ""}},
    {0x36, {"title", ""}},
    {0x37, {"type", ""}},
    {0x38, {"type", "accept"}},
    {0x39, {"type", "delete"}},
    {0x3A, {"type", "help"}},
    {0x3B, {"type", "password"}},
    {0x3C, {"type", "onpick"}},
    {0x3D, {"type", "onenterbackward"}},
    {0x3E, {"type", "onenterforward"}},
    {0x3F, {"type", "ontimer"}},
    {0x45, {"type", "options"}},
    {0x46, {"type", "prev"}},
    {0x47, {"type", "reset"}},
    {0x48, {"type", "text"}},
    {0x49, {"type", "vnd."}},
    {0x4A, {"href", ""}},
    {0x4B, {"href", "http://"}},
    {0x4C, {"href", "https://"}},
    {0x4D, {"value", ""}},
    {0x4E, {"vspace", ""}},
    {0x4F, {"width", ""}},
    {0x50, {"xml:lang", ""}},
    {0x52, {"align", ""}},
    {0x53, {"columns", ""}},
    {0x54, {"class", ""}},
    {0x55, {"id", ""}},
    {0x56, {"forua", "false"}},
    {0x57, {"forua", "true"}},
    {0x58, {"src", "http://"}},
    {0x59, {"src", "https://"}},
    {0x5A, {"http-equiv", ""}},
    {0x5B, {"http-equiv", "Content-Type"}},
    {0x5C, {"content", "application/vnd.wap.wmlc;charset="}},
    {0x5D, {"http-equiv", "Expires"}},
    {0x5E, {"accesskey", ""}},
    {0x5F, {"enctype", ""}},
    {0x60, {"enctype", "application/x-www-form-urlencoded"}},
    {0x61, {"enctype", "multipart/form-data"}},
    {0x62, {"xml:space", "preserve"}},
    {0x63, {"xml:space", "default"}},
    {0x64, {"cache-control", "no-cache"}},
};

// Attribute value tokens, attribute code page 0 (0x92 and 0x9C are unused since WML 1.1).
struct AttributeValueEntry {
  std::uint8_t token;
  std::string_view text;
};
constexpr AttributeValueEntry kAttributeValues[] = {
    {0x85, ".com/"},
    {0x86, ".edu/"},
    {0x87, ".net/"},
    {0x88, ".org/"},
    {0x89, "accept"},
    {0x8A, "bottom"},
    {0x8B, "clear"},
    {0x8C, "delete"},
    {0x8D, "help"},
    {0x8E, "http://"},
    {0x8F, "http://www."},
    {0x90, "https://"},
    {0x91, "https://www."},
    {0x93, "middle"},
    {0x94, "nowrap"},
    {0x95, "onpick"},
    {0x96, "onenterbackward"},
    {0x97, "onenterforward"},
    {0x98, "ontimer"},
    {0x99, "options"},
    {0x9A, "password"},
    {0x9B, "reset"},
    {0x9D, "text"},
    {0x9E, "top"},
    {0x9F, "unknown"},
    {0xA0, "wrap"},
    {0xA1, "www."},
};

// The lists above spread into direct-lookup arrays, so a token costs one index.
constexpr std::array<std::string_view, 64> kTagByCode = [] {
  std::array<std::string_view, 64> table{};
  for (const TagEntry& entry : kTags) table[entry.code] = entry.name;
  return table;
}();

constexpr std::array<WmlAttributeStart, 128> kAttributeStartByToken = [] {
  std::array<WmlAttributeStart, 128> table{};
  for (const AttributeStartEntry& entry : kAttributeStarts) table[entry.token] = entry.start;
  return table;
}();

constexpr std::array<std::string_view, 128> kAttributeValueByToken = [] {
  std::array<std::string_view, 128> table{};
  for (const AttributeValueEntry& entry : kAttributeValues) table[entry.token - 0x80] = entry.text;
  return table;
}();

}  // namespace

std::string_view WmlTagName(std::uint8_t page, std::uint8_t tag_code) {
  if (page != 0 || tag_code >= kTagByCode.size()) return {};
  return kTagByCode[tag_code];
}

WmlAttributeStart WmlAttributeStartToken(std::uint8_t page, std::uint8_t token) {
  if (page != 0 || token >= kAttributeStartByToken.size()) return {};
  return kAttributeStartByToken[token];
}

std::string_view WmlAttributeValueToken(std::uint8_t page, std::uint8_t token) {
  if (page != 0 || token < 0x80) return {};
  return kAttributeValueByToken[static_cast<std::size_t>(token - 0x80)];
}

WmlDocumentType WmlDocumentTypeOf(std::uint32_t public_id) {
  switch (public_id) {
    case 0x01:
    case 0x04:
    case 0x09:
    case 0x0A:
    case 0x0C: return WmlDocumentType::kWml;
    case 0x02: return WmlDocumentType::kWml10;
    default: return WmlDocumentType::kOther;
  }
}

WmlDocumentType WmlDocumentTypeOf(std::string_view public_id_text) {
  if (public_id_text.find("WML 1.0") != std::string_view::npos) return WmlDocumentType::kWml10;
  if (public_id_text.find("WML") != std::string_view::npos) return WmlDocumentType::kWml;
  return WmlDocumentType::kOther;
}

}  // namespace tovarin::gateway
