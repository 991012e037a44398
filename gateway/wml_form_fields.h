#pragma once
// The fields of a WML card (input, select) as the renderer writes them, and the variables they
// set when the card is entered.
//
// On entry an input's variable keeps its value when set, else takes the input's default value.
// A select's choice comes, in order, from its index variable (iname), its ivalue, its variable
// (name), its value, else the first option (single choice) or none (multiple); then both
// variables are set: name to the chosen values, iname to their 1-based indexes, joined by ';'
// for multiple choice.

#include <optional>
#include <string>
#include <vector>

#include "gateway/markup_tree.h"
#include "gateway/wml_task.h"
#include "gateway/wml_variables.h"

namespace tovarin::gateway {

struct InputField {
  bool password = false;
  bool required = false;  // emptyok="false"
  bool numeric = false;   // the format allows digits only
  std::string pattern;    // the format as an HTML pattern, or empty
  std::string max_length;
  std::string size;
};
InputField DescribeInput(const MarkupNode& input, const WmlVariables& variables);

// An HTML pattern for a WML input format ("NNN", "*a", "3N\-4N"), or nullopt when the format
// is malformed (the field then takes any text).
std::optional<std::string> FormatPattern(std::string_view format, bool* digits_only = nullptr);

struct SelectOption {
  int index = 0;      // 1-based, in document order
  std::string value;  // as written
  std::string label;  // the option's text, references unresolved
  std::string group;  // the enclosing optgroup's title, or empty
  std::optional<WmlTask> onpick;
  bool selected = false;
};
struct SelectField {
  bool multiple = false;
  std::vector<SelectOption> options;
};
SelectField DescribeSelect(const MarkupNode& select, const WmlVariables& variables);

// Sets the variables of every input and select of `card` as entry does.
void InitializeFields(const MarkupNode& card, WmlVariables& variables);

// The card's <timer>, or null.
const MarkupNode* FindTimer(const MarkupNode& card);

}  // namespace tovarin::gateway
