#include "platform/gtk/webkit_browser_view.h"

#include <cstdio>

namespace tovarin::platform::gtk {

// The view as seen by its page objects: documents and windows may outlive the view (the shell
// keeps the stored document), so they reach it through this link, cleared when it goes.
struct WebKitViewLink {
  WebKitBrowserView* view = nullptr;
  // While a frame's document report is handled: that document, and the scripts its window was
  // handed, which go back to the frame in the reply.
  std::uint64_t reporting_document = 0;
  std::vector<std::string>* reply_scripts = nullptr;
};

namespace {

// Injected into every frame at document start, in the page's own script world, before any of
// the page's scripts. It keeps its own references to what it needs (the page may replace
// eval, JSON or the message handler later), reports the new document and runs the scripts of
// the reply one by one with an indirect eval: in the frame's global scope. A page whose
// Content-Security-Policy forbids eval (the rendering service's pages forbid every script)
// says so in its report; the view then runs a main frame's scripts itself.
constexpr const char* kPageBridge = R"JS((function () {
  var handlers = window.webkit && window.webkit.messageHandlers;
  var channel = handlers && handlers.tovarinPage;
  if (!channel) return;
  var run = eval;
  var parse = JSON.parse;
  var type = String(document.contentType);
  var evalRuns = true;
  try { run('0'); } catch (e) { evalRuns = false; }
  var report = {
    main: window.top === window,
    url: String(location.href),
    html: type === 'text/html' || type === 'application/xhtml+xml',
    evalRuns: evalRuns
  };
  channel.postMessage(report).then(function (reply) {
    var scripts = parse(reply);
    for (var i = 0; i < scripts.length; i++) {
      try { run(scripts[i]); } catch (e) { break; }
    }
  }, function () {});
})();)JS";

constexpr const char* kPageChannel = "tovarinPage";

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (byte < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

std::string JsonArray(const std::vector<std::string>& items) {
  std::string out = "[";
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += ",";
    out += JsonString(items[i]);
  }
  return out + "]";
}

bool KnownLanguage(std::string_view language) {
  return language.empty() || g_ascii_strcasecmp(std::string(language).c_str(), "JScript") == 0 ||
         g_ascii_strcasecmp(std::string(language).c_str(), "JavaScript") == 0;
}

bool ReadBool(JSCValue* object, const char* name) {
  JSCValue* property = jsc_value_object_get_property(object, name);
  const bool value = property != nullptr && jsc_value_to_boolean(property);
  if (property != nullptr) g_object_unref(property);
  return value;
}

std::string ReadString(JSCValue* object, const char* name) {
  JSCValue* property = jsc_value_object_get_property(object, name);
  std::string value;
  if (property != nullptr && jsc_value_is_string(property)) {
    char* text = jsc_value_to_string(property);
    if (text != nullptr) value = text;
    g_free(text);
  }
  if (property != nullptr) g_object_unref(property);
  return value;
}

// Scripts the view runs in a main-frame document one after another (its page forbids eval).
struct MainFrameScripts {
  std::shared_ptr<WebKitViewLink> link;
  std::uint64_t document_id = 0;
  std::vector<std::string> scripts;
  std::size_t next = 0;
};

}  // namespace

class WebKitScriptWindow final : public ScriptWindow {
 public:
  WebKitScriptWindow(std::shared_ptr<WebKitViewLink> link, std::uint64_t document_id)
      : link_(std::move(link)), document_id_(document_id) {}

  Status ExecScript(std::string_view script, std::string_view language) override {
    if (!KnownLanguage(language)) return Error{"unknown script language: " + std::string(language)};
    if (link_->view == nullptr) return Error{"the browser view is gone"};
    if (link_->reporting_document == document_id_ && link_->reply_scripts != nullptr) {
      link_->reply_scripts->emplace_back(script);
      return {};
    }
    if (!link_->view->IsCurrentMainDocument(document_id_))
      return Error{"the document's window is gone"};
    link_->view->EvaluateInMainFrame(std::string(script));
    return {};
  }

 private:
  std::shared_ptr<WebKitViewLink> link_;
  std::uint64_t document_id_;
};

