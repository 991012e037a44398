// The service's smaller parts on their own: state cookies, the deck cache, the Host allow list,
// form bodies, picture types and the offline start page.

#include <gtest/gtest.h>
#include <libsoup/soup.h>

#include "gateway/image_types.h"
#include "gateway/limits.h"
#include "gateway/service/deck_cache.h"
#include "gateway/service/fetcher.h"
#include "gateway/service/form_body.h"
#include "gateway/service/host_allow_list.h"
#include "gateway/service/service_addresses.h"
#include "gateway/service/start_page.h"
#include "gateway/service/state_cookies.h"
#include "gateway/url.h"
#include "platform/glib/glib_holders.h"

namespace tovarin::gateway {

using platform::glib::GBytesPtr;

namespace {

using namespace std::chrono_literals;

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::shared_ptr<const CachedDeck> Deck(std::string url, std::size_t body_bytes) {
  return std::make_shared<const CachedDeck>(
      CachedDeck{std::move(url), "text/vnd.wap.wml", std::string(body_bytes, 'x')});
}

TEST(GatewayStateCookies, ReadsTheFirstOfEachCookie) {
  StateCookies cookies =
      ReadStateCookies("a=1; tv_ctx=vname=Li&h=http%3A%2F%2Fh%2F ;tv_jar=j%3Ar; tv_ctx=other");
  EXPECT_EQ(cookies.context, "vname=Li&h=http%3A%2F%2Fh%2F");
  EXPECT_EQ(cookies.jar, "j%3Ar");
  EXPECT_EQ(ReadStateCookies("").context, "");
}

TEST(GatewayStateCookies, OversizedOrUnsafeValuesReadAsAbsent) {
  std::string big_jar = "tv_jar=" + std::string(kMaxCookieJarBytes + 1, 'j');
  EXPECT_EQ(ReadStateCookies(big_jar).jar, "");
  std::string big_context = "tv_ctx=" + std::string(kMaxContextBytes + 1, 'c');
  EXPECT_EQ(ReadStateCookies(big_context).context, "");
  EXPECT_EQ(ReadStateCookies("tv_ctx=\"quoted\"").context, "");
  EXPECT_EQ(ReadStateCookies("tv_ctx=" + std::string(kMaxContextBytes, 'c')).context.size(),
            kMaxContextBytes);
}

TEST(GatewayStateCookies, SetCookieHeaders) {
  EXPECT_EQ(StateCookieHeader(kContextCookie, "vx=1&h=a%20b", "/"),
            "tv_ctx=vx=1&h=a%20b; Path=/; HttpOnly; SameSite=Strict");
  EXPECT_EQ(StateCookieHeader(kJarCookie, "", "/s3/"),
            "tv_jar=; Path=/s3/; Max-Age=0; HttpOnly; SameSite=Strict");
  EXPECT_EQ(StateCookieHeader(kJarCookie, "a;b", "/"),
            "tv_jar=; Path=/; Max-Age=0; HttpOnly; SameSite=Strict");
  EXPECT_EQ(StateCookieHeader(kJarCookie, std::string(kMaxCookieValueBytes + 1, 'j'), "/"),
            "tv_jar=; Path=/; Max-Age=0; HttpOnly; SameSite=Strict");
  EXPECT_TRUE(IsCookieSafe("abc%20=&|:~._-"));
  EXPECT_FALSE(IsCookieSafe("a b"));
  EXPECT_FALSE(IsCookieSafe("a,b"));
  EXPECT_FALSE(IsCookieSafe("\xe4\xb8\xad"));
}

TEST(GatewayDeckCache, FindsByAddressWithoutFragmentAndJar) {
  DeckCache cache;
  auto now = DeckCache::Clock::time_point{} + 1000s;
  cache.Store("http://h/d.wml", "jar1", Deck("http://h/d.wml", 10), now);
  auto found = cache.Find("http://h/d.wml#card2", "jar1", now + 5s);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->final_url, "http://h/d.wml");
  EXPECT_EQ(cache.Find("http://h/d.wml", "jar2", now), nullptr);
  EXPECT_EQ(cache.Find("http://h/other.wml", "jar1", now), nullptr);
}

TEST(GatewayDeckCache, EntriesExpireAfterTheirLifetime) {
  DeckCache cache;
  auto now = DeckCache::Clock::time_point{} + 1000s;
  cache.Store("http://h/d.wml", "", Deck("http://h/d.wml", 10), now);
  EXPECT_NE(cache.Find("http://h/d.wml", "", now + kDeckCacheLifetime), nullptr);
  EXPECT_EQ(cache.Find("http://h/d.wml", "", now + kDeckCacheLifetime + 1ms), nullptr);
  EXPECT_EQ(cache.size(), 0u);
  EXPECT_EQ(cache.bytes(), 0u);
}

TEST(GatewayDeckCache, LeastRecentlyUsedGoesFirstBeyondTheEntryCount) {
  DeckCache cache;
  auto now = DeckCache::Clock::time_point{} + 1000s;
  for (std::size_t i = 0; i < kDeckCacheEntries; ++i) {
    std::string url = "http://h/" + std::to_string(i);
    cache.Store(url, "", Deck(url, 1), now);
  }
  ASSERT_NE(cache.Find("http://h/0", "", now), nullptr);  // now the most recent
  cache.Store("http://h/new", "", Deck("http://h/new", 1), now);
  EXPECT_EQ(cache.size(), kDeckCacheEntries);
  EXPECT_NE(cache.Find("http://h/0", "", now), nullptr);
  EXPECT_EQ(cache.Find("http://h/1", "", now), nullptr);
  EXPECT_NE(cache.Find("http://h/new", "", now), nullptr);
}

TEST(GatewayDeckCache, TotalBytesStayBounded) {
  DeckCache cache;
  auto now = DeckCache::Clock::time_point{} + 1000s;
  cache.Store("http://h/too-big", "", Deck("http://h/too-big", kDeckCacheBytes), now);
  EXPECT_EQ(cache.size(), 0u);
  // An entry counts its key (address, '\n', jar), final address, type and body.
  const std::size_t overhead = std::string("http://h/0\n").size() +
                               std::string("http://h/0").size() +
                               std::string("text/vnd.wap.wml").size();
  const std::size_t quarter = kDeckCacheBytes / 4;
  for (int i = 0; i < 5; ++i) {
    std::string url = "http://h/" + std::to_string(i);
    cache.Store(url, "", Deck(url, quarter), now);
  }
  // Four quarters and their overhead exceed the bound: three entries stay, the oldest go.
  EXPECT_EQ(cache.size(), 3u);
  EXPECT_EQ(cache.bytes(), 3 * (quarter + overhead));
  EXPECT_EQ(cache.Find("http://h/0", "", now), nullptr);
  EXPECT_EQ(cache.Find("http://h/1", "", now), nullptr);
  EXPECT_NE(cache.Find("http://h/4", "", now), nullptr);
  cache.Store("http://h/4", "", Deck("http://h/4", 1), now);  // replacing gives bytes back
  EXPECT_EQ(cache.bytes(), 2 * (quarter + overhead) + overhead + 1);
}

TEST(GatewayHostAllowList, OwnNamesNeedThePort) {
  HostAllowList hosts("127.0.0.1", 8080, {});
  for (const char* host : {"127.0.0.1:8080", "localhost:8080", "LocalHost:8080"}) {
    EXPECT_TRUE(hosts.Allows(host)) << host;
  }
  for (const char* host : {"127.0.0.1", "localhost", "127.0.0.1:8081", "evil.example:8080", "",
                           ":8080", "127.0.0.1:80a", "127.0.0.1:", "[::1]:8080", "[::1",
                           "127.0.0.1:8080:8080", "localhost:0008080x"}) {
    EXPECT_FALSE(hosts.Allows(host)) << host;
  }
  HostAllowList on_80("127.0.0.1", 80, {});
  EXPECT_TRUE(on_80.Allows("localhost"));
  EXPECT_TRUE(on_80.Allows("127.0.0.1:80"));
}

TEST(GatewayHostAllowList, ListenAddressAndExtraNames) {
  HostAllowList v6("::1", 9000, {"wap.lan", "Proxy.Lan:8443", "bad:port"});
  EXPECT_TRUE(v6.Allows("[::1]:9000"));
  EXPECT_TRUE(v6.Allows("wap.lan"));
  EXPECT_TRUE(v6.Allows("WAP.lan:9000"));
  EXPECT_FALSE(v6.Allows("wap.lan:9001"));
  EXPECT_TRUE(v6.Allows("proxy.lan:8443"));
  EXPECT_FALSE(v6.Allows("proxy.lan"));
  EXPECT_FALSE(v6.Allows("bad"));
  EXPECT_EQ(v6.OwnAddresses(),
            (std::vector<std::string>{"[::1]:9000", "localhost:9000", "127.0.0.1:9000",
                                      "wap.lan:9000", "proxy.lan:8443"}));
  HostAllowList everywhere("0.0.0.0", 9000, {});
  EXPECT_FALSE(everywhere.Allows("0.0.0.0:9000"));
  EXPECT_TRUE(everywhere.Allows("127.0.0.1:9000"));
  EXPECT_EQ(everywhere.OwnAddresses()[0], "0.0.0.0:9000");
}

TEST(GatewayFormBody, UrlencodedAndMultipart) {
  auto plain = ReadFormBody("application/x-www-form-urlencoded; charset=UTF-8", "a=1&b=x+y");
  ASSERT_TRUE(plain.ok());
  EXPECT_EQ(plain.value(), (QueryFields{{"a", "1"}, {"b", "x y"}}));
  EXPECT_TRUE(ReadFormBody("", "a=1").ok());

  SoupMultipart* multipart = soup_multipart_new(SOUP_FORM_MIME_TYPE_MULTIPART);
  soup_multipart_append_form_string(multipart, "name", "李 雷");
  GBytesPtr file(g_bytes_new_static("data", 4));
  soup_multipart_append_form_file(multipart, "upload", "a.txt", "text/plain", file.get());
  soup_multipart_append_form_string(multipart, "pin", "1234");
  SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_MULTIPART);
  GBytes* body_bytes = nullptr;
  soup_multipart_to_message(multipart, headers, &body_bytes);
  GBytesPtr body(body_bytes);
  std::string type = soup_message_headers_get_one(headers, "Content-Type");
  gsize size = 0;
  const char* data = static_cast<const char*>(g_bytes_get_data(body.get(), &size));
  auto fields = ReadFormBody(type, std::string_view(data, size));
  soup_message_headers_unref(headers);
  soup_multipart_free(multipart);
  ASSERT_TRUE(fields.ok()) << fields.error();
  EXPECT_EQ(fields.value(), (QueryFields{{"name", "李 雷"}, {"pin", "1234"}}));

