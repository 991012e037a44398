// Access keys derived from captions.

#include "button/access_key.h"

#include <gtest/gtest.h>

namespace tovarin::button {
namespace {

TEST(AccessKey, FirstSingleAmpersandMarksTheKeyInLowerCase) {
  EXPECT_EQ(DeriveAccessKey("&Open"), "o");
  EXPECT_EQ(DeriveAccessKey("Save &As"), "a");
  EXPECT_EQ(DeriveAccessKey("&x&y"), "x");
  EXPECT_EQ(DeriveAccessKey("a&1"), "1");
}

TEST(AccessKey, NoAmpersandOrTooShortGivesNone) {
  EXPECT_EQ(DeriveAccessKey(""), "");
  EXPECT_EQ(DeriveAccessKey("&"), "");
  EXPECT_EQ(DeriveAccessKey("A"), "");
  EXPECT_EQ(DeriveAccessKey("Plain"), "");
}

TEST(AccessKey, TrailingAmpersandGivesNone) {
  EXPECT_EQ(DeriveAccessKey("Save&"), "");
  EXPECT_EQ(DeriveAccessKey("a&"), "");
}

TEST(AccessKey, DoubledAmpersandIsALiteral) {
  EXPECT_EQ(DeriveAccessKey("&&"), "");
  EXPECT_EQ(DeriveAccessKey("Fish && Chips"), "");
  EXPECT_EQ(DeriveAccessKey("a&&b&B"), "b");
  EXPECT_EQ(DeriveAccessKey("&&&x"), "x");
}

TEST(AccessKey, OnlyTwoSearchesAreMade) {
  EXPECT_EQ(DeriveAccessKey("a&&b&&c&D"), "");  // the second "&" found is doubled again
  EXPECT_EQ(DeriveAccessKey("a&&b&"), "");      // the second "&" is the last character
}

TEST(AccessKey, NonAsciiCharactersAreWhole) {
  EXPECT_EQ(DeriveAccessKey("菜单(&M)"), "m");
  EXPECT_EQ(DeriveAccessKey("&菜单"), "菜");
  EXPECT_EQ(DeriveAccessKey("菜"), "");  // one character, three bytes
}

}  // namespace
}  // namespace tovarin::button
