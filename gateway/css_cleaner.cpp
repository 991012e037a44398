#include "gateway/css_cleaner.h"

#include <algorithm>
#include <array>

#include "gateway/limits.h"
#include "gateway/reference_policy.h"

namespace tovarin::gateway {
namespace {

using Type = CssTokenType;

constexpr std::array<std::string_view, 4> kForbiddenProperties = {"behavior", "-ms-behavior",
                                                                  "-moz-binding", "binding"};
// image(), image-set() and src() take addresses as plain strings; element() shows another part
// of the page; a typed attr(name url) turns an attribute's text into an address.
constexpr std::array<std::string_view, 8> kForbiddenFunctions = {
    "expression", "image",        "image-set", "-webkit-image-set",
    "element",    "-moz-element", "src",       "attr"};
// Looked for in a value with escapes decoded, comments and white space removed, lower case.
constexpr std::array<std::string_view, 5> kForbiddenWords = {
    "expression(", "javascript:", "vbscript:", "livescript:", "-moz-binding"};

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

bool EqualsNoCase(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (AsciiLower(text[i]) != lower[i]) return false;
  }
  return true;
}

template <std::size_t N>
bool IsOneOf(std::string_view text, const std::array<std::string_view, N>& list) {
  return std::find(list.begin(), list.end(), text) != list.end();
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsPlainNameByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c) || c == '_' || c == '-' ||
         static_cast<unsigned char>(c) >= 0x80;
}

void AppendHexEscape(std::string& out, unsigned char byte) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '\\';
  if (byte >= 16) out += kHex[byte >> 4];
  out += kHex[byte & 15];
  out += ' ';  // ends the escape, whatever follows
}

enum class IdentUse { kName, kUnit, kHashName };

// Writes a decoded name so that it reads back as the same one token: bytes outside the name
// set are escaped, and so is a start that would read as a number ("1a", "-1a", or a unit "e3"
// that would turn "1" + "e3" into 1000).
void AppendIdent(std::string& out, std::string_view name, IdentUse use) {
  if (use != IdentUse::kHashName && name == "-") {
    out += "\\-";
    return;
  }
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    bool escape = !IsPlainNameByte(c);
    if (use != IdentUse::kHashName && IsDigit(c) && (i == 0 || (i == 1 && name[0] == '-'))) {
      escape = true;
    }
    if (use == IdentUse::kUnit && i == 0 && (c == 'e' || c == 'E') && name.size() > 1 &&
        (IsDigit(name[1]) || (name[1] == '-' && name.size() > 2 && IsDigit(name[2])))) {
      escape = true;
    }
    if (escape) {
      AppendHexEscape(out, static_cast<unsigned char>(c));
    } else {
      out += c;
    }
  }
}

// A double-quoted string; '<' and '>' are escaped so the text can never close a <style>.
void AppendCssString(std::string& out, std::string_view value) {
  out += '"';
  for (char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '<' || c == '>' || byte < 0x20 || byte == 0x7F) {
      AppendHexEscape(out, byte);
    } else {
      out += c;
    }
  }
  out += '"';
}

void AppendSquashed(std::string& out, std::string_view text) {
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte > 0x20 && byte != 0x7F) out += AsciiLower(c);
  }
}

bool IsOpener(Type type) {
  return type == Type::kFunction || type == Type::kOpenParen || type == Type::kOpenSquare ||
         type == Type::kOpenCurly;
}

char CloserOf(Type opener) {
  switch (opener) {
    case Type::kOpenSquare: return ']';
    case Type::kOpenCurly: return '}';
    default: return ')';
  }
}

// The punctuation tokens, written as their one byte; 0 for the others.
char PunctuationOf(Type type) {
  switch (type) {
    case Type::kColon: return ':';
    case Type::kSemicolon: return ';';
    case Type::kComma: return ',';
    case Type::kOpenSquare: return '[';
    case Type::kCloseSquare: return ']';
    case Type::kOpenParen: return '(';
    case Type::kCloseParen: return ')';
    case Type::kOpenCurly: return '{';
    case Type::kCloseCurly: return '}';
    default: return 0;
  }
}

bool IsForbiddenDelim(std::string_view text) {
  const auto byte = static_cast<unsigned char>(text.empty() ? '\0' : text[0]);
  return byte == '<' || byte == '\\' || byte < 0x20 || byte == 0x7F;
}

}  // namespace

void CssCleaner::AppendStyleSheet(std::string& out, std::string_view css,
                                  std::string_view base_url) {
  if (css.size() > kMaxBodyBytes) return;
  if (classifier_.base() != base_url) classifier_ = ReferenceClassifier(base_url);
  tokenizer_.Tokenize(css);
  AppendRuleList(0, tokenizer_.Tokens().size(), 0, out);
}

