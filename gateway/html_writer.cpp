#include "gateway/html_writer.h"

namespace tovarin::gateway {
namespace {

// The look of every page on the 236-pixel view: readable type, clear link and focus colours,
// a title bar like a phone's, soft keys like a phone's, pictures and tables that fit the width.
constexpr std::string_view kPhoneStyleSheet = R"css(
html{-webkit-text-size-adjust:none}
body{margin:0;padding:0;background:#fff;color:#111;font:14px/1.4 sans-serif;
word-wrap:break-word;overflow-wrap:anywhere}
a{color:#0645ad}
a:visited{color:#5a3696}
a:focus,button:focus,input:focus,select:focus,textarea:focus{outline:2px solid #f29400;
outline-offset:1px}
img{max-width:100%;height:auto;vertical-align:middle}
table{border-collapse:collapse;max-width:100%}
td,th{padding:1px 3px;vertical-align:top}
pre{white-space:pre-wrap;font:13px/1.3 monospace;margin:4px 0}
input,select,textarea{font:inherit;max-width:100%;box-sizing:border-box}
.wml-title{margin:0;padding:3px 6px;background:#1d4f91;color:#fff;font-size:14px;
font-weight:bold;white-space:nowrap;overflow:hidden;text-overflow:ellipsis}
.wml-card{padding:4px 6px}
.wml-card p{margin:0 0 4px}
.wml-nowrap{white-space:nowrap;overflow-x:auto}
.wml-field{display:block;margin:2px 0}
.wml-field input,.wml-field select{width:100%}
.wml-link{display:inline;border:0;padding:0;margin:0;background:none;color:#0645ad;
font:inherit;text-decoration:underline;cursor:pointer;text-align:left}
.wml-softkeys{display:flex;flex-wrap:wrap;gap:4px;padding:4px 6px 6px;
border-top:1px solid #c5ccd6;background:#eef1f5}
.wml-softkey{flex:1 1 auto;min-width:64px;padding:3px 6px;border:1px solid #8a96a8;
border-radius:9px;background:linear-gradient(#fdfdfe,#d9dee6);color:#111;font:bold 13px sans-serif}
.wml-softkey:active{background:linear-gradient(#c9d0da,#eef1f5)}
.wml-pick{display:block;margin:2px 0}
.wml-note{color:#a40000}
.wml-unlinked{color:#555;border-bottom:1px dotted #888}
.gateway-error{padding:8px}
.gateway-error h1{font-size:16px;color:#a40000;margin:0 0 6px}
)css";

void AppendEscaped(std::string& out, std::string_view text, bool attribute) {
  std::size_t plain_start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::string_view entity;
    switch (text[i]) {
      case '&': entity = "&amp;"; break;
      case '<': entity = "&lt;"; break;
      case '>': entity = "&gt;"; break;
      case '"':
        if (attribute) entity = "&quot;";
        break;
      default: break;
    }
    if (entity.empty()) continue;
    out.append(text.substr(plain_start, i - plain_start));
    out.append(entity);
    plain_start = i + 1;
  }
  out.append(text.substr(plain_start));
}

}  // namespace

void AppendEscapedText(std::string& out, std::string_view text) { AppendEscaped(out, text, false); }

void AppendEscapedAttribute(std::string& out, std::string_view value) {
  AppendEscaped(out, value, true);
}

void AppendAttribute(std::string& out, std::string_view name, std::string_view value) {
  out += ' ';
  out += name;
  out += "=\"";
  AppendEscapedAttribute(out, value);
  out += '"';
}

void BeginDocument(std::string& out, std::string_view title, std::string_view extra_head) {
  out +=
      "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
      "<meta name=\"viewport\" content=\"width=device-width,initial-scale=1\">"
      "<meta name=\"referrer\" content=\"no-referrer\"><title>";
  AppendEscapedText(out, title);
  out += "</title><style>";
  out += kPhoneStyleSheet;
  out += "</style>";
  out += extra_head;
  out += "</head><body>";
}

void EndDocument(std::string& out) { out += "</body></html>\n"; }

std::string_view PhoneStyleSheet() { return kPhoneStyleSheet; }

}  // namespace tovarin::gateway
