#pragma once
// ServiceAddresses: the rendering service's own addresses, written into the pages it answers
// (ServiceLinks) and read back by its request handlers. Both sides use the names below, so a
// link the transcoder writes always reaches the handler meant for it.
//
// Every address is path-absolute ("/<secret>/gw/page?u=..."), so it works whichever host name
// the view reached the service by. P is the path prefix: "" for the standalone server,
// "/<secret>" when the viewer embeds the service.
//
//   P/tovarin/Client/Tovarin.aspx?url=TYPED     an address as the user typed it (raw, see
//                                               typed_address.h)
//   P/simulator/crawldata_r.jsp?rf=y&url=ENC     the same with the address percent-encoded
//   P/gw/page?u=ENC                              a page reached by a GET link
//   P/gw/img?u=ENC                               an image (a WBMP comes back as PNG)
//   P/gw/css?u=ENC                               a style sheet, cleaned
//   P/gw/form   fields + gw.action, gw.method    an XHTML form, GET or POST
//   P/gw/task   fields + deck (+ wml.task)       a WML card's form (POST) or a task link (GET)
//
// ENC is the absolute address percent-encoded by PercentEncode (every byte outside RFC 3986's
// unreserved set), so it survives any query parser whole.

#include <string>
#include <string_view>

#include "gateway/service_links.h"

namespace tovarin::gateway {

// Routes, relative to the path prefix.
inline constexpr std::string_view kTypedEntryRoute = "/tovarin/Client/Tovarin.aspx";
inline constexpr std::string_view kSimulatorRoute = "/simulator/crawldata_r.jsp";
inline constexpr std::string_view kPageRoute = "/gw/page";
inline constexpr std::string_view kImageRoute = "/gw/img";
inline constexpr std::string_view kStyleRoute = "/gw/css";
inline constexpr std::string_view kFormRoute = "/gw/form";
inline constexpr std::string_view kTaskRoute = "/gw/task";

// Query parameters and form fields the service reads.
inline constexpr std::string_view kAddressParameter = "u";         // page, img, css
inline constexpr std::string_view kTypedAddressParameter = "url";  // the two entry routes
inline constexpr std::string_view kFormActionField = "gw.action";
inline constexpr std::string_view kFormMethodField = "gw.method";
inline constexpr std::string_view kDeckField = "deck";

class ServiceAddresses final : public ServiceLinks {
 public:
  // `path_prefix` is "" or "/" followed by URL-safe characters, without a trailing '/'.
  explicit ServiceAddresses(std::string path_prefix);

  const std::string& path_prefix() const { return path_prefix_; }

  std::string Page(std::string_view absolute_url) const override;
  std::string Image(std::string_view absolute_url) const override;
  std::string Style(std::string_view absolute_url) const override;
  // The action is P/gw/form; the address and method ride in kFormActionField and
  // kFormMethodField ("get" or "post", lower case; anything else is written as "get").
  FormTarget Form(std::string_view absolute_action, std::string_view method) const override;
  // The action is P/gw/task; the card's address rides in kDeckField.
  FormTarget Task(std::string_view deck_url) const override;
  // P/gw/task?deck=ENC&wml.task=ENC: the same fields a card's form sends, without inputs.
  std::string TaskLink(std::string_view deck_url, std::string_view encoded_task) const override;

 private:
  std::string WithAddress(std::string_view route, std::string_view absolute_url) const;

  std::string path_prefix_;
};

}  // namespace tovarin::gateway
