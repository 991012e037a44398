#pragma once
// The offline start page: what the viewer shows when the portal it opens with cannot be reached.
// It says so plainly ("无法连接到起始页面"), names the address and why, and lists the bookmarks
// as links through the service, so the user can still go somewhere.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "gateway/service_links.h"

namespace tovarin::gateway {

// A bookmark: the label shown and the address as a user would type it ("wap.example.com").
using Bookmark = std::pair<std::string, std::string>;

// A complete HTML page. `start_address` and `reason` are shown as text, with a link to try the
// start address again; each bookmark whose address UrlFromTypedAddress accepts becomes a link
// to links.Page(url), any other is shown as its label alone (an empty label shows the address).
// No bookmarks: the page says there are none.
std::string OfflineStartPage(std::string_view start_address, std::string_view reason,
                             const std::vector<Bookmark>& bookmarks, const ServiceLinks& links);

}  // namespace tovarin::gateway
