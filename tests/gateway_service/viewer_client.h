#pragma once
// The viewer's side of the rendering service in tests: a libsoup client on the test's main
// context that keeps the service's cookies as the view's browser would (by name, Max-Age=0
// removes) and sends them back, and small readers for the HTML the service answers (links,
// forms, hidden fields), so a test can click through pages as a user does.

#include <libsoup/soup.h>

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tovarin::gateway::test {

struct ServiceAnswer {
  bool completed = false;  // a response arrived within the wait
  unsigned status = 0;
  std::string content_type;
  std::string body;
  std::multimap<std::string, std::string> headers;  // lower-case names
  std::vector<std::string> set_cookies;

  // The first value of the header, or empty.
  std::string Header(const std::string& lower_case_name) const;
};

class ViewerClient {
 public:
  ViewerClient();
  ~ViewerClient();
  ViewerClient(const ViewerClient&) = delete;
  ViewerClient& operator=(const ViewerClient&) = delete;

  // `url` is sent as written (its query unchanged). `host` replaces the Host header when set.
  ServiceAnswer Get(const std::string& url, const std::string& host = {});
  ServiceAnswer Post(const std::string& url, std::string_view content_type, std::string_view body);
  ServiceAnswer Send(const std::string& method, const std::string& url,
                     std::string_view content_type = {}, std::string_view body = {},
                     const std::string& host = {});

  // The cookies kept (name → value).
  const std::map<std::string, std::string>& cookies() const { return cookies_; }
  void set_cookie(const std::string& name, const std::string& value) { cookies_[name] = value; }
  void forget_cookies() { cookies_.clear(); }

 private:
  void KeepCookies(const std::vector<std::string>& set_cookies);

  SoupSession* session_;  // owned
  std::map<std::string, std::string> cookies_;
};

// HTML as the service writes it, read just enough for tests.
struct HtmlLink {
  std::string href;  // attribute value, entities decoded
  std::string text;  // inner text, tags removed, entities decoded
};
struct HtmlTag {
  std::string name;
  std::map<std::string, std::string> attributes;  // entities decoded
  std::string Attribute(const std::string& name) const;
};

// Every start tag named `name` ("a", "input", "button", "form", "img"), in order.
std::vector<HtmlTag> FindTags(std::string_view html, std::string_view name);
// Every element named `name` with its inner text (up to its end tag, tags removed).
std::vector<std::pair<HtmlTag, std::string>> FindElements(std::string_view html,
                                                          std::string_view name);
// Every <a> with its text.
std::vector<HtmlLink> FindLinks(std::string_view html);
// The href of the first link whose text contains `text`, or empty.
std::string LinkHref(std::string_view html, std::string_view text);
// The text of the page without tags, entities decoded.
std::string VisibleText(std::string_view html);
// "&amp;", "&lt;", "&gt;", "&quot;", "&#39;", "&#NN;", "&#xNN;" decoded.
std::string DecodeEntities(std::string_view text);

// The fields a browser submits with a form before the pressed button's own: its hidden and
// text inputs (value as written), in document order.
std::vector<std::pair<std::string, std::string>> FormFields(std::string_view html);

// "a=1&b=2" with every part percent-encoded.
std::string UrlEncode(const std::vector<std::pair<std::string, std::string>>& fields);

}  // namespace tovarin::gateway::test
