#include "tests/gateway/wild_pages_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <vector>

#include "gateway/reference_policy.h"
#include "gateway/url.h"
#include "tests/gateway/fake_service_links.h"
#include "tests/gateway/wml_test_support.h"

namespace tovarin::gateway::wild_testing {
namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

}  // namespace

std::string ReadData(std::string_view relative_path) {
  const std::string path =
      std::string(TOVARIN_SOURCE_DIR) + "/tests/data/" + std::string(relative_path);
  std::ifstream file(path, std::ios::binary);
  EXPECT_TRUE(file.good()) << "cannot read " << path;
  std::stringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

TranscodeResult OpenPage(std::string_view relative_path, std::string_view content_type,
                         std::string_view url, WmlContext& context, EntryDirection direction) {
  static const FakeServiceLinks links;
  const std::string bytes = ReadData(relative_path);
  TranscodeRequest request;
  request.body = {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
  request.content_type = content_type;
  request.url = url;
  request.direction = direction;
  request.links = &links;
  return Transcode(request, context);
}

std::string CardTitle(const std::string& html) {
  std::vector<wml_testing::HtmlElement> titles =
      wml_testing::FindElementsOfClass(html, "h1", "wml-title");
  return titles.empty() ? std::string() : titles[0].Text();
}

std::string PageText(const std::string& html) {
  return wml_testing::VisibleText(wml_testing::Body(html));
}

std::string LinkTo(const std::string& html, std::string_view text, bool expect_found) {
  for (const wml_testing::HtmlElement& link : wml_testing::FindElements(html, "a")) {
    if (link.Text() == text) return link.Attribute("href");
  }
  if (expect_found) ADD_FAILURE() << "no link \"" << text << "\" in " << html;
  return {};
}

Navigation ButtonNavigation(const std::string& html, std::string_view text,
                            std::string_view card_url, WmlContext& context) {
  for (const wml_testing::HtmlElement& control : wml_testing::FindElements(html)) {
    if ((control.name != "a" && control.name != "button") || control.Text() != text) continue;
    if (std::optional<WmlTask> task = wml_testing::TaskOfControl(control)) {
      platform::Result<Navigation> navigation = StartTask(*task, card_url, context);
      EXPECT_TRUE(navigation.ok()) << text << ": " << navigation.error();
      return navigation.ok() ? navigation.value() : Navigation{};
    }
    const std::string href = control.Attribute("href");
    constexpr std::string_view kPagePrefix = "/p?u=";
    if (href.starts_with(kPagePrefix)) {
      Navigation navigation;
      navigation.kind = Navigation::Kind::kGo;
      navigation.url = PercentDecode(std::string_view(href).substr(kPagePrefix.size()));
      return navigation;
    }
  }
  ADD_FAILURE() << "no control \"" << text << "\" in " << html;
  return {};
}

void ExpectNothingRuns(const std::string& html) {
  EXPECT_EQ(Lower(html).find("<script"), std::string::npos) << html;
  for (const wml_testing::HtmlElement& element : wml_testing::FindElements(html)) {
    for (const auto& [name, value] : element.attributes) {
      const std::string attribute = Lower(name);
      EXPECT_FALSE(attribute.starts_with("on")) << element.name << " " << name << "=" << value;
      std::string address = value;
      if (attribute == "content") {
        const std::size_t url = Lower(value).find("url=");
        if (url == std::string::npos) continue;
        address = value.substr(url + 4);
      } else if (attribute != "href" && attribute != "src" && attribute != "action" &&
                 attribute != "formaction") {
        continue;
      }
      EXPECT_FALSE(IsScriptLikeScheme(ReferenceScheme(address)))
          << element.name << " " << name << "=" << value;
    }
  }
}

}  // namespace tovarin::gateway::wild_testing
