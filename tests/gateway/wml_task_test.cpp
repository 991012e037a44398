#include "gateway/wml_task.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "gateway/wml_deck.h"
#include "tests/gateway/wml_test_support.h"

namespace tovarin::gateway {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Pair;
using ::testing::StartsWith;
using namespace wml_testing;

// WML 1.3 section 12.5 (tasks) and 9.5.1 (go: href, method, enctype, accept-charset, postfield,
// setvar); form data as HTML 4.01 section 17.13.4 sends it.

constexpr std::string_view kCardUrl = "http://wap.example.com/shop/deck.wml#card";
constexpr std::string_view kGbk = "\xD6\xD0\xCE\xC4";  // 中文 in GB2312: D6D0 CEC4

WmlTask Go(std::string href) {
  WmlTask task;
  task.kind = WmlTask::Kind::kGo;
  task.href = std::move(href);
  return task;
}

WmlTask Kind(WmlTask::Kind kind) {
  WmlTask task;
  task.kind = kind;
  return task;
}

Navigation MustStart(const WmlTask& task, WmlContext& context,
                     std::string_view deck_url = kCardUrl) {
  platform::Result<Navigation> navigation = StartTask(task, deck_url, context);
  EXPECT_TRUE(navigation.ok()) << (navigation.ok() ? "" : navigation.error());
  return navigation.ok() ? navigation.value() : Navigation{};
}

WmlContext ContextWith(std::initializer_list<std::pair<std::string, std::string>> values) {
  WmlContext context;
  for (const auto& [name, value] : values) EXPECT_TRUE(context.variables.Set(name, value));
  return context;
}

// The boundary a multipart content type names.
std::string BoundaryOf(const Navigation& navigation) {
  constexpr std::string_view kPrefix = "multipart/form-data; boundary=";
  EXPECT_THAT(navigation.content_type, StartsWith(std::string(kPrefix)));
  return navigation.content_type.substr(std::min(kPrefix.size(), navigation.content_type.size()));
}

// ---- The task as it travels in the page --------------------------------------------------

TEST(WmlTasks, EncodeDecodeRoundTrip) {
  WmlTask task = Go("s.wml?a=1&b=$(q:e)#frag");
  task.post = true;
  task.multipart = true;
  task.charset = "GB2312";
  task.postfields = {{"q", "$(q)"}, {"odd&=%", std::string(kZhong)}, {"empty", ""}};
  task.setvars = {{"x", "1"}, {"$(name)", "a;b=c&d"}};
  platform::Result<WmlTask> decoded = DecodeTask(EncodeTask(task));
  ASSERT_TRUE(decoded.ok()) << decoded.error();
  EXPECT_EQ(decoded.value(), task);

  for (WmlTask::Kind kind : {WmlTask::Kind::kPrev, WmlTask::Kind::kRefresh, WmlTask::Kind::kNoop}) {
    WmlTask plain = Kind(kind);
    plain.setvars = {{"v", "1"}};
    platform::Result<WmlTask> back = DecodeTask(EncodeTask(plain));
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back.value(), plain);
  }
}

TEST(WmlTasks, DecodeRefusesWhatEncodeNeverWrites) {
  for (const char* text :
       {"", "t=jump", "h=x.wml", "t=go&zz=1", "t=go&h", "pv=1&t=go", "sv=1&t=go"}) {
    EXPECT_FALSE(DecodeTask(text).ok()) << text;
  }
}

// ---- Tasks as the deck writes them --------------------------------------------------------

