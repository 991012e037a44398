#include "gateway/service/page_navigator.h"

#include <memory>
#include <optional>
#include <span>
#include <utility>

#include "gateway/service/image_types.h"
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
  auto deck = std::make_shared<const CachedDeck>(CachedDeck{UrlWithoutFragment(response.final_url),
                                                            std::move(response.content_type),
                                                            std::move(response.body)});
  if (!post && response.status >= 200 && response.status < 300) {
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