void CssCleaner::AppendDeclarations(std::string& out, std::string_view css,
                                    std::string_view base_url) {
  if (css.size() > kMaxBodyBytes) return;
  if (classifier_.base() != base_url) classifier_ = ReferenceClassifier(base_url);
  tokenizer_.Tokenize(css);
  AppendDeclarationList(0, tokenizer_.Tokens().size(), out);
}

std::size_t CssCleaner::SkipWhitespace(std::size_t at, std::size_t end) const {
  const auto& tokens = tokenizer_.Tokens();
  while (at < end && tokens[at].type == Type::kWhitespace) ++at;
  return at;
}

std::size_t CssCleaner::TrimWhitespace(std::size_t begin, std::size_t end) const {
  const auto& tokens = tokenizer_.Tokens();
  while (end > begin && tokens[end - 1].type == Type::kWhitespace) --end;
  return end;
}

// Rules one per line; the separator of a rule that comes out empty is taken back.
std::size_t CssCleaner::AppendRuleList(std::size_t begin, std::size_t end, int nesting,
                                       std::string& out) {
  const auto& tokens = tokenizer_.Tokens();
  std::size_t written = 0;
  std::size_t at = begin;
  while (at < end) {
    const Type type = tokens[at].type;
    if (type == Type::kWhitespace || type == Type::kCdo || type == Type::kCdc ||
        type == Type::kSemicolon || type == Type::kCloseCurly || type == Type::kCloseParen ||
        type == Type::kCloseSquare) {
      ++at;
      continue;
    }
    const std::size_t mark = out.size();
    if (written > 0) out += '\n';
    const std::size_t rule_start = out.size();
    at = type == Type::kAtKeyword ? AppendAtRule(at, end, nesting, out)
                                  : AppendQualifiedRule(at, end, out);
    if (out.size() == rule_start) {
      out.resize(mark);
    } else {
      ++written;
    }
  }
  return written;
}

// `selector{declarations}`; returns where the next rule starts.
std::size_t CssCleaner::AppendQualifiedRule(std::size_t begin, std::size_t end, std::string& out) {
  const auto& tokens = tokenizer_.Tokens();
  std::size_t brace = begin;
  while (brace < end && tokens[brace].type != Type::kOpenCurly) {
    if (IsOpener(tokens[brace].type)) brace = std::min<std::size_t>(tokens[brace].match, end - 1);
    ++brace;
  }
  if (brace >= end) return end;  // a prelude with no block is no rule
  const std::size_t block_end = std::min<std::size_t>(tokens[brace].match, end);
  const std::size_t next = block_end < end ? block_end + 1 : end;
  const std::size_t prelude_begin = SkipWhitespace(begin, brace);
  const std::size_t prelude_end = TrimWhitespace(prelude_begin, brace);
  if (prelude_begin >= prelude_end || IsForbidden(prelude_begin, prelude_end, false)) return next;
  const std::size_t mark = out.size();
  if (!AppendComponents(prelude_begin, prelude_end, false, out)) {
    out.resize(mark);
    return next;
  }
  out += '{';
  if (AppendDeclarationList(brace + 1, block_end, out) == 0) {
    out.resize(mark);
    return next;
  }
  out += '}';
  return next;
}

std::size_t CssCleaner::AppendAtRule(std::size_t begin, std::size_t end, int nesting,
                                     std::string& out) {
  const auto& tokens = tokenizer_.Tokens();
  const std::string name = Lower(tokenizer_.Text(tokens[begin]));
  std::size_t stop = begin + 1;
  while (stop < end && tokens[stop].type != Type::kSemicolon &&
         tokens[stop].type != Type::kOpenCurly) {
    if (IsOpener(tokens[stop].type)) stop = std::min<std::size_t>(tokens[stop].match, end - 1);
    ++stop;
  }
  if (stop >= end || tokens[stop].type == Type::kSemicolon) {
    if (name == "import" && nesting == 0) AppendImport(begin + 1, stop, out);
    return stop < end ? stop + 1 : end;
  }
  const std::size_t block_end = std::min<std::size_t>(tokens[stop].match, end);
  const std::size_t next = block_end < end ? block_end + 1 : end;
  const bool grouping =
      name == "media" || name == "supports" || name == "keyframes" || name == "-webkit-keyframes";
  if (!grouping || nesting + 1 > kMaxCssNesting) return next;
  const std::size_t prelude_begin = SkipWhitespace(begin + 1, stop);
  const std::size_t prelude_end = TrimWhitespace(prelude_begin, stop);
  if (prelude_begin < prelude_end && IsForbidden(prelude_begin, prelude_end, false)) return next;
  const std::size_t mark = out.size();
  out += '@';
  out += name;
  if (prelude_begin < prelude_end) {
    out += ' ';
    AppendComponents(prelude_begin, prelude_end, false, out);
  }
  out += '{';
  if (AppendRuleList(stop + 1, block_end, nesting + 1, out) == 0) {
    out.resize(mark);
    return next;
  }
  out += '}';
  return next;
}

