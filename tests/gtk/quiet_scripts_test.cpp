// The shell's five quiet scripts in a page the rendering service answers. The service sends a
// Content-Security-Policy that forbids every script of the page (script-src 'none', so no eval
// either); the scripts Form1 hands to each new document must still take effect in the real
// WebKit view, or a page could raise dialogs and windows.
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "gateway/service/gateway_server.h"
#include "platform/gtk/webkit_browser_view.h"
#include "platform/headless/controls/loopback_http_server.h"
#include "shell/form1.h"

namespace tovarin::platform::gtk {
namespace {

using std::chrono::milliseconds;
using namespace std::chrono_literals;

// Runs the main loop until `done` holds or the time is up (a guard against hanging, not a
// speed check); returns whether `done` held.
bool RunUntil(const std::function<bool()>& done, milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    if (!g_main_context_iteration(nullptr, FALSE)) std::this_thread::sleep_for(milliseconds(2));
  }
  return true;
}

// Form1's page handling, as far as the scripts go: each new HTML document's window is handed the
// five scripts in order, the last in "JScript"; what each ExecScript answered is kept.
class QuietScriptsSink final : public BrowserViewEvents {
 public:
  struct Report {
    std::string url;
    bool html = false;
    std::vector<std::string> answers;  // "ok" or the error, one per script handed over
  };
  std::vector<Report> reports;
  int completed = 0;
  int new_windows = 0;

  void DownloadBegin() override {}
  void DownloadComplete() override { ++completed; }
  void BeforeNavigate2(BrowserFrame&, const NavigationRequest&, bool&) override {}
  void NewWindow2(bool& cancel) override {
    ++new_windows;
    cancel = true;
  }
  void NavigateComplete2(BrowserFrame& frame, const std::string& url) override {
    Report report{url, false, {}};
    for (int i = 0; i < 5; ++i) {
      std::shared_ptr<HtmlDocument> document = frame.Document();
      if (!document) break;
      report.html = true;
      std::shared_ptr<ScriptWindow> window = document->ParentWindow();
      if (!window) break;
      const Status run = window->ExecScript(shell::kQuietScripts[i], i == 4 ? "JScript" : "");
      report.answers.push_back(run.ok() ? "ok" : run.error());
      if (!run.ok()) break;
    }
    reports.push_back(std::move(report));
  }
};

WebKitWebView* FindWebView(GtkWidget* widget) {
  if (WEBKIT_IS_WEB_VIEW(widget)) return WEBKIT_WEB_VIEW(widget);
  if (!GTK_IS_CONTAINER(widget)) return nullptr;
  GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
  WebKitWebView* found = nullptr;
  for (GList* child = children; child != nullptr && found == nullptr; child = child->next) {
    found = FindWebView(GTK_WIDGET(child->data));
  }
  g_list_free(children);
  return found;
}

// A deck of one card with a title, a link and a field, as a WAP site sends it.
constexpr const char* kDeck =
    "<?xml version=\"1.0\"?>\n"
    "<!DOCTYPE wml PUBLIC \"-//WAP//DTD WML 1.1//EN\" "
    "\"http://www.wapforum.org/DTD/wml_1.1.xml\">\n"
    "<wml><card id=\"main\" title=\"Quiet card\"><p>Hello <a href=\"other.wml\">other</a></p>"
    "<p><input name=\"q\" value=\"x\"/></p></card></wml>";

class QuietScriptsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!gtk_init_check(nullptr, nullptr)) GTEST_SKIP() << "no display";
    auto origin = headless::LoopbackHttpServer::Start(std::chrono::seconds(60));
    ASSERT_TRUE(origin.ok()) << origin.error();
    origin_ = std::move(origin).value();
    headless::LoopbackResponse deck;
    deck.body.assign(kDeck, kDeck + std::char_traits<char>::length(kDeck));
    deck.headers = {{"Content-Type", "text/vnd.wap.wml; charset=utf-8"}};
    origin_->Serve("/deck.wml", deck);

    gateway::GatewayOptions options;
    options.path_prefix = "/0123456789abcdef0123456789abcdef";
    auto service = gateway::GatewayServer::Listen(std::move(options), "127.0.0.1", 0);
    ASSERT_TRUE(service.ok()) << service.error();
    service_ = std::move(service).value();

    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(window_), 240, 320);
    GtkWidget* fixed = gtk_fixed_new();
    gtk_container_add(GTK_CONTAINER(window_), fixed);
    ChildSettings settings;
    settings.name = "W1";
    settings.extent = TwipsRect{0, 0, 3600, 4800};
    auto view = WebKitBrowserView::Create(GTK_FIXED(fixed), settings, [] {});
    ASSERT_TRUE(view.ok()) << view.error();
    view_ = std::move(view).value();
    view_->SetSilent(true);
    view_->SetEventSink(&sink_);
    web_view_ = FindWebView(window_);
    ASSERT_NE(web_view_, nullptr);
    gtk_widget_show_all(window_);
  }

  void TearDown() override {
    if (cancellable_ != nullptr) {
      g_cancellable_cancel(cancellable_);
      RunUntil([&] { return !evaluating_; }, 5s);
      g_object_unref(cancellable_);
    }
    view_.reset();
    if (window_ != nullptr) gtk_widget_destroy(window_);
    RunUntil([] { return false; }, milliseconds(50));
    service_.reset();
  }

  // The value of `script` run in the main frame's page, as a string; nullopt when it failed.
  std::optional<std::string> Evaluate(const std::string& script) {
    if (cancellable_ == nullptr) cancellable_ = g_cancellable_new();
    evaluating_ = true;
    evaluated_.reset();
    webkit_web_view_evaluate_javascript(web_view_, script.c_str(), -1, nullptr, nullptr,
                                        cancellable_, &QuietScriptsTest::OnEvaluated, this);
    if (!RunUntil([&] { return !evaluating_; }, 10s)) {
      g_cancellable_cancel(cancellable_);
      RunUntil([&] { return !evaluating_; }, 5s);
    }
    return evaluated_;
  }

  static void OnEvaluated(GObject* source, GAsyncResult* result, gpointer self) {
    auto* test = static_cast<QuietScriptsTest*>(self);
    GError* error = nullptr;
    JSCValue* value =
        webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
    if (value != nullptr) {
      char* text = jsc_value_to_string(value);
      test->evaluated_ = text != nullptr ? text : "";
      g_free(text);
      g_object_unref(value);
    }
    if (error != nullptr) g_error_free(error);
    test->evaluating_ = false;
  }

  // The value of `script` once it is `expected` (the view may run the scripts just after the
  // page's report), or its last value after a few seconds.
  std::optional<std::string> EvaluateUntil(const std::string& script, const std::string& expected) {
    std::optional<std::string> value;
    RunUntil([&] { return (value = Evaluate(script)) == expected; }, 5s);
    return value;
  }

  // Opens `typed` through the service and waits until the page has loaded.
  void OpenThroughService(const std::string& typed) {
    ASSERT_TRUE(view_->Navigate(service_->ServicePrefix() + typed).ok());
    ASSERT_TRUE(RunUntil([&] { return sink_.completed > 0 && !view_->Busy(); }, 30s))
        << "the page never loaded";
  }

  std::unique_ptr<headless::LoopbackHttpServer> origin_;
  std::unique_ptr<gateway::GatewayServer> service_;
  GtkWidget* window_ = nullptr;
  std::unique_ptr<WebKitBrowserView> view_;
  WebKitWebView* web_view_ = nullptr;
  QuietScriptsSink sink_;
  GCancellable* cancellable_ = nullptr;
  bool evaluating_ = false;
  std::optional<std::string> evaluated_;
};

