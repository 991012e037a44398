// The service's own addresses (written into pages, read back by the handlers), typed
// addresses, and the query fields both sides share.

#include "gateway/service/service_addresses.h"

#include <gtest/gtest.h>

#include "gateway/service/query_fields.h"
#include "gateway/service/typed_address.h"
#include "gateway/url.h"
#include "gateway/wml_task.h"

namespace tovarin::gateway {
namespace {

std::string Parameter(const std::string& address, std::string_view name) {
  std::string query = address.substr(address.find('?') + 1);
  platform::Result<QueryFields> fields = ParseQueryFields(query);
  EXPECT_TRUE(fields.ok());
  std::optional<std::string> value = TakeField(fields.value(), name);
  EXPECT_TRUE(value.has_value()) << address;
  return value.value_or("");
}

TEST(ServiceAddresses, ResourcesCarryTheAddressPercentEncoded) {
  ServiceAddresses links("/p");
  EXPECT_EQ(links.Page("http://wap.example.com/a?b=1&c=2#x"),
            "/p/gw/page?u=http%3A%2F%2Fwap.example.com%2Fa%3Fb%3D1%26c%3D2%23x");
  EXPECT_EQ(links.Image("http://wap.example.com/logo.wbmp"),
            "/p/gw/img?u=http%3A%2F%2Fwap.example.com%2Flogo.wbmp");
  EXPECT_EQ(links.Style("https://wap.example.com/s.css"),
            "/p/gw/css?u=https%3A%2F%2Fwap.example.com%2Fs.css");
  ServiceAddresses standalone("");
  EXPECT_EQ(standalone.Page("http://h/"), "/gw/page?u=http%3A%2F%2Fh%2F");
}

TEST(ServiceAddresses, AddressesSurviveTheRoundTrip) {
  ServiceAddresses links("/p");
  for (std::string url : {"http://h/a b+c%20d&e=f#card", "http://h/新闻?q=中文", "https://h/%%25",
                          "http://h/?a=1;b=2"}) {
    EXPECT_EQ(Parameter(links.Page(url), kAddressParameter), url);
    EXPECT_EQ(Parameter(links.Image(url), kAddressParameter), url);
    EXPECT_EQ(Parameter(links.Style(url), kAddressParameter), url);
  }
}

TEST(ServiceAddresses, FormsCarryActionAndMethodInHiddenFields) {
  ServiceAddresses links("/p");
  FormTarget post = links.Form("http://h/login?x=1", "POST");
  EXPECT_EQ(post.action, "/p/gw/form");
  using Fields = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(post.hidden, (Fields{{"gw.action", "http://h/login?x=1"}, {"gw.method", "post"}}));
  EXPECT_EQ(links.Form("http://h/find", "get").hidden,
            (Fields{{"gw.action", "http://h/find"}, {"gw.method", "get"}}));
  EXPECT_EQ(links.Form("http://h/find", "").hidden[1].second, "get");
  EXPECT_EQ(links.Form("http://h/find", "dialog").hidden[1].second, "get");
}

TEST(ServiceAddresses, CardsSubmitToTheTaskRoute) {
  ServiceAddresses links("/p");
  FormTarget task = links.Task("http://h/deck.wml#card");
  EXPECT_EQ(task.action, "/p/gw/task");
  EXPECT_EQ(task.hidden,
            (std::vector<std::pair<std::string, std::string>>{{"deck", "http://h/deck.wml#card"}}));
  std::string link = links.TaskLink("http://h/d.wml#c", "k=go&h=x y");
  EXPECT_EQ(link, "/p/gw/task?deck=http%3A%2F%2Fh%2Fd.wml%23c&wml.task=k%3Dgo%26h%3Dx%20y");
  EXPECT_EQ(Parameter(link, kDeckField), "http://h/d.wml#c");
  EXPECT_EQ(Parameter(link, kTaskField), "k=go&h=x y");
}

struct TypedCase {
  const char* typed;
  const char* url;
};

TEST(GatewayTypedAddress, TypedAddressesBecomeWebAddresses) {
  const TypedCase cases[] = {
      {"wap.example.com", "http://wap.example.com/"},
      {"wap.example.com/news?id=3&p=2", "http://wap.example.com/news?id=3&p=2"},
      {"wap.example.com/a b", "http://wap.example.com/a%20b"},
      {"wap.example.com/a%20b", "http://wap.example.com/a%20b"},
      {"wap.example.com/q?x=a%26b", "http://wap.example.com/q?x=a%26b"},
      {"wap.example.com/100%", "http://wap.example.com/100%25"},
      // An escaped unreserved character means the same written plainly (GLib's normal form).
      {"wap.example.com/%7e%e4%b8%ad", "http://wap.example.com/~%E4%B8%AD"},
      {"wap.example.com/新闻", "http://wap.example.com/%E6%96%B0%E9%97%BB"},
      {"wap.example.com/{x}", "http://wap.example.com/%7Bx%7D"},
      {"%20 wap.example.com %09", "http://wap.example.com/"},
      {"HTTPS://wap.example.com/x", "https://wap.example.com/x"},
      {"http:wap.example.com/x", "http://wap.example.com/x"},
      {"//wap.example.com/x", "http://wap.example.com/x"},
      {"localhost:8080/x", "http://localhost:8080/x"},
      {"wap.example.com:8080", "http://wap.example.com:8080/"},
      {"127.0.0.1:80", "http://127.0.0.1/"},
      {"wap.%E4%B8%AD%E6%96%87.cn/", "http://wap.xn--fiq228c.cn/"},
  };
  for (const TypedCase& c : cases) {
    platform::Result<std::string> url = UrlFromTypedAddress(c.typed);
    ASSERT_TRUE(url.ok()) << c.typed << ": " << url.error();
    EXPECT_EQ(url.value(), c.url) << c.typed;
  }
}

TEST(GatewayTypedAddress, OtherSchemesAndBrokenAddressesAreRefused) {
  for (std::string typed :
       {"file:///etc/passwd", "FILE:/etc/passwd", "data:text/html,x", "ftp://ftp.example.com/",
        "javascript:alert(1)", "mailto:a@b.c", "gopher://h/"}) {
    platform::Result<std::string> url = UrlFromTypedAddress(typed);
    ASSERT_FALSE(url.ok()) << typed;
    std::string scheme = typed.substr(0, typed.find(':'));
    for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(url.error().find(scheme + ":"), std::string::npos) << url.error();
  }
  for (std::string typed : {"", "%20", "http://", "http:///x", "wap.example.com:99999",
                            "wap.exa mple.com/", "wap.<b>.com"}) {
    EXPECT_FALSE(UrlFromTypedAddress(typed).ok()) << typed;
  }
}

TEST(GatewayTypedAddress, TheAddressIsTheRestOfTheQuery) {
  EXPECT_EQ(TypedAddressInQuery("url=wap.example.com/n?id=3&p=2"), "wap.example.com/n?id=3&p=2");
  EXPECT_EQ(TypedAddressInQuery("rf=y&url=a&b"), "a&b");
  EXPECT_EQ(TypedAddressInQuery("url=a&url=b"), "a&url=b");
  EXPECT_EQ(TypedAddressInQuery("curl=x"), "");
  EXPECT_EQ(TypedAddressInQuery(""), "");
}

TEST(GatewayTypedAddress, ReadableAddressDecodesSpacesAndText) {
  EXPECT_EQ(ReadableAddress("http://h/%E6%96%B0%20x%26y"), "http://h/新 x%26y");
  EXPECT_EQ(ReadableAddress("http://h/%FF"), "http://h/%FF");
  EXPECT_EQ(ReadableAddress("http://h/%2"), "http://h/%2");
}

TEST(GatewayQueryFields, ParsesInOrderWithEscapes) {
  platform::Result<QueryFields> fields = ParseQueryFields("a=1&b=%26&c=x+y&d&&e=&=z");
  ASSERT_TRUE(fields.ok());
  EXPECT_EQ(fields.value(),
            (QueryFields{{"a", "1"}, {"b", "&"}, {"c", "x y"}, {"d", ""}, {"e", ""}, {"", "z"}}));
  EXPECT_EQ(EncodeQueryFields(fields.value()), "a=1&b=%26&c=x%20y&d=&e=&=z");
}

TEST(GatewayQueryFields, TooManyFieldsAreRefused) {
  std::string text;
  for (std::size_t i = 0; i < kMaxQueryFields; ++i) text += "f=1&";
  EXPECT_TRUE(ParseQueryFields(text).ok());
  EXPECT_FALSE(ParseQueryFields(text + "g=2").ok());
}

TEST(GatewayQueryFields, TakeAndRawParameter) {
  QueryFields fields{{"a", "1"}, {"b", "2"}, {"a", "3"}};
  EXPECT_EQ(TakeField(fields, "a"), "1");
  EXPECT_EQ(fields, (QueryFields{{"b", "2"}, {"a", "3"}}));
  EXPECT_EQ(TakeField(fields, "z"), std::nullopt);
  EXPECT_EQ(RawQueryParameter("rf=y&url=a%26b&x=1", "url"), "a%26b");
  EXPECT_EQ(RawQueryParameter("curl=1", "url"), std::nullopt);
  EXPECT_EQ(RawQueryParameter("url", "url"), "");
  EXPECT_TRUE(EqualsIgnoringCase("PoSt", "post"));
  EXPECT_FALSE(EqualsIgnoringCase("posts", "post"));
}

}  // namespace
}  // namespace tovarin::gateway