class WebKitHtmlDocument final : public HtmlDocument {
 public:
  WebKitHtmlDocument(std::shared_ptr<WebKitViewLink> link, std::uint64_t id)
      : window_(std::make_shared<WebKitScriptWindow>(std::move(link), id)) {}
  std::shared_ptr<ScriptWindow> ParentWindow() override { return window_; }
  void SetOnContextMenu(std::function<bool()> handler) override {
    on_context_menu_ = std::move(handler);
  }
  // True when the page's context menu may show.
  bool ContextMenu() {
    bool show = true;
    if (on_context_menu_) glib::GuardCallback([&] { show = on_context_menu_(); });
    return show;
  }

 private:
  std::shared_ptr<WebKitScriptWindow> window_;
  std::function<bool()> on_context_menu_;
};

// A frame as its events name it: with the document it shows, or none.
class WebKitFrameObject final : public BrowserFrame {
 public:
  explicit WebKitFrameObject(std::shared_ptr<HtmlDocument> document)
      : document_(std::move(document)) {}
  std::shared_ptr<HtmlDocument> Document() override { return document_; }

 private:
  std::shared_ptr<HtmlDocument> document_;
};

WebKitBrowserView::WebKitBrowserView(GtkFixed* fixed, const ChildSettings& settings,
                                     std::function<void()> restack)
    : context_(webkit_web_context_new_ephemeral()),
      content_(webkit_user_content_manager_new()),
      link_(std::make_shared<WebKitViewLink>()) {
  link_->view = this;
  webkit_web_context_set_cache_model(context_.get(), WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
  g_signal_connect(context_.get(), "download-started", G_CALLBACK(OnDownloadStarted), this);

  g_signal_connect(content_.get(), "script-message-with-reply-received::tovarinPage",
                   G_CALLBACK(OnPageMessage), this);
  webkit_user_content_manager_register_script_message_handler_with_reply(content_.get(),
                                                                         kPageChannel, nullptr);
  WebKitUserScript* bridge =
      webkit_user_script_new(kPageBridge, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                             WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
  webkit_user_content_manager_add_script(content_.get(), bridge);
  webkit_user_script_unref(bridge);

  WebKitSettings* web_settings = webkit_settings_new_with_settings(
      "hardware-acceleration-policy", WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER,
      "javascript-can-open-windows-automatically", FALSE, "enable-developer-extras", FALSE,
      "enable-webgl", FALSE, "enable-webaudio", FALSE, "enable-media", FALSE, "enable-media-stream",
      FALSE, "enable-mediasource", FALSE, "enable-page-cache", FALSE,
      "enable-back-forward-navigation-gestures", FALSE, nullptr);
  view_ = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context_.get(),
                                  "user-content-manager", content_.get(), "settings", web_settings,
                                  nullptr));
  g_object_unref(web_settings);
  gtk_widget_set_name(view_, settings.name.c_str());

  g_signal_connect(view_, "decide-policy", G_CALLBACK(OnDecidePolicy), this);
  g_signal_connect(view_, "load-changed", G_CALLBACK(OnLoadChanged), this);
  g_signal_connect(view_, "load-failed", G_CALLBACK(OnLoadFailed), this);
  g_signal_connect(view_, "create", G_CALLBACK(OnCreate), this);
  g_signal_connect(view_, "context-menu", G_CALLBACK(OnContextMenu), this);
  g_signal_connect(view_, "script-dialog", G_CALLBACK(OnScriptDialog), this);
  g_signal_connect(view_, "permission-request", G_CALLBACK(OnPermissionRequest), this);
  g_signal_connect(view_, "run-file-chooser", G_CALLBACK(OnFileChooser), this);
  g_signal_connect(view_, "authenticate", G_CALLBACK(OnAuthenticate), this);
  g_signal_connect(view_, "print", G_CALLBACK(OnSuppress), this);
  g_signal_connect(view_, "show-notification", G_CALLBACK(OnSuppress), this);
  g_signal_connect(view_, "run-color-chooser", G_CALLBACK(OnSuppress), this);
  g_signal_connect(view_, "web-process-terminated", G_CALLBACK(OnWebProcessTerminated), this);

  placement_ = std::make_unique<ChildPlacement>(fixed, PlaceInFrame(fixed, view_), settings,
                                                std::move(restack));
}

