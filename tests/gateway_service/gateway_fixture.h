#pragma once
// The rendering service under test with a WAP site next to it, both on 127.0.0.1 and the test's
// main context, and a viewer client: a test serves decks from the origin, asks the service for
// them as the view does, and reads the HTML it answers.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "gateway/service/gateway_server.h"
#include "gateway/url.h"
#include "tests/gateway_service/origin_server.h"
#include "tests/gateway_service/viewer_client.h"

namespace tovarin::gateway::test {

inline constexpr std::string_view kWmlType = "text/vnd.wap.wml";
inline constexpr std::string_view kWmlPrologue =
    "<?xml version=\"1.0\"?>\n"
    "<!DOCTYPE wml PUBLIC \"-//WAPFORUM//DTD WML 1.1//EN\" "
    "\"http://www.wapforum.org/DTD/wml_1.1.xml\">\n";

class GatewayFixture : public ::testing::Test {
 protected:
  void SetUp() override { StartGateway(GatewayOptions{}); }

  // (Re)starts the service with `options` on a free loopback port.
  void StartGateway(GatewayOptions options) {
    gateway_.reset();
    auto server = GatewayServer::Listen(std::move(options), "127.0.0.1", 0);
    ASSERT_TRUE(server.ok()) << server.error();
    gateway_ = std::move(server.value());
  }

  // The origin serves `body` with `type` at `path`.
  void Serve(const std::string& path, std::string body, std::string type = std::string(kWmlType)) {
    origin_.Handle(path, [body = std::move(body), type = std::move(type)](
                             SoupServerMessage* message, const ReceivedRequest&) {
      Respond(message, 200, type, body);
    });
  }
  void ServeDeck(const std::string& path, std::string_view cards) {
    Serve(path, std::string(kWmlPrologue) + "<wml>" + std::string(cards) + "</wml>");
  }

  // The origin's address as a user types it: "127.0.0.1:PORT/path".
  std::string Typed(std::string_view path) const {
    return "127.0.0.1:" + std::to_string(origin_.port()) + std::string(path);
  }
  // The view's request for a typed address.
  ServiceAnswer Open(std::string_view typed) {
    return viewer_.Get(gateway_->ServicePrefix() + std::string(typed));
  }
  // An address from a page the service wrote (path-absolute), as the view resolves it.
  std::string ServiceUrl(std::string_view href) const {
    return "http://127.0.0.1:" + std::to_string(gateway_->port()) + std::string(href);
  }
  // The service's page address for an origin path, as its pages write it.
  std::string PageHref(std::string_view path, std::string_view prefix = {}) const {
    return std::string(prefix) + "/gw/page?u=" + PercentEncode(origin_.Url(path));
  }

  OriginServer origin_;
  std::unique_ptr<GatewayServer> gateway_;
  ViewerClient viewer_;
};

}  // namespace tovarin::gateway::test
