// The view's page events: silence, stored document and its context menu, refused windows and
// the five scripts in every navigated window.
#include "tests/shell/shell_fixture.h"

namespace tovarin::shell::testing {
namespace {

using headless::ExecutedScript;
using headless::PageCallResult;
using headless::ScriptedDocument;

const std::vector<ExecutedScript> kExpectedScripts = {
    {"window.alert=null;", ""},
    {"window.confirm=null;", ""},
    {"window.showModalDialog=null;", ""},
    {"window.open=null;", ""},
    {"function showModalDialog(){return;}", "JScript"},
};

TEST_F(ShellTest, NavigateCompleteRunsFiveScriptsInOrder) {
  StartShown();
  auto document = std::make_shared<ScriptedDocument>();
  ASSERT_TRUE(view_->LoadPage("http://page/", document));
  EXPECT_EQ(document->Window()->Executed(), kExpectedScripts);
}

TEST_F(ShellTest, PageCallsAfterLoadRaiseNothing) {
  StartShown();
  auto document = std::make_shared<ScriptedDocument>();
  view_->LoadPage("http://page/", document);
  EXPECT_EQ(document->Window()->CallPageFunction("alert"), PageCallResult::kFails);
  EXPECT_EQ(document->Window()->CallPageFunction("confirm"), PageCallResult::kFails);
  EXPECT_EQ(document->Window()->CallPageFunction("open"), PageCallResult::kFails);
  EXPECT_EQ(document->Window()->CallPageFunction("showModalDialog"), PageCallResult::kDoesNothing);
}

TEST_F(ShellTest, EveryFrameRunsItsOwnScriptsAndRestartsTheIndicator) {
  StartShown();
  auto main_document = std::make_shared<ScriptedDocument>();
  auto frame_a = std::make_shared<ScriptedDocument>();
  auto frame_b = std::make_shared<ScriptedDocument>();
  view_->LoadPage("http://page/", main_document, {{"http://a/", frame_a}, {"http://b/", frame_b}});
  EXPECT_EQ(main_document->Window()->Executed(), kExpectedScripts);
  EXPECT_EQ(frame_a->Window()->Executed(), kExpectedScripts);
  EXPECT_EQ(frame_b->Window()->Executed(), kExpectedScripts);

  view_->SetBusy(false);
  toolkit_.ElapseTimers();
  ASSERT_FALSE(Timer1()->Enabled());
  headless::ScriptedFrame frame(frame_a);
  view_->RaiseBeforeNavigate(frame, "http://a/next");
  EXPECT_TRUE(Timer1()->Enabled());
}

TEST_F(ShellTest, FrameWithoutDocumentOrWindowIsLeftAlone) {
  StartShown();
  headless::ScriptedFrame no_document(nullptr);
  view_->RaiseNavigateComplete(no_document, "http://picture.gif");
  auto windowless = std::make_shared<ScriptedDocument>(/*with_window=*/false);
  headless::ScriptedFrame frame(windowless);
  view_->RaiseNavigateComplete(frame, "http://x/");
  // A window that refuses the first script gets no further ones.
  auto refusing = std::make_shared<ScriptedDocument>();
  refusing->Window()->SetRefuseScripts(true);
  headless::ScriptedFrame refusing_frame(refusing);
  view_->RaiseNavigateComplete(refusing_frame, "http://y/");
  EXPECT_TRUE(refusing->Window()->Executed().empty());
}

TEST_F(ShellTest, NavigationsAreNeverCancelledAndNewWindowsAlwaysAre) {
  StartShown();
  auto document = std::make_shared<ScriptedDocument>();
  headless::ScriptedFrame frame(document);
  EXPECT_FALSE(view_->RaiseBeforeNavigate(frame, "http://anything/"));
  EXPECT_TRUE(view_->RaiseNewWindow());
  EXPECT_TRUE(view_->RaiseNewWindow());
}

TEST_F(ShellTest, DownloadEventsMakeTheViewSilent) {
  StartShown();
  EXPECT_FALSE(view_->Silent());
  view_->RaiseDownloadBegin();
  EXPECT_TRUE(view_->Silent());
  view_->SetSilent(false);
  view_->RaiseDownloadComplete();
  EXPECT_TRUE(view_->Silent());
}

TEST_F(ShellTest, StoredDocumentSuppressesItsContextMenu) {
  StartShown();
  auto first = std::make_shared<ScriptedDocument>();
  // Before its download completes the document gets no handler.
  view_->SetDocument(first);
  EXPECT_TRUE(first->RightClick());
  view_->RaiseDownloadComplete();
  EXPECT_EQ(application_->form1()->StoredDocument(), first);
  EXPECT_FALSE(first->RightClick());

  // The next completed download replaces the stored document; the old one is no longer heard.
  auto second = std::make_shared<ScriptedDocument>();
  view_->LoadPage("http://second/", second);
  EXPECT_EQ(application_->form1()->StoredDocument(), second);
  EXPECT_FALSE(second->RightClick());
  EXPECT_TRUE(first->RightClick());
}

TEST_F(ShellTest, DownloadWithoutHtmlDocumentKeepsTheStoredOne) {
  StartShown();
  auto page = std::make_shared<ScriptedDocument>();
  view_->LoadPage("http://page/", page);
  view_->SetDocument(nullptr);  // e.g. a picture or a download
  view_->RaiseDownloadComplete();
  EXPECT_EQ(application_->form1()->StoredDocument(), page);
  EXPECT_FALSE(page->RightClick());
}

TEST_F(ShellTest, FramesDocumentsGetNoContextMenuHandler) {
  StartShown();
  auto main_document = std::make_shared<ScriptedDocument>();
  auto frame_document = std::make_shared<ScriptedDocument>();
  view_->LoadPage("http://page/", main_document, {{"http://f/", frame_document}});
  EXPECT_FALSE(main_document->RightClick());
  EXPECT_FALSE(frame_document->HasContextMenuHandler());
}

}  // namespace
}  // namespace tovarin::shell::testing