Result<std::unique_ptr<WebKitBrowserView>> WebKitBrowserView::Create(
    GtkFixed* fixed, const ChildSettings& settings, std::function<void()> restack) {
  std::unique_ptr<WebKitBrowserView> view(
      new WebKitBrowserView(fixed, settings, std::move(restack)));
  if (view->view_ == nullptr || !WEBKIT_IS_WEB_VIEW(view->view_))
    return Error{"WebKit cannot make a web view"};
  return view;
}

WebKitBrowserView::~WebKitBrowserView() {
  link_->view = nullptr;
  link_->reply_scripts = nullptr;
  if (pending_timeout_ != 0) g_source_remove(pending_timeout_);
  g_signal_handlers_disconnect_by_data(context_.get(), this);
  g_signal_handlers_disconnect_by_data(content_.get(), this);
  if (view_ != nullptr) {
    g_signal_handlers_disconnect_by_data(view_, this);
    webkit_web_view_stop_loading(WEBKIT_WEB_VIEW(view_));
  }
}

Status WebKitBrowserView::Navigate(const std::string& url) {
  if (url.empty()) return Error{"empty address"};
  if (url.find('\0') != std::string::npos) return Error{"the address holds a NUL character"};
  if (url.size() > kMaxUrlBytes) return Error{"the address is longer than the view takes"};
  pending_ = true;
  if (pending_timeout_ != 0) g_source_remove(pending_timeout_);
  pending_timeout_ = g_timeout_add(kNavigationStartTimeoutMs, OnNavigationTimeout, this);
  webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view_), url.c_str());
  return {};
}

void WebKitBrowserView::Stop() {
  EndPending();
  webkit_web_view_stop_loading(WEBKIT_WEB_VIEW(view_));
}

bool WebKitBrowserView::Busy() const {
  return pending_ || webkit_web_view_is_loading(WEBKIT_WEB_VIEW(view_));
}

std::shared_ptr<HtmlDocument> WebKitBrowserView::Document() { return main_document_; }

void WebKitBrowserView::EvaluateInMainFrame(const std::string& script) {
  webkit_web_view_evaluate_javascript(WEBKIT_WEB_VIEW(view_), script.c_str(),
                                      static_cast<gssize>(script.size()), nullptr, nullptr, nullptr,
                                      nullptr, nullptr);
}

void WebKitBrowserView::RunInMainFrame(std::uint64_t document_id,
                                       std::vector<std::string> scripts) {
  auto run = std::make_unique<MainFrameScripts>();
  run->link = link_;
  run->document_id = document_id;
  run->scripts = std::move(scripts);
  RunNextInMainFrame(run.release());
}

// Takes ownership of `data` (a MainFrameScripts). Runs its next script while the view and its
// document are still there; the reply comes back to OnMainFrameScriptRun with the same data.
void WebKitBrowserView::RunNextInMainFrame(void* data) {
  std::unique_ptr<MainFrameScripts> run(static_cast<MainFrameScripts*>(data));
  WebKitBrowserView* view = run->link->view;
  if (view == nullptr || run->next >= run->scripts.size() ||
      !view->IsCurrentMainDocument(run->document_id))
    return;
  const std::string& script = run->scripts[run->next++];
  webkit_web_view_evaluate_javascript(WEBKIT_WEB_VIEW(view->view_), script.c_str(),
                                      static_cast<gssize>(script.size()), nullptr, nullptr, nullptr,
                                      OnMainFrameScriptRun, run.get());
  (void)run.release();  // owned by the pending evaluation now
}

void WebKitBrowserView::OnMainFrameScriptRun(GObject* source, GAsyncResult* result, gpointer data) {
  GError* error = nullptr;
  JSCValue* value =
      webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
  if (value != nullptr) g_object_unref(value);
  // A script that threw ends the rest, as in the page bridge; a result that cannot be handed
  // back (a function, a node) is no failure.
  const bool threw = error != nullptr && !g_error_matches(error, WEBKIT_JAVASCRIPT_ERROR,
                                                          WEBKIT_JAVASCRIPT_ERROR_INVALID_RESULT);
  if (error != nullptr) g_error_free(error);
  if (threw) {
    std::unique_ptr<MainFrameScripts> dropped(static_cast<MainFrameScripts*>(data));
    return;
  }
  RunNextInMainFrame(data);
}

