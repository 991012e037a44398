#include "gateway/wml_variables.h"

#include <gtest/gtest.h>

#include <string>

#include "gateway/limits.h"
#include "tests/gateway/wml_test_support.h"

namespace tovarin::gateway {
namespace {

using wml_testing::kZhong;

// WML 1.3 section 10.3: "$name", "$(name)", "$(name:conversion)"; "$$" is a dollar sign; a name
// is a letter or '_' then letters, digits and '_'; an unset variable is the empty string.

WmlVariables Variables(std::initializer_list<std::pair<std::string, std::string>> values) {
  WmlVariables variables;
  for (const auto& [name, value] : values) EXPECT_TRUE(variables.Set(name, value)) << name;
  return variables;
}

std::string InText(std::string_view text, const WmlVariables& variables) {
  return SubstituteVariables(text, variables, VariableContext::kText);
}
std::string InAddress(std::string_view text, const WmlVariables& variables) {
  return SubstituteVariables(text, variables, VariableContext::kAddress);
}

TEST(WmlVariables, ReferenceForms) {
  WmlVariables variables = Variables({{"name", "Ann"}, {"n2", "two"}, {"_x", "under"}});
  EXPECT_EQ(InText("Hi $(name)!", variables), "Hi Ann!");
  EXPECT_EQ(InText("Hi $name!", variables), "Hi Ann!");
  EXPECT_EQ(InText("$n2/$_x", variables), "two/under");
  EXPECT_EQ(InText("$(name)$(name)", variables), "AnnAnn");
  // Without parentheses the name runs as far as name characters go.
  EXPECT_EQ(InText("$names", variables), "");
  EXPECT_EQ(InText("$name.", variables), "Ann.");
  // Names are case-sensitive.
  EXPECT_EQ(InText("[$(Name)]", variables), "[]");
}

TEST(WmlVariables, UnsetIsEmpty) {
  WmlVariables variables;
  EXPECT_EQ(InText("[$(nothing)][$nothing][$(nothing:e)]", variables), "[][][]");
  EXPECT_EQ(InAddress("a.wml?q=$(nothing)", variables), "a.wml?q=");
}

TEST(WmlVariables, DoubleDollarIsOneDollar) {
  WmlVariables variables = Variables({{"name", "Ann"}});
  EXPECT_EQ(InText("costs $$10", variables), "costs $10");
  EXPECT_EQ(InText("$$(name) is $(name)", variables), "$(name) is Ann");
  EXPECT_EQ(InText("$$$$", variables), "$$");
  EXPECT_EQ(InAddress("x?p=$$", variables), "x?p=$");
}

TEST(WmlVariables, DollarStartingNoReferenceIsKept) {
  WmlVariables variables = Variables({{"name", "Ann"}});
  EXPECT_EQ(InText("costs $5", variables), "costs $5");
  EXPECT_EQ(InText("a $ b", variables), "a $ b");
  EXPECT_EQ(InText("end $", variables), "end $");
  EXPECT_EQ(InText("$(1abc) $(a-b) $() $(name", variables), "$(1abc) $(a-b) $() $(name");
  EXPECT_EQ(InText("$(name:zz)", variables), "$(name:zz)");
}

TEST(WmlVariables, EscapeConversion) {
  WmlVariables variables = Variables({{"q", "a b&c=d%e"}, {"zh", std::string(kZhong)}});
  EXPECT_EQ(InText("$(q:e)", variables), "a%20b%26c%3Dd%25e");
  EXPECT_EQ(InText("$(q:escape)", variables), "a%20b%26c%3Dd%25e");
  // The value is escaped as UTF-8 bytes, or in the deck's charset when it has one.
  EXPECT_EQ(InText("$(zh:e)", variables), "%E4%B8%AD");
  EXPECT_EQ(SubstituteVariables("$(zh:e)", variables, VariableContext::kText, "GB2312"), "%D6%D0");
  EXPECT_EQ(EscapeVariableValue(std::string(kZhong), "gbk"), "%D6%D0");
  EXPECT_EQ(EscapeVariableValue(std::string(kZhong), ""), "%E4%B8%AD");
}

TEST(WmlVariables, NoEscapeConversion) {
  WmlVariables variables = Variables({{"q", "a b&c"}});
  EXPECT_EQ(InAddress("x?q=$(q:n)", variables), "x?q=a b&c");
  EXPECT_EQ(InAddress("x?q=$(q:noesc)", variables), "x?q=a b&c");
}

TEST(WmlVariables, UnescapeConversion) {
  WmlVariables variables = Variables({{"q", "a%20b%26c"}});
  EXPECT_EQ(InText("$(q:u)", variables), "a b&c");
  EXPECT_EQ(InText("$(q:unesc)", variables), "a b&c");
  EXPECT_EQ(InAddress("$(q:u)", variables), "a b&c");
}

// Without a conversion: escaped in address attributes, as stored everywhere else.
TEST(WmlVariables, DefaultConversionDependsOnTheContext) {
  WmlVariables variables = Variables({{"q", "a b&c"}});
  EXPECT_EQ(InAddress("s.wml?q=$(q)", variables), "s.wml?q=a%20b%26c");
  EXPECT_EQ(InAddress("s.wml?q=$q", variables), "s.wml?q=a%20b%26c");
  EXPECT_EQ(InText("You said $(q)", variables), "You said a b&c");
}

// A substituted value is not scanned again.
TEST(WmlVariables, SubstitutionIsOnePass) {
  WmlVariables variables = Variables({{"a", "$(b)"}, {"b", "x"}});
  EXPECT_EQ(InText("$(a)", variables), "$(b)");
}

TEST(WmlVariables, Names) {
  for (const char* name : {"a", "_", "_a1", "Abc_9", "x0"}) EXPECT_TRUE(IsVariableName(name));
  for (const char* name : {"", "1a", "a-b", "a b", "a.b", "$a", "a:e", "\xE4\xB8\xAD"}) {
    EXPECT_FALSE(IsVariableName(name)) << name;
  }
  EXPECT_TRUE(IsVariableName(std::string(kMaxVariableNameBytes, 'n')));
  EXPECT_FALSE(IsVariableName(std::string(kMaxVariableNameBytes + 1, 'n')));

  WmlVariables variables;
  EXPECT_FALSE(variables.Set("1a", "x"));
  EXPECT_FALSE(variables.Set("", "x"));
  EXPECT_EQ(variables.size(), 0u);
}

TEST(WmlVariables, SetGetAndUnset) {
  WmlVariables variables;
  EXPECT_FALSE(variables.Has("city"));
  EXPECT_EQ(variables.Get("city"), "");
  EXPECT_TRUE(variables.Set("city", "Paris"));
  EXPECT_TRUE(variables.Has("city"));
  EXPECT_EQ(variables.Get("city"), "Paris");
  EXPECT_TRUE(variables.Set("city", "Rome"));
  EXPECT_EQ(variables.Get("city"), "Rome");
  EXPECT_EQ(variables.size(), 1u);
  // Setting the empty string unsets.
  EXPECT_TRUE(variables.Set("city", ""));
  EXPECT_FALSE(variables.Has("city"));
  EXPECT_EQ(variables.size(), 0u);
}

TEST(WmlVariables, ValueSizeLimit) {
  WmlVariables variables;
  const std::string longest(kMaxVariableValueBytes, 'v');
  EXPECT_TRUE(variables.Set("long", longest));
  EXPECT_EQ(variables.Get("long"), longest);
  EXPECT_FALSE(variables.Set("long", longest + "v"));
  EXPECT_EQ(variables.Get("long"), longest);  // the refused value changed nothing
  EXPECT_FALSE(variables.Set("other", longest + "v"));
  EXPECT_FALSE(variables.Has("other"));
}

TEST(WmlVariables, CountLimit) {
  WmlVariables variables;
  for (std::size_t i = 0; i < kMaxVariables; ++i) {
    ASSERT_TRUE(variables.Set("v" + std::to_string(i), "x")) << i;
  }
  EXPECT_EQ(variables.size(), kMaxVariables);
  EXPECT_FALSE(variables.Set("one_more", "x"));
  EXPECT_FALSE(variables.Has("one_more"));
  // A variable already there can still change; one freed makes room for another.
  EXPECT_TRUE(variables.Set("v0", "changed"));
  EXPECT_EQ(variables.Get("v0"), "changed");
  EXPECT_TRUE(variables.Set("v1", ""));
  EXPECT_TRUE(variables.Set("one_more", "x"));
  EXPECT_EQ(variables.size(), kMaxVariables);
}

TEST(WmlVariables, HasVariableReference) {
  EXPECT_TRUE(HasVariableReference("a.wml?q=$(q)"));
  EXPECT_TRUE(HasVariableReference("$q"));
  EXPECT_TRUE(HasVariableReference("$$ and $(q:e)"));
  EXPECT_FALSE(HasVariableReference("costs $5"));
  EXPECT_FALSE(HasVariableReference("$$"));
  EXPECT_FALSE(HasVariableReference("$$q"));
  EXPECT_FALSE(HasVariableReference("$(1q) $(q:zz) $"));
  EXPECT_FALSE(HasVariableReference("plain"));
}

}  // namespace
}  // namespace tovarin::gateway

