#include "platform/host/resource_address.h"

#include <gtest/gtest.h>

#include <string>

namespace tovarin::platform {
namespace {

struct Accepted {
  std::string address;
  ResourceKind kind;
  std::string location;
};

TEST(ResourceAddressAccepted, KindAndLocation) {
  const Accepted cases[] = {
      {"http://127.0.0.1:8080/a.gif", ResourceKind::kHttp, "http://127.0.0.1:8080/a.gif"},
      {"HTTP://Example.org", ResourceKind::kHttp, "HTTP://Example.org"},
      {"http://h.example?q=1", ResourceKind::kHttp, "http://h.example?q=1"},
      {"https://secure.example/x.gif", ResourceKind::kHttps, "https://secure.example/x.gif"},
      {"HtTpS://[::1]:443/", ResourceKind::kHttps, "HtTpS://[::1]:443/"},
      {"https://[::1]/", ResourceKind::kHttps, "https://[::1]/"},
      {"file:///tmp/a%20b.gif", ResourceKind::kFile, "/tmp/a b.gif"},
      {"FILE://localhost/tmp/%E4%B8%AD.gif", ResourceKind::kFile, "/tmp/\xE4\xB8\xAD.gif"},
      {"file://LocalHost/x", ResourceKind::kFile, "/x"},
      {"/tmp/a%20b.gif", ResourceKind::kFile, "/tmp/a%20b.gif"},  // a path is not decoded
      {"pictures/loading.gif", ResourceKind::kFile, "pictures/loading.gif"},
      {"data:image/gif;base64,R0lG", ResourceKind::kFile, "data:image/gif;base64,R0lG"},
  };
  for (const Accepted& c : cases) {
    auto classified = ClassifyResourceAddress(c.address);
    ASSERT_TRUE(classified.ok()) << c.address << ": " << classified.error();
    EXPECT_EQ(classified->kind, c.kind) << c.address;
    EXPECT_EQ(classified->location, c.location) << c.address;
  }
}

struct Refused {
  std::string address;
  std::string reason;
};

TEST(ResourceAddressRefused, WithTheReason) {
  const Refused cases[] = {
      {"", "empty address"},
      {"ftp://127.0.0.1/a.gif", "unsupported address scheme \"ftp\""},
      {"javascript://alert(1)", "unsupported address scheme \"javascript\""},
      {"http://", "address without a host"},
      {"https:///path", "address without a host"},
      {"http://:80/", "address without a host"},
      {"http://127.0.0.1:99999/", "bad port in address"},
      {"http://127.0.0.1:0/", "bad port in address"},
      {"http://127.0.0.1:/", "bad port in address"},
      {"https://h.example:8o/", "bad port in address"},
      {"file://other.example/x.gif", "file addresses on other machines are not supported"},
      {"file://localhostile/x.gif", "file addresses on other machines are not supported"},
      {"file://localhost", "file address without a path"},
      {"file://%zz", "file addresses on other machines are not supported"},
      {"file:///a%zz.gif", "malformed percent escape"},
      {"file:///a%4", "malformed percent escape"},
      {"file:///a%00b", "file address contains a NUL character"},
      {std::string("a\0b.gif", 7), "file name contains a NUL character"},
  };
  for (const Refused& c : cases) {
    auto classified = ClassifyResourceAddress(c.address);
    ASSERT_FALSE(classified.ok()) << c.address;
    EXPECT_EQ(classified.error(), c.reason) << c.address;
  }
}

}  // namespace
}  // namespace tovarin::platform
