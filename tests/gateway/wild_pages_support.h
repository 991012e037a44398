#pragma once
// What the tests of real-site pages share (wild_decks_test.cpp, wild_pages_test.cpp): opening a
// file of tests/data through Transcode() with the Content-Type a site sent, and reading back the
// page as a user meets it: its text, where a link or a button leads, and that nothing in it can
// run.

#include <string>
#include <string_view>

#include "gateway/transcoder.h"
#include "gateway/wml_context.h"
#include "gateway/wml_task.h"

namespace tovarin::gateway::wild_testing {

// U+FFFD in UTF-8: in a page that should read cleanly, the mark of a charset error.
inline constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// The bytes of tests/data/`relative_path`; fails the test when the file cannot be read.
std::string ReadData(std::string_view relative_path);

// Transcodes tests/data/`relative_path` as fetched from `url` with `content_type`, with
// FakeServiceLinks.
TranscodeResult OpenPage(std::string_view relative_path, std::string_view content_type,
                         std::string_view url, WmlContext& context,
                         EntryDirection direction = EntryDirection::kForward);

// The text of the card's title bar (the first h1 of class wml-title), or empty.
std::string CardTitle(const std::string& html);

// What a reader sees of the page's body: tags removed, entities decoded.
std::string PageText(const std::string& html);

// The href of the first <a> whose text is `text`; empty (and a test failure when
// `expect_found`) when there is none.
std::string LinkTo(const std::string& html, std::string_view text, bool expect_found = true);

// Where the link or submit button whose text is `text` leads when the user follows it from the
// card `card_url`: a plain page link gives the address it names, a task is started in
// `context`. Fails the test (and gives an empty navigation) when there is no such control.
Navigation ButtonNavigation(const std::string& html, std::string_view text,
                            std::string_view card_url, WmlContext& context);

// Fails the test when `html` holds a script element, an event handler attribute, or an address
// attribute (href, src, action, formaction, content of a refresh) that a browser would read as
// javascript:, vbscript: or data:.
void ExpectNothingRuns(const std::string& html);

}  // namespace tovarin::gateway::wild_testing
