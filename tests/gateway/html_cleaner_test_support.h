#pragma once
// Helpers for the HTML cleaner tests: clean a page and take the result apart into what the
// tests state by hand (title, our head after the phone style sheet, body).

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "gateway/html_cleaner.h"
#include "tests/gateway/fake_service_links.h"

namespace tovarin::gateway::cleaner_test {

inline constexpr std::string_view kPageUrl = "http://wap.example.com/news/index.html";

struct CleanedParts {
  std::string document;  // all of it
  std::string title;     // as written (escaped)
  std::string head;      // what follows the phone style sheet in <head>
  std::string body;      // between <body> and </body>
};

// Cleans `html` and splits the document; the frame around the parts is checked against
// BeginDocument/EndDocument in its own test.
inline CleanedParts Clean(std::string_view html, std::string_view page_url = kPageUrl) {
  const FakeServiceLinks links;
  platform::Result<std::string> result = CleanHtml(html, page_url, links);
  CleanedParts parts;
  EXPECT_TRUE(result.ok()) << (result.ok() ? "" : result.error());
  if (!result.ok()) return parts;
  parts.document = result.value();
  const std::string& doc = parts.document;
  constexpr std::string_view kHeadEnd = "</head><body>";
  constexpr std::string_view kEnd = "</body></html>\n";
  const std::size_t title_start = doc.find("<title>");
  const std::size_t title_end = doc.find("</title>");
  const std::size_t sheet_end = doc.find("</style>", title_end);
  const std::size_t head_end = doc.find(kHeadEnd, sheet_end);
  EXPECT_TRUE(title_start != std::string::npos && title_end != std::string::npos &&
              sheet_end != std::string::npos && head_end != std::string::npos &&
              doc.ends_with(kEnd))
      << doc;
  if (head_end == std::string::npos || !doc.ends_with(kEnd)) return parts;
  parts.title = doc.substr(title_start + 7, title_end - title_start - 7);
  parts.head = doc.substr(sheet_end + 8, head_end - sheet_end - 8);
  const std::size_t body_start = head_end + kHeadEnd.size();
  parts.body = doc.substr(body_start, doc.size() - kEnd.size() - body_start);
  return parts;
}

inline std::string CleanBody(std::string_view html) { return Clean(html).body; }

inline std::string Repeat(std::string_view text, std::size_t times) {
  std::string out;
  out.reserve(text.size() * times);
  for (std::size_t i = 0; i < times; ++i) out += text;
  return out;
}

}  // namespace tovarin::gateway::cleaner_test
