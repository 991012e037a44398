#pragma once
// Telling GBK from Big5 in a page that does not say which it is (charset.h's fallback for pages
// without a usable label). Both are two-byte charsets over the same byte ranges, so most Big5
// text also reads without error as GBK and much GBK text as Big5, each time as a string of rare
// characters. The reading whose characters are more often among the most common characters of
// written Chinese (simplified and traditional forms alike) is the page's, as in the
// auto-detection browsers set up for Chinese offered.

#include <string_view>

namespace tovarin::gateway {

// Whether the Big5 reading of a page (UTF-8) is the likelier one against its GBK reading: true
// when it has more common Chinese characters; a tie goes to GBK.
bool Big5ReadsLikelier(std::string_view big5_utf8, std::string_view gbk_utf8);

}  // namespace tovarin::gateway