void WebKitBrowserView::EndPending() {
  pending_ = false;
  if (pending_timeout_ != 0) {
    g_source_remove(pending_timeout_);
    pending_timeout_ = 0;
  }
}

gboolean WebKitBrowserView::OnNavigationTimeout(gpointer self) {
  auto* view = static_cast<WebKitBrowserView*>(self);
  view->pending_timeout_ = 0;
  view->pending_ = false;
  return G_SOURCE_REMOVE;
}

bool WebKitBrowserView::RaiseNewWindow() {
  bool cancel = false;
  if (sink_ != nullptr) glib::GuardCallback([&] { sink_->NewWindow2(cancel); });
  return cancel;
}

gboolean WebKitBrowserView::OnDecidePolicy(WebKitWebView* /*web_view*/,
                                           WebKitPolicyDecision* decision,
                                           WebKitPolicyDecisionType type, gpointer self) {
  auto* view = static_cast<WebKitBrowserView*>(self);
  if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
    // Nothing is downloaded: a response the view cannot show is dropped.
    auto* response = WEBKIT_RESPONSE_POLICY_DECISION(decision);
    if (!webkit_response_policy_decision_is_mime_type_supported(response)) {
      webkit_policy_decision_ignore(decision);
      return TRUE;
    }
    return FALSE;
  }
  auto* navigation = WEBKIT_NAVIGATION_POLICY_DECISION(decision);
  WebKitNavigationAction* action =
      webkit_navigation_policy_decision_get_navigation_action(navigation);
  if (type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
    if (view->RaiseNewWindow()) {
      webkit_policy_decision_ignore(decision);
      return TRUE;
    }
    view->new_window_asked_ = true;
    return FALSE;
  }
  NavigationRequest request;
  WebKitURIRequest* uri_request = webkit_navigation_action_get_request(action);
  if (const char* uri = webkit_uri_request_get_uri(uri_request)) request.url = uri;
  if (const char* frame_name = webkit_navigation_action_get_frame_name(action))
    request.target_frame_name = frame_name;
  // The frame's new document does not exist yet.
  WebKitFrameObject frame(nullptr);
  bool cancel = false;
  if (view->sink_ != nullptr)
    glib::GuardCallback([&] { view->sink_->BeforeNavigate2(frame, request, cancel); });
  if (cancel) {
    webkit_policy_decision_ignore(decision);
    return TRUE;
  }
  return FALSE;
}

void WebKitBrowserView::OnLoadChanged(WebKitWebView* /*web_view*/, WebKitLoadEvent event,
                                      gpointer self) {
  auto* view = static_cast<WebKitBrowserView*>(self);
  if (event == WEBKIT_LOAD_STARTED) {
    view->EndPending();  // the view's own loading state takes over
    if (view->sink_ != nullptr) glib::GuardCallback([&] { view->sink_->DownloadBegin(); });
  } else if (event == WEBKIT_LOAD_FINISHED) {
    view->EndPending();
    if (view->sink_ != nullptr) glib::GuardCallback([&] { view->sink_->DownloadComplete(); });
  }
}

gboolean WebKitBrowserView::OnLoadFailed(WebKitWebView* /*web_view*/, WebKitLoadEvent /*event*/,
                                         gchar* /*uri*/, GError* error, gpointer self) {
  static_cast<WebKitBrowserView*>(self)->EndPending();
  // A dropped response (see OnDecidePolicy) and a stopped load leave the page as it was;
  // other failures show WebKit's error page in the view.
  if (g_error_matches(error, WEBKIT_POLICY_ERROR,
                      WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE) ||
      g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED)) {
    return TRUE;
  }
  return FALSE;
}

GtkWidget* WebKitBrowserView::OnCreate(WebKitWebView* /*web_view*/,
                                       WebKitNavigationAction* /*action*/, gpointer self) {
  auto* view = static_cast<WebKitBrowserView*>(self);
  // A link's new window was asked about already in its navigation decision; a script's
  // window.open comes here first.
  if (!view->new_window_asked_) view->RaiseNewWindow();
  view->new_window_asked_ = false;
  return nullptr;  // no second view: the window is refused
}