bool CssCleaner::AppendImport(std::size_t begin, std::size_t end, std::string& out) {
  const auto& tokens = tokenizer_.Tokens();
  const std::size_t at = SkipWhitespace(begin, end);
  if (at >= end) return false;
  std::string_view address;
  if (tokens[at].type == Type::kString || tokens[at].type == Type::kUrl) {
    address = tokenizer_.Text(tokens[at]);
  } else if (tokens[at].type != Type::kFunction ||
             !EqualsNoCase(tokenizer_.Text(tokens[at]), "url") || !ReadUrlFunction(at, address)) {
    return false;
  }
  const Reference reference = classifier_.Classify(address);
  if (reference.kind != ReferenceKind::kFetchable) return false;
  out += "@import url(";
  AppendCssString(out, links_.Style(reference.url));
  out += ");";
  return true;
}

// Declarations separated by ';' (a ';' inside a block does not separate); returns how many were
// written.
std::size_t CssCleaner::AppendDeclarationList(std::size_t begin, std::size_t end,
                                              std::string& out) {
  const auto& tokens = tokenizer_.Tokens();
  std::size_t written = 0;
  std::size_t piece = begin;
  std::size_t at = begin;
  while (true) {
    if (at >= end || tokens[at].type == Type::kSemicolon) {
      const std::size_t piece_end = std::min(at, end);
      if (piece_end > piece) {
        const std::size_t mark = out.size();
        if (written > 0) out += ';';
        if (AppendDeclaration(piece, piece_end, out)) {
          ++written;
        } else {
          out.resize(mark);
        }
      }
      if (at >= end) return written;
      piece = ++at;
      continue;
    }
    if (IsOpener(tokens[at].type)) at = std::min<std::size_t>(tokens[at].match, end - 1);
    ++at;
  }
}

// `name:value`, or nothing (false) when the declaration is malformed or suspicious.
bool CssCleaner::AppendDeclaration(std::size_t begin, std::size_t end, std::string& out) {
  const auto& tokens = tokenizer_.Tokens();
  const std::size_t name_at = SkipWhitespace(begin, end);
  if (name_at >= end || tokens[name_at].type != Type::kIdent) return false;
  const std::size_t colon = SkipWhitespace(name_at + 1, end);
  if (colon >= end || tokens[colon].type != Type::kColon) return false;
  const std::size_t value_begin = SkipWhitespace(colon + 1, end);
  const std::size_t value_end = TrimWhitespace(value_begin, end);
  if (value_begin >= value_end) return false;
  const std::string_view written_name = tokenizer_.Text(tokens[name_at]);
  // Custom properties (--name) keep their case; the others are case-insensitive.
  const std::string name =
      written_name.starts_with("--") ? std::string(written_name) : Lower(written_name);
  if (!std::all_of(name.begin(), name.end(), [](char c) { return IsPlainNameByte(c) && c > 0; }) ||
      IsOneOf(name, kForbiddenProperties) || name.find("-moz-binding") != std::string::npos ||
      IsForbidden(value_begin, value_end, true, name + ':')) {
    return false;
  }
  const std::size_t mark = out.size();
  out += name;
  out += ':';
  if (!AppendComponents(value_begin, value_end, true, out)) {
    out.resize(mark);
    return false;
  }
  return true;
}