  EXPECT_FALSE(ReadFormBody("application/json", "{}").ok());
  EXPECT_FALSE(ReadFormBody("multipart/form-data; boundary=x", "garbage").ok());
}

TEST(GatewayImageTypes, TypesComeFromTheBytes) {
  EXPECT_EQ(PassThroughImageType(Bytes(std::string("\x89PNG\r\n\x1a\n....", 12))), "image/png");
  EXPECT_EQ(PassThroughImageType(Bytes("GIF87a....")), "image/gif");
  EXPECT_EQ(PassThroughImageType(Bytes("GIF89a....")), "image/gif");
  EXPECT_EQ(PassThroughImageType(Bytes("\xff\xd8\xff\xe0")), "image/jpeg");
  EXPECT_EQ(PassThroughImageType(Bytes("BM012345678901")), "image/bmp");
  EXPECT_EQ(PassThroughImageType(Bytes("BM")), "");
  EXPECT_EQ(PassThroughImageType(Bytes("RIFF0000WEBPVP8 ")), "image/webp");
  EXPECT_EQ(PassThroughImageType(Bytes("<svg onload=alert(1)>")), "");
  EXPECT_EQ(PassThroughImageType(Bytes("<html>")), "");
  EXPECT_EQ(PassThroughImageType(Bytes("")), "");
}

