#pragma once
// CleanerTestLinks: the ServiceLinks the HTML and CSS cleaner tests hand in. Its addresses are
// easy to write by hand from the address they lead to:
//
//   Page   "/p?u=" + PercentEncode(url)
//   Image  "/i?u=" + PercentEncode(url)
//   Style  "/s?u=" + PercentEncode(url)
//   Form   action "/f", hidden fields ("u", action) and ("m", method)

#include <string>
#include <string_view>

#include "gateway/service_links.h"
#include "gateway/url.h"

namespace tovarin::gateway::cleaner_test {

class CleanerTestLinks final : public ServiceLinks {
 public:
  std::string Page(std::string_view absolute_url) const override {
    return "/p?u=" + PercentEncode(absolute_url);
  }
  std::string Image(std::string_view absolute_url) const override {
    return "/i?u=" + PercentEncode(absolute_url);
  }
  std::string Style(std::string_view absolute_url) const override {
    return "/s?u=" + PercentEncode(absolute_url);
  }
  FormTarget Form(std::string_view absolute_action, std::string_view method) const override {
    return {"/f", {{"u", std::string(absolute_action)}, {"m", std::string(method)}}};
  }
  // WML only: the cleaners never ask for these.
  FormTarget Task(std::string_view deck_url) const override {
    return {"/t", {{"deck", std::string(deck_url)}}};
  }
  std::string TaskLink(std::string_view deck_url, std::string_view encoded_task) const override {
    return "/t?deck=" + PercentEncode(deck_url) + "&task=" + PercentEncode(encoded_task);
  }
};

}  // namespace tovarin::gateway::cleaner_test
