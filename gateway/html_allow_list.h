#pragma once
// The allow-list of the HTML cleaner: which elements it writes and how, which attributes it
// copies, and the few attribute values it accepts only from a fixed set. Anything not named
// here is not written: an unknown element is unwrapped (its content is kept), an unknown
// attribute is dropped.
//
// Names are the lower-case names libxml2's HTML parser gives.

#include <cstdint>
#include <optional>
#include <string_view>

namespace tovarin::gateway {

enum class ElementAction : std::uint8_t {
  kKeep,      // written with its allowed attributes, then its content, then its end tag
  kVoid,      // written with its allowed attributes and no end tag; content the parser hung under
              // it (it does not know every void element) follows it
  kUnwrap,    // not written; its content is (unknown elements, noscript, body, ...)
  kDrop,      // neither it nor anything inside it (script, iframe, object, svg, math, ...)
  kAnchor,    // <a>: href rewritten, or the element becomes an unlinked <span>
  kImage,     // <img>: src rewritten, or the image becomes its alt text
  kForm,      // <form>: action rewritten through the service
  kInput,     // <input>: type from a fixed set
  kButton,    // <button>: type from a fixed set
  kList,      // <ol>, <ul>, <li>: type from a fixed set
  kTextArea,  // <textarea>: only the text of its content
  kStyle,     // <style>: the text cleaned as a style sheet
  kTitle,     // <title>: becomes the document's title
  kLink,      // <link>: a style sheet goes into the head, any other link is dropped
  kMeta,      // <meta>: a refresh goes into the head, any other meta is dropped
  kHead,      // <head>: unwrapped; what it holds goes into our head
};

// What the cleaner does with element `name`. A name with a prefix ("svg:script") is judged by
// its local part: dropped when that is dropped, else unwrapped.
ElementAction ActionForElement(std::string_view name);

// True for the attributes copied as they are (values escaped) onto any written element.
// href, src, action, method, type and style are not among them: the element handlers write
// those after rewriting them.
bool IsCopiedAttribute(std::string_view name);

// The type an <input> is written with: a safe type as it is (lower case), "image" as
// "submit"; an empty view for an unknown type (the input is written without one: a text
// field); nullopt for "file", whose input is dropped (forms are sent urlencoded).
std::optional<std::string_view> InputTypeToWrite(std::string_view type);

// The type a <button> is written with (submit, reset, button), or an empty view.
std::string_view ButtonTypeToWrite(std::string_view type);

// True for list numbering and bullet types (1 a A i I disc circle square).
bool IsListType(std::string_view type);

// True when a media list ("screen, print", "handheld", "screen and (max-width:480px)") names
// a medium the phone view is: no list, all, screen or handheld.
bool MediaSuitsPhone(std::string_view media);

}  // namespace tovarin::gateway
