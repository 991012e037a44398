#include "gateway/service/service_addresses.h"

#include <utility>

#include "gateway/service/query_fields.h"
#include "gateway/url.h"
#include "gateway/wml_task.h"

namespace tovarin::gateway {

ServiceAddresses::ServiceAddresses(std::string path_prefix)
    : path_prefix_(std::move(path_prefix)) {}

std::string ServiceAddresses::WithAddress(std::string_view route,
                                          std::string_view absolute_url) const {
  std::string out = path_prefix_;
  out += route;
  out += '?';
  out += kAddressParameter;
  out += '=';
  out += PercentEncode(absolute_url);
  return out;
}

std::string ServiceAddresses::Page(std::string_view absolute_url) const {
  return WithAddress(kPageRoute, absolute_url);
}

std::string ServiceAddresses::Image(std::string_view absolute_url) const {
  return WithAddress(kImageRoute, absolute_url);
}

std::string ServiceAddresses::Style(std::string_view absolute_url) const {
  return WithAddress(kStyleRoute, absolute_url);
}

FormTarget ServiceAddresses::Form(std::string_view absolute_action, std::string_view method) const {
  bool post = EqualsIgnoringCase(method, "post");
  FormTarget target;
  target.action = path_prefix_ + std::string(kFormRoute);
  target.hidden.emplace_back(std::string(kFormActionField), std::string(absolute_action));
  target.hidden.emplace_back(std::string(kFormMethodField), post ? "post" : "get");
  return target;
}

FormTarget ServiceAddresses::Task(std::string_view deck_url) const {
  FormTarget target;
  target.action = path_prefix_ + std::string(kTaskRoute);
  target.hidden.emplace_back(std::string(kDeckField), std::string(deck_url));
  return target;
}

std::string ServiceAddresses::TaskLink(std::string_view deck_url,
                                       std::string_view encoded_task) const {
  std::string out = path_prefix_;
  out += kTaskRoute;
  out += '?';
  out += kDeckField;
  out += '=';
  out += PercentEncode(deck_url);
  out += '&';
  out += PercentEncode(kTaskField);
  out += '=';
  out += PercentEncode(encoded_task);
  return out;
}

}  // namespace tovarin::gateway
