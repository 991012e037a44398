#include "gateway/wml_form_fields.h"

#include <algorithm>
#include <set>

#include "gateway/wml_deck.h"

namespace tovarin::gateway {
namespace {

std::vector<std::string> SplitList(std::string_view text) {
  std::vector<std::string> parts;
  while (!text.empty()) {
    std::size_t semicolon = text.find(';');
    std::string_view part = text.substr(0, semicolon);
    if (!part.empty()) parts.emplace_back(part);
    if (semicolon == std::string_view::npos) break;
    text.remove_prefix(semicolon + 1);
  }
  return parts;
}

std::string OptionText(const MarkupNode& node) {
  std::string text;
  for (const MarkupNode& child : node.children) {
    if (child.IsText())
      text += child.text;
    else if (child.IsElement() && !child.IsElement("onevent"))
      text += OptionText(child);
  }
  return text;
}

void CollectOptions(const MarkupNode& node, const std::string& group, SelectField& field,
                    int depth) {
  if (depth > 8) return;
  for (const MarkupNode& child : node.children) {
    if (child.IsElement("optgroup")) {
      CollectOptions(child, child.AttributeOr("title", ""), field, depth + 1);
    } else if (child.IsElement("option")) {
      SelectOption option;
      option.index = static_cast<int>(field.options.size()) + 1;
      option.value = child.AttributeOr("value", "");
      option.label = OptionText(child);
      option.group = group;
      if (auto pick = child.Attribute("onpick"); pick && !pick->empty()) {
        option.onpick = GoTo(*pick, {});
      } else {
        for (const MarkupNode& part : child.children) {
          if (part.IsElement("onevent") && part.Attribute("type") == "onpick") {
            option.onpick = TaskOf(part, {});
          }
        }
      }
      field.options.push_back(std::move(option));
    }
  }
}

// Marks the options the select starts with, in the order of precedence entry uses.
void ChooseDefault(const MarkupNode& select, const WmlVariables& variables, SelectField& field) {
  std::set<int> indexes;
  std::string iname = select.AttributeOr("iname", "");
  std::string name = select.AttributeOr("name", "");
  auto by_index = [&](std::string_view list) {
    for (const std::string& part : SplitList(list)) {
      int index = std::atoi(part.c_str());
      if (index >= 1 && index <= static_cast<int>(field.options.size())) indexes.insert(index);
    }
  };
  auto by_value = [&](std::string_view list) {
    for (const std::string& wanted : SplitList(list)) {
      for (const SelectOption& option : field.options) {
        if (option.value == wanted) indexes.insert(option.index);
      }
    }
  };
  if (IsVariableName(iname) && variables.Has(iname)) by_index(variables.Get(iname));
  if (indexes.empty()) by_index(select.AttributeOr("ivalue", ""));
  if (indexes.empty() && IsVariableName(name) && variables.Has(name)) by_value(variables.Get(name));
  if (indexes.empty()) by_value(select.AttributeOr("value", ""));
  if (indexes.empty() && !field.multiple && !field.options.empty()) indexes.insert(1);
  if (!field.multiple && indexes.size() > 1) indexes = {*indexes.begin()};
  for (SelectOption& option : field.options) option.selected = indexes.count(option.index) != 0;
}

void InitializeNode(const MarkupNode& node, WmlVariables& variables, int depth) {
  if (depth > 256) return;
  for (const MarkupNode& child : node.children) {
    if (child.IsElement("input")) {
      std::string name = child.AttributeOr("name", "");
      if (IsVariableName(name) && !variables.Has(name)) {
        (void)variables.Set(name, SubstituteVariables(child.AttributeOr("value", ""), variables,
                                                      VariableContext::kText));
      }
    } else if (child.IsElement("select")) {
      SelectField field = DescribeSelect(child, variables);
      std::string values;
      std::string indexes;
      for (const SelectOption& option : field.options) {
        if (!option.selected) continue;
        if (!indexes.empty()) {
          values += ';';
          indexes += ';';
        }
        values += option.value;
        indexes += std::to_string(option.index);
      }
      std::string name = child.AttributeOr("name", "");
      std::string iname = child.AttributeOr("iname", "");
      if (IsVariableName(name)) (void)variables.Set(name, values);
      if (IsVariableName(iname)) (void)variables.Set(iname, indexes);
    } else if (child.IsElement() && !child.IsElement("do") && !child.IsElement("onevent")) {
      InitializeNode(child, variables, depth + 1);
    }
  }
}

const MarkupNode* FindTimerIn(const MarkupNode& node, int depth) {
  if (depth > 256) return nullptr;
  for (const MarkupNode& child : node.children) {
    if (child.IsElement("timer")) return &child;
    if (child.IsElement()) {
      if (const MarkupNode* found = FindTimerIn(child, depth + 1)) return found;
    }
  }
  return nullptr;
}

// The bytes of the UTF-8 sequence `lead` starts (1 for ASCII, and for a stray byte).
std::size_t Utf8Length(char lead) {
  auto byte = static_cast<unsigned char>(lead);
  if (byte >= 0xF0 && byte <= 0xF7) return 4;
  if (byte >= 0xE0) return byte <= 0xEF ? 3 : 1;
  if (byte >= 0xC0) return 2;
  return 1;
}

// The characters a pattern must escape to mean themselves. HTML compiles the pattern with the
// v flag, where a backslash before any other character ("\-", "\ ") is an error and the
// browser then ignores the whole pattern.
bool IsRegexSyntaxCharacter(char c) {
  return std::string_view("^$\\.*+?()[]{}|/").find(c) != std::string_view::npos;
}

// One format code as a character class. WML's classes: A upper case or punctuation, a lower
// case or punctuation, N digit, n digit or punctuation, X upper case, digit or punctuation,
// x lower case, digit or punctuation, M and m anything.
std::optional<std::string> FormatClass(char code) {
  switch (code) {
    case 'A': return "[^a-z0-9]";
    case 'a': return "[^A-Z0-9]";
    case 'N': return "[0-9]";
    case 'n': return "[^A-Za-z]";
    case 'X': return "[^a-z]";
    case 'x': return "[^A-Z]";
    case 'M':
    case 'm': return "[\\s\\S]";
    default: return std::nullopt;
  }
}

}  // namespace

std::optional<std::string> FormatPattern(std::string_view format, bool* digits_only) {
  std::string pattern;
  bool digits = true;
  for (std::size_t i = 0; i < format.size(); ++i) {
    char c = format[i];
    std::string count;
    if (c == '*' || (c >= '1' && c <= '9')) {
      // "*f" any number of f, "nf" up to n of f; either must end the format.
      if (i + 2 != format.size()) return std::nullopt;
      count = c == '*' ? "*" : "{0," + std::string(1, c) + "}";
      c = format[++i];
    }
    if (c == '\\') {
      // "\c" is the character c itself, which may take several bytes.
      std::size_t length = i + 1 < format.size() ? Utf8Length(format[i + 1]) : 0;
      if (length == 0 || i + 1 + length > format.size() || !count.empty()) return std::nullopt;
      if (IsRegexSyntaxCharacter(format[i + 1])) pattern += '\\';
      pattern.append(format.substr(i + 1, length));
      i += length;
      digits = false;
      continue;
    }
    auto cls = FormatClass(c);
    if (!cls) return std::nullopt;
    digits = digits && c == 'N';
    pattern += *cls + count;
  }
  if (digits_only) *digits_only = digits && !pattern.empty();
  return pattern;
}

InputField DescribeInput(const MarkupNode& input, const WmlVariables&) {
  InputField field;
  std::string type = input.AttributeOr("type", "text");
  field.password = type == "password";
  field.required = input.Attribute("emptyok") == "false";
  if (auto format = input.Attribute("format"); format && !format->empty()) {
    bool digits = false;
    if (auto pattern = FormatPattern(*format, &digits)) {
      field.pattern = std::move(*pattern);
      field.numeric = digits;
    }
  }
  std::string max_length = input.AttributeOr("maxlength", "");
  if (!max_length.empty() && max_length.size() < 7 &&
      max_length.find_first_not_of("0123456789") == std::string::npos) {
    field.max_length = max_length;
  }
  std::string size = input.AttributeOr("size", "");
  if (!size.empty() && size.size() < 4 &&
      size.find_first_not_of("0123456789") == std::string::npos) {
    field.size = size;
  }
  return field;
}

SelectField DescribeSelect(const MarkupNode& select, const WmlVariables& variables) {
  SelectField field;
  field.multiple = select.Attribute("multiple") == "true";
  CollectOptions(select, {}, field, 0);
  ChooseDefault(select, variables, field);
  return field;
}

void InitializeFields(const MarkupNode& card, WmlVariables& variables) {
  InitializeNode(card, variables, 0);
}

const MarkupNode* FindTimer(const MarkupNode& card) { return FindTimerIn(card, 0); }

}  // namespace tovarin::gateway