namespace tovarin::gateway {
namespace {

TEST(WmlQueryCharset, QueryInTheDeckCharsetPathAndFragmentLeftAlone) {
  // 中 U+4E2D: GBK D6 D0, Big5 A4 A4, UTF-8 E4 B8 AD. Only the query is converted.
  EXPECT_EQ(EncodeQueryInCharset("/中/a?q=中&r=1#中", "gb2312"), "/中/a?q=%D6%D0&r=1#中");
  EXPECT_EQ(EncodeQueryInCharset("a?q=中", "big5"), "a?q=%A4%A4");
  // A character the charset cannot hold goes as its reference "&#3585;" (Thai ก), escaped.
  EXPECT_EQ(EncodeQueryInCharset("a?q=\xE0\xB8\x81", "big5"), "a?q=%26%233585%3B");
  // No query, UTF-8, no or an unknown charset: unchanged (resolution escapes it in UTF-8).
  EXPECT_EQ(EncodeQueryInCharset("/中", "gbk"), "/中");
  EXPECT_EQ(EncodeQueryInCharset("a?q=中", "UTF-8"), "a?q=中");
  EXPECT_EQ(EncodeQueryInCharset("a?q=中", ""), "a?q=中");
  EXPECT_EQ(EncodeQueryInCharset("a?q=中", "x-martian"), "a?q=中");
}

}  // namespace
}  // namespace tovarin::gateway
