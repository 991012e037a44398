#pragma once
// CssTokenizer: style sheet text into tokens, the way CSS Syntax Level 3 reads it, with every
// escape decoded and every comment gone. The style sheet cleaner judges and rewrites these
// decoded tokens, so no spelling ("\65 xpression", "exp/**/ression", "java\73 cript:") can hide
// a word from its checks.
//
// Token texts live in one arena owned by the tokenizer; a token refers to it by offset, so a
// tokenized sheet costs one vector of small tokens and one string, reused from call to call.
// Texts are UTF-8; a NUL byte reads as U+FFFD, as browsers read it.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tovarin::gateway {

enum class CssTokenType : std::uint8_t {
  kIdent,       // text: the name
  kFunction,    // text: the name (without '(')
  kAtKeyword,   // text: the name (without '@')
  kHash,        // text: the name (without '#')
  kString,      // text: the value (without quotes)
  kBadString,   // a string broken by a line break
  kUrl,         // text: the address of an unquoted url(...)
  kBadUrl,      // an unquoted url(...) with a quote, bracket or stray byte in it
  kDelim,       // text: the one byte
  kNumber,      // text: the number as written (ASCII)
  kPercentage,  // text: the number as written, without '%'
  kDimension,   // text: the number as written, then the unit; see `unit_offset`
  kWhitespace,  // also stands for a comment between two tokens
  kCdo,         // <!--
  kCdc,         // -->
  kColon,
  kSemicolon,
  kComma,
  kOpenSquare,
  kCloseSquare,
  kOpenParen,
  kCloseParen,
  kOpenCurly,
  kCloseCurly,
};

struct CssToken {
  CssTokenType type = CssTokenType::kDelim;
  std::uint32_t text_offset = 0;  // into CssTokenizer::Text()
  std::uint32_t text_length = 0;
  std::uint32_t unit_offset = 0;  // kDimension: where the unit starts within the text
  // Openers (function, '(', '[', '{'): the index of the matching closer, or the token count
  // when the block is left open. Closers: the index of their opener, or kUnmatched for a
  // closer that closes nothing. Others: 0.
  std::uint32_t match = 0;
};

inline constexpr std::uint32_t kUnmatched = 0xFFFFFFFFu;

class CssTokenizer {
 public:
  // Replaces the tokens of the previous call with those of `css`. `css` must be shorter than
  // 4 GiB (pages are far below: see kMaxBodyBytes).
  void Tokenize(std::string_view css);

  const std::vector<CssToken>& Tokens() const { return tokens_; }
  std::string_view Text(const CssToken& token) const {
    return std::string_view(text_).substr(token.text_offset, token.text_length);
  }
  // kDimension: the number and the unit apart.
  std::string_view Number(const CssToken& token) const {
    return Text(token).substr(0, token.unit_offset);
  }
  std::string_view Unit(const CssToken& token) const {
    return Text(token).substr(token.unit_offset);
  }

 private:
  void ConsumeToken();
  void ConsumeCommentsAndWhitespace();
  void ConsumeString(char quote);
  void ConsumeNumeric();
  void ConsumeIdentLike();
  void ConsumeUrl();
  void ConsumeBadUrlRemnants();
  void ConsumeName();
  void ConsumeEscape();
  void AppendByte(char c);
  void Push(CssTokenType type, std::size_t text_start);
  void MatchBlocks();

  char Peek(std::size_t ahead = 0) const;
  bool AtEnd() const { return position_ >= input_.size(); }
  bool ValidEscapeAt(std::size_t ahead) const;
  bool StartsIdentAt(std::size_t ahead) const;
  bool StartsNumberAt(std::size_t ahead) const;

  std::string_view input_;
  std::size_t position_ = 0;
  std::vector<CssToken> tokens_;
  std::string text_;
};

}  // namespace tovarin::gateway
