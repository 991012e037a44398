#include "gateway/service/service_exchange.h"

#include <utility>

#include "gateway/service/state_cookies.h"
#include "gateway/service/typed_address.h"
#include "gateway/transcoder.h"

namespace tovarin::gateway {

ServiceResponse HtmlResponse(unsigned status, std::string html) {
  ServiceResponse response;
  response.status = status;
  response.content_type = kHtmlType;
  response.body = std::move(html);
  return response;
}

ServiceResponse TextResponse(unsigned status, std::string text) {
  ServiceResponse response;
  response.status = status;
  response.content_type = kPlainTextType;
  response.body = std::move(text);
  return response;
}

ServiceResponse ErrorResponse(unsigned status, std::string_view address, std::string_view reason) {
  return HtmlResponse(status, ErrorPage(ReadableAddress(address), reason));
}

Exchange::Exchange(std::string_view context_cookie, std::string jar_cookie, std::string cookie_path,
                   ReplyCallback reply)
    : context_(WmlContext::Parse(context_cookie)),
      jar_(std::move(jar_cookie)),
      cookie_path_(std::move(cookie_path)),
      reply_(std::move(reply)) {
  // Compared with what the request carried once read, so a cookie only changes when the
  // state did (an image fetched alongside a page must not overwrite the page's context).
  context_in_ = context_.Serialize();
  jar_in_ = jar_;
}

void Exchange::Reply(ServiceResponse response) {
  if (replied_) return;
  replied_ = true;
  std::string context = context_.Serialize();
  if (context != context_in_) {
    response.set_cookies.push_back(StateCookieHeader(kContextCookie, context, cookie_path_));
  }
  if (jar_ != jar_in_) {
    response.set_cookies.push_back(StateCookieHeader(kJarCookie, jar_, cookie_path_));
  }
  ReplyCallback reply = std::move(reply_);
  reply(std::move(response));
}

}  // namespace tovarin::gateway
