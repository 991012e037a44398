#include "gateway/service/start_page.h"

#include "gateway/html_writer.h"
#include "gateway/service/typed_address.h"

namespace tovarin::gateway {
namespace {

void AppendBookmark(std::string& out, const Bookmark& bookmark, const ServiceLinks& links) {
  const auto& [label, address] = bookmark;
  std::string_view shown = label.empty() ? std::string_view(address) : std::string_view(label);
  out += "<li>";
  platform::Result<std::string> url = UrlFromTypedAddress(address);
  if (url.ok()) {
    out += "<a";
    AppendAttribute(out, "href", links.Page(url.value()));
    out += '>';
    AppendEscapedText(out, shown);
    out += "</a>";
  } else {
    AppendEscapedText(out, shown);
  }
  out += "</li>";
}

}  // namespace

std::string OfflineStartPage(std::string_view start_address, std::string_view reason,
                             const std::vector<Bookmark>& bookmarks, const ServiceLinks& links) {
  std::string out;
  BeginDocument(out, "无法连接到起始页面");
  out += "<div class=\"gateway-error\"><h1>无法连接到起始页面</h1><p>起始页面 ";
  AppendEscapedText(out, ReadableAddress(start_address));
  out += " 现在无法打开。</p><p>原因：";
  AppendEscapedText(out, reason);
  out += "</p>";
  if (platform::Result<std::string> start = UrlFromTypedAddress(start_address); start.ok()) {
    out += "<p><a";
    AppendAttribute(out, "href", links.Page(start.value()));
    out += ">重新连接起始页面</a></p>";
  }
  out += "<p>也可以打开下面的书签：</p>";
  if (bookmarks.empty()) {
    out += "<p>（没有书签）</p>";
  } else {
    out += "<ul class=\"gateway-bookmarks\">";
    for (const Bookmark& bookmark : bookmarks) AppendBookmark(out, bookmark, links);
    out += "</ul>";
  }
  out += "</div>";
  EndDocument(out);
  return out;
}

}  // namespace tovarin::gateway