// Judges tokens [begin, end) of a value or a prelude before anything is written: broken or
// misplaced tokens, forbidden functions, and forbidden words however they were spelled, also
// across `lead` (a declaration's "name:", so "xjavascript" + ':' is caught as well).
bool CssCleaner::IsForbidden(std::size_t begin, std::size_t end, bool urls_allowed,
                             std::string_view lead) {
  const auto& tokens = tokenizer_.Tokens();
  squashed_.clear();
  AppendSquashed(squashed_, lead);
  for (std::size_t at = begin; at < end; ++at) {
    const CssToken& token = tokens[at];
    const std::string_view text = tokenizer_.Text(token);
    switch (token.type) {
      case Type::kBadString:
      case Type::kBadUrl:
      case Type::kCdo:
      case Type::kCdc:
      case Type::kAtKeyword:
      case Type::kSemicolon:
      case Type::kOpenCurly:
      case Type::kCloseCurly: return true;
      case Type::kDelim:
        if (IsForbiddenDelim(text)) return true;
        break;
      case Type::kCloseParen:
      case Type::kCloseSquare:
        if (token.match == kUnmatched) return true;
        break;
      case Type::kUrl:
        if (!urls_allowed) return true;
        squashed_ += "url(";
        break;
      case Type::kFunction: {
        const std::string name = Lower(text);
        if (IsOneOf(name, kForbiddenFunctions) || (name == "url" && !urls_allowed)) return true;
        break;
      }
      default: break;
    }
    AppendSquashed(squashed_, text);
    const char punctuation = PunctuationOf(token.type);
    if (token.type == Type::kFunction) squashed_ += '(';
    if (punctuation != 0) squashed_ += punctuation;
  }
  return std::any_of(kForbiddenWords.begin(), kForbiddenWords.end(), [&](std::string_view word) {
    return squashed_.find(word) != std::string::npos;
  });
}

// url("...") with nothing but white space around the string.
bool CssCleaner::ReadUrlFunction(std::size_t at, std::string_view& address) const {
  const auto& tokens = tokenizer_.Tokens();
  const std::size_t limit = std::min<std::size_t>(tokens[at].match, tokens.size());
  std::size_t inner = SkipWhitespace(at + 1, limit);
  if (inner >= limit || tokens[inner].type != Type::kString) return false;
  address = tokenizer_.Text(tokens[inner]);
  inner = SkipWhitespace(inner + 1, limit);
  return inner == limit;
}

bool CssCleaner::AppendUrl(std::string_view address, std::string& out) {
  const Reference reference = classifier_.Classify(address);
  if (reference.kind == ReferenceKind::kFetchable) {
    out += "url(";
    AppendCssString(out, links_.Image(reference.url));
    out += ')';
    return true;
  }
  if (reference.kind == ReferenceKind::kRasterData) {
    out += "url(";
    AppendCssString(out, reference.url);
    out += ')';
    return true;
  }
  return false;
}

// Writes tokens [begin, end) (already judged by IsForbidden) in normal form. A block the input
// left open is closed, so what follows in our output can never fall into it.
bool CssCleaner::AppendComponents(std::size_t begin, std::size_t end, bool urls_allowed,
                                  std::string& out) {
  const auto& tokens = tokenizer_.Tokens();
  std::string open_closers;
  for (std::size_t at = begin; at < end; ++at) {
    const CssToken& token = tokens[at];
    const std::string_view text = tokenizer_.Text(token);
    switch (token.type) {
      case Type::kWhitespace: out += ' '; break;
      case Type::kUrl:
        if (!urls_allowed || !AppendUrl(text, out)) return false;
        break;
      case Type::kIdent: AppendIdent(out, text, IdentUse::kName); break;
      case Type::kFunction: {
        std::string_view address;
        if (EqualsNoCase(text, "url")) {
          if (!urls_allowed || !ReadUrlFunction(at, address) || !AppendUrl(address, out))
            return false;
          at = std::min<std::size_t>(token.match, end);
          continue;
        }
        AppendIdent(out, text, IdentUse::kName);
        out += '(';
        break;
      }
      case Type::kHash:
        out += '#';
        AppendIdent(out, text, IdentUse::kHashName);
        break;
      case Type::kString: AppendCssString(out, text); break;
      case Type::kDelim:
      case Type::kNumber: out += text; break;
      case Type::kPercentage:
        out += text;
        out += '%';
        break;
      case Type::kDimension:
        out += tokenizer_.Number(token);
        AppendIdent(out, tokenizer_.Unit(token), IdentUse::kUnit);
        break;
      default: {
        const char punctuation = PunctuationOf(token.type);
        if (punctuation == 0) return false;
        out += punctuation;
      }
    }
    if (IsOpener(token.type) && token.match >= end) open_closers += CloserOf(token.type);
  }
  out.append(open_closers.rbegin(), open_closers.rend());
  return true;
}

std::string CleanStyleSheet(std::string_view css, std::string_view base_url,
                            const ServiceLinks& links, bool declarations_only) {
  CssCleaner cleaner(links);
  std::string out;
  if (declarations_only) {
    cleaner.AppendDeclarations(out, css, base_url);
  } else {
    cleaner.AppendStyleSheet(out, css, base_url);
  }
  return out;
}

}  // namespace tovarin::gateway
