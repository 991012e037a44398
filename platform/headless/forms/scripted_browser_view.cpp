#include "platform/headless/forms/scripted_browser_view.h"

namespace tovarin::platform::headless {

namespace {
constexpr std::string_view kNullAssignmentStart = "window.";
constexpr std::string_view kNullAssignmentEnd = "=null;";
constexpr std::string_view kInertFunctionStart = "function ";
constexpr std::string_view kInertFunctionEnd = "(){return;}";
}  // namespace

Status ScriptedScriptWindow::ExecScript(std::string_view script, std::string_view language) {
  if (!language.empty() && language != "JScript" && language != "JavaScript") {
    return Error{"unknown script language: " + std::string(language)};
  }
  if (refuse_) return Error{"the window refuses scripts"};
  executed_.push_back({std::string(script), std::string(language)});
  if (script.starts_with(kNullAssignmentStart) && script.ends_with(kNullAssignmentEnd) &&
      script.size() > kNullAssignmentStart.size() + kNullAssignmentEnd.size()) {
    std::string_view name = script.substr(kNullAssignmentStart.size());
    name.remove_suffix(kNullAssignmentEnd.size());
    functions_[std::string(name)] = PageCallResult::kFails;
  } else if (script.starts_with(kInertFunctionStart) && script.ends_with(kInertFunctionEnd) &&
             script.size() > kInertFunctionStart.size() + kInertFunctionEnd.size()) {
    std::string_view name = script.substr(kInertFunctionStart.size());
    name.remove_suffix(kInertFunctionEnd.size());
    functions_[std::string(name)] = PageCallResult::kDoesNothing;
  }
  return {};
}

PageCallResult ScriptedScriptWindow::CallPageFunction(const std::string& name) const {
  const auto found = functions_.find(name);
  return found == functions_.end() ? PageCallResult::kShowsDialog : found->second;
}

ScriptedDocument::ScriptedDocument(bool with_window) {
  if (with_window) window_ = std::make_shared<ScriptedScriptWindow>();
}

bool ScriptedDocument::RightClick() {
  if (!on_context_menu_) return true;
  return on_context_menu_();
}

void ScriptedBrowserView::SetExtent(const TwipsRect& extent) {
  extent_ = extent;
  extent_history_.push_back(extent);
}

Status ScriptedBrowserView::Navigate(const std::string& url) {
  if (url.empty()) return Error{"empty address"};
  if (url.find('\0') != std::string::npos) return Error{"address holds a NUL character"};
  if (url.size() > kScriptedMaxUrlBytes) return Error{"address too long"};
  navigations_.push_back(url);
  busy_ = true;
  return {};
}

void ScriptedBrowserView::Stop() {
  ++stop_count_;
  busy_ = false;
}

void ScriptedBrowserView::SetSilent(bool silent) {
  silent_ = silent;
  ++silent_writes_;
}

bool ScriptedBrowserView::RaiseBeforeNavigate(BrowserFrame& frame, const std::string& url) {
  bool cancel = false;
  if (sink_ != nullptr)
    sink_->BeforeNavigate2(frame, NavigationRequest{url, 0, {}, {}, {}}, cancel);
  return cancel;
}

void ScriptedBrowserView::RaiseDownloadBegin() {
  if (sink_ != nullptr) sink_->DownloadBegin();
}

void ScriptedBrowserView::RaiseDownloadComplete() {
  if (sink_ != nullptr) sink_->DownloadComplete();
}

void ScriptedBrowserView::RaiseNavigateComplete(BrowserFrame& frame, const std::string& url) {
  if (sink_ != nullptr) sink_->NavigateComplete2(frame, url);
}

bool ScriptedBrowserView::RaiseNewWindow() {
  bool cancel = false;
  if (sink_ != nullptr) sink_->NewWindow2(cancel);
  return cancel;
}

bool ScriptedBrowserView::LoadPage(
    const std::string& url, std::shared_ptr<ScriptedDocument> document,
    const std::vector<std::pair<std::string, std::shared_ptr<ScriptedDocument>>>& frames) {
  busy_ = true;
  ScriptedFrame main_frame(document);
  if (RaiseBeforeNavigate(main_frame, url)) {
    busy_ = false;
    return false;
  }
  RaiseDownloadBegin();
  document_ = document;
  RaiseNavigateComplete(main_frame, url);
  for (const auto& [frame_url, frame_document] : frames) {
    ScriptedFrame frame(frame_document);
    if (RaiseBeforeNavigate(frame, frame_url)) continue;
    RaiseNavigateComplete(frame, frame_url);
  }
  RaiseDownloadComplete();
  busy_ = false;
  return true;
}

}  // namespace tovarin::platform::headless
