#include "tests/gateway_service/viewer_client.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "gateway/url.h"
#include "platform/glib/glib_holders.h"
#include "tests/gateway_service/origin_server.h"

namespace tovarin::gateway::test {

using platform::glib::GBytesPtr;
using platform::glib::GErrorHolder;
using platform::glib::GObjectPtr;

namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(g_ascii_tolower(c));
  return out;
}

struct SendState {
  bool done = false;
  GBytesPtr body;
};

void OnSent(GObject* session, GAsyncResult* result, gpointer data) {
  auto* state = static_cast<SendState*>(data);
  GErrorHolder error;
  state->body.reset(soup_session_send_and_read_finish(SOUP_SESSION(session), result, error.out()));
  state->done = true;
}

void ReadResponse(SoupMessage* message, const GBytesPtr& body, ServiceAnswer& answer) {
  answer.status = soup_message_get_status(message);
  SoupMessageHeadersIter iter;
  soup_message_headers_iter_init(&iter, soup_message_get_response_headers(message));
  const char* name = nullptr;
  const char* value = nullptr;
  while (soup_message_headers_iter_next(&iter, &name, &value)) {
    answer.headers.emplace(Lower(name), value);
    if (Lower(name) == "set-cookie") answer.set_cookies.emplace_back(value);
  }
  answer.content_type = answer.Header("content-type");
  if (body) {
    gsize size = 0;
    const auto* data = static_cast<const char*>(g_bytes_get_data(body.get(), &size));
    if (size > 0) answer.body.assign(data, size);
  }
}

}  // namespace

std::string ServiceAnswer::Header(const std::string& lower_case_name) const {
  auto found = headers.find(lower_case_name);
  return found == headers.end() ? std::string() : found->second;
}

ViewerClient::ViewerClient() : session_(soup_session_new()) {}
ViewerClient::~ViewerClient() { g_object_unref(session_); }

ServiceAnswer ViewerClient::Get(const std::string& url, const std::string& host) {
  return Send("GET", url, {}, {}, host);
}

ServiceAnswer ViewerClient::Post(const std::string& url, std::string_view content_type,
                                 std::string_view body) {
  return Send("POST", url, content_type, body);
}

ServiceAnswer ViewerClient::Send(const std::string& method, const std::string& url,
                                 std::string_view content_type, std::string_view body,
                                 const std::string& host) {
  ServiceAnswer answer;
  GObjectPtr<SoupMessage> message(soup_message_new(method.c_str(), url.c_str()));
  if (!message) {
    ADD_FAILURE() << "the client cannot send to " << url;
    return answer;
  }
  SoupMessageHeaders* headers = soup_message_get_request_headers(message.get());
  std::string cookie_header;
  for (const auto& [name, value] : cookies_) {
    cookie_header += (cookie_header.empty() ? "" : "; ") + name + "=" + value;
  }
  if (!cookie_header.empty())
    soup_message_headers_replace(headers, "Cookie", cookie_header.c_str());
  if (!host.empty()) soup_message_headers_replace(headers, "Host", host.c_str());
  if (!content_type.empty() || !body.empty()) {
    GBytesPtr bytes(g_bytes_new(body.data(), body.size()));
    soup_message_set_request_body_from_bytes(message.get(), std::string(content_type).c_str(),
                                             bytes.get());
  }
  SendState state;
  soup_session_send_and_read_async(session_, message.get(), G_PRIORITY_DEFAULT, nullptr, &OnSent,
                                   &state);
  answer.completed = RunUntil([&] { return state.done; });
  if (!answer.completed) {
    ADD_FAILURE() << "no answer from " << url;
    return answer;
  }
  ReadResponse(message.get(), state.body, answer);
  KeepCookies(answer.set_cookies);
  return answer;
}

void ViewerClient::KeepCookies(const std::vector<std::string>& set_cookies) {
  for (const std::string& header : set_cookies) {
    std::string pair = header.substr(0, header.find(';'));
    std::size_t equals = pair.find('=');
    if (equals == std::string::npos) continue;
    std::string name = pair.substr(0, equals);
    if (header.find("Max-Age=0") != std::string::npos) {
      cookies_.erase(name);
    } else {
      cookies_[name] = pair.substr(equals + 1);
    }
  }
}

std::string HtmlTag::Attribute(const std::string& attribute) const {
  auto found = attributes.find(attribute);
  return found == attributes.end() ? std::string() : found->second;
}