TEST_F(QuietScriptsTest, ScriptsTakeEffectInACardTheServiceAnswersWithItsPolicy) {
  ASSERT_NO_FATAL_FAILURE(
      OpenThroughService("127.0.0.1:" + std::to_string(origin_->Port()) + "/deck.wml"));
  ASSERT_EQ(origin_->RequestedPaths(), std::vector<std::string>{"/deck.wml"});
  // The service's card, under its policy: the page itself may run no script, not even eval.
  EXPECT_EQ(Evaluate("document.querySelector('h1.wml-title').textContent"), "Quiet card");
  EXPECT_EQ(Evaluate("(function(){try{eval('1');return 'eval ran'}catch(e){return e.name}})()"),
            "EvalError");

  ASSERT_EQ(sink_.reports.size(), 1u);
  const QuietScriptsSink::Report& report = sink_.reports[0];
  EXPECT_TRUE(report.html);
  EXPECT_EQ(report.url.rfind(service_->BaseUrl(), 0), 0u) << report.url;
  EXPECT_EQ(report.answers, std::vector<std::string>(5, "ok"));
  // The scripts ran in the page's own global scope: the three functions are null, and the
  // declared showModalDialog replaced the one nulled before it and returns nothing.
  const std::string effect =
      "[String(window.alert), String(window.confirm), String(window.open), typeof "
      "window.showModalDialog,"
      " String(window.showModalDialog())].join(' ')";
  EXPECT_EQ(EvaluateUntil(effect, "null null null function undefined"),
            "null null null function undefined");
  EXPECT_EQ(sink_.new_windows, 0);
}

TEST_F(QuietScriptsTest, ScriptsTakeEffectInTheServicesOwnErrorPage) {
  // An address that cannot be fetched: the service answers its error page, under the same policy.
  ASSERT_NO_FATAL_FAILURE(OpenThroughService("wap.unreachable.invalid/"));
  EXPECT_EQ(Evaluate("(function(){try{eval('1');return 'eval ran'}catch(e){return e.name}})()"),
            "EvalError");
  ASSERT_EQ(sink_.reports.size(), 1u);
  EXPECT_EQ(sink_.reports[0].answers, std::vector<std::string>(5, "ok"));
  const std::string effect =
      "[String(window.alert), String(window.confirm), String(window.open)].join(' ')";
  EXPECT_EQ(EvaluateUntil(effect, "null null null"), "null null null");
}

}  // namespace
}  // namespace tovarin::platform::gtk