TEST(WmlTasks, TaskOfGoElement) {
  ParsedDeck deck = MustParse(
      "<wml><card><p><anchor>x<go href=\"s.wml?a=$(a)\" method=\"post\" "
      "enctype=\"multipart/form-data\" accept-charset=\"GB2312, utf-8\">"
      "<postfield name=\"q\" value=\"$(q)\"/><postfield name=\"n\" value=\"1\"/>"
      "<setvar name=\"seen\" value=\"yes\"/></go></anchor></p></card></wml>");
  const MarkupNode* anchor = FindFirst(deck.root, "anchor");
  ASSERT_NE(anchor, nullptr);
  std::optional<WmlTask> task = TaskOf(*anchor, "UTF-8");
  ASSERT_TRUE(task.has_value());
  EXPECT_EQ(task->kind, WmlTask::Kind::kGo);
  EXPECT_EQ(task->href, "s.wml?a=$(a)");
  EXPECT_TRUE(task->post);
  EXPECT_TRUE(task->multipart);
  EXPECT_EQ(task->charset, "GB2312");
  EXPECT_THAT(task->postfields, ElementsAre(Pair("q", "$(q)"), Pair("n", "1")));
  EXPECT_THAT(task->setvars, ElementsAre(Pair("seen", "yes")));
}

TEST(WmlTasks, TaskOfTakesTheDeckCharsetAndDefaults) {
  ParsedDeck deck = MustParse(
      "<wml><card><p><anchor id=\"g\">x<go href=\"a.wml\"/></anchor>"
      "<anchor id=\"p\">x<prev><setvar name=\"v\" value=\"1\"/></prev></anchor>"
      "<anchor id=\"r\">x<refresh/></anchor><anchor id=\"n\">x<noop/></anchor>"
      "<anchor id=\"none\">x</anchor></p></card></wml>");
  std::vector<const MarkupNode*> anchors = FindAll(deck.root, "anchor");
  ASSERT_EQ(anchors.size(), 5u);
  std::optional<WmlTask> go = TaskOf(*anchors[0], "GB2312");
  ASSERT_TRUE(go.has_value());
  EXPECT_FALSE(go->post);  // method defaults to get
  EXPECT_FALSE(go->multipart);
  EXPECT_EQ(go->charset, "GB2312");
  std::optional<WmlTask> prev = TaskOf(*anchors[1], "GB2312");
  ASSERT_TRUE(prev.has_value());
  EXPECT_EQ(prev->kind, WmlTask::Kind::kPrev);
  EXPECT_THAT(prev->setvars, ElementsAre(Pair("v", "1")));
  EXPECT_EQ(TaskOf(*anchors[2], "")->kind, WmlTask::Kind::kRefresh);
  EXPECT_EQ(TaskOf(*anchors[3], "")->kind, WmlTask::Kind::kNoop);
  EXPECT_FALSE(TaskOf(*anchors[4], "").has_value());
}

// ---- go --------------------------------------------------------------------------------

TEST(WmlTasks, GoResolvesAgainstTheDeck) {
  WmlContext context;
  EXPECT_EQ(MustStart(Go("next.wml"), context).url, "http://wap.example.com/shop/next.wml");
  EXPECT_EQ(MustStart(Go("/top.wml"), context).url, "http://wap.example.com/top.wml");
  EXPECT_EQ(MustStart(Go("#other"), context).url, "http://wap.example.com/shop/deck.wml#other");
  EXPECT_EQ(MustStart(Go("http://b.example.com/x.wml"), context).url, "http://b.example.com/x.wml");
  Navigation navigation = MustStart(Go("next.wml"), context);
  EXPECT_EQ(navigation.kind, Navigation::Kind::kGo);
  EXPECT_FALSE(navigation.post);
  EXPECT_TRUE(navigation.body.empty());
}

TEST(WmlTasks, GoOfAnotherSchemeIsLeftToTheService) {
  WmlContext context;
  Navigation navigation = MustStart(Go("mailto:a@example.com"), context);
  EXPECT_EQ(navigation.kind, Navigation::Kind::kGo);
  EXPECT_EQ(navigation.url, "mailto:a@example.com");
}

TEST(WmlTasks, UnresolvableAddressFails) {
  WmlContext context;
  EXPECT_FALSE(StartTask(Go("http://[::1"), kCardUrl, context).ok());
}

