// The rendering service's endpoints over real HTTP on loopback: an origin serving WML decks,
// the service in front of it, and the view's requests.

#include <glib.h>
#include <png.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "gateway/service/query_fields.h"
#include "platform/glib/glib_holders.h"
#include "tests/gateway_service/gateway_fixture.h"

namespace tovarin::gateway::test {

using platform::glib::GCharPtr;

namespace {

using GatewayEndpoints = GatewayFixture;

constexpr std::string_view kTwoCardDeck =
    "<card id=\"one\" title=\"First\">"
    "<p>Welcome to the first card.</p>"
    "<p><a href=\"#two\">Second card</a></p>"
    "<p><a href=\"/next.wml\">Next deck</a></p>"
    "</card>"
    "<card id=\"two\" title=\"Second\">"
    "<p>This is the second card.</p>"
    "<do type=\"prev\" label=\"Back\"><prev/></do>"
    "</card>";

std::string ReadFile(const std::string& relative_path) {
  std::ifstream file(std::string(TOVARIN_SOURCE_DIR) + "/" + relative_path, std::ios::binary);
  EXPECT_TRUE(file.good()) << relative_path;
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The button whose label is `label`: its name and value, as a browser submits it.
std::pair<std::string, std::string> Button(std::string_view html, std::string_view label) {
  for (const auto& [tag, text] : FindElements(html, "button")) {
    if (text == label) return {tag.Attribute("name"), tag.Attribute("value")};
  }
  ADD_FAILURE() << "no button " << label << " in " << html;
  return {};
}

QueryFields DecodedFields(std::string_view text) {
  platform::Result<QueryFields> fields = ParseQueryFields(text);
  EXPECT_TRUE(fields.ok());
  return fields.ok() ? fields.value() : QueryFields{};
}

TEST_F(GatewayEndpoints, TypedAddressShowsTheFirstCardWithLinksThroughTheService) {
  ServeDeck("/deck.wml", kTwoCardDeck);
  ServiceAnswer answer = Open(Typed("/deck.wml"));
  ASSERT_EQ(answer.status, 200u);
  EXPECT_EQ(answer.content_type, "text/html; charset=utf-8");
  std::string text = VisibleText(answer.body);
  EXPECT_NE(text.find("Welcome to the first card."), std::string::npos) << answer.body;
  EXPECT_EQ(text.find("This is the second card."), std::string::npos);
  EXPECT_EQ(LinkHref(answer.body, "Second card"), PageHref("/deck.wml#two"));
  EXPECT_EQ(LinkHref(answer.body, "Next deck"), PageHref("/next.wml"));
  ASSERT_EQ(origin_.requests().size(), 1u);
  EXPECT_EQ(origin_.requests()[0].path, "/deck.wml");
}

TEST_F(GatewayEndpoints, CardLinkShowsTheOtherCardWithoutFetchingTheDeckAgain) {
  ServeDeck("/deck.wml", kTwoCardDeck);
  ServiceAnswer first = Open(Typed("/deck.wml"));
  ServiceAnswer second = viewer_.Get(ServiceUrl(LinkHref(first.body, "Second card")));
  ASSERT_EQ(second.status, 200u);
  std::string text = VisibleText(second.body);
  EXPECT_NE(text.find("This is the second card."), std::string::npos) << second.body;
  EXPECT_EQ(text.find("Welcome to the first card."), std::string::npos);
  EXPECT_EQ(origin_.RequestCount("/deck.wml"), 1u);
}

TEST_F(GatewayEndpoints, PrevReturnsToThePreviousCard) {
  ServeDeck("/deck.wml", kTwoCardDeck);
  ServiceAnswer first = Open(Typed("/deck.wml"));
  ServiceAnswer second = viewer_.Get(ServiceUrl(LinkHref(first.body, "Second card")));
  std::string back = LinkHref(second.body, "Back");
  ASSERT_EQ(back.rfind("/gw/task?", 0), 0u) << second.body;
  ServiceAnswer again = viewer_.Get(ServiceUrl(back));
  ASSERT_EQ(again.status, 200u);
  EXPECT_NE(VisibleText(again.body).find("Welcome to the first card."), std::string::npos)
      << again.body;
  EXPECT_EQ(origin_.RequestCount("/deck.wml"), 1u);
}

TEST_F(GatewayEndpoints, TypedAmpersandStaysInTheAddress) {
  ServeDeck("/news", "<card><p>News</p></card>");
  ServiceAnswer answer = Open(Typed("/news?id=3&p=2"));
  ASSERT_EQ(answer.status, 200u);
  ASSERT_EQ(origin_.RequestCount("/news"), 1u);
  EXPECT_EQ(origin_.requests()[0].query, "id=3&p=2");
}

TEST_F(GatewayEndpoints, TypedSpaceAndTypedEscapeFetchTheSameAddress) {
  ServeDeck("/a b", "<card><p>Spaced</p></card>");
  // The view sends a typed space as %20, and a typed %20 as it is: both reach the origin as
  // one space in the path, and the escaped '&' of a value stays escaped.
  ServiceAnswer answer = Open(Typed("/a%20b?q=x%26y"));
  ASSERT_EQ(answer.status, 200u) << answer.body;
  ASSERT_EQ(origin_.RequestCount("/a b"), 1u);
  EXPECT_EQ(origin_.requests()[0].query, "q=x%26y");
}

TEST_F(GatewayEndpoints, SimulatorAddressIsPercentDecodedOnce) {
  ServeDeck("/news", "<card><p>News</p></card>");
  std::string address = origin_.Url("/news?id=3&p=2");
  ServiceAnswer answer = viewer_.Get(gateway_->SimulatorBase() + PercentEncode(address));
  ASSERT_EQ(answer.status, 200u);
  ASSERT_EQ(origin_.RequestCount("/news"), 1u);
  EXPECT_EQ(origin_.requests()[0].query, "id=3&p=2");
  EXPECT_NE(VisibleText(answer.body).find("News"), std::string::npos);
}

TEST_F(GatewayEndpoints, CardFormPostsItsPostfieldsThroughTheTaskRoute) {
  ServeDeck("/ask.wml",
            "<card id=\"ask\" title=\"Search\"><p>Query: <input name=\"q\" type=\"text\"/></p>"
            "<do type=\"accept\" label=\"Find\"><go href=\"/search\" method=\"post\">"
            "<postfield name=\"query\" value=\"$(q)\"/><postfield name=\"lang\" value=\"zh\"/>"
            "</go></do></card>");
  ServeDeck("/search", "<card><p>Three results</p></card>");
  ServiceAnswer page = Open(Typed("/ask.wml"));
  std::vector<HtmlTag> forms = FindTags(page.body, "form");
  ASSERT_EQ(forms.size(), 1u) << page.body;
  EXPECT_EQ(forms[0].Attribute("action"), "/gw/task");
  EXPECT_EQ(forms[0].Attribute("method"), "post");
  auto fields = FormFields(page.body);
  for (auto& [name, value] : fields) {
    if (name == "v.q") value = "tovarin wap";
  }
  fields.push_back(Button(page.body, "Find"));
  ServiceAnswer result =
      viewer_.Post(ServiceUrl("/gw/task"), "application/x-www-form-urlencoded", UrlEncode(fields));
  ASSERT_EQ(result.status, 200u) << result.body;
  EXPECT_NE(VisibleText(result.body).find("Three results"), std::string::npos);
  ASSERT_EQ(origin_.RequestCount("/search"), 1u);
  const ReceivedRequest& post = origin_.requests().back();
  EXPECT_EQ(post.method, "POST");
  EXPECT_EQ(post.Header("content-type").rfind("application/x-www-form-urlencoded", 0), 0u);
  EXPECT_EQ(DecodedFields(post.body), (QueryFields{{"query", "tovarin wap"}, {"lang", "zh"}}));
}

TEST_F(GatewayEndpoints, VariableSetByAnInputShowsOnTheNextCard) {
  ServeDeck("/name.wml",
            "<card id=\"ask\" title=\"Name\"><p>Name: <input name=\"name\" type=\"text\"/></p>"
            "<do type=\"accept\" label=\"OK\"><go href=\"#hello\"/></do></card>"
            "<card id=\"hello\" title=\"Hello\"><p>Hello, $(name)!</p></card>");
  ServiceAnswer page = Open(Typed("/name.wml"));
  auto fields = FormFields(page.body);
  for (auto& [name, value] : fields) {
    if (name == "v.name") value = "Alice";
  }
  fields.push_back(Button(page.body, "OK"));
  ServiceAnswer hello =
      viewer_.Post(ServiceUrl("/gw/task"), "application/x-www-form-urlencoded", UrlEncode(fields));
  ASSERT_EQ(hello.status, 200u);
  EXPECT_NE(VisibleText(hello.body).find("Hello, Alice!"), std::string::npos) << hello.body;

  // The variable lives in the context cookie the client carries, not in the service.
  ServiceAnswer shown_again = viewer_.Get(ServiceUrl(PageHref("/name.wml#hello")));
  EXPECT_NE(VisibleText(shown_again.body).find("Hello, Alice!"), std::string::npos)
      << shown_again.body;
  ViewerClient stranger;
  ServiceAnswer strangers = stranger.Get(ServiceUrl(PageHref("/name.wml#hello")));
  EXPECT_NE(VisibleText(strangers.body).find("Hello, !"), std::string::npos) << strangers.body;
  EXPECT_EQ(origin_.RequestCount("/name.wml"), 1u);
}

TEST_F(GatewayEndpoints, WbmpImageComesAsPngOfTheSamePixels) {
  Serve("/logo.wbmp", ReadFile("tests/data/wbmp/checker_16x16.wbmp"), "image/vnd.wap.wbmp");
  ServeDeck("/logo.wml", "<card><p><img src=\"/logo.wbmp\" alt=\"logo\"/></p></card>");
  ServiceAnswer page = Open(Typed("/logo.wml"));
  std::vector<HtmlTag> images = FindTags(page.body, "img");
  ASSERT_EQ(images.size(), 1u) << page.body;
  std::string src = images[0].Attribute("src");
  EXPECT_EQ(src, "/gw/img?u=" + PercentEncode(origin_.Url("/logo.wbmp")));

  ServiceAnswer picture = viewer_.Get(ServiceUrl(src));
  ASSERT_EQ(picture.status, 200u);
  EXPECT_EQ(picture.content_type, "image/png");
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_memory(&image, picture.body.data(), picture.body.size()));
  image.format = PNG_FORMAT_GRAY;
  std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));
  ASSERT_EQ(image.width, 16u);
  ASSERT_EQ(image.height, 16u);
  // checker_16x16: rows of f0 f0 then 0f 0f, four rows each; a 1 bit is white.
  for (unsigned y = 0; y < 16; ++y) {
    for (unsigned x = 0; x < 16; ++x) {
      png_byte expected = ((x / 4 + y / 4) % 2 == 0) ? 255 : 0;
      ASSERT_EQ(pixels[y * 16 + x], expected) << "pixel " << x << "," << y;
    }
  }
}

