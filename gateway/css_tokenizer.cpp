#include "gateway/css_tokenizer.h"

#include <algorithm>

namespace tovarin::gateway {
namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

bool IsNewline(char c) { return c == '\n' || c == '\r' || c == '\f'; }
bool IsWhitespace(char c) { return c == ' ' || c == '\t' || IsNewline(c); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  return (c | 0x20) - 'a' + 10;
}
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
// NUL counts as a name byte: it reads as U+FFFD, which is one.
bool IsNameStart(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return IsLetter(c) || c == '_' || byte >= 0x80 || byte == 0;
}
bool IsNameByte(char c) { return IsNameStart(c) || IsDigit(c) || c == '-'; }
bool IsNonPrintable(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte == 0x0B || byte == 0x7F || (byte <= 0x08) || (byte >= 0x0E && byte <= 0x1F);
}

void AppendCodePoint(std::string& out, std::uint32_t code_point) {
  if (code_point == 0 || code_point > 0x10FFFF || (code_point >= 0xD800 && code_point <= 0xDFFF)) {
    out += kReplacementCharacter;
  } else if (code_point < 0x80) {
    out += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    out += static_cast<char>(0xC0 | (code_point >> 6));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    out += static_cast<char>(0xE0 | (code_point >> 12));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code_point >> 18));
    out += static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

bool IsOpener(CssTokenType type) {
  return type == CssTokenType::kFunction || type == CssTokenType::kOpenParen ||
         type == CssTokenType::kOpenSquare || type == CssTokenType::kOpenCurly;
}

CssTokenType CloserOf(CssTokenType opener) {
  switch (opener) {
    case CssTokenType::kOpenSquare: return CssTokenType::kCloseSquare;
    case CssTokenType::kOpenCurly: return CssTokenType::kCloseCurly;
    default: return CssTokenType::kCloseParen;
  }
}

bool IsCloser(CssTokenType type) {
  return type == CssTokenType::kCloseParen || type == CssTokenType::kCloseSquare ||
         type == CssTokenType::kCloseCurly;
}

}  // namespace

void CssTokenizer::Tokenize(std::string_view css) {
  input_ = css;
  position_ = 0;
  tokens_.clear();
  text_.clear();
  while (!AtEnd()) ConsumeToken();
  MatchBlocks();
}

char CssTokenizer::Peek(std::size_t ahead) const {
  const std::size_t at = position_ + ahead;
  return at < input_.size() ? input_[at] : '\0';
}

bool CssTokenizer::ValidEscapeAt(std::size_t ahead) const {
  return position_ + ahead < input_.size() && Peek(ahead) == '\\' &&
         !(position_ + ahead + 1 < input_.size() && IsNewline(Peek(ahead + 1)));
}

bool CssTokenizer::StartsIdentAt(std::size_t ahead) const {
  if (position_ + ahead >= input_.size()) return false;
  const char first = Peek(ahead);
  if (first == '-') {
    if (position_ + ahead + 1 >= input_.size()) return false;
    const char second = Peek(ahead + 1);
    return IsNameStart(second) || second == '-' || ValidEscapeAt(ahead + 1);
  }
  if (first == '\\') return ValidEscapeAt(ahead);
  return IsNameStart(first);
}

bool CssTokenizer::StartsNumberAt(std::size_t ahead) const {
  const std::size_t at = position_ + ahead;
  auto digit_at = [&](std::size_t offset) {
    return at + offset < input_.size() && IsDigit(input_[at + offset]);
  };
  if (at >= input_.size()) return false;
  const char first = input_[at];
  if (first == '+' || first == '-') {
    return digit_at(1) || (at + 1 < input_.size() && input_[at + 1] == '.' && digit_at(2));
  }
  if (first == '.') return digit_at(1);
  return IsDigit(first);
}

void CssTokenizer::AppendByte(char c) {
  if (c == '\0') {
    text_ += kReplacementCharacter;
  } else {
    text_ += c;
  }
}

void CssTokenizer::Push(CssTokenType type, std::size_t text_start) {
  CssToken token;
  token.type = type;
  token.text_offset = static_cast<std::uint32_t>(text_start);
  token.text_length = static_cast<std::uint32_t>(text_.size() - text_start);
  tokens_.push_back(token);
}

