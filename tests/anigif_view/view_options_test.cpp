// anigif-view's command line: FILE [--stretch N] [--size WxH].
#include "tools/anigif-view/view_options.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace tovarin::tools {
namespace {

platform::Result<ViewOptions> Parse(std::vector<std::string_view> args) {
  return ParseViewOptions(args);
}

TEST(ViewOptions, FileAloneTakesFitStretchAndTheImageSize) {
  const auto options = Parse({"anim.gif"});
  ASSERT_TRUE(options.ok()) << options.error();
  EXPECT_EQ(options->file, "anim.gif");
  EXPECT_EQ(options->stretch, 1);
  EXPECT_FALSE(options->size.has_value());
  EXPECT_FALSE(options->help);
}

TEST(ViewOptions, StretchAndSizeInAnyOrder) {
  const auto options = Parse({"--size", "120x30", "a.gif", "--stretch", "2"});
  ASSERT_TRUE(options.ok()) << options.error();
  EXPECT_EQ(options->file, "a.gif");
  EXPECT_EQ(options->stretch, 2);
  ASSERT_TRUE(options->size.has_value());
  EXPECT_EQ(*options->size, (platform::Size{120, 30}));
  const auto upper = Parse({"a.gif", "--size", "7X9"});
  ASSERT_TRUE(upper.ok()) << upper.error();
  EXPECT_EQ(*upper->size, (platform::Size{7, 9}));
}

TEST(ViewOptions, EveryStretchModeFromZeroToFour) {
  for (int mode = 0; mode <= 4; ++mode) {
    const std::string text = std::to_string(mode);
    const auto options = Parse({"a.gif", "--stretch", text});
    ASSERT_TRUE(options.ok()) << options.error();
    EXPECT_EQ(options->stretch, mode);
  }
}

TEST(ViewOptions, RejectsStretchOutsideItsRangeOrNotANumber) {
  for (std::string_view bad : {"5", "-1", "1.5", "", "one", "2x"}) {
    const auto options = Parse({"a.gif", "--stretch", bad});
    ASSERT_FALSE(options.ok()) << bad;
    EXPECT_NE(options.error().find("--stretch"), std::string::npos) << options.error();
  }
}

TEST(ViewOptions, RejectsMalformedAndOutOfRangeSizes) {
  for (std::string_view bad :
       {"120", "0x10", "10x0", "x10", "10x", "-5x5", "10x10x10", "16385x10", "10 x10", "axb"}) {
    const auto options = Parse({"a.gif", "--size", bad});
    ASSERT_FALSE(options.ok()) << bad;
    EXPECT_NE(options.error().find("--size"), std::string::npos) << options.error();
  }
  const auto largest = Parse({"a.gif", "--size", "16384x16384"});
  ASSERT_TRUE(largest.ok()) << largest.error();
  EXPECT_EQ(*largest->size, (platform::Size{16384, 16384}));
}

TEST(ViewOptions, OptionWithoutItsValue) {
  const auto stretch = Parse({"a.gif", "--stretch"});
  ASSERT_FALSE(stretch.ok());
  EXPECT_EQ(stretch.error(), "--stretch needs a value");
  const auto size = Parse({"a.gif", "--size"});
  ASSERT_FALSE(size.ok());
  EXPECT_EQ(size.error(), "--size needs a value");
}

TEST(ViewOptions, ExactlyOneFile) {
  const auto none = Parse({});
  ASSERT_FALSE(none.ok());
  EXPECT_EQ(none.error(), "no FILE given");
  const auto two = Parse({"a.gif", "b.gif"});
  ASSERT_FALSE(two.ok());
  EXPECT_EQ(two.error(), "only one FILE can be shown");
  const auto only_options = Parse({"--stretch", "2"});
  ASSERT_FALSE(only_options.ok());
  EXPECT_EQ(only_options.error(), "no FILE given");
}

TEST(ViewOptions, UnknownOptionIsNamed) {
  const auto options = Parse({"a.gif", "--loop"});
  ASSERT_FALSE(options.ok());
  EXPECT_EQ(options.error(), "unknown option --loop");
}

TEST(ViewOptions, DoubleDashMakesTheRestFileNames) {
  const auto options = Parse({"--stretch", "0", "--", "-odd.gif"});
  ASSERT_TRUE(options.ok()) << options.error();
  EXPECT_EQ(options->file, "-odd.gif");
  EXPECT_EQ(options->stretch, 0);
  EXPECT_FALSE(Parse({"--", "a.gif", "b.gif"}).ok());
  // A lone dash is a name, not an option.
  const auto dash = Parse({"-"});
  ASSERT_TRUE(dash.ok()) << dash.error();
  EXPECT_EQ(dash->file, "-");
}

TEST(ViewOptions, HelpEndsTheParseWhereItStands) {
  for (std::string_view help : {"--help", "-h"}) {
    // A bad value before it is still reported; after it nothing more is looked at.
    EXPECT_FALSE(Parse({"--stretch", "9", help}).ok());
    const auto first = Parse({help, "--stretch", "9"});
    ASSERT_TRUE(first.ok()) << first.error();
    EXPECT_TRUE(first->help);
  }
  EXPECT_NE(ViewUsage().find("usage: anigif-view FILE [--stretch N] [--size WxH]"),
            std::string::npos);
}

}  // namespace
}  // namespace tovarin::tools