TEST_F(GatewayEndpoints, OtherPicturesPassThroughAndOtherContentIsRefused) {
  const std::string gif("GIF89a\x01\x00\x01\x00\x00\x00\x00;", 13);
  Serve("/dot.gif", gif, "image/gif");
  Serve("/fake.png", "<html><script>alert(1)</script></html>", "image/png");
  ServiceAnswer picture =
      viewer_.Get(ServiceUrl("/gw/img?u=" + PercentEncode(origin_.Url("/dot.gif"))));
  ASSERT_EQ(picture.status, 200u);
  EXPECT_EQ(picture.content_type, "image/gif");
  EXPECT_EQ(picture.body, gif);
  ServiceAnswer fake =
      viewer_.Get(ServiceUrl("/gw/img?u=" + PercentEncode(origin_.Url("/fake.png"))));
  EXPECT_EQ(fake.status, 415u);
  EXPECT_EQ(fake.body.find("<script"), std::string::npos);
}

TEST_F(GatewayEndpoints, Gb2312DeckComesOutInUtf8) {
  std::string utf8 =
      "<?xml version=\"1.0\" encoding=\"gb2312\"?>\n<wml><card title=\"新闻\">"
      "<p>中文新闻：今天天气很好</p></card></wml>";
  gsize written = 0;
  GCharPtr gb2312(g_convert(utf8.data(), static_cast<gssize>(utf8.size()), "GB2312", "UTF-8",
                            nullptr, &written, nullptr));
  ASSERT_TRUE(gb2312);
  Serve("/gb.wml", std::string(gb2312.get(), written), "text/vnd.wap.wml; charset=gb2312");
  ServiceAnswer answer = Open(Typed("/gb.wml"));
  ASSERT_EQ(answer.status, 200u);
  EXPECT_NE(VisibleText(answer.body).find("中文新闻：今天天气很好"), std::string::npos)
      << answer.body;
  EXPECT_NE(answer.body.find("<title>新闻</title>"), std::string::npos);
}

