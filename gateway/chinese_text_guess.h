#pragma once
// Telling GBK from Big5 in a page that does not say which it is (charset.h's fallback for pages
// without a usable label). Both are two-byte charsets over the same byte ranges, so most Big5
// text also reads without error as GBK and much GBK text as Big5, each time as a string of rare
// characters. The reading whose characters are more often among the most common characters of
// written Chinese (simplified and traditional forms alike) is the page's, as in the
// auto-detection browsers set up for Chinese offered.

#include <cstdint>
#include <optional>
#include <span>

#include "gateway/charset.h"

namespace tovarin::gateway {

// `bytes` decoded as GB18030 (GBK) or BIG5-HKSCS: the one of the two that reads without a single
// ill-formed sequence, or when both do, the one with more common Chinese characters (GB18030 on
// a tie). nullopt when neither reads cleanly or the text is too large.
std::optional<DecodedText> ReadAsChinese(std::span<const std::uint8_t> bytes);

}  // namespace tovarin::gateway
