#pragma once
// RequestHandler: the rendering service's endpoints (see service_addresses.h for the routes),
// free of the HTTP server around it. It reads a request, fetches what it asks for with the
// user's state from its cookies, and replies once: at once for a request it refuses, later on
// the thread-default GLib main context for one it fetches for.
//
//   typed entry, simulator, page   GET a page (PageNavigator::Open)
//   form                           an XHTML form: GET rebuilds the action's query from the
//                                  fields, POST forwards them urlencoded
//   task                           a WML card's form or task link: ResolveTaskSubmission, then
//                                  PageNavigator::Follow
//   img                            a WBMP as PNG, a PNG/GIF/JPEG/BMP/WebP as it came, anything
//                                  else 415
//   css                            the style sheet, in UTF-8 and cleaned (CleanStyleSheet)
//
// A request the service cannot act on gets the error page with 400 (a malformed or refused
// address, a task that cannot start), 404 (an unknown route) or 405 (another method).

#include <memory>
#include <string>
#include <string_view>

#include "gateway/service/fetcher.h"
#include "gateway/service/gateway_options.h"
#include "gateway/service/page_navigator.h"
#include "gateway/service/service_addresses.h"
#include "gateway/service/service_exchange.h"

namespace tovarin::gateway {

class RequestHandler {
 public:
  // Builds its Fetcher from options.fetcher.
  explicit RequestHandler(GatewayOptions options);
  // Drops every fetch in progress first: their replies are never sent.
  ~RequestHandler();
  RequestHandler(const RequestHandler&) = delete;
  RequestHandler& operator=(const RequestHandler&) = delete;

  // Answers `request` through `reply`, exactly once, unless the handler is destroyed first.
  void Handle(const ServiceRequest& request, ReplyCallback reply);

  const GatewayOptions& options() const { return options_; }
  const ServiceAddresses& links() const { return links_; }

 private:
  ExchangePtr NewExchange(const ServiceRequest& request, ReplyCallback reply) const;
  void Route(const ServiceRequest& request, const ExchangePtr& exchange);
  void OpenAddress(const ExchangePtr& exchange, platform::Result<std::string> url,
                   std::string_view shown);
  void OpenPage(const ServiceRequest& request, const ExchangePtr& exchange);
  void SubmitForm(const ServiceRequest& request, const ExchangePtr& exchange);
  void SubmitTask(const ServiceRequest& request, const ExchangePtr& exchange);
  void FetchImage(const ServiceRequest& request, const ExchangePtr& exchange);
  void FetchStyle(const ServiceRequest& request, const ExchangePtr& exchange);
  // The absolute http(s) address in the query's kAddressParameter, or an error.
  platform::Result<std::string> AddressParameter(const ServiceRequest& request) const;
  void FetchResource(const ExchangePtr& exchange, std::string url,
                     void (RequestHandler::*answer)(const ExchangePtr&, FetchResponse));
  void AnswerImage(const ExchangePtr& exchange, FetchResponse response);
  void AnswerStyle(const ExchangePtr& exchange, FetchResponse response);

  GatewayOptions options_;
  ServiceAddresses links_;
  std::string cookie_path_;
  std::string start_url_;  // options_.start_address as fetched; empty when none
  std::unique_ptr<Fetcher> fetcher_;
  PageNavigator navigator_;
};

}  // namespace tovarin::gateway