TEST(GatewayStartPage, SaysTheStartPageCannotBeReachedAndListsBookmarks) {
  ServiceAddresses links("/p");
  std::string page = OfflineStartPage("http://wap.example.com/portal", "连接被拒绝",
                                      {{"新闻 & 天气", "news.example.com"},
                                       {"Broken", "file:///etc/passwd"},
                                       {"", "sport.example.com"}},
                                      links);
  EXPECT_NE(page.find("无法连接到起始页面"), std::string::npos);
  EXPECT_NE(page.find("http://wap.example.com/portal"), std::string::npos);
  EXPECT_NE(page.find("连接被拒绝"), std::string::npos);
  EXPECT_NE(
      page.find("<a href=\"" + links.Page("http://news.example.com/") + "\">新闻 &amp; 天气</a>"),
      std::string::npos)
      << page;
  EXPECT_NE(page.find("<li>Broken</li>"), std::string::npos);
  EXPECT_NE(page.find(">sport.example.com</a>"), std::string::npos);
  EXPECT_NE(page.find("<a href=\"" + links.Page("http://wap.example.com/portal") + "\">"),
            std::string::npos);
  EXPECT_EQ(page.find("<script"), std::string::npos);
  EXPECT_NE(OfflineStartPage("http://h/", "x", {}, links).find("没有书签"), std::string::npos);
}

}  // namespace
}  // namespace tovarin::gateway
