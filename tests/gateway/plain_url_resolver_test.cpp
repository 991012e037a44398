#include "gateway/plain_url_resolver.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "gateway/url.h"

namespace tovarin::gateway {
namespace {

constexpr std::string_view kBases[] = {
    "http://wap.example.com/news/index.html",
    "http://Wap.Example.COM:8080/a/b/c.php?x=1#f",
    "https://h.example",
    "http://h.example/dir/",
    "http://h.example?q=1",
};

constexpr std::string_view kReferences[] = {
    "http://EXAMPLE.com/a/b?c=d#e",
    "http://x.example",
    "https://x.example:8443/",
    "http://x.example?q",
    "/news/2024/s1.html?src=home&pos=5",
    "pics/a.gif",
    "a.gif?x#y",
    "?q=1",
    "#frag",
    "",
    "a//b",
    "/",
    "x;p=1",
    "~u/(a)!*'",
    "http://x.example#",
    "http://x.example/?",
    // Shapes left to GUri: escapes, dot segments, other schemes and hosts, spaces.
    "http://EXAMPLE.com/a/%7e",
    "/a/./b",
    "/a/../b",
    "a/b/../c",
    ".",
    "..",
    "./a",
    "//other.example/x",
    "HTTP://x.example/",
    "http://u:p@x.example/",
    "http://[::1]/x",
    "/a b",
    "a:b",
    "mailto:x",
    "/a?b#c#d",
    "http://x.example:/",
    "http://../a",
    "/é",
};

// Whatever the fast path answers must be GUri's answer; it may only decline.
TEST(PlainUrlResolver, AgreesWithResolveUrl) {
  for (std::string_view base : kBases) {
    const PlainUrlResolver resolver(base);
    for (std::string_view reference : kReferences) {
      const std::optional<std::string> plain = resolver.Resolve(reference);
      if (plain) {
        EXPECT_EQ(plain, ResolveUrl(base, reference)) << base << " + " << reference;
      }
    }
  }
}

TEST(PlainUrlResolver, JoinsThePlainShapes) {
  const PlainUrlResolver resolver("http://Wap.Example.COM:8080/a/b/c.php?x=1#f");
  EXPECT_EQ(resolver.Resolve("/n/s.html?p=5"), "http://Wap.Example.COM:8080/n/s.html?p=5");
  EXPECT_EQ(resolver.Resolve("pics/a.gif#t"), "http://Wap.Example.COM:8080/a/b/pics/a.gif#t");
  EXPECT_EQ(resolver.Resolve("?y=2"), "http://Wap.Example.COM:8080/a/b/c.php?y=2");
  EXPECT_EQ(resolver.Resolve(""), "http://Wap.Example.COM:8080/a/b/c.php?x=1");
  EXPECT_EQ(resolver.Resolve("https://Other.example/x?y"), "https://Other.example/x?y");
  EXPECT_EQ(PlainUrlResolver("https://h.example").Resolve("a.gif"), "https://h.example/a.gif");
}

TEST(PlainUrlResolver, DeclinesWhatGuriRewrites) {
  const PlainUrlResolver resolver("http://h.example/d/p.html");
  for (std::string_view reference : {"/a/%7e", "a/../b", "./a", "//o.example/", "HTTP://x/", "a b",
                                     "http://u@x.example/", "a:b", "x#y#z"}) {
    EXPECT_EQ(resolver.Resolve(reference), std::nullopt) << reference;
  }
  EXPECT_EQ(PlainUrlResolver("http://h.example/%7e/").Resolve("a"), std::nullopt);
  EXPECT_EQ(PlainUrlResolver("ftp://h.example/").Resolve("a"), std::nullopt);
}

}  // namespace
}  // namespace tovarin::gateway