std::string DecodeEntities(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      out += text[i];
      continue;
    }
    std::size_t semicolon = text.find(';', i);
    if (semicolon == std::string_view::npos || semicolon - i > 10) {
      out += '&';
      continue;
    }
    std::string entity(text.substr(i + 1, semicolon - i - 1));
    gunichar code = 0;
    if (entity == "amp")
      code = '&';
    else if (entity == "lt")
      code = '<';
    else if (entity == "gt")
      code = '>';
    else if (entity == "quot")
      code = '"';
    else if (entity == "apos")
      code = '\'';
    else if (entity.size() > 2 && (entity[1] == 'x' || entity[1] == 'X') && entity[0] == '#')
      code = static_cast<gunichar>(std::strtoul(entity.c_str() + 2, nullptr, 16));
    else if (entity.size() > 1 && entity[0] == '#')
      code = static_cast<gunichar>(std::strtoul(entity.c_str() + 1, nullptr, 10));
    if (code == 0) {
      out += '&';
      continue;
    }
    char utf8[8] = {};
    out.append(utf8, static_cast<std::size_t>(g_unichar_to_utf8(code, utf8)));
    i = semicolon;
  }
  return out;
}

std::vector<HtmlTag> FindTags(std::string_view html, std::string_view name) {
  std::vector<HtmlTag> tags;
  std::string open = "<" + std::string(name);
  for (std::size_t at = html.find(open); at != std::string_view::npos;
       at = html.find(open, at + 1)) {
    std::size_t after = at + open.size();
    if (after >= html.size() || (html[after] != ' ' && html[after] != '>' && html[after] != '/')) {
      continue;
    }
    std::size_t end = html.find('>', after);
    if (end == std::string_view::npos) break;
    HtmlTag tag{std::string(name), {}};
    std::string_view inside = html.substr(after, end - after);
    std::size_t i = 0;
    while (i < inside.size()) {
      while (i < inside.size() && (inside[i] == ' ' || inside[i] == '/')) ++i;
      std::size_t name_end = inside.find_first_of("= >", i);
      if (name_end == std::string_view::npos) name_end = inside.size();
      std::string attribute(inside.substr(i, name_end - i));
      std::string value;
      i = name_end;
      if (i < inside.size() && inside[i] == '=' && i + 1 < inside.size() && inside[i + 1] == '"') {
        std::size_t close = inside.find('"', i + 2);
        if (close == std::string_view::npos) close = inside.size();
        value = DecodeEntities(inside.substr(i + 2, close - i - 2));
        i = close + 1;
      }
      if (!attribute.empty()) tag.attributes[attribute] = value;
    }
    tags.push_back(std::move(tag));
  }
  return tags;
}

std::string VisibleText(std::string_view html) {
  std::string text;
  bool in_tag = false;
  std::size_t style = html.find("<style>");
  std::size_t style_end = html.find("</style>");
  for (std::size_t i = 0; i < html.size(); ++i) {
    if (style != std::string_view::npos && i >= style && i < style_end) continue;
    if (html[i] == '<') in_tag = true;
    if (!in_tag) text += html[i];
    if (html[i] == '>') in_tag = false;
  }
  return DecodeEntities(text);
}

std::vector<std::pair<HtmlTag, std::string>> FindElements(std::string_view html,
                                                          std::string_view name) {
  std::vector<std::pair<HtmlTag, std::string>> elements;
  std::string open = "<" + std::string(name);
  std::string close = "</" + std::string(name) + ">";
  std::size_t at = 0;
  for (HtmlTag& tag : FindTags(html, name)) {
    while (true) {
      at = html.find(open, at);
      if (at == std::string_view::npos) return elements;
      at += open.size();
      if (at < html.size() && (html[at] == ' ' || html[at] == '>' || html[at] == '/')) break;
    }
    std::size_t start = html.find('>', at) + 1;
    std::size_t end = std::min(html.find(close, start), html.size());
    elements.emplace_back(std::move(tag), VisibleText(html.substr(start, end - start)));
  }
  return elements;
}

std::vector<HtmlLink> FindLinks(std::string_view html) {
  std::vector<HtmlLink> links;
  for (auto& [tag, text] : FindElements(html, "a")) links.push_back({tag.Attribute("href"), text});
  return links;
}

std::string LinkHref(std::string_view html, std::string_view text) {
  for (const HtmlLink& link : FindLinks(html)) {
    if (link.text.find(text) != std::string::npos) return link.href;
  }
  return {};
}

std::vector<std::pair<std::string, std::string>> FormFields(std::string_view html) {
  std::vector<std::pair<std::string, std::string>> fields;
  for (const HtmlTag& input : FindTags(html, "input")) {
    std::string type = input.Attribute("type");
    if (input.Attribute("name").empty() || type == "checkbox" || type == "radio") continue;
    fields.emplace_back(input.Attribute("name"), input.Attribute("value"));
  }
  return fields;
}

std::string UrlEncode(const std::vector<std::pair<std::string, std::string>>& fields) {
  std::string out;
  for (const auto& [name, value] : fields) {
    if (!out.empty()) out += '&';
    out += PercentEncode(name) + "=" + PercentEncode(value);
  }
  return out;
}

}  // namespace tovarin::gateway::test
