#include "gateway/service/upstream_cookies.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace tovarin::gateway {
namespace {

UpstreamCookies JarOf(std::initializer_list<const char*> set_cookies, const char* url) {
  UpstreamCookies jar;
  for (const char* header : set_cookies) jar.Store(header, url);
  return jar;
}

// ---- Which cookies go where (RFC 6265 matching) ----------------------------------------

TEST(UpstreamCookies, HostOnlyCookieGoesBackToItsHostOnly) {
  const UpstreamCookies jar = JarOf({"id=7"}, "http://wap.example.com/news/today.wml");
  EXPECT_EQ(jar.CookieHeaderFor("http://wap.example.com/news/other.wml"), "id=7");
  EXPECT_EQ(jar.CookieHeaderFor("http://WAP.EXAMPLE.COM/news/"), "id=7");
  EXPECT_EQ(jar.CookieHeaderFor("http://m.wap.example.com/news/"), "");
  EXPECT_EQ(jar.CookieHeaderFor("http://example.com/news/"), "");
  EXPECT_EQ(jar.CookieHeaderFor("http://other.example/news/"), "");
  // Without a Path attribute the path is the page's directory.
  EXPECT_EQ(jar.CookieHeaderFor("http://wap.example.com/"), "");
  EXPECT_EQ(jar.CookieHeaderFor("http://wap.example.com/newsroom"), "");
}

TEST(UpstreamCookies, DomainCookieReachesTheDomainAndItsSubdomains) {
  const UpstreamCookies jar =
      JarOf({"pref=big; Domain=example.com; Path=/"}, "http://wap.example.com/");
  EXPECT_EQ(jar.CookieHeaderFor("http://example.com/a"), "pref=big");
  EXPECT_EQ(jar.CookieHeaderFor("http://m.example.com/b"), "pref=big");
  EXPECT_EQ(jar.CookieHeaderFor("http://notexample.com/"), "");
}

// RFC 2109 let a server fold cookies into one header with commas; a comma starts a new cookie
// only where "name=" follows it.
TEST(UpstreamCookies, CookiesFoldedIntoOneHeaderAreEachKept) {
  const UpstreamCookies jar =
      JarOf({"a=1; Path=/, b=2; expires=Wednesday, 31-Dec-2036 23:59:59 GMT; Path=/,c=3; Path=/"},
            "http://wap.example.com/");
  EXPECT_EQ(jar.CookieHeaderFor("http://wap.example.com/"), "a=1; b=2; c=3");
}

TEST(UpstreamCookies, CommasThatStartNoCookieStayInTheCookie) {
  const UpstreamCookies jar =
      JarOf({"list=x,y; Path=/", "when=1; expires=Fri, 31-Dec-2036 23:59:59 GMT; Path=/"},
            "http://wap.example.com/");
  EXPECT_EQ(jar.CookieHeaderFor("http://wap.example.com/"), "list=x,y; when=1");
}

TEST(UpstreamCookies, OldNetscapeDatesExpireAndKeep) {
  const UpstreamCookies jar = JarOf({"keep=1; expires=Wednesday, 31-Dec-36 23:59:59 GMT; path=/",
                                     "gone=1; expires=Wednesday, 09-Nov-99 23:12:40 GMT; path=/"},
                                    "http://wap.example.com/");
  EXPECT_EQ(jar.CookieHeaderFor("http://wap.example.com/"), "keep=1");
}

TEST(UpstreamCookies, CookiesForOtherSitesOrPublicSuffixesAreIgnored) {
  UpstreamCookies jar;
  jar.Store("a=1; Domain=other.com", "http://wap.example.com/");
  jar.Store("b=2; Domain=com.cn", "http://wap.example.com.cn/");
  jar.Store("c=3; Domain=co.uk", "http://shop.example.co.uk/");
  jar.Store("; Path=/", "http://wap.example.com/");  // neither name nor value
  jar.Store("d=4", "not an address");
  EXPECT_EQ(jar.size(), 0u);
  EXPECT_EQ(jar.Serialize(), "");
}

TEST(UpstreamCookies, LongerPathsComeFirstThenOlderCookies) {
  const UpstreamCookies jar =
      JarOf({"a=1; Path=/", "b=2; Path=/shop", "c=3; Path=/", "d=4; Path=/shop/cart"},
            "http://wap.example.com/");
  EXPECT_EQ(jar.CookieHeaderFor("http://wap.example.com/shop/cart/view"), "d=4; b=2; a=1; c=3");
  EXPECT_EQ(jar.CookieHeaderFor("http://wap.example.com/shop"), "b=2; a=1; c=3");
  EXPECT_EQ(jar.CookieHeaderFor("http://wap.example.com/shopping"), "a=1; c=3");
}

TEST(UpstreamCookies, SecureCookiesOnlyOverHttps) {
  const UpstreamCookies jar =
      JarOf({"s=1; Secure; Path=/", "p=2; Path=/"}, "https://wap.example.com/");
  EXPECT_EQ(jar.CookieHeaderFor("https://wap.example.com/"), "s=1; p=2");
  EXPECT_EQ(jar.CookieHeaderFor("http://wap.example.com/"), "p=2");
}

TEST(UpstreamCookies, SettingAgainReplacesAndExpiringDeletes) {
  UpstreamCookies jar = JarOf({"a=1; Path=/", "b=2; Path=/"}, "http://wap.example.com/");
  jar.Store("a=changed; Path=/", "http://wap.example.com/");
  EXPECT_EQ(jar.CookieHeaderFor("http://wap.example.com/"), "b=2; a=changed");
  jar.Store("b=; Path=/; Max-Age=0", "http://wap.example.com/");
  EXPECT_EQ(jar.CookieHeaderFor("http://wap.example.com/"), "a=changed");
  jar.Store("a=x; Path=/; Expires=Thu, 01 Jan 1970 00:00:01 GMT", "http://wap.example.com/");
  EXPECT_EQ(jar.CookieHeaderFor("http://wap.example.com/"), "");
  EXPECT_EQ(jar.size(), 0u);
}

// ---- The serialized jar ------------------------------------------------------------------

TEST(UpstreamCookies, SerializedRecordsFollowTheDocumentedLayout) {
  const UpstreamCookies jar = JarOf(
      {"id=7; Path=/", "n a=v;x; Path=/a b; Secure; HttpOnly", "tk=q; Domain=example.com; Path=/"},
      "https://wap.example.com/");
  // domain:path:expires:flags:name:value, percent-encoded, '|' between records, oldest first.
  EXPECT_EQ(jar.Serialize(),
            "wap.example.com:%2F:::id:7|"
            "wap.example.com:%2Fa%20b::sh:n%20a:v|"
            ".example.com:%2F:::tk:q");
}

TEST(UpstreamCookies, ExpiryIsKeptInUnixSeconds) {
  const UpstreamCookies jar =
      JarOf({"a=1; Path=/; Expires=someday", "b=2; Path=/; Expires=Fri, 01 Jan 2100 00:00:00 GMT"},
            "http://wap.example.com/");
  // 2100-01-01T00:00:00Z is 4102444800 seconds after the epoch; the malformed date is ignored
  // (a session cookie).
  EXPECT_EQ(jar.Serialize(), "wap.example.com:%2F:::a:1|wap.example.com:%2F:4102444800::b:2");
}

TEST(UpstreamCookies, ParseReadsWhatSerializeWrote) {
  const UpstreamCookies original =
      JarOf({"a=1; Path=/", "b=x%y; Path=/deep; Secure",
             "c=3; Domain=example.com; Path=/; Max-Age=3600", "=nameless; Path=/"},
            "https://wap.example.com/deep/page");
  const std::string text = original.Serialize();
  const UpstreamCookies copy = UpstreamCookies::Parse(text);
  EXPECT_EQ(copy.size(), 4u);
  EXPECT_EQ(copy.Serialize(), text);
  for (const char* url :
       {"https://wap.example.com/deep/x", "http://wap.example.com/", "https://m.example.com/"}) {
    EXPECT_EQ(copy.CookieHeaderFor(url), original.CookieHeaderFor(url)) << url;
  }
  EXPECT_EQ(copy.CookieHeaderFor("https://wap.example.com/deep/x"), "b=x%y; a=1; c=3; nameless");
  // Only bytes that travel anywhere unchanged.
  EXPECT_EQ(text.find_first_not_of(
                "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~%:|"),
            std::string::npos);
}

TEST(UpstreamCookies, SerializedJarKeepsTheNewestWithinTheBound) {
  UpstreamCookies jar;
  for (int i = 0; i < 100; ++i) {
    jar.Store("k" + std::to_string(i) + "=" + std::string(40, 'v') + "; Path=/",
              "http://wap.example.com/");
  }
  const std::string text = jar.Serialize();
  EXPECT_LE(text.size(), kMaxCookieJarBytes);
  // Each record is "wap.example.com:%2F:::kNN:" + 40 bytes = 66 bytes, plus '|' between:
  // 3072 bytes hold 46 of them (46 * 67 - 1 = 3081 does not fit; 45 * 67 - 1 = 3014 does).
  const UpstreamCookies kept = UpstreamCookies::Parse(text);
  EXPECT_EQ(kept.size(), 45u);
  const std::string header = kept.CookieHeaderFor("http://wap.example.com/");
  EXPECT_EQ(header.find("k54="), std::string::npos);
  EXPECT_EQ(header.rfind("k55=", 0), 0u) << header;
  EXPECT_NE(header.find("k99="), std::string::npos);
}

TEST(UpstreamCookies, ACookieTooLargeForTheJarIsLeftOutAlone) {
  UpstreamCookies jar;
  jar.Store("small=1; Path=/", "http://wap.example.com/");
  jar.Store("huge=" + std::string(3500, 'h') + "; Path=/", "http://wap.example.com/");
  jar.Store("later=2; Path=/", "http://wap.example.com/");
  EXPECT_EQ(jar.Serialize(), "wap.example.com:%2F:::small:1|wap.example.com:%2F:::later:2");
  EXPECT_EQ(jar.Serialize(30), "wap.example.com:%2F:::later:2");
  EXPECT_EQ(jar.Serialize(10), "");
}

TEST(UpstreamCookies, MalformedTextIsAnEmptyJar) {
  const std::string valid = "wap.example.com:%2F:::id:7";
  ASSERT_EQ(UpstreamCookies::Parse(valid).size(), 1u);
  const std::string malformed[] = {
      "garbage",
      "wap.example.com:%2F:::id",          // five fields
      "wap.example.com:%2F:::id:7:extra",  // seven fields
      valid + "|",                         // empty record
      "wap.example.com:%2F:::id:%G7",      // broken escape
      "wap.example.com:%2F:::id:%7",       // cut escape
      "wap.example.com:/:::id:7",          // unescaped reserved byte
      "wap.example.com:%2F:soon::id:7",    // expiry not a number
      "wap.example.com:%2F:99999999999999999::id:7",
      "wap.example.com:%2F::x:id:7",                       // unknown flag
      ":%2F:::id:7",                                       // no domain
      "wap.example.com:path:::id:7",                       // path not starting with '/'
      "wap.example.com:%2F:::id:a%3Bb",                    // ';' would end the Cookie header
      "wap.example.com:%2F:::id:a%0D%0AX-Evil%3A%201",     // header injection
      "wap.example.com:%2F:::i%3Dd:7",                     // '=' in a name
      valid + "|" + std::string(kMaxCookieJarBytes, 'a'),  // longer than any jar written
  };
  for (const std::string& text : malformed) {
    const UpstreamCookies jar = UpstreamCookies::Parse(text);
    EXPECT_EQ(jar.size(), 0u) << text;
    EXPECT_EQ(jar.Serialize(), "") << text;
  }
}

TEST(UpstreamCookies, ArbitraryBytesNeverCrashTheParser) {
  // A fixed pseudo-random sequence, so a failure repeats.
  std::uint32_t state = 12345;
  auto next = [&] { return state = state * 1103515245u + 12345u; };
  const std::string alphabet = "ab.:|%2F0h;= \x01\xff";
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    const std::size_t length = next() % 80;
    for (std::size_t i = 0; i < length; ++i) text += alphabet[next() % alphabet.size()];
    const UpstreamCookies jar = UpstreamCookies::Parse(text);
    const std::string again = jar.Serialize();
    EXPECT_LE(again.size(), kMaxCookieJarBytes);
    EXPECT_EQ(UpstreamCookies::Parse(again).Serialize(), again) << text;
  }
}

}  // namespace
}  // namespace tovarin::gateway