// A comment or a run of white space both separate tokens; one whitespace token stands for any
// mix of them, so what comes out again keeps the separation without the comment.
void CssTokenizer::ConsumeCommentsAndWhitespace() {
  while (!AtEnd()) {
    if (IsWhitespace(Peek())) {
      ++position_;
    } else if (Peek() == '/' && Peek(1) == '*' && position_ + 1 < input_.size()) {
      const std::size_t close = input_.find("*/", position_ + 2);
      position_ = close == std::string_view::npos ? input_.size() : close + 2;
    } else {
      break;
    }
  }
  if (tokens_.empty() || tokens_.back().type != CssTokenType::kWhitespace) {
    Push(CssTokenType::kWhitespace, text_.size());
  }
}

// After the backslash: up to six hex digits and one white space, or the next byte as itself.
void CssTokenizer::ConsumeEscape() {
  if (AtEnd()) {
    text_ += kReplacementCharacter;
    return;
  }
  if (!IsHexDigit(Peek())) {
    AppendByte(input_[position_++]);
    return;
  }
  std::uint32_t code_point = 0;
  for (int digits = 0; digits < 6 && !AtEnd() && IsHexDigit(Peek()); ++digits) {
    code_point = code_point * 16 + static_cast<std::uint32_t>(HexValue(input_[position_++]));
  }
  if (Peek() == '\r' && Peek(1) == '\n') {
    position_ += 2;
  } else if (!AtEnd() && IsWhitespace(Peek())) {
    ++position_;
  }
  AppendCodePoint(text_, code_point);
}

void CssTokenizer::ConsumeName() {
  while (!AtEnd()) {
    if (IsNameByte(Peek())) {
      AppendByte(input_[position_++]);
    } else if (ValidEscapeAt(0)) {
      ++position_;
      ConsumeEscape();
    } else {
      return;
    }
  }
}

void CssTokenizer::ConsumeString(char quote) {
  const std::size_t start = text_.size();
  ++position_;
  while (!AtEnd()) {
    const char c = input_[position_];
    if (c == quote) {
      ++position_;
      break;
    }
    if (IsNewline(c)) {  // left for the next token, as browsers do
      Push(CssTokenType::kBadString, start);
      return;
    }
    ++position_;
    if (c != '\\') {
      AppendByte(c);
    } else if (AtEnd()) {
      break;
    } else if (IsNewline(Peek())) {  // an escaped line break continues the string
      position_ += (Peek() == '\r' && Peek(1) == '\n') ? 2 : 1;
    } else {
      ConsumeEscape();
    }
  }
  Push(CssTokenType::kString, start);
}

void CssTokenizer::ConsumeNumeric() {
  const std::size_t start = text_.size();
  auto take = [&] { text_ += input_[position_++]; };
  if (Peek() == '+' || Peek() == '-') take();
  while (IsDigit(Peek()) && !AtEnd()) take();
  if (Peek() == '.' && IsDigit(Peek(1)) && position_ + 1 < input_.size()) {
    take();
    while (IsDigit(Peek()) && !AtEnd()) take();
  }
  const bool exponent =
      (Peek() == 'e' || Peek() == 'E') &&
      (IsDigit(Peek(1)) || ((Peek(1) == '+' || Peek(1) == '-') && IsDigit(Peek(2))));
  if (exponent && position_ + 1 < input_.size()) {
    take();
    if (Peek() == '+' || Peek() == '-') take();
    while (IsDigit(Peek()) && !AtEnd()) take();
  }
  const std::size_t number_length = text_.size() - start;
  if (StartsIdentAt(0)) {
    ConsumeName();
    Push(CssTokenType::kDimension, start);
    tokens_.back().unit_offset = static_cast<std::uint32_t>(number_length);
  } else if (Peek() == '%' && !AtEnd()) {
    ++position_;
    Push(CssTokenType::kPercentage, start);
  } else {
    Push(CssTokenType::kNumber, start);
  }
}

void CssTokenizer::ConsumeIdentLike() {
  const std::size_t start = text_.size();
  ConsumeName();
  if (Peek() != '(' || AtEnd()) {
    Push(CssTokenType::kIdent, start);
    return;
  }
  ++position_;
  const std::string_view name = std::string_view(text_).substr(start);
  const bool is_url = name.size() == 3 && (name[0] | 0x20) == 'u' && (name[1] | 0x20) == 'r' &&
                      (name[2] | 0x20) == 'l';
  if (is_url) {
    std::size_t ahead = 0;
    while (IsWhitespace(Peek(ahead)) && position_ + ahead < input_.size()) ++ahead;
    if (Peek(ahead) != '"' && Peek(ahead) != '\'') {
      position_ += ahead;
      text_.resize(start);
      ConsumeUrl();
      return;
    }
  }
  Push(CssTokenType::kFunction, start);
}

