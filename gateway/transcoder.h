#pragma once
// The transcoder: the bytes of a fetched WAP page in, what the viewer is to get out: HTML in
// UTF-8, a PNG (for a WBMP), another image as it came, a navigation for the service to follow
// (a card's entry event), or an error with a reason a person can read.
//
// The kind of page comes from its Content-Type; a missing or generic type is sniffed from the
// bytes. WML text and WMLC are read into one deck model and rendered alike; XHTML and HTML are
// cleaned; WBMP becomes PNG. Opens no socket, reads no file: the service does the fetching.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "gateway/service_links.h"
#include "gateway/wml_context.h"
#include "gateway/wml_renderer.h"
#include "gateway/wml_task.h"

namespace tovarin::gateway {

enum class PageKind { kWml, kWmlc, kWbmp, kHtml, kImage, kText, kUnknown };

// The kind of a page from its Content-Type header value, sniffing `bytes` when the type says
// nothing useful (absent, application/octet-stream, text/plain with markup in it) and when it
// is a WAP type the bytes plainly contradict: a text deck under the WMLC type is WML, a GIF,
// PNG or JPEG under the WBMP type is an image (passed on with the type its signature names).
PageKind ClassifyPage(std::string_view content_type, std::span<const std::uint8_t> bytes);

struct TranscodeRequest {
  std::span<const std::uint8_t> body;
  std::string_view content_type;  // the HTTP header value, possibly empty
  std::string_view url;           // the final address after redirects; a fragment names a card
  EntryDirection direction = EntryDirection::kForward;
  const ServiceLinks* links = nullptr;
};

struct TranscodeResult {
  enum class Kind { kHtml, kImage, kNavigate, kError };
  Kind kind = Kind::kError;
  std::string body;          // kHtml: the page; kImage: the picture's bytes
  std::string content_type;  // of body
  Navigation navigation;     // kNavigate
  std::string error;         // kError: the reason
};

// Transcodes one page. `context` is the user's WML context; it is updated (history, variables)
// for WML and left alone otherwise.
TranscodeResult Transcode(const TranscodeRequest& request, WmlContext& context);

// The page shown when a page cannot be shown: "无法打开页面", the address and the reason.
std::string ErrorPage(std::string_view address, std::string_view reason);

}  // namespace tovarin::gateway