TEST(WmlTasks, HrefReferencesAreEscaped) {
  WmlContext context = ContextWith({{"q", "a b&c"}});
  EXPECT_EQ(MustStart(Go("s.wml?q=$(q)"), context).url,
            "http://wap.example.com/shop/s.wml?q=a%20b%26c");
  // As stored: the '&' stays a separator (only the stray space is escaped, as browsers do).
  EXPECT_EQ(MustStart(Go("s.wml?q=$(q:n)"), context).url,
            "http://wap.example.com/shop/s.wml?q=a%20b&c");
}

// The address sees the variables as they were when the task started; the setvars take effect
// afterwards (WML 1.3 section 12.5.1: "$(page).wml" with a setvar of page goes to the old page).
TEST(WmlTasks, TheHrefSeesTheValuesBeforeTheSetvars) {
  WmlContext context = ContextWith({{"q", "old"}});
  WmlTask task = Go("s.wml?q=$(q)");
  task.setvars = {{"q", "new $(q)"}};
  task.postfields = {{"was", "$(q)"}};
  Navigation navigation = MustStart(task, context);
  EXPECT_EQ(navigation.url, "http://wap.example.com/shop/s.wml?q=old&was=old");
  EXPECT_EQ(context.variables.Get("q"), "new old");
}

// Every name and value is substituted before any variable is set (WML 1.3 section 12.5.1).
TEST(WmlTasks, SetvarsChangeTogether) {
  WmlContext context = ContextWith({{"a", "1"}, {"b", "2"}, {"which", "target"}});
  WmlTask task = Go("x.wml");
  task.setvars = {{"a", "$(b)"}, {"b", "$(a)"}, {"$(which)", "hit"}, {"1bad", "x"}, {"c", "$$5"}};
  MustStart(task, context);
  EXPECT_EQ(context.variables.Get("a"), "2");
  EXPECT_EQ(context.variables.Get("b"), "1");
  EXPECT_EQ(context.variables.Get("target"), "hit");
  EXPECT_EQ(context.variables.Get("c"), "$5");
  EXPECT_FALSE(context.variables.Has("1bad"));
}

TEST(WmlTasks, GetPostfieldsGoInTheQuery) {
  WmlContext context = ContextWith({{"q", "a&b c"}});
  WmlTask task = Go("s.wml");
  task.postfields = {{"q", "$(q)"}, {"n", "1"}};
  Navigation navigation = MustStart(task, context);
  EXPECT_FALSE(navigation.post);
  EXPECT_THAT(navigation.url, StartsWith("http://wap.example.com/shop/s.wml?"));
  EXPECT_THAT(DecodeQuery(QueryOf(navigation.url)),
              ElementsAre(Pair("q", "a&b c"), Pair("n", "1")));
}

TEST(WmlTasks, GetPostfieldsFollowTheQueryAndPrecedeTheFragment) {
  WmlContext context;
  WmlTask task = Go("s.wml?page=2#results");
  task.postfields = {{"n", "1"}};
  Navigation navigation = MustStart(task, context);
  EXPECT_THAT(navigation.url, StartsWith("http://wap.example.com/shop/s.wml?page=2&"));
  EXPECT_EQ(navigation.url.substr(navigation.url.size() - 8), "#results");
  EXPECT_THAT(DecodeQuery(QueryOf(navigation.url)), ElementsAre(Pair("page", "2"), Pair("n", "1")));
}

TEST(WmlTasks, PostSendsAnUrlEncodedBody) {
  WmlContext context = ContextWith({{"q", "a&b c=d"}});
  WmlTask task = Go("s.wml");
  task.post = true;
  task.postfields = {{"q", "$(q)"}, {"n", "1"}};
  Navigation navigation = MustStart(task, context);
  EXPECT_TRUE(navigation.post);
  EXPECT_EQ(navigation.url, "http://wap.example.com/shop/s.wml");
  EXPECT_EQ(navigation.content_type, "application/x-www-form-urlencoded");
  EXPECT_THAT(DecodeQuery(navigation.body), ElementsAre(Pair("q", "a&b c=d"), Pair("n", "1")));
}

