#pragma once
// What a reference written in a cleaned page (href, src, action, a style sheet's url()) may
// become in what we write. Only three kinds ever stay live: a fragment of the page itself, an
// http(s) address (which the caller hands to ServiceLinks), and an image inlined as a raster
// data: URL. Everything else (javascript:, vbscript:, data: of any other type, mailto:, tel:,
// file:, ...) is never written where a browser would follow it.
//
// The scheme is judged the way browsers read it, not the way it is spelled: character
// references are already decoded by the parser, and ASCII white space and control characters
// are ignored wherever they stand, so "jav&#x09;ascript:", " JaVaScRiPt:" and "java\0script:"
// all read as javascript.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "gateway/plain_url_resolver.h"

namespace tovarin::gateway {

enum class ReferenceKind {
  kFragment,    // "#top": a place in this page
  kFetchable,   // resolves to an absolute http or https address
  kRasterData,  // data:image/(png|gif|jpeg|webp|bmp)
  kOther,       // anything else: never live
};

struct Reference {
  ReferenceKind kind = ReferenceKind::kOther;
  // kFetchable: the absolute address. kRasterData: the reference without any white space or
  // control character. kFragment, kOther: the reference as written, without surrounding white
  // space (and without tabs and line breaks, which browsers ignore).
  std::string url;
  // Lower-case scheme the reference is read with ("javascript", "tel"); empty for a relative
  // reference or a fragment.
  std::string scheme;
};

// Rewrites a reference before it is resolved. A page in a legacy charset gives one that writes
// the characters of a query in that charset (EncodeQueryInCharset), as browsers send a query;
// an empty one leaves references as written.
using QueryEncoder = std::function<std::string(std::string_view)>;

// Classifies the references of one document against its base address, which it reads once.
class ReferenceClassifier {
 public:
  explicit ReferenceClassifier(std::string_view base, QueryEncoder query_encoder = {})
      : base_(base), plain_(base), query_encoder_(std::move(query_encoder)) {}

  Reference Classify(std::string_view reference) const;
  // `reference` (through the query encoder) resolved against the base: ResolveUrl's answer,
  // without GLib for the plain shapes PlainUrlResolver knows.
  std::optional<std::string> Resolve(std::string_view reference) const;
  const std::string& base() const { return base_; }

 private:
  std::string base_;
  PlainUrlResolver plain_;
  QueryEncoder query_encoder_;
};

// Classifies `reference` found in a document whose base address is `base` (absolute).
Reference ClassifyReference(std::string_view base, std::string_view reference);

// The scheme `reference` is read with: lower case, ASCII white space and control characters
// ignored; empty when it has none.
std::string ReferenceScheme(std::string_view reference);

// True when `reference` is a data: URL of a raster image type browsers decode without running
// anything (png, gif, jpeg, webp, bmp). SVG is not raster: it can carry script.
bool IsRasterImageDataUrl(std::string_view reference);

// True for schemes whose target is program text rather than an address a reader could use
// (javascript:, vbscript:, data:): such a target is not even shown as text.
bool IsScriptLikeScheme(std::string_view scheme);

}  // namespace tovarin::gateway
