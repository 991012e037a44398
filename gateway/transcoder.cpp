#include "gateway/transcoder.h"

#include <algorithm>

#include "gateway/charset.h"
#include "gateway/html_cleaner.h"
#include "gateway/html_writer.h"
#include "gateway/image_types.h"
#include "gateway/wbmp.h"
#include "gateway/wbxml_decoder.h"
#include "gateway/wml_parser.h"
#include "gateway/wml_variables.h"

namespace tovarin::gateway {
namespace {

std::string MediaType(std::string_view content_type) {
  std::string type(content_type.substr(0, content_type.find(';')));
  type.erase(std::remove_if(type.begin(), type.end(), [](char c) { return c == ' ' || c == '\t'; }),
             type.end());
  std::transform(type.begin(), type.end(), type.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return type;
}

// A case-insensitive search in the first bytes of a page.
bool StartContains(std::span<const std::uint8_t> bytes, std::string_view needle) {
  std::string head(reinterpret_cast<const char*>(bytes.data()),
                   std::min<std::size_t>(bytes.size(), 1024));
  std::transform(head.begin(), head.end(), head.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return head.find(needle) != std::string::npos;
}

// WBXML's first bytes: version 1.0-1.3, then a WML public identifier (WML 1.0 0x02, 1.1 0x04,
// 1.2 0x09, 1.3 0x0A) or 0 for one given in the string table.
bool LooksLikeWmlc(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 4 || bytes[0] > 0x03) return false;
  std::uint8_t id = bytes[1];
  return id == 0x02 || id == 0x04 || id == 0x09 || id == 0x0A || id == 0x00;
}

PageKind Sniff(std::span<const std::uint8_t> bytes) {
  if (StartContains(bytes, "<wml") || StartContains(bytes, "//dtd wml")) return PageKind::kWml;
  if (StartContains(bytes, "<html") || StartContains(bytes, "<!doctype html") ||
      StartContains(bytes, "<body")) {
    return PageKind::kHtml;
  }
  if (LooksLikeWmlc(bytes)) return PageKind::kWmlc;
  if (LooksLikeWbmp(bytes)) return PageKind::kWbmp;
  return PageKind::kUnknown;
}

TranscodeResult Failure(std::string reason) {
  TranscodeResult result;
  result.kind = TranscodeResult::Kind::kError;
  result.error = std::move(reason);
  return result;
}

TranscodeResult Html(std::string html) {
  TranscodeResult result;
  result.kind = TranscodeResult::Kind::kHtml;
  result.body = std::move(html);
  result.content_type = "text/html; charset=utf-8";
  return result;
}

// For a page in a legacy charset, what writes the characters of a query in it (see
// EncodeQueryInCharset); none for UTF-8, where resolution already escapes them as browsers do.
QueryEncoder QueryEncoderFor(std::string_view charset) {
  if (charset.empty() || charset == "UTF-8") return {};
  return [charset = std::string(charset)](std::string_view reference) {
    return EncodeQueryInCharset(reference, charset);
  };
}

TranscodeResult RenderDeck(const MarkupNode& deck, std::string_view charset,
                           const TranscodeRequest& request, WmlContext& context) {
  WmlRenderRequest render{request.url, charset, request.direction, request.links};
  WmlRenderResult rendered = RenderWmlDeck(deck, render, context);
  switch (rendered.kind) {
    case WmlRenderResult::Kind::kHtml: return Html(std::move(rendered.html));
    case WmlRenderResult::Kind::kError: return Failure(std::move(rendered.error));
    case WmlRenderResult::Kind::kNavigate: break;
  }
  TranscodeResult result;
  result.kind = TranscodeResult::Kind::kNavigate;
  result.navigation = std::move(rendered.navigation);
  return result;
}

TranscodeResult TranscodeWml(const TranscodeRequest& request, WmlContext& context) {
  auto text = DecodeToUtf8(request.body, request.content_type);
  if (!text.ok()) return Failure(text.error());
  auto deck = ParseWml(text->utf8);
  if (!deck.ok()) return Failure(deck.error());
  // A page sent as WML that is really HTML (portals do this) is cleaned as HTML.
  if (deck->root.children.size() == 1 && deck->root.children[0].IsElement("html")) {
    auto cleaned = CleanHtml(text->utf8, request.url, *request.links,
                             QueryEncoderFor(text->charset), FormCharsetFor(text->charset));
    if (!cleaned.ok()) return Failure(cleaned.error());
    return Html(std::move(cleaned.value()));
  }
  return RenderDeck(deck->root, text->charset, request, context);
}

TranscodeResult TranscodeWmlc(const TranscodeRequest& request, WmlContext& context) {
  auto document = DecodeWmlc(request.body);
  if (!document.ok()) return Failure(document.error());
  std::string charset = CharsetFromMibEnum(document->charset_mib);
  if (charset.empty()) charset = "UTF-8";
  return RenderDeck(document->root, charset, request, context);
}

TranscodeResult TranscodeHtml(const TranscodeRequest& request) {
  auto text = DecodeToUtf8(request.body, request.content_type);
  if (!text.ok()) return Failure(text.error());
  auto cleaned = CleanHtml(text->utf8, request.url, *request.links, QueryEncoderFor(text->charset),
                           FormCharsetFor(text->charset));
  if (!cleaned.ok()) return Failure(cleaned.error());
  return Html(std::move(cleaned.value()));
}

TranscodeResult TranscodeText(const TranscodeRequest& request) {
  auto text = DecodeToUtf8(request.body, request.content_type);
  if (!text.ok()) return Failure(text.error());
  std::string html;
  BeginDocument(html, request.url);
  html += "<pre>";
  AppendEscapedText(html, text->utf8);
  html += "</pre>";
  EndDocument(html);
  return Html(std::move(html));
}

}  // namespace

PageKind ClassifyPage(std::string_view content_type, std::span<const std::uint8_t> bytes) {
  std::string type = MediaType(content_type);
  if (type == "text/vnd.wap.wml" || type == "text/x-wap.wml" ||
      type == "application/vnd.wap.wml+xml") {
    return PageKind::kWml;
  }
  if (type == "application/vnd.wap.wmlc") {
    // A text deck under the binary type (a server that maps .wml to WMLC) is read as text.
    return !LooksLikeWmlc(bytes) && Sniff(bytes) == PageKind::kWml ? PageKind::kWml
                                                                   : PageKind::kWmlc;
  }
  if (type == "image/vnd.wap.wbmp" || type == "image/x-wap.wbmp") {
    // A picture saved in another format that kept its ".wbmp" name: a browser goes by the
    // signature.
    return PassThroughImageType(bytes).empty() ? PageKind::kWbmp : PageKind::kImage;
  }
  if (type == "application/vnd.wap.xhtml+xml" || type == "application/xhtml+xml" ||
      type == "text/html") {
    // Some servers send WML as text/html; the deck says what it is.
    return Sniff(bytes) == PageKind::kWml ? PageKind::kWml : PageKind::kHtml;
  }
  if (type.starts_with("image/") && type != "image/svg+xml") return PageKind::kImage;
  PageKind sniffed = Sniff(bytes);
  if (sniffed != PageKind::kUnknown) return sniffed;
  if (type == "text/plain") return PageKind::kText;
  if (type == "text/xml" || type == "application/xml") return PageKind::kWml;
  return PageKind::kUnknown;
}

TranscodeResult Transcode(const TranscodeRequest& request, WmlContext& context) {
  switch (ClassifyPage(request.content_type, request.body)) {
    case PageKind::kWml: return TranscodeWml(request, context);
    case PageKind::kWmlc: return TranscodeWmlc(request, context);
    case PageKind::kHtml: return TranscodeHtml(request);
    case PageKind::kText: return TranscodeText(request);
    case PageKind::kWbmp: {
      auto png = WbmpToPng(request.body);
      if (!png.ok()) return Failure(png.error());
      TranscodeResult result;
      result.kind = TranscodeResult::Kind::kImage;
      result.body.assign(png->begin(), png->end());
      result.content_type = "image/png";
      return result;
    }
    case PageKind::kImage: {
      TranscodeResult result;
      result.kind = TranscodeResult::Kind::kImage;
      result.body.assign(request.body.begin(), request.body.end());
      const std::string_view signature = PassThroughImageType(request.body);
      result.content_type =
          signature.empty() ? MediaType(request.content_type) : std::string(signature);
      return result;
    }
    case PageKind::kUnknown: break;
  }
  return Failure("the page's type \"" + MediaType(request.content_type) +
                 "\" is not one a WAP browser shows");
}

std::string ErrorPage(std::string_view address, std::string_view reason) {
  std::string html;
  BeginDocument(html, "无法打开页面");
  html += "<div class=\"gateway-error\"><h1>无法打开页面</h1><p>";
  AppendEscapedText(html, address);
  html += "</p><p>";
  AppendEscapedText(html, reason);
  html += "</p></div>";
  EndDocument(html);
  return html;
}

}  // namespace tovarin::gateway