// RFC 7578: each field a part with its Content-Disposition name, parts between boundaries.
TEST(WmlTasks, PostSendsAMultipartBody) {
  WmlContext context = ContextWith({{"q", "a&b c"}});
  WmlTask task = Go("s.wml");
  task.post = true;
  task.multipart = true;
  task.postfields = {{"q", "$(q)"}, {"n", "1"}};
  Navigation navigation = MustStart(task, context);
  EXPECT_TRUE(navigation.post);
  std::string boundary = BoundaryOf(navigation);
  ASSERT_FALSE(boundary.empty());
  EXPECT_EQ(navigation.body, "--" + boundary +
                                 "\r\nContent-Disposition: form-data; name=\"q\"\r\n\r\n"
                                 "a&b c\r\n--" +
                                 boundary +
                                 "\r\nContent-Disposition: form-data; name=\"n\"\r\n\r\n"
                                 "1\r\n--" +
                                 boundary + "--\r\n");
}

// accept-charset="GB2312": the site gets its own bytes, 中文 = D6 D0 CE C4.
TEST(WmlTasks, AcceptCharsetEncodesFormDataInTheSiteCharset) {
  const std::string chinese = std::string(kZhong) + std::string(kWen);
  WmlContext context = ContextWith({{"q", chinese}});
  WmlTask get = Go("s.wml?w=$(q)");
  get.charset = "GB2312";
  get.postfields = {{"q", "$(q)"}, {chinese, "1"}};
  Navigation navigation = MustStart(get, context);
  EXPECT_THAT(DecodeQuery(QueryOf(navigation.url)),
              ElementsAre(Pair("w", kGbk), Pair("q", kGbk), Pair(kGbk, "1")));
  EXPECT_THAT(navigation.url, HasSubstr("w=%D6%D0%CE%C4"));

  WmlTask post = get;
  post.post = true;
  navigation = MustStart(post, context);
  EXPECT_THAT(DecodeQuery(navigation.body), ElementsAre(Pair("q", kGbk), Pair(kGbk, "1")));

  post.multipart = true;
  navigation = MustStart(post, context);
  EXPECT_THAT(navigation.body, HasSubstr("name=\"q\"\r\n\r\n" + std::string(kGbk) + "\r\n"));
}

TEST(WmlTasks, WithoutACharsetFormDataIsUtf8) {
  WmlContext context = ContextWith({{"q", std::string(kZhong)}});
  WmlTask task = Go("s.wml");
  task.postfields = {{"q", "$(q)"}};
  EXPECT_THAT(MustStart(task, context).url, HasSubstr("q=%E4%B8%AD"));
}

// ---- prev, refresh, noop ----------------------------------------------------------------

TEST(WmlTasks, PrevGoesBackThroughTheHistory) {
  WmlContext context;
  context.history = {"http://wap.example.com/shop/index.wml", std::string(kCardUrl)};
  WmlTask prev = Kind(WmlTask::Kind::kPrev);
  prev.setvars = {{"left", "yes"}};
  Navigation navigation = MustStart(prev, context);
  EXPECT_EQ(navigation.kind, Navigation::Kind::kPrev);
  EXPECT_EQ(context.variables.Get("left"), "yes");
  EXPECT_EQ(context.PopForPrev(), "http://wap.example.com/shop/index.wml");
}

TEST(WmlTasks, RefreshShowsTheCardAgain) {
  WmlContext context;
  WmlTask refresh = Kind(WmlTask::Kind::kRefresh);
  refresh.setvars = {{"count", "2"}};
  Navigation navigation = MustStart(refresh, context);
  EXPECT_EQ(navigation.kind, Navigation::Kind::kRefresh);
  EXPECT_EQ(navigation.url, kCardUrl);
  EXPECT_EQ(context.variables.Get("count"), "2");
}

