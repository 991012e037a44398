#pragma once
// HtmlTreeCleaner: writes the safe form of a document tree built by libxml2's HTML parser, from
// the allow-list in html_allow_list.h. The tree is walked once, iteratively (through the
// nodes' parent and sibling links, with one small frame per open element), so no page can
// exhaust the stack; the parser side (html_cleaner.cpp) already bounds the tree's depth.
//
// Addresses: href, src, action, a refresh's url and every url() of a style are resolved against
// the document's base, which is the page's address, or the first <base href> in <head> when that
// resolves to an http(s) address. The <base> element itself is never written.

#include <libxml/tree.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "gateway/css_cleaner.h"
#include "gateway/reference_policy.h"
#include "gateway/service_links.h"

namespace tovarin::gateway {

// What one walk produces; CleanHtml puts it into the document frame.
struct CleanedPage {
  std::string title;  // text of the first <title>, white space collapsed, at most kMaxTitleBytes
  std::string head;   // safe HTML for our <head>: style sheets and a refresh, in document order
  std::string body;   // safe HTML for our <body>; every element it opens is closed
  bool cut = false;   // the walk stopped at the output budget: body holds only what came before
};

// A longer title is cut (at a character boundary).
inline constexpr std::size_t kMaxTitleBytes = 1024;

class HtmlTreeCleaner {
 public:
  // `page_url`: the page's absolute http(s) address. `links` must outlive the cleaner.
  // `output_budget`: how many bytes head and body may take together; the walk stops before
  // they would take more (the end tags of open elements come on top).
  // `query_encoder`: how the page's charset reaches the queries of its addresses (empty: none).
  // `form_charset`: the charset forms are submitted in (empty: UTF-8; see CleanHtml).
  HtmlTreeCleaner(std::string_view page_url, const ServiceLinks& links, std::size_t output_budget,
                  QueryEncoder query_encoder = {}, std::string_view form_charset = {});

  // Walks `document` (not changed, not kept) and fills `page`.
  void Clean(xmlDoc* document, CleanedPage& page);

 private:
  struct Frame {
    const xmlNode* node = nullptr;
    std::string_view end_name;  // element whose end tag closes it; empty for none
    std::uint8_t flags = 0;
  };

  void FindBase(xmlDoc* document);
  bool Enter(const xmlNode* node);
  bool EnterElement(const xmlNode* node);
  void Leave();
  void CloseAll();
  void RollBack(std::size_t frame_count);

  bool Push(const xmlNode* node, std::string_view end_name, std::uint8_t flags = 0);
  void AppendStartTag(std::string_view name, const xmlNode* node);
  void AppendCopiedAttributes(const xmlNode* node);
  void AppendText(std::string_view text);

  bool EnterAnchor(const xmlNode* node);
  void AppendImage(const xmlNode* node);
  bool EnterForm(const xmlNode* node);
  void AppendInput(const xmlNode* node);
  bool EnterTyped(const xmlNode* node, std::string_view name, std::string_view type);
  void TakeStyle(const xmlNode* node);
  void TakeTitle(const xmlNode* node);
  void TakeLink(const xmlNode* node);
  void TakeMeta(const xmlNode* node);

  // Views valid until the next call of either (they may point into scratch_).
  std::string_view TextContent(const xmlNode* node);
  std::string_view AttributeValue(const xmlAttr* attribute);
  std::string_view JoinText(const xmlNode* first);

  std::string page_url_;
  std::string base_url_;
  QueryEncoder query_encoder_;
  std::string form_charset_;
  ReferenceClassifier classifier_;  // of base_url_
  const ServiceLinks& links_;
  CssCleaner css_;
  std::size_t budget_;

  CleanedPage* page_ = nullptr;
  std::vector<Frame> frames_;
  int form_depth_ = 0;       // open <form> elements we wrote
  int text_only_depth_ = 0;  // open <textarea> elements: only text inside
  int head_depth_ = 0;       // open <head> elements
  bool title_taken_ = false;
  bool refresh_taken_ = false;
  std::string scratch_;        // attribute values and element text made of several pieces
  std::string style_scratch_;  // a cleaned style attribute
};

}  // namespace tovarin::gateway
