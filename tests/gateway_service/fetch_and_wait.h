#pragma once
// FetchAndWait: one fetch run to its end on the test's main loop, with the number of times
// its callback ran (which must be exactly once).

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

#include "gateway/service/fetcher.h"
#include "tests/gateway_service/origin_server.h"

namespace tovarin::gateway::test {

struct FetchOutcome {
  FetchResponse response;
  int callbacks = 0;                  // times the callback ran (checked again after a pause)
  bool called_back_in_fetch = false;  // the callback ran before Fetch returned
};

// Starts the fetch, runs the main loop until the callback (bounded by kDefaultWait), then a
// little longer so a second call would show. A fetch that never calls back fails the test.
inline FetchOutcome FetchAndWait(Fetcher& fetcher, FetchRequest request) {
  FetchOutcome outcome;
  std::optional<FetchResponse> response;
  bool returned = false;
  fetcher.Fetch(std::move(request), [&](FetchResponse r) {
    ++outcome.callbacks;
    if (!returned) outcome.called_back_in_fetch = true;
    response = std::move(r);
  });
  returned = true;
  EXPECT_TRUE(RunUntil([&] { return response.has_value(); })) << "the fetch never finished";
  RunFor(std::chrono::milliseconds(20));
  if (response) outcome.response = std::move(*response);
  return outcome;
}

inline FetchRequest Get(std::string url, std::string cookies = {}) {
  FetchRequest request;
  request.url = std::move(url);
  request.cookies = std::move(cookies);
  return request;
}

inline FetchRequest Post(std::string url, std::string body, std::string content_type) {
  FetchRequest request;
  request.url = std::move(url);
  request.post = true;
  request.body = std::move(body);
  request.content_type = std::move(content_type);
  return request;
}

}  // namespace tovarin::gateway::test