TEST(WmlTasks, NoopDoesNothing) {
  WmlContext context = ContextWith({{"a", "1"}});
  WmlContext before = context;
  Navigation navigation = MustStart(Kind(WmlTask::Kind::kNoop), context);
  EXPECT_EQ(navigation.kind, Navigation::Kind::kNone);
  EXPECT_EQ(context, before);
}

// ---- A submitted card ---------------------------------------------------------------------

TEST(WmlTasks, SubmittedFieldsBecomeVariablesBeforeTheTaskStarts) {
  WmlContext context;
  std::vector<std::pair<std::string, std::string>> fields = {
      {"deck", std::string(kCardUrl)},
      {"v.name", "Li Lei"},
      {"s.city.city_index", "3:gz"},
      {"s.tags.", "1:a"},
      {"s.tags.", "3:c"},
      {"s.code.", "2:x:y"},
      {std::string(kTaskField), EncodeTask(Go("r.wml?n=$(name)&c=$(city)&i=$(city_index)"))},
  };
  platform::Result<Navigation> navigation = ResolveTaskSubmission(fields, kCardUrl, context);
  ASSERT_TRUE(navigation.ok()) << navigation.error();
  EXPECT_EQ(navigation->kind, Navigation::Kind::kGo);
  EXPECT_THAT(navigation->url, StartsWith("http://wap.example.com/shop/r.wml?"));
  EXPECT_THAT(DecodeQuery(QueryOf(navigation->url)),
              ElementsAre(Pair("n", "Li Lei"), Pair("c", "gz"), Pair("i", "3")));
  EXPECT_EQ(context.variables.Get("name"), "Li Lei");
  EXPECT_EQ(context.variables.Get("city"), "gz");
  EXPECT_EQ(context.variables.Get("city_index"), "3");
  EXPECT_EQ(context.variables.Get("tags"), "a;c");
  EXPECT_EQ(context.variables.Get("code"), "x:y");
  EXPECT_FALSE(context.variables.Has("deck"));
}

TEST(WmlTasks, SubmittedIndexOnlySelect) {
  WmlContext context;
  platform::Result<Navigation> navigation = ResolveTaskSubmission(
      {{"s..choice", "2:b"}, {"s..many", "1:a"}, {"s..many", "4:d"}}, kCardUrl, context);
  ASSERT_TRUE(navigation.ok());
  EXPECT_EQ(navigation->kind, Navigation::Kind::kNone);  // no task pressed
  EXPECT_EQ(context.variables.Get("choice"), "2");
  EXPECT_EQ(context.variables.Get("many"), "1;4");
  EXPECT_EQ(context.variables.size(), 2u);
}

TEST(WmlTasks, SubmittedSetvarsWinOverInputs) {
  WmlContext context;
  WmlTask task = Go("x.wml");
  task.setvars = {{"name", "from setvar"}};
  platform::Result<Navigation> navigation = ResolveTaskSubmission(
      {{"v.name", "typed"}, {"v.other", "typed too"}, {std::string(kTaskField), EncodeTask(task)}},
      kCardUrl, context);
  ASSERT_TRUE(navigation.ok());
  EXPECT_EQ(context.variables.Get("name"), "from setvar");
  EXPECT_EQ(context.variables.Get("other"), "typed too");
}

TEST(WmlTasks, SubmittedFieldsOutsideTheRulesAreIgnored) {
  WmlContext context;
  platform::Result<Navigation> navigation = ResolveTaskSubmission(
      {{"v.1bad", "x"}, {"v.", "x"}, {"s.nocolon.", "plain"}, {"s.nodot", "1:a"}, {"other", "x"}},
      kCardUrl, context);
  ASSERT_TRUE(navigation.ok());
  EXPECT_EQ(context.variables.size(), 0u);
}

TEST(WmlTasks, SubmittedMalformedTaskFails) {
  WmlContext context;
  EXPECT_FALSE(
      ResolveTaskSubmission({{std::string(kTaskField), "t=explode"}}, kCardUrl, context).ok());
}

}  // namespace
}  // namespace tovarin::gateway