gboolean WebKitBrowserView::OnContextMenu(WebKitWebView* /*web_view*/, WebKitContextMenu* /*menu*/,
                                          GdkEvent* /*event*/, WebKitHitTestResult* /*hit*/,
                                          gpointer self) {
  auto* view = static_cast<WebKitBrowserView*>(self);
  if (view->main_document_ && !view->main_document_->ContextMenu()) return TRUE;
  return FALSE;
}

gboolean WebKitBrowserView::OnScriptDialog(WebKitWebView* /*web_view*/,
                                           WebKitScriptDialog* /*dialog*/, gpointer self) {
  return static_cast<WebKitBrowserView*>(self)->silent_ ? TRUE : FALSE;
}

gboolean WebKitBrowserView::OnPermissionRequest(WebKitWebView* /*web_view*/,
                                                WebKitPermissionRequest* request,
                                                gpointer /*self*/) {
  webkit_permission_request_deny(request);
  return TRUE;
}

gboolean WebKitBrowserView::OnFileChooser(WebKitWebView* /*web_view*/,
                                          WebKitFileChooserRequest* request, gpointer /*self*/) {
  webkit_file_chooser_request_cancel(request);
  return TRUE;
}

gboolean WebKitBrowserView::OnAuthenticate(WebKitWebView* /*web_view*/,
                                           WebKitAuthenticationRequest* request,
                                           gpointer /*self*/) {
  webkit_authentication_request_cancel(request);
  return TRUE;
}

gboolean WebKitBrowserView::OnSuppress(WebKitWebView* /*web_view*/, gpointer /*arg*/,
                                       gpointer /*self*/) {
  return TRUE;
}

void WebKitBrowserView::OnWebProcessTerminated(WebKitWebView* /*web_view*/,
                                               WebKitWebProcessTerminationReason /*reason*/,
                                               gpointer self) {
  static_cast<WebKitBrowserView*>(self)->EndPending();
}

void WebKitBrowserView::OnDownloadStarted(WebKitWebContext* /*context*/, WebKitDownload* download,
                                          gpointer /*self*/) {
  webkit_download_cancel(download);
}

gboolean WebKitBrowserView::OnPageMessage(WebKitUserContentManager* /*manager*/, JSCValue* value,
                                          WebKitScriptMessageReply* reply, gpointer self) {
  glib::GuardCallback(
      [&] { static_cast<WebKitBrowserView*>(self)->HandlePageMessage(value, reply); });
  return TRUE;
}

void WebKitBrowserView::HandlePageMessage(JSCValue* value, WebKitScriptMessageReply* reply) {
  std::vector<std::string> scripts;
  std::vector<std::string> later;
  std::uint64_t later_document = 0;
  if (jsc_value_is_object(value)) {
    const bool main = ReadBool(value, "main");
    const bool html = ReadBool(value, "html");
    const std::string url = ReadString(value, "url");
    const bool eval_runs = ReadBool(value, "evalRuns");
    const std::uint64_t id = next_document_id_++;
    std::shared_ptr<WebKitHtmlDocument> document;
    if (html) document = std::make_shared<WebKitHtmlDocument>(link_, id);
    if (main) {
      main_document_id_ = id;
      main_document_ = document;
    }
    link_->reporting_document = id;
    link_->reply_scripts = &scripts;
    WebKitFrameObject frame(document);
    if (sink_ != nullptr) glib::GuardCallback([&] { sink_->NavigateComplete2(frame, url); });
    link_->reporting_document = 0;
    link_->reply_scripts = nullptr;
    // Where eval is forbidden the page cannot run the scripts; the view runs a main frame's
    // after the reply (a frame's cannot be reached from here, and stay unrun).
    if (main && !eval_runs && !scripts.empty()) {
      later = std::move(scripts);
      later_document = id;
      scripts.clear();
    }
  }
  const std::string json = JsonArray(scripts);
  JSCValue* answer = jsc_value_new_string(jsc_value_get_context(value), json.c_str());
  webkit_script_message_reply_return_value(reply, answer);
  g_object_unref(answer);
  if (!later.empty()) RunInMainFrame(later_document, std::move(later));
}

}  // namespace tovarin::platform::gtk