// An unquoted url(...): the address ends at ')'; white space may only come before it.
void CssTokenizer::ConsumeUrl() {
  const std::size_t start = text_.size();
  while (!AtEnd()) {
    const char c = input_[position_];
    if (c == ')') {
      ++position_;
      break;
    }
    if (IsWhitespace(c)) {
      while (!AtEnd() && IsWhitespace(Peek())) ++position_;
      if (AtEnd()) break;
      if (Peek() == ')') {
        ++position_;
        break;
      }
      ConsumeBadUrlRemnants();
      Push(CssTokenType::kBadUrl, text_.size());
      return;
    }
    if (c == '"' || c == '\'' || c == '(' || IsNonPrintable(c)) {
      ConsumeBadUrlRemnants();
      Push(CssTokenType::kBadUrl, text_.size());
      return;
    }
    if (c == '\\') {
      if (!ValidEscapeAt(0)) {
        ConsumeBadUrlRemnants();
        Push(CssTokenType::kBadUrl, text_.size());
        return;
      }
      ++position_;
      ConsumeEscape();
      continue;
    }
    AppendByte(c);
    ++position_;
  }
  Push(CssTokenType::kUrl, start);
}

void CssTokenizer::ConsumeBadUrlRemnants() {
  while (!AtEnd()) {
    if (Peek() == ')') {
      ++position_;
      return;
    }
    // An escaped ')' does not end the remnants.
    position_ = std::min(input_.size(), position_ + (ValidEscapeAt(0) ? 2 : 1));
  }
}

void CssTokenizer::ConsumeToken() {
  const char c = Peek();
  const std::size_t start = text_.size();
  if (IsWhitespace(c) || (c == '/' && Peek(1) == '*' && position_ + 1 < input_.size())) {
    ConsumeCommentsAndWhitespace();
    return;
  }
  if (c == '"' || c == '\'') {
    ConsumeString(c);
    return;
  }
  if (StartsNumberAt(0)) {
    ConsumeNumeric();
    return;
  }
  if (StartsIdentAt(0)) {
    ConsumeIdentLike();
    return;
  }
  if (c == '#' && (IsNameByte(Peek(1)) || ValidEscapeAt(1)) && position_ + 1 < input_.size()) {
    ++position_;
    ConsumeName();
    Push(CssTokenType::kHash, start);
    return;
  }
  if (c == '@' && StartsIdentAt(1)) {
    ++position_;
    ConsumeName();
    Push(CssTokenType::kAtKeyword, start);
    return;
  }
  if (input_.substr(position_, 4) == "<!--") {
    position_ += 4;
    Push(CssTokenType::kCdo, start);
    return;
  }
  if (input_.substr(position_, 3) == "-->") {
    position_ += 3;
    Push(CssTokenType::kCdc, start);
    return;
  }
  ++position_;
  CssTokenType type = CssTokenType::kDelim;
  switch (c) {
    case ':': type = CssTokenType::kColon; break;
    case ';': type = CssTokenType::kSemicolon; break;
    case ',': type = CssTokenType::kComma; break;
    case '(': type = CssTokenType::kOpenParen; break;
    case ')': type = CssTokenType::kCloseParen; break;
    case '[': type = CssTokenType::kOpenSquare; break;
    case ']': type = CssTokenType::kCloseSquare; break;
    case '{': type = CssTokenType::kOpenCurly; break;
    case '}': type = CssTokenType::kCloseCurly; break;
    default: text_ += c; break;
  }
  Push(type, start);
}

// Pairs every opener with its closer. Inside a block only its own closer ends it (a ']' inside
// "(...)" is an ordinary token); a closer that closes nothing is marked kUnmatched.
void CssTokenizer::MatchBlocks() {
  std::vector<std::uint32_t> open;
  const auto count = static_cast<std::uint32_t>(tokens_.size());
  for (std::uint32_t i = 0; i < count; ++i) {
    CssToken& token = tokens_[i];
    if (IsOpener(token.type)) {
      token.match = count;
      open.push_back(i);
    } else if (IsCloser(token.type)) {
      if (!open.empty() && CloserOf(tokens_[open.back()].type) == token.type) {
        token.match = open.back();
        tokens_[open.back()].match = i;
        open.pop_back();
      } else {
        token.match = kUnmatched;
      }
    }
  }
}

}  // namespace tovarin::gateway
