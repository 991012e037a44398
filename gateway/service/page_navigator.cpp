#include "gateway/service/page_navigator.h"

#include <memory>
#include <optional>
#include <span>
#include <utility>

#include "gateway/image_types.h"
#include "gateway/service/start_page.h"
#include "gateway/url.h"

namespace tovarin::gateway {
namespace {

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

FetchRequest GetRequest(std::string url) {
  FetchRequest request;
  request.url = std::move(url);
  return request;
}

bool IsSuccess(unsigned status) { return status >= 200 && status < 300; }

// What an answer without a page means for the user, with its status: the error page's reason.
std::string EmptyAnswerReason(const FetchResponse& response) {
  const unsigned status = response.status;
  const std::string code = "（HTTP " + std::to_string(status) + "）";
  if (IsSuccess(status)) return "网站返回了空白页面" + code;
  if (status == 401) return "网站要求输入用户名和密码" + code + "，本服务不支持这种登录";
  if (status == 403) return "网站拒绝访问这个页面" + code;
  if (status == 404 || status == 410) return "网站上没有这个页面" + code;
  if (status == 503) {
    std::string reason = "网站暂时无法服务" + code;
    const std::string& wait = response.retry_after;
    const bool seconds =
        !wait.empty() && wait.size() <= 9 &&
        wait.find_first_not_of("0123456789") == std::string::npos;  // else an HTTP date
    return reason + (seconds ? "，请 " + wait + " 秒后再试" : "，请稍后再试");
  }
  if (status >= 500) return "网站出错了" + code;
  return "网站没有返回页面" + code;
}

}  // namespace

std::string FetchFailureText(const FetchResponse& response) {
  std::string text = FailureReason(response.failure);
  if (!response.message.empty()) text += "（" + response.message + "）";
  return text;
}

PageNavigator::PageNavigator(Fetcher& fetcher, const ServiceAddresses& links,
                             const GatewayOptions& options)
    : fetcher_(fetcher), links_(links), options_(options) {}

void PageNavigator::Open(ExchangePtr exchange, FetchRequest request, EntryDirection direction) {
  exchange->address = request.url;
  std::string fragment = UrlFragment(request.url);
  // Another card of a deck already fetched, prev and refresh show the deck in the cache; a
  // plain address is fetched afresh.
  bool cached = !request.post && (!fragment.empty() || direction != EntryDirection::kForward);
  if (cached) {
    if (auto deck = cache_.Find(request.url, exchange->jar(), DeckCache::Clock::now())) {
      Render(exchange, *deck, fragment, direction);
      return;
    }
  }
  request.url = UrlWithoutFragment(request.url);
  request.cookies = exchange->jar();
  bool post = request.post;
  fetcher_.Fetch(
      std::move(request), [this, exchange, fragment, direction, post](FetchResponse response) {
        RunGuarded(exchange,
                   [&] { OnFetched(exchange, std::move(response), fragment, direction, post); });
      });
}

void PageNavigator::OnFetched(const ExchangePtr& exchange, FetchResponse response,
                              std::string_view fragment, EntryDirection direction, bool post) {
  if (response.failure != FetchFailure::kNone) {
    Fail(exchange, 502, FetchFailureText(response));
    return;
  }
  exchange->set_jar(std::move(response.cookies));
  // "No content": the view stays on the page it shows, as a browser (and a phone) does.
  if (response.status == 204 || response.status == 205) {
    exchange->Reply(ServiceResponse{204, {}, {}, {}});
    return;
  }
  // A site's own error page is shown as any page; an empty answer gets the error page.
  if (response.body.empty()) {
    Fail(exchange, 502, EmptyAnswerReason(response));
    return;
  }
  auto deck = std::make_shared<const CachedDeck>(CachedDeck{UrlWithoutFragment(response.final_url),
                                                            std::move(response.content_type),
                                                            std::move(response.body)});
  // A deck cut short is shown, but not kept: the next visit fetches it whole.
  if (!post && IsSuccess(response.status) && !response.truncated) {
    // Keyed by the final address: the page's "#card" links are resolved against it.
    cache_.Store(deck->final_url, exchange->jar(), deck, DeckCache::Clock::now());
  }
  Render(exchange, *deck, fragment, direction);
}

void PageNavigator::Render(const ExchangePtr& exchange, const CachedDeck& deck,
                           std::string_view fragment, EntryDirection direction) {
  std::string url = deck.final_url;
  if (!fragment.empty()) url += "#" + std::string(fragment);
  exchange->address = url;
  TranscodeRequest request;
  request.body = Bytes(deck.body);
  request.content_type = deck.content_type;
  request.url = url;
  request.direction = direction;
  request.links = &links_;
  TranscodeResult result = Transcode(request, exchange->context());
  switch (result.kind) {
    case TranscodeResult::Kind::kHtml:
      exchange->Reply(HtmlResponse(200, std::move(result.body)));
      return;
    case TranscodeResult::Kind::kImage: AnswerImage(exchange, result); return;
    case TranscodeResult::Kind::kNavigate:
      exchange->start_address = false;
      if (++exchange->event_hops > kMaxEventHops) {
        Fail(exchange, 502, "页面的进入事件连续跳转超过 " + std::to_string(kMaxEventHops) + " 次");
        return;
      }
      Follow(exchange, result.navigation, url);
      return;
    case TranscodeResult::Kind::kError: Fail(exchange, 502, result.error); return;
  }
}

void PageNavigator::AnswerImage(const ExchangePtr& exchange, TranscodeResult& result) {
  std::string_view type = PassThroughImageType(Bytes(result.body));
  if (type.empty()) {
    Fail(exchange, 502, "不支持的图片格式");
    return;
  }
  ServiceResponse response;
  response.content_type = type;
  response.body = std::move(result.body);
  exchange->Reply(std::move(response));
}

void PageNavigator::Follow(ExchangePtr exchange, const Navigation& navigation,
                           std::string_view card_url) {
  switch (navigation.kind) {
    case Navigation::Kind::kGo: {
      if (!IsFetchableScheme(UrlScheme(navigation.url))) {
        exchange->address = navigation.url;
        Fail(exchange, 400, "只能打开 http 和 https 地址");
        return;
      }
      FetchRequest request = GetRequest(navigation.url);
      request.post = navigation.post;
      request.body = navigation.body;
      request.content_type = navigation.content_type;
      Open(std::move(exchange), std::move(request), EntryDirection::kForward);
      return;
    }
    case Navigation::Kind::kPrev:
      if (std::optional<std::string> previous = exchange->context().PopForPrev()) {
        Open(std::move(exchange), GetRequest(std::move(*previous)), EntryDirection::kBackward);
        return;
      }
      Open(std::move(exchange), GetRequest(std::string(card_url)), EntryDirection::kRefresh);
      return;
    case Navigation::Kind::kRefresh:
    case Navigation::Kind::kNone: {
      std::string url = navigation.kind == Navigation::Kind::kRefresh && !navigation.url.empty()
                            ? navigation.url
                            : std::string(card_url);
      Open(std::move(exchange), GetRequest(std::move(url)), EntryDirection::kRefresh);
      return;
    }
  }
}

void PageNavigator::Fail(const ExchangePtr& exchange, unsigned status, std::string_view reason) {
  if (exchange->start_address) {
    exchange->Reply(HtmlResponse(
        502, OfflineStartPage(options_.start_address, reason, options_.bookmarks, links_)));
    return;
  }
  exchange->Reply(ErrorResponse(status, exchange->address, reason));
}

}  // namespace tovarin::gateway
