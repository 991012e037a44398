// Fields: WML 1.3 sections 11.6 (select, option, optgroup; the default choice in 11.6.2.1),
// 11.8 (input: type, value, format, emptyok, size, maxlength, title) and how a card with
// fields travels as one HTML form (wml_task.h): "v.name" for an input, "s.name.iname" with
// "INDEX:VALUE" for a select.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "gateway/wml_form_fields.h"
#include "tests/gateway/fake_service_links.h"
#include "tests/gateway/wml_test_support.h"

namespace tovarin::gateway {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::Pair;
using namespace wml_testing;

constexpr std::string_view kFields = "fields.wml";

std::optional<HtmlElement> Named(const std::vector<HtmlElement>& elements, std::string_view name) {
  for (const HtmlElement& element : elements) {
    if (element.Attribute("name") == name) return element;
  }
  return std::nullopt;
}

struct ShownOption {
  std::string value;
  std::string text;
  bool selected;
  bool operator==(const ShownOption&) const = default;
};
void PrintTo(const ShownOption& option, std::ostream* out) {
  *out << option.value << " \"" << option.text << "\"" << (option.selected ? " selected" : "");
}

std::vector<ShownOption> OptionsOf(const HtmlElement& select) {
  std::vector<ShownOption> options;
  for (const HtmlElement& option : FindElements(select.inner_html, "option")) {
    options.push_back({option.Attribute("value"), option.Text(), option.Has("selected")});
  }
  return options;
}

// ---- The form a card with fields becomes ---------------------------------------------------

TEST(WmlFields, CardWithFieldsIsOneFormToTheService) {
  WmlContext context;
  std::string html = RenderSampleHtml(kFields, "form", context);
  std::vector<HtmlElement> forms = FindElements(html, "form");
  ASSERT_EQ(forms.size(), 1u);
  EXPECT_EQ(forms[0].Attribute("method"), "post");
  EXPECT_EQ(forms[0].Attribute("action"), FakeServiceLinks::kTaskAction);
  std::optional<HtmlElement> deck =
      Named(FindElements(html, "input"), FakeServiceLinks::kDeckField);
  ASSERT_TRUE(deck.has_value());
  EXPECT_EQ(deck->Attribute("type"), "hidden");
  EXPECT_EQ(deck->Attribute("value"), SampleUrl(kFields, "form"));
}

TEST(WmlFields, TextInput) {
  WmlContext context;
  std::string html = RenderSampleHtml(kFields, "form", context);
  std::optional<HtmlElement> input = Named(FindElements(html, "input"), "v.name");
  ASSERT_TRUE(input.has_value()) << html;
  EXPECT_EQ(input->Attribute("type"), "text");
  EXPECT_EQ(input->Attribute("value"), "Anon");
  EXPECT_EQ(input->Attribute("maxlength"), "20");
  EXPECT_EQ(input->Attribute("size"), "12");
  EXPECT_FALSE(input->Has("required"));
  EXPECT_FALSE(input->Has("pattern"));
  EXPECT_THAT(VisibleText(Body(html)), HasSubstr("Your name"));
}

TEST(WmlFields, PasswordInputWithFormatAndEmptyOkFalse) {
  WmlContext context;
  std::string html = RenderSampleHtml(kFields, "form", context);
  std::optional<HtmlElement> pin = Named(FindElements(html, "input"), "v.pin");
  ASSERT_TRUE(pin.has_value());
  EXPECT_EQ(pin->Attribute("type"), "password");
  EXPECT_EQ(pin->Attribute("pattern"), "[0-9][0-9][0-9][0-9]");
  EXPECT_TRUE(pin->Has("required"));
  EXPECT_EQ(pin->Attribute("value"), "");
  std::optional<HtmlElement> count = Named(FindElements(html, "input"), "v.count");
  ASSERT_TRUE(count.has_value());
  EXPECT_EQ(count->Attribute("pattern"), "[0-9]*");
  EXPECT_FALSE(count->Has("required"));
}

TEST(WmlFields, SelectWithGroups) {
  WmlContext context;
  std::string html = RenderSampleHtml(kFields, "form", context);
  std::optional<HtmlElement> city = Named(FindElements(html, "select"), "s.city.city_index");
  ASSERT_TRUE(city.has_value()) << html;
  EXPECT_FALSE(city->Has("multiple"));
  // Single choice with no default: the first option.
  EXPECT_THAT(OptionsOf(*city), ElementsAre(ShownOption{"1:bj", "Beijing", true},
                                            ShownOption{"2:sy", "Shenyang", false},
                                            ShownOption{"3:gz", "Guangzhou", false}));
  std::vector<HtmlElement> groups = FindElements(city->inner_html, "optgroup");
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_EQ(groups[0].Attribute("label"), "North");
  EXPECT_THAT(groups[0].inner_html, HasSubstr("Shenyang"));
  EXPECT_EQ(groups[1].Attribute("label"), "South");
  EXPECT_THAT(groups[1].inner_html, HasSubstr("Guangzhou"));
  EXPECT_THAT(VisibleText(Body(html)), HasSubstr("City"));
}

TEST(WmlFields, MultipleSelectWithDefaultValues) {
  WmlContext context;
  std::string html = RenderSampleHtml(kFields, "form", context);
  std::optional<HtmlElement> tags = Named(FindElements(html, "select"), "s.tags.");
  ASSERT_TRUE(tags.has_value()) << html;
  EXPECT_TRUE(tags->Has("multiple"));
  EXPECT_THAT(OptionsOf(*tags),
              ElementsAre(ShownOption{"1:a", "Apples", false}, ShownOption{"2:b", "Bananas", true},
                          ShownOption{"3:c", "Cherries", true}));
}

TEST(WmlFields, EntrySetsTheFieldVariables) {
  WmlContext context;
  RenderSampleHtml(kFields, "form", context);
  EXPECT_EQ(context.variables.Get("name"), "Anon");
  EXPECT_FALSE(context.variables.Has("pin"));
  EXPECT_EQ(context.variables.Get("city"), "bj");
  EXPECT_EQ(context.variables.Get("city_index"), "1");
  EXPECT_EQ(context.variables.Get("tags"), "b;c");
}

TEST(WmlFields, VariablesAlreadySetAreKeptAndShown) {
  WmlContext context;
  ASSERT_TRUE(context.variables.Set("name", "Zed"));
  ASSERT_TRUE(context.variables.Set("city", "gz"));
  ASSERT_TRUE(context.variables.Set("tags", "a"));
  std::string html = RenderSampleHtml(kFields, "form", context);
  std::optional<HtmlElement> name = Named(FindElements(html, "input"), "v.name");
  ASSERT_TRUE(name.has_value());
  EXPECT_EQ(name->Attribute("value"), "Zed");
  std::optional<HtmlElement> city = Named(FindElements(html, "select"), "s.city.city_index");
  ASSERT_TRUE(city.has_value());
  EXPECT_TRUE(OptionsOf(*city)[2].selected);
  EXPECT_FALSE(OptionsOf(*city)[0].selected);
  EXPECT_EQ(context.variables.Get("name"), "Zed");
  EXPECT_EQ(context.variables.Get("city_index"), "3");
  EXPECT_EQ(context.variables.Get("tags"), "a");
}

// What the user typed and chose becomes variables, which the next card shows.
TEST(WmlFields, SubmittedCardSetsTheVariablesTheNextCardShows) {
  WmlContext context;
  std::string html = RenderSampleHtml(kFields, "form", context);
  std::vector<HtmlElement> keys = FindElementsOfClass(html, "button", "wml-softkey");
  const HtmlElement* send = nullptr;
  for (const HtmlElement& key : keys) {
    if (key.Text() == "Send") send = &key;
  }
  ASSERT_NE(send, nullptr) << html;

  std::vector<std::pair<std::string, std::string>> fields = {
      {"deck", SampleUrl(kFields, "form")},
      {"v.name", "Li Lei"},
      {"v.pin", "1234"},
      {"s.city.city_index", "3:gz"},
      {"s.tags.", "1:a"},
      {"s.tags.", "3:c"},
      {send->Attribute("name"), send->Attribute("value")}};
  platform::Result<Navigation> navigation =
      ResolveTaskSubmission(fields, SampleUrl(kFields, "form"), context);
  ASSERT_TRUE(navigation.ok()) << navigation.error();
  EXPECT_EQ(navigation->kind, Navigation::Kind::kGo);
  EXPECT_EQ(navigation->url, SampleUrl(kFields, "result"));

  std::string next = RenderSampleHtml(kFields, "result", context);
  EXPECT_THAT(VisibleText(Body(next)), HasSubstr("Hello Li Lei from gz (choice 3), tags a;c."));
}

// Enter in a field presses the card's accept key.
TEST(WmlFields, EnterSubmitsTheAcceptKey) {
  WmlContext context;
  std::string html = RenderSampleHtml(kFields, "form", context);
  std::vector<HtmlElement> buttons = FindElements(html, "button");
  ASSERT_FALSE(buttons.empty());
  std::optional<WmlTask> first = TaskOfControl(buttons[0]);
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(first->kind, WmlTask::Kind::kGo);
  EXPECT_EQ(first->href, "#result");
}

TEST(WmlFields, OptionsWithOnPickAreLinks) {
  WmlContext context;
  std::string html = RenderSampleHtml(kFields, "menu", context);
  EXPECT_THAT(html, Not(HasSubstr("<select")));  // nothing left to choose from
  std::vector<HtmlElement> picks = FindElementsOfClass(html, "span", "wml-pick");
  ASSERT_EQ(picks.size(), 2u) << html;
  std::vector<HtmlElement> news = FindElements(picks[0].inner_html, "button");
  ASSERT_EQ(news.size(), 1u);
  EXPECT_EQ(news[0].Text(), "News");
  std::optional<WmlTask> news_task = TaskOfControl(news[0]);
  ASSERT_TRUE(news_task.has_value());
  EXPECT_EQ(news_task->kind, WmlTask::Kind::kGo);
  EXPECT_EQ(news_task->href, "news.wml");

  std::vector<HtmlElement> search = FindElements(picks[1].inner_html, "button");
  ASSERT_EQ(search.size(), 1u);
  EXPECT_THAT(search[0].Text(), HasSubstr("Search"));
  std::optional<WmlTask> search_task = TaskOfControl(search[0]);
  ASSERT_TRUE(search_task.has_value());
  EXPECT_TRUE(search_task->post);
  EXPECT_THAT(search_task->postfields, ElementsAre(Pair("q", "$(query)")));
  EXPECT_THAT(VisibleText(Body(html)), HasSubstr("Go to"));
}

// An onpick task has no accept-charset: the deck's charset, like every other go.
TEST(WmlFields, OnPickTasksSendTheDecksCharset) {
  WmlContext context;
  WmlRenderResult result =
      RenderSample(kFields, "menu", context, EntryDirection::kForward, "GB2312");
  std::vector<HtmlElement> picks = FindElementsOfClass(result.html, "span", "wml-pick");
  ASSERT_EQ(picks.size(), 2u);
  std::vector<HtmlElement> search = FindElements(picks[1].inner_html, "button");
  ASSERT_EQ(search.size(), 1u);
  std::optional<WmlTask> task = TaskOfControl(search[0]);
  ASSERT_TRUE(task.has_value());
  EXPECT_EQ(task->charset, "GB2312");

  ASSERT_TRUE(context.variables.Set("query", std::string(kZhong)));
  platform::Result<Navigation> navigation =
      StartTask(task.value(), SampleUrl(kFields, "menu"), context);
  ASSERT_TRUE(navigation.ok());
  EXPECT_THAT(DecodeQuery(navigation->body), ElementsAre(Pair("q", "\xD6\xD0")));
}

// ---- The default choice of a select (WML 1.3 section 11.6.2.1) ---------------------------

std::vector<int> DefaultChoice(std::string_view select_attributes, const WmlVariables& variables) {
  ParsedDeck deck = MustParse("<wml><card><p><select " + std::string(select_attributes) +
                              "><option value=\"a\">A</option><option value=\"b\">B</option>"
                              "<option value=\"c\">C</option></select></p></card></wml>");
  const MarkupNode* select = FindFirst(deck.root, "select");
  EXPECT_NE(select, nullptr);
  std::vector<int> chosen;
  if (!select) return chosen;
  for (const SelectOption& option : DescribeSelect(*select, variables).options) {
    if (option.selected) chosen.push_back(option.index);
  }
  return chosen;
}

WmlVariables Variables(std::initializer_list<std::pair<std::string, std::string>> values) {
  WmlVariables variables;
  for (const auto& [name, value] : values) EXPECT_TRUE(variables.Set(name, value));
  return variables;
}

constexpr std::string_view kAllDefaults = "name=\"n\" iname=\"i\" value=\"a\" ivalue=\"3\"";

TEST(WmlFields, DefaultChoiceFromTheIndexVariableFirst) {
  EXPECT_THAT(DefaultChoice(kAllDefaults, Variables({{"i", "2"}, {"n", "a"}})), ElementsAre(2));
}

TEST(WmlFields, DefaultChoiceSkipsAnInvalidIndexVariable) {
  EXPECT_THAT(DefaultChoice(kAllDefaults, Variables({{"i", "9"}, {"n", "a"}})), ElementsAre(3));
  EXPECT_THAT(DefaultChoice(kAllDefaults, Variables({{"i", "x"}})), ElementsAre(3));
}

TEST(WmlFields, DefaultChoiceFromIvalueBeforeTheNameVariable) {
  EXPECT_THAT(DefaultChoice(kAllDefaults, Variables({{"n", "a"}})), ElementsAre(3));
}

TEST(WmlFields, DefaultChoiceFromTheNameVariableBeforeValue) {
  EXPECT_THAT(DefaultChoice("name=\"n\" value=\"c\"", Variables({{"n", "b"}})), ElementsAre(2));
  // A value no option has falls through to the value attribute.
  EXPECT_THAT(DefaultChoice("name=\"n\" value=\"c\"", Variables({{"n", "zzz"}})), ElementsAre(3));
}

TEST(WmlFields, DefaultChoiceFromValue) {
  EXPECT_THAT(DefaultChoice("name=\"n\" value=\"b\"", {}), ElementsAre(2));
}

TEST(WmlFields, DefaultChoiceWithNothingGiven) {
  EXPECT_THAT(DefaultChoice("name=\"n\"", {}), ElementsAre(1));
  EXPECT_THAT(DefaultChoice("name=\"n\" multiple=\"true\"", {}), IsEmpty());
}

TEST(WmlFields, DefaultChoiceOfAMultipleSelectIsAList) {
  EXPECT_THAT(DefaultChoice("iname=\"i\" multiple=\"true\" ivalue=\"1;3\"", {}), ElementsAre(1, 3));
  EXPECT_THAT(DefaultChoice("name=\"n\" multiple=\"true\"", Variables({{"n", "a;c"}})),
              ElementsAre(1, 3));
  EXPECT_THAT(DefaultChoice("name=\"n\" multiple=\"true\" value=\"b;c\"", {}), ElementsAre(2, 3));
}

TEST(WmlFields, EntrySetsBothSelectVariables) {
  ParsedDeck deck = MustParse(
      "<wml><card><p><select name=\"n\" iname=\"i\"><option value=\"a\">A</option>"
      "<option value=\"b\">B</option></select><select name=\"m\" iname=\"j\" multiple=\"true\" "
      "ivalue=\"1;2\"><option value=\"x\">X</option><option value=\"y\">Y</option></select>"
      "<input name=\"greeting\" value=\"Hi $(who)\"/><input name=\"kept\" value=\"default\"/>"
      "</p></card></wml>");
  WmlVariables variables = Variables({{"n", "b"}, {"who", "Ann"}, {"kept", "mine"}});
  InitializeFields(deck.root, variables);
  EXPECT_EQ(variables.Get("n"), "b");
  EXPECT_EQ(variables.Get("i"), "2");
  EXPECT_EQ(variables.Get("m"), "x;y");
  EXPECT_EQ(variables.Get("j"), "1;2");
  EXPECT_EQ(variables.Get("greeting"), "Hi Ann");
  EXPECT_EQ(variables.Get("kept"), "mine");
}

// ---- Input formats -------------------------------------------------------------------------

bool FullMatch(const std::string& pattern, const std::string& text) {
  return std::regex_match(text, std::regex(pattern, std::regex::ECMAScript));
}

TEST(WmlFields, FormatPatterns) {
  bool digits = false;
  EXPECT_EQ(FormatPattern("NNN", &digits), "[0-9][0-9][0-9]");
  EXPECT_TRUE(digits);
  EXPECT_EQ(FormatPattern("*N", &digits), "[0-9]*");
  EXPECT_TRUE(digits);
  EXPECT_EQ(FormatPattern("NN*N"), "[0-9][0-9][0-9]*");
  EXPECT_EQ(FormatPattern("3N"), "[0-9]{0,3}");
  FormatPattern("NA", &digits);
  EXPECT_FALSE(digits);
}

TEST(WmlFields, MalformedFormatsTakeAnyText) {
  for (const char* format : {"N*", "*NN", "3NN", "Q", "N\\", "*\\-", "0N"}) {
    EXPECT_EQ(FormatPattern(format), std::nullopt) << format;
  }
  WmlContext context;
  WmlRenderResult result = RenderDeck(
      "<wml><card><p><input name=\"x\" format=\"Q\" "
      "maxlength=\"lots\"/></p></card></wml>",
      SampleUrl("loose.wml"), context);
  std::optional<HtmlElement> input = Named(FindElements(result.html, "input"), "v.x");
  ASSERT_TRUE(input.has_value());
  EXPECT_FALSE(input->Has("pattern"));
  EXPECT_FALSE(input->Has("maxlength"));
}

// The character classes of WML 1.3 section 11.8: A upper case or punctuation, a lower case or
// punctuation, N digit, n digit or punctuation, X upper case, digit or punctuation, x lower
// case, digit or punctuation, M and m anything.
TEST(WmlFields, FormatCodesAcceptTheirCharacters) {
  struct Case {
    const char* format;
    const char* accepted;
    const char* refused;
  };
  for (const Case& c :
       {Case{"A", "QZ!.", "qz07"}, Case{"a", "qz!.", "QZ07"}, Case{"N", "079", "aA!."},
        Case{"n", "07!.", "aAzZ"}, Case{"X", "QZ07!.", "qz"}, Case{"x", "qz07!.", "QZ"},
        Case{"M", "qQ0!", ""}, Case{"m", "qQ0!", ""}}) {
    std::optional<std::string> pattern = FormatPattern(c.format);
    ASSERT_TRUE(pattern.has_value()) << c.format;
    for (const char* p = c.accepted; *p; ++p) {
      EXPECT_TRUE(FullMatch(*pattern, std::string(1, *p))) << c.format << " '" << *p << "'";
    }
    for (const char* p = c.refused; *p; ++p) {
      EXPECT_FALSE(FullMatch(*pattern, std::string(1, *p))) << c.format << " '" << *p << "'";
    }
  }
}

// "\c" shows c itself. The HTML pattern is compiled with the v flag, which allows a backslash
// only before a syntax character (^ $ \ . * + ? ( ) [ ] { } | /): any other literal is written
// as itself, or the browser drops the whole pattern.
TEST(WmlFields, FormatLiterals) {
  std::optional<std::string> phone = FormatPattern("NNN\\-NNNN");
  ASSERT_TRUE(phone.has_value());
  EXPECT_EQ(*phone, "[0-9][0-9][0-9]-[0-9][0-9][0-9][0-9]");
  EXPECT_TRUE(FullMatch(*phone, "123-4567"));
  EXPECT_FALSE(FullMatch(*phone, "1234567"));
  EXPECT_EQ(FormatPattern("N\\.N"), "[0-9]\\.[0-9]");
  EXPECT_EQ(FormatPattern("\\(NNN\\)"), "\\([0-9][0-9][0-9]\\)");
  EXPECT_EQ(FormatPattern("N\\ N\\@"), "[0-9] [0-9]@");
  EXPECT_EQ(FormatPattern("\\" + std::string(kZhong) + "N"), std::string(kZhong) + "[0-9]");
  bool digits = true;
  FormatPattern("N\\-N", &digits);
  EXPECT_FALSE(digits);
}

}  // namespace
}  // namespace tovarin::gateway
