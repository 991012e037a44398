// Resolving the references pages write, as browsers resolve them.
#include "gateway/url.h"

#include <gtest/gtest.h>

namespace tovarin::gateway {
namespace {

constexpr std::string_view kBase = "http://wap.example.cn/bbs/list.asp?p=1";

TEST(UrlResolve, BackslashesInAnHttpPathAreSlashes) {
  EXPECT_EQ(ResolveUrl(kBase, "..\\img\\logo.gif"), "http://wap.example.cn/img/logo.gif");
  EXPECT_EQ(ResolveUrl(kBase, "sub\\page.asp?x=1"), "http://wap.example.cn/bbs/sub/page.asp?x=1");
  EXPECT_EQ(ResolveUrl(kBase, "http://wap.example.cn\\a\\b.wml"), "http://wap.example.cn/a/b.wml");
  // In the query and the fragment a backslash is a character, escaped.
  EXPECT_EQ(ResolveUrl(kBase, "a.asp?dir=c:\\tmp#x\\y"),
            "http://wap.example.cn/bbs/a.asp?dir=c:%5Ctmp#x%5Cy");
  // Only http(s) addresses: another scheme keeps its backslashes (escaped).
  EXPECT_EQ(ResolveUrl(kBase, "foo:a\\b"), "foo:a%5Cb");
}

TEST(UrlResolve, SpacesAndRawBytesAreEscapedNotRefused) {
  EXPECT_EQ(ResolveUrl(kBase, " ch 3.asp?t=a b "), "http://wap.example.cn/bbs/ch%203.asp?t=a%20b");
  // Raw UTF-8 (中 E4 B8 AD) in a path is escaped byte by byte.
  EXPECT_EQ(ResolveUrl(kBase, "/\xE4\xB8\xAD/"), "http://wap.example.cn/%E4%B8%AD/");
}

}  // namespace
}  // namespace tovarin::gateway
