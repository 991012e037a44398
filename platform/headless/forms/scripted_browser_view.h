#pragma once
// ScriptedBrowserView: a browser view for tests. It loads nothing; a test scripts what the
// pages do (LoadPage, the Raise* calls) and reads back what the shell asked of the view
// (navigations, stops, Silent, size, the scripts each window ran).
//
// Page model: every script window starts with the page functions alert, confirm, open and
// showModalDialog that would raise a dialog or a window. ExecScript understands the
// statements "window.NAME=null;" (the function is gone: calling it fails) and
// "function NAME(){return;}" (the function does nothing); any other script text is recorded
// and changes nothing. CallPageFunction tells what a later call by the page would do.

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/host/browser_view.h"

namespace tovarin::platform::headless {

// Longest address the scripted view accepts, like the WebKit view.
inline constexpr std::size_t kScriptedMaxUrlBytes = 2 * 1024 * 1024;

struct ExecutedScript {
  std::string text;
  std::string language;
  friend bool operator==(const ExecutedScript&, const ExecutedScript&) = default;
};

enum class PageCallResult {
  kShowsDialog,  // the page's own function runs: a dialog or window would appear
  kFails,        // the function is null: the call throws
  kDoesNothing,  // the function was replaced by an inert one
};

class ScriptedScriptWindow final : public ScriptWindow {
 public:
  Status ExecScript(std::string_view script, std::string_view language) override;
  const std::vector<ExecutedScript>& Executed() const { return executed_; }
  PageCallResult CallPageFunction(const std::string& name) const;
  // Makes every following ExecScript fail (a window that refuses scripts).
  void SetRefuseScripts(bool refuse) { refuse_ = refuse; }

 private:
  std::vector<ExecutedScript> executed_;
  std::map<std::string, PageCallResult> functions_;
  bool refuse_ = false;
};

class ScriptedDocument final : public HtmlDocument {
 public:
  // A document with a script window (or without one, for `with_window` false).
  explicit ScriptedDocument(bool with_window = true);
  std::shared_ptr<ScriptWindow> ParentWindow() override { return window_; }
  void SetOnContextMenu(std::function<bool()> handler) override {
    on_context_menu_ = std::move(handler);
  }
  // A right click in the document: true when the page's context menu shows.
  bool RightClick();
  bool HasContextMenuHandler() const { return static_cast<bool>(on_context_menu_); }
  ScriptedScriptWindow* Window() { return window_.get(); }

 private:
  std::shared_ptr<ScriptedScriptWindow> window_;
  std::function<bool()> on_context_menu_;
};

class ScriptedFrame final : public BrowserFrame {
 public:
  // A frame showing `document`; nullptr for a frame with no HTML document.
  explicit ScriptedFrame(std::shared_ptr<ScriptedDocument> document)
      : document_(std::move(document)) {}
  std::shared_ptr<HtmlDocument> Document() override { return document_; }
  ScriptedDocument* ScriptedDoc() { return document_.get(); }

 private:
  std::shared_ptr<ScriptedDocument> document_;
};

class ScriptedBrowserView final : public BrowserView {
 public:
  explicit ScriptedBrowserView(std::string name, TwipsRect extent)
      : name_(std::move(name)), extent_(extent) {}

  // FormChild
  const std::string& Name() const override { return name_; }
  bool Visible() const override { return visible_; }
  void SetVisible(bool visible) override { visible_ = visible; }
  TwipsRect Extent() const override { return extent_; }
  void SetExtent(const TwipsRect& extent) override;

  // BrowserView
  void SetEventSink(BrowserViewEvents* sink) override { sink_ = sink; }
  Status Navigate(const std::string& url) override;
  void Stop() override;
  bool Busy() const override { return busy_; }
  bool Silent() const override { return silent_; }
  void SetSilent(bool silent) override;
  std::shared_ptr<HtmlDocument> Document() override { return document_; }

  // --- What the shell asked
  const std::vector<std::string>& Navigations() const { return navigations_; }
  int StopCount() const { return stop_count_; }
  int SilentWrites() const { return silent_writes_; }
  // Every size the view was given, in order.
  const std::vector<TwipsRect>& ExtentHistory() const { return extent_history_; }
  BrowserViewEvents* Sink() const { return sink_; }

  // --- Scripting the pages
  void SetBusy(bool busy) { busy_ = busy; }
  // The main window's current document (nullptr: the view shows no HTML document).
  void SetDocument(std::shared_ptr<ScriptedDocument> document) { document_ = std::move(document); }
  // Raises BeforeNavigate2 for `frame`; returns the cancel flag the sink left.
  bool RaiseBeforeNavigate(BrowserFrame& frame, const std::string& url);
  void RaiseDownloadBegin();
  void RaiseDownloadComplete();
  void RaiseNavigateComplete(BrowserFrame& frame, const std::string& url);
  // Raises NewWindow2; returns the cancel flag the sink left.
  bool RaiseNewWindow();
  // A whole page load: busy; BeforeNavigate2, DownloadBegin, NavigateComplete2 for the main
  // window, then BeforeNavigate2 and NavigateComplete2 for each frame; the document becomes
  // current; DownloadComplete; idle. Returns false when the sink cancelled the main navigation
  // (nothing after the cancelled event is raised).
  bool LoadPage(
      const std::string& url, std::shared_ptr<ScriptedDocument> document,
      const std::vector<std::pair<std::string, std::shared_ptr<ScriptedDocument>>>& frames = {});

 private:
  std::string name_;
  TwipsRect extent_;
  bool visible_ = true;
  BrowserViewEvents* sink_ = nullptr;
  std::vector<std::string> navigations_;
  std::vector<TwipsRect> extent_history_;
  int stop_count_ = 0;
  int silent_writes_ = 0;
  bool busy_ = false;
  bool silent_ = false;
  std::shared_ptr<ScriptedDocument> document_;
};

}  // namespace tovarin::platform::headless