TEST_F(GatewayEndpoints, WmlcDeckGivesTheSamePageAsItsTextForm) {
  std::string text = ReadFile("tests/data/wmlc/news.wml");
  std::string binary = ReadFile("tests/data/wmlc/news.wmlc");
  bool serve_binary = false;
  origin_.Handle("/news", [&](SoupServerMessage* message, const ReceivedRequest&) {
    if (serve_binary) {
      Respond(message, 200, "application/vnd.wap.wmlc", binary);
    } else {
      Respond(message, 200, "text/vnd.wap.wml", text);
    }
  });
  ServiceAnswer from_text = Open(Typed("/news"));
  serve_binary = true;
  ViewerClient second_viewer;
  ServiceAnswer from_binary = second_viewer.Get(gateway_->ServicePrefix() + Typed("/news"));
  ASSERT_EQ(from_text.status, 200u);
  ASSERT_EQ(from_binary.status, 200u);
  EXPECT_NE(VisibleText(from_text.body).find("Tovarin News"), std::string::npos);
  EXPECT_EQ(from_binary.body, from_text.body);
  EXPECT_EQ(origin_.RequestCount("/news"), 2u);
}

TEST_F(GatewayEndpoints, XhtmlPageComesOutWithoutScript) {
  Serve("/mobile.html",
        "<?xml version=\"1.0\"?><html xmlns=\"http://www.w3.org/1999/xhtml\"><head>"
        "<title>Mobile</title><script>document.title='owned'</script></head><body>"
        "<p onclick=\"alert(1)\">Mobile news</p><a href=\"javascript:alert(2)\">bad</a>"
        "<a href=\"/more.html\">More</a></body></html>",
        "application/xhtml+xml");
  ServiceAnswer answer = Open(Typed("/mobile.html"));
  ASSERT_EQ(answer.status, 200u);
  EXPECT_NE(VisibleText(answer.body).find("Mobile news"), std::string::npos) << answer.body;
  EXPECT_EQ(answer.body.find("<script"), std::string::npos) << answer.body;
  EXPECT_EQ(answer.body.find("onclick"), std::string::npos);
  EXPECT_EQ(answer.body.find("javascript:"), std::string::npos);
  EXPECT_EQ(LinkHref(answer.body, "More"), PageHref("/more.html"));
}

