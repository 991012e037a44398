#include "gateway/service/request_handler.h"

#include <span>
#include <utility>

#include "gateway/charset.h"
#include "gateway/css_cleaner.h"
#include "gateway/image_types.h"
#include "gateway/service/form_body.h"
#include "gateway/service/query_fields.h"
#include "gateway/service/state_cookies.h"
#include "gateway/service/typed_address.h"
#include "gateway/transcoder.h"
#include "gateway/url.h"

namespace tovarin::gateway {
namespace {

constexpr std::string_view kOnlyWebAddresses = "只能打开 http 和 https 地址";

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string StartUrl(std::string_view start_address) {
  if (start_address.empty()) return {};
  platform::Result<std::string> url = UrlFromTypedAddress(start_address);
  return url.ok() ? std::move(url.value()) : std::string();
}

// `action` with its query replaced by `query`, as a browser submits a GET form.
std::string WithQuery(std::string_view action, std::string_view query) {
  std::string fragment = UrlFragment(action);
  std::string base = UrlWithoutFragment(action);
  base.erase(std::min(base.find('?'), base.size()));
  base += '?';
  base += query;
  if (!fragment.empty()) base += "#" + fragment;
  return base;
}

// The fields of a form submission: the body of a POST, the query of a GET.
platform::Result<QueryFields> SubmittedFields(const ServiceRequest& request) {
  if (request.method == "POST") return ReadFormBody(request.content_type, request.body);
  return ParseQueryFields(request.query);
}

}  // namespace

RequestHandler::RequestHandler(GatewayOptions options)
    : options_(std::move(options)),
      links_(options_.path_prefix),
      cookie_path_(options_.path_prefix + "/"),
      start_url_(StartUrl(options_.start_address)),
      fetcher_(std::make_unique<Fetcher>(options_.fetcher)),
      navigator_(*fetcher_, links_, options_) {}

RequestHandler::~RequestHandler() {
  // The fetches' callbacks point into this handler and its navigator: they go first.
  fetcher_.reset();
}

void RequestHandler::Handle(const ServiceRequest& request, ReplyCallback reply) {
  ExchangePtr exchange = NewExchange(request, std::move(reply));
  RunGuarded(exchange, [&] { Route(request, exchange); });
}

ExchangePtr RequestHandler::NewExchange(const ServiceRequest& request, ReplyCallback reply) const {
  StateCookies cookies = ReadStateCookies(request.cookie_header);
  return std::make_shared<Exchange>(cookies.context, std::move(cookies.jar), cookie_path_,
                                    std::move(reply));
}

void RequestHandler::Route(const ServiceRequest& request, const ExchangePtr& exchange) {
  const std::string& route = request.route;
  if (route == kTypedEntryRoute) {
    std::string_view typed = TypedAddressInQuery(request.query);
    OpenAddress(exchange, UrlFromTypedAddress(typed), typed);
  } else if (route == kSimulatorRoute) {
    std::optional<std::string_view> raw = RawQueryParameter(request.query, kTypedAddressParameter);
    std::string address = raw ? PercentDecode(*raw, true) : std::string();
    OpenAddress(exchange, UrlFromTypedAddress(address), address);
  } else if (route == kPageRoute) {
    OpenPage(request, exchange);
  } else if (route == kFormRoute) {
    SubmitForm(request, exchange);
  } else if (route == kTaskRoute) {
    SubmitTask(request, exchange);
  } else if (route == kImageRoute) {
    FetchImage(request, exchange);
  } else if (route == kStyleRoute) {
    FetchStyle(request, exchange);
  } else {
    exchange->Reply(ErrorResponse(404, route, "服务中没有这个地址"));
  }
}

void RequestHandler::OpenAddress(const ExchangePtr& exchange, platform::Result<std::string> url,
                                 std::string_view shown) {
  if (!url.ok()) {
    exchange->Reply(ErrorResponse(400, shown, url.error()));
    return;
  }
  exchange->start_address = !start_url_.empty() && url.value() == start_url_;
  FetchRequest request;
  request.url = std::move(url.value());
  navigator_.Open(exchange, std::move(request), EntryDirection::kForward);
}

platform::Result<std::string> RequestHandler::AddressParameter(
    const ServiceRequest& request) const {
  platform::Result<QueryFields> fields = ParseQueryFields(request.query);
  if (!fields.ok()) return platform::Error{fields.error()};
  std::optional<std::string> address = TakeField(fields.value(), kAddressParameter);
  if (!address || address->empty()) return platform::Error{"请求中没有地址"};
  if (!IsFetchableScheme(UrlScheme(*address))) {
    return platform::Error{std::string(kOnlyWebAddresses) + "（" + ReadableAddress(*address) +
                           "）"};
  }
  return std::move(*address);
}

void RequestHandler::OpenPage(const ServiceRequest& request, const ExchangePtr& exchange) {
  platform::Result<std::string> url = AddressParameter(request);
  if (!url.ok()) {
    exchange->Reply(ErrorResponse(400, "", url.error()));
    return;
  }
  exchange->start_address = !start_url_.empty() && url.value() == start_url_;
  FetchRequest fetch;
  fetch.url = std::move(url.value());
  navigator_.Open(exchange, std::move(fetch), EntryDirection::kForward);
}

void RequestHandler::SubmitForm(const ServiceRequest& request, const ExchangePtr& exchange) {
  platform::Result<QueryFields> fields = SubmittedFields(request);
  if (!fields.ok()) {
    exchange->Reply(ErrorResponse(400, "", fields.error()));
    return;
  }
  std::optional<std::string> action = TakeField(fields.value(), kFormActionField);
  std::optional<std::string> method = TakeField(fields.value(), kFormMethodField);
  if (!action || !IsFetchableScheme(UrlScheme(*action))) {
    exchange->Reply(ErrorResponse(400, action.value_or(""), kOnlyWebAddresses));
    return;
  }
  FetchRequest fetch;
  if (method && EqualsIgnoringCase(*method, "post")) {
    fetch.url = std::move(*action);
    fetch.post = true;
    fetch.body = EncodeQueryFields(fields.value());
    fetch.content_type = "application/x-www-form-urlencoded";
  } else {
    fetch.url = WithQuery(*action, EncodeQueryFields(fields.value()));
  }
  navigator_.Open(exchange, std::move(fetch), EntryDirection::kForward);
}

void RequestHandler::SubmitTask(const ServiceRequest& request, const ExchangePtr& exchange) {
  platform::Result<QueryFields> fields = SubmittedFields(request);
  if (!fields.ok()) {
    exchange->Reply(ErrorResponse(400, "", fields.error()));
    return;
  }
  std::optional<std::string> deck = TakeField(fields.value(), kDeckField);
  if (!deck || !IsFetchableScheme(UrlScheme(*deck))) {
    exchange->Reply(ErrorResponse(400, deck.value_or(""), kOnlyWebAddresses));
    return;
  }
  exchange->address = *deck;
  platform::Result<Navigation> navigation =
      ResolveTaskSubmission(fields.value(), *deck, exchange->context());
  if (!navigation.ok()) {
    exchange->Reply(ErrorResponse(400, *deck, navigation.error()));
    return;
  }
  navigator_.Follow(exchange, navigation.value(), *deck);
}

void RequestHandler::FetchImage(const ServiceRequest& request, const ExchangePtr& exchange) {
  platform::Result<std::string> url = AddressParameter(request);
  if (!url.ok()) {
    exchange->Reply(TextResponse(400, url.error()));
    return;
  }
  FetchResource(exchange, std::move(url.value()), &RequestHandler::AnswerImage);
}

void RequestHandler::FetchStyle(const ServiceRequest& request, const ExchangePtr& exchange) {
  platform::Result<std::string> url = AddressParameter(request);
  if (!url.ok()) {
    exchange->Reply(TextResponse(400, url.error()));
    return;
  }
  FetchResource(exchange, std::move(url.value()), &RequestHandler::AnswerStyle);
}

void RequestHandler::FetchResource(const ExchangePtr& exchange, std::string url,
                                   void (RequestHandler::*answer)(const ExchangePtr&,
                                                                  FetchResponse)) {
  exchange->address = url;
  FetchRequest fetch;
  fetch.url = UrlWithoutFragment(url);
  fetch.cookies = exchange->jar();
  fetcher_->Fetch(std::move(fetch), [this, exchange, answer](FetchResponse response) {
    RunGuarded(exchange, [&] {
      if (response.failure != FetchFailure::kNone) {
        exchange->Reply(TextResponse(502, FetchFailureText(response)));
        return;
      }
      exchange->set_jar(std::move(response.cookies));
      (this->*answer)(exchange, std::move(response));
    });
  });
}

void RequestHandler::AnswerImage(const ExchangePtr& exchange, FetchResponse response) {
  std::span<const std::uint8_t> bytes = Bytes(response.body);
  if (ClassifyPage(response.content_type, bytes) == PageKind::kWbmp) {
    WmlContext unused;  // a picture neither reads nor changes the user's context
    TranscodeRequest transcode;
    transcode.body = bytes;
    transcode.content_type = response.content_type;
    transcode.url = response.final_url;
    transcode.links = &links_;
    TranscodeResult result = Transcode(transcode, unused);
    if (result.kind != TranscodeResult::Kind::kImage) {
      exchange->Reply(TextResponse(502, "无法读取 WBMP 图片：" + result.error));
      return;
    }
    exchange->Reply(
        ServiceResponse{200, std::move(result.content_type), std::move(result.body), {}});
    return;
  }
  std::string_view type = PassThroughImageType(bytes);
  if (type.empty()) {
    exchange->Reply(TextResponse(415, "这个地址的内容不是图片"));
    return;
  }
  exchange->Reply(ServiceResponse{200, std::string(type), std::move(response.body), {}});
}

void RequestHandler::AnswerStyle(const ExchangePtr& exchange, FetchResponse response) {
  platform::Result<DecodedText> text = DecodeToUtf8(Bytes(response.body), response.content_type);
  if (!text.ok()) {
    exchange->Reply(TextResponse(502, text.error()));
    return;
  }
  std::string css = CleanStyleSheet(text.value().utf8, response.final_url, links_);
  exchange->Reply(ServiceResponse{200, "text/css; charset=utf-8", std::move(css), {}});
}

}  // namespace tovarin::gateway
