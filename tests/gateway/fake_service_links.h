#pragma once
// FakeServiceLinks: a ServiceLinks for tests. It writes addresses a test can recognise and read
// back, so an expected link is written by hand from the address it must lead to:
//
//   Page      "/p?u=" + PercentEncode(url)
//   Image     "/i?u=" + PercentEncode(url)
//   Style     "/s?u=" + PercentEncode(url)
//   Form      action "/f", hidden ("u", action) and ("m", method)
//   Task      action "/t", hidden ("deck", deck_url)
//   TaskLink  "/t?deck=" + PercentEncode(deck_url) + "&task=" + PercentEncode(encoded_task)
//
// ReadTaskLink takes a TaskLink address apart again (deck and encoded task), for tests that
// compare a task's fields with DecodeTask instead of matching long encoded strings.

#include <optional>
#include <string>
#include <string_view>

#include "gateway/service_links.h"
#include "gateway/url.h"

namespace tovarin::gateway {

class FakeServiceLinks final : public ServiceLinks {
 public:
  static constexpr std::string_view kTaskAction = "/t";
  static constexpr std::string_view kDeckField = "deck";

  static std::string PageAddress(std::string_view absolute_url) {
    return "/p?u=" + PercentEncode(absolute_url);
  }
  static std::string ImageAddress(std::string_view absolute_url) {
    return "/i?u=" + PercentEncode(absolute_url);
  }
  static std::string TaskAddress(std::string_view deck_url, std::string_view encoded_task) {
    return std::string(kTaskAction) + "?deck=" + PercentEncode(deck_url) +
           "&task=" + PercentEncode(encoded_task);
  }

  struct TaskLinkParts {
    std::string deck_url;
    std::string encoded_task;
  };
  // The parts of an address TaskAddress wrote, or nullopt for any other address.
  static std::optional<TaskLinkParts> ReadTaskLink(std::string_view address) {
    const std::string prefix = std::string(kTaskAction) + "?deck=";
    if (!address.starts_with(prefix)) return std::nullopt;
    address.remove_prefix(prefix.size());
    std::size_t task = address.find("&task=");
    if (task == std::string_view::npos) return std::nullopt;
    return TaskLinkParts{PercentDecode(address.substr(0, task)),
                         PercentDecode(address.substr(task + 6))};
  }

  std::string Page(std::string_view absolute_url) const override {
    return PageAddress(absolute_url);
  }
  std::string Image(std::string_view absolute_url) const override {
    return ImageAddress(absolute_url);
  }
  std::string Style(std::string_view absolute_url) const override {
    return "/s?u=" + PercentEncode(absolute_url);
  }
  FormTarget Form(std::string_view absolute_action, std::string_view method) const override {
    return {"/f", {{"u", std::string(absolute_action)}, {"m", std::string(method)}}};
  }
  FormTarget Task(std::string_view deck_url) const override {
    return {std::string(kTaskAction), {{std::string(kDeckField), std::string(deck_url)}}};
  }
  std::string TaskLink(std::string_view deck_url, std::string_view encoded_task) const override {
    return TaskAddress(deck_url, encoded_task);
  }
};

}  // namespace tovarin::gateway