TEST_F(GatewayEndpoints, XhtmlGetFormRebuildsTheActionQuery) {
  Serve("/find.html",
        "<html><body><form action=\"/find?old=1\" method=\"get\">"
        "<input type=\"text\" name=\"q\" value=\"\"/><input type=\"submit\" value=\"Go\"/>"
        "</form></body></html>",
        "text/html");
  ServeDeck("/find", "<card><p>Found</p></card>");
  ServiceAnswer page = Open(Typed("/find.html"));
  std::vector<HtmlTag> forms = FindTags(page.body, "form");
  ASSERT_EQ(forms.size(), 1u) << page.body;
  EXPECT_EQ(forms[0].Attribute("action"), "/gw/form");
  auto fields = FormFields(page.body);
  for (auto& [name, value] : fields) {
    if (name == "q") value = "wap & web";
  }
  ServiceAnswer found = viewer_.Get(ServiceUrl("/gw/form?" + UrlEncode(fields)));
  ASSERT_EQ(found.status, 200u) << found.body;
  ASSERT_EQ(origin_.RequestCount("/find"), 1u);
  const ReceivedRequest& request = origin_.requests().back();
  EXPECT_EQ(request.method, "GET");
  EXPECT_EQ(DecodedFields(request.query), (QueryFields{{"q", "wap & web"}}));
}

