#pragma once
// One request to the rendering service as its handlers see it, free of the HTTP server: what
// came in, what goes out, and the user's state while the answer is being made.

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "gateway/wml_context.h"

namespace tovarin::gateway {

struct ServiceRequest {
  std::string method;         // "GET", "HEAD" or "POST"
  std::string route;          // the path after the service's prefix: "/gw/page"
  std::string query;          // raw, as sent, without '?'
  std::string cookie_header;  // the request's cookies, "a=1; b=2"
  std::string content_type;   // of body
  std::string body;           // at most kMaxRequestBodyBytes
};

struct ServiceResponse {
  unsigned status = 200;
  std::string content_type;
  std::string body;
  std::vector<std::string> set_cookies;  // Set-Cookie header values
};

using ReplyCallback = std::function<void(ServiceResponse)>;

inline constexpr std::string_view kHtmlType = "text/html; charset=utf-8";
inline constexpr std::string_view kPlainTextType = "text/plain; charset=utf-8";

ServiceResponse HtmlResponse(unsigned status, std::string html);
ServiceResponse TextResponse(unsigned status, std::string text);
// The transcoder's error page ("无法打开页面") for `address` (shown readable) and `reason`.
ServiceResponse ErrorResponse(unsigned status, std::string_view address, std::string_view reason);

// One request in progress: the user's WML context and upstream cookies as they change while
// pages are fetched and rendered, and the reply, sent exactly once with the state cookies that
// changed. Shared by the callbacks of the fetches it waits for; when the service goes away
// first, those are dropped and the reply is never sent.
class Exchange {
 public:
  // `context_cookie` and `jar_cookie` are the state as the request carried it; `cookie_path`
  // is where the state cookies live (the service's prefix + "/").
  Exchange(std::string_view context_cookie, std::string jar_cookie, std::string cookie_path,
           ReplyCallback reply);

  WmlContext& context() { return context_; }
  const std::string& jar() const { return jar_; }
  void set_jar(std::string jar) { jar_ = std::move(jar); }

  // Sends `response` with a Set-Cookie for each state cookie that changed. Later calls do
  // nothing.
  void Reply(ServiceResponse response);
  bool replied() const { return replied_; }

  // The address an error page names: the one being fetched.
  std::string address;
  // The first fetch is the viewer's start address: a failure shows the offline start page.
  bool start_address = false;
  // Entry events followed so far (at most kMaxEventHops).
  int event_hops = 0;

 private:
  WmlContext context_;
  std::string context_in_;
  std::string jar_;
  std::string jar_in_;
  std::string cookie_path_;
  ReplyCallback reply_;
  bool replied_ = false;
};

using ExchangePtr = std::shared_ptr<Exchange>;

// Runs `body` for `exchange`; an exception answers 500 with the error page instead of leaving
// the view waiting. Fetch callbacks come from GLib, which no exception may cross.
template <typename Body>
void RunGuarded(const ExchangePtr& exchange, Body&& body) noexcept {
  try {
    std::forward<Body>(body)();
  } catch (const std::exception& error) {
    exchange->Reply(
        ErrorResponse(500, exchange->address, std::string("服务内部错误：") + error.what()));
  } catch (...) {
    exchange->Reply(ErrorResponse(500, exchange->address, "服务内部错误"));
  }
}

}  // namespace tovarin::gateway
