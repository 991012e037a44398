#pragma once
// WebKitBrowserView: the browser view on WebKit2GTK.
//
// How the view's events map onto WebKit:
//  - BeforeNavigate2: the "decide-policy" navigation decision, which WebKit asks for every
//    navigation, frames included; cancel ignores the navigation.
//  - NewWindow2: the new-window decision and the "create" signal; the view never makes a
//    second view, so a page's new window never appears.
//  - DownloadBegin / DownloadComplete: the main frame's load start and finish.
//  - NavigateComplete2: a page script injected into every frame at document start reports the
//    frame's new document to the view (a script message with reply). The shell's handler runs
//    during that message; the scripts it hands to the frame's window (ExecScript) go back in
//    the reply and run in that frame's own global scope, before the page's code goes on. A
//    page whose Content-Security-Policy forbids eval (every page of the rendering service)
//    cannot run them so: for a main frame the view runs them right after the reply, one by
//    one, in the page's global scope; a frame's stay unrun.
//    Later ExecScript calls reach the main frame's current document only.
//  - The document's context-menu event: the view's "context-menu" signal, asked of the main
//    frame's current document.
// Busy is true from Navigate until the load has ended. The view shows no file chooser,
// permission prompt, print dialog or authentication prompt, and downloads nothing: a response
// it cannot show is dropped. While Silent it shows no script dialog either.

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/glib/callback_guard.h"
#include "platform/glib/glib_holders.h"
#include "platform/gtk/form_window_children.h"
#include "platform/host/browser_view.h"

namespace tovarin::platform::gtk {

// Longest address the view takes; longer ones are refused by Navigate.
inline constexpr std::size_t kMaxUrlBytes = 2 * 1024 * 1024;
// A navigation that has not started loading after this long no longer counts as busy (an
// address WebKit drops without any load event would otherwise keep the view busy forever).
inline constexpr unsigned kNavigationStartTimeoutMs = 15000;

class WebKitHtmlDocument;
struct WebKitViewLink;

class WebKitBrowserView final : public BrowserView {
 public:
  static Result<std::unique_ptr<WebKitBrowserView>> Create(GtkFixed* fixed,
                                                           const ChildSettings& settings,
                                                           std::function<void()> restack);
  ~WebKitBrowserView() override;
  WebKitBrowserView(const WebKitBrowserView&) = delete;
  WebKitBrowserView& operator=(const WebKitBrowserView&) = delete;

  const std::string& Name() const override { return placement_->Name(); }
  bool Visible() const override { return placement_->Visible(); }
  void SetVisible(bool visible) override { placement_->SetVisible(visible); }
  TwipsRect Extent() const override { return placement_->Extent(); }
  void SetExtent(const TwipsRect& extent) override { placement_->SetExtent(extent); }

  void SetEventSink(BrowserViewEvents* sink) override { sink_ = sink; }
  Status Navigate(const std::string& url) override;
  void Stop() override;
  bool Busy() const override;
  bool Silent() const override { return silent_; }
  void SetSilent(bool silent) override { silent_ = silent; }
  std::shared_ptr<HtmlDocument> Document() override;

  // Runs `script` in the main frame's current document (fire and forget).
  void EvaluateInMainFrame(const std::string& script);
  bool IsCurrentMainDocument(std::uint64_t document_id) const {
    return document_id == main_document_id_;
  }

 private:
  WebKitBrowserView(GtkFixed* fixed, const ChildSettings& settings, std::function<void()> restack);

  static gboolean OnDecidePolicy(WebKitWebView* view, WebKitPolicyDecision* decision,
                                 WebKitPolicyDecisionType type, gpointer self);
  static void OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self);
  static gboolean OnLoadFailed(WebKitWebView* view, WebKitLoadEvent event, gchar* uri,
                               GError* error, gpointer self);
  static GtkWidget* OnCreate(WebKitWebView* view, WebKitNavigationAction* action, gpointer self);
  static gboolean OnContextMenu(WebKitWebView* view, WebKitContextMenu* menu, GdkEvent* event,
                                WebKitHitTestResult* hit, gpointer self);
  static gboolean OnScriptDialog(WebKitWebView* view, WebKitScriptDialog* dialog, gpointer self);
  static gboolean OnPermissionRequest(WebKitWebView* view, WebKitPermissionRequest* request,
                                      gpointer self);
  static gboolean OnFileChooser(WebKitWebView* view, WebKitFileChooserRequest* request,
                                gpointer self);
  static gboolean OnAuthenticate(WebKitWebView* view, WebKitAuthenticationRequest* request,
                                 gpointer self);
  static gboolean OnSuppress(WebKitWebView* view, gpointer arg, gpointer self);
  static void OnWebProcessTerminated(WebKitWebView* view, WebKitWebProcessTerminationReason reason,
                                     gpointer self);
  static void OnDownloadStarted(WebKitWebContext* context, WebKitDownload* download, gpointer self);
  static gboolean OnPageMessage(WebKitUserContentManager* manager, JSCValue* value,
                                WebKitScriptMessageReply* reply, gpointer self);
  static gboolean OnNavigationTimeout(gpointer self);

  void HandlePageMessage(JSCValue* value, WebKitScriptMessageReply* reply);
  // Runs `scripts` in order in the main frame while `document_id` is its document; a script
  // that throws ends the rest.
  void RunInMainFrame(std::uint64_t document_id, std::vector<std::string> scripts);
  static void RunNextInMainFrame(void* data);
  static void OnMainFrameScriptRun(GObject* source, GAsyncResult* result, gpointer data);
  bool RaiseNewWindow();
  void EndPending();

  glib::GObjectPtr<WebKitWebContext> context_;
  glib::GObjectPtr<WebKitUserContentManager> content_;
  GtkWidget* view_ = nullptr;
  std::unique_ptr<ChildPlacement> placement_;
  std::shared_ptr<WebKitViewLink> link_;
  BrowserViewEvents* sink_ = nullptr;
  bool silent_ = false;
  bool pending_ = false;
  guint pending_timeout_ = 0;
  bool new_window_asked_ = false;
  std::uint64_t next_document_id_ = 1;
  std::uint64_t main_document_id_ = 0;
  std::shared_ptr<WebKitHtmlDocument> main_document_;
};

}  // namespace tovarin::platform::gtk