TEST_F(GatewayEndpoints, XhtmlPostFormForwardsItsFields) {
  Serve("/login.html",
        "<html><body><form action=\"/login\" method=\"post\">"
        "<input type=\"text\" name=\"user\" value=\"li\"/>"
        "<input type=\"password\" name=\"pin\" value=\"\"/></form></body></html>",
        "text/html");
  ServeDeck("/login", "<card><p>Welcome</p></card>");
  ServiceAnswer page = Open(Typed("/login.html"));
  std::vector<HtmlTag> forms = FindTags(page.body, "form");
  ASSERT_EQ(forms.size(), 1u) << page.body;
  EXPECT_EQ(forms[0].Attribute("method"), "post");
  auto fields = FormFields(page.body);
  for (auto& [name, value] : fields) {
    if (name == "pin") value = "1234";
  }
  ServiceAnswer welcome = viewer_.Post(ServiceUrl(forms[0].Attribute("action")),
                                       "application/x-www-form-urlencoded", UrlEncode(fields));
  ASSERT_EQ(welcome.status, 200u) << welcome.body;
  ASSERT_EQ(origin_.RequestCount("/login"), 1u);
  const ReceivedRequest& request = origin_.requests().back();
  EXPECT_EQ(request.method, "POST");
  EXPECT_EQ(DecodedFields(request.body), (QueryFields{{"user", "li"}, {"pin", "1234"}}));
}

TEST_F(GatewayEndpoints, EntryEventIsFollowedOnTheServer) {
  ServeDeck("/hop.wml",
            "<card><onevent type=\"onenterforward\"><go href=\"/landing.wml\"/></onevent>"
            "<p>Never shown</p></card>");
  ServeDeck("/landing.wml", "<card><p>Landed</p></card>");
  ServiceAnswer answer = Open(Typed("/hop.wml"));
  ASSERT_EQ(answer.status, 200u);
  EXPECT_NE(VisibleText(answer.body).find("Landed"), std::string::npos) << answer.body;
  EXPECT_EQ(VisibleText(answer.body).find("Never shown"), std::string::npos);
}

TEST_F(GatewayEndpoints, StyleSheetIsCleaned) {
  Serve("/site.css", "p{color:red}\nb{width:expression(alert(1))}\nbody{behavior:url(x.htc)}",
        "text/css");
  ServiceAnswer css =
      viewer_.Get(ServiceUrl("/gw/css?u=" + PercentEncode(origin_.Url("/site.css"))));
  ASSERT_EQ(css.status, 200u);
  EXPECT_EQ(css.content_type, "text/css; charset=utf-8");
  EXPECT_NE(css.body.find("p{color:red}"), std::string::npos) << css.body;
  EXPECT_EQ(css.body.find("expression"), std::string::npos);
  EXPECT_EQ(css.body.find("behavior"), std::string::npos);
}

}  // namespace
}  // namespace tovarin::gateway::test
