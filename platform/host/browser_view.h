#pragma once
// BrowserView: the embedded HTML view a form holds, with the page objects the shell reaches
// through it. The WebKit2GTK implementation lives in platform/gtk, a scripted one for tests in
// platform/headless.
//
// Page objects:
//  - BrowserFrame: the browser object of the main window or of one frame.
//  - HtmlDocument: the HTML document a frame shows; it raises the context-menu event.
//  - ScriptWindow: the document's script window; ExecScript runs text in the page's own
//    global scope, so an assignment like "window.alert=null;" replaces the page's function.
// A frame that shows no HTML document (a picture, a plain-text result, a download) has no
// document; the accessors return nullptr then, never throw.
//
// Events reach one BrowserViewEvents sink, on the GUI thread, in this order for a navigation:
// BeforeNavigate2 (for every navigation, frames included) -> DownloadBegin ->
// NavigateComplete2 (once per window or frame whose document arrived) -> DownloadComplete.
// NewWindow2 is raised whenever a page asks for a new window; setting `cancel` refuses it.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/host/form_child.h"
#include "platform/result.h"

namespace tovarin::platform {

class ScriptWindow {
 public:
  virtual ~ScriptWindow() = default;
  // Runs `script` in the window's global scope. `language` is empty (the default language)
  // or "JScript"/"JavaScript"; any other language is refused with an error. The script's
  // result is not returned; a script that throws stops there.
  virtual Status ExecScript(std::string_view script, std::string_view language) = 0;
};

class HtmlDocument {
 public:
  virtual ~HtmlDocument() = default;
  // The document's script window, or nullptr when it has none.
  virtual std::shared_ptr<ScriptWindow> ParentWindow() = 0;
  // The document's context-menu event. The handler's result false suppresses the page's
  // context menu; true (or no handler) lets it show.
  virtual void SetOnContextMenu(std::function<bool()> handler) = 0;
};

class BrowserFrame {
 public:
  virtual ~BrowserFrame() = default;
  // The HTML document the frame shows, or nullptr.
  virtual std::shared_ptr<HtmlDocument> Document() = 0;
};

// Arguments of BeforeNavigate2 besides the frame and the cancel flag.
struct NavigationRequest {
  std::string url;
  int flags = 0;
  std::string target_frame_name;
  std::string post_data;
  std::string headers;
};

class BrowserViewEvents {
 public:
  virtual ~BrowserViewEvents() = default;
  virtual void DownloadBegin() = 0;
  virtual void DownloadComplete() = 0;
  virtual void BeforeNavigate2(BrowserFrame& frame, const NavigationRequest& request,
                               bool& cancel) = 0;
  virtual void NewWindow2(bool& cancel) = 0;
  virtual void NavigateComplete2(BrowserFrame& frame, const std::string& url) = 0;
};

class BrowserView : public FormChild {
 public:
  // The sink that receives the view's events (nullptr: none); not owned.
  virtual void SetEventSink(BrowserViewEvents* sink) = 0;

  // Starts loading `url` and returns at once; the events follow. Fails when the address
  // cannot be handed to the view (an empty one, one with a NUL character, one longer than
  // the view accepts).
  virtual Status Navigate(const std::string& url) = 0;
  // Cancels the loading under way; with nothing loading it does nothing.
  virtual void Stop() = 0;
  // True from a Navigate call or a page's own navigation until that loading has ended.
  virtual bool Busy() const = 0;
  // Silent: the view shows no dialog boxes of its own.
  virtual bool Silent() const = 0;
  virtual void SetSilent(bool silent) = 0;
  // The main window's current HTML document, or nullptr when it shows none.
  virtual std::shared_ptr<HtmlDocument> Document() = 0;
};

}  // namespace tovarin::platform
