#include "platform/store/property_store.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <fstream>
#include <limits>
#include <span>
#include <sstream>
#include <system_error>

#include "platform/pictures/picture.h"
#include "platform/raster/units.h"

namespace tovarin::platform {
namespace {

constexpr std::string_view kHeaderWord = "TovarinProperties";

bool EqualKeys(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto fold = [](char c) {
      return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    };
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

std::string Quoted(std::string_view key) {
  std::string quoted;
  quoted.reserve(key.size() + 2);
  quoted.push_back('"');
  quoted.append(key);
  quoted.push_back('"');
  return quoted;
}

// --- base64 (RFC 4648, with padding) -----------------------------------------------------------

constexpr std::string_view kBase64Alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string EncodeBase64(std::span<const std::uint8_t> data) {
  std::string out;
  out.reserve((data.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= data.size(); i += 3) {
    const std::uint32_t v = (data[i] << 16) | (data[i + 1] << 8) | data[i + 2];
    out += kBase64Alphabet[(v >> 18) & 63];
    out += kBase64Alphabet[(v >> 12) & 63];
    out += kBase64Alphabet[(v >> 6) & 63];
    out += kBase64Alphabet[v & 63];
  }
  const std::size_t rest = data.size() - i;
  if (rest > 0) {
    std::uint32_t v = data[i] << 16;
    if (rest == 2) v |= data[i + 1] << 8;
    out += kBase64Alphabet[(v >> 18) & 63];
    out += kBase64Alphabet[(v >> 12) & 63];
    out += rest == 2 ? kBase64Alphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

int Base64Digit(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// Decodes padded base64. The output is sized from the text, never from a declared length.
Result<Bytes> DecodeBase64(std::string_view text) {
  if (text.size() % 4 != 0) return Error{"base64 text length is not a multiple of 4"};
  Bytes out;
  out.reserve(text.size() / 4 * 3);
  for (std::size_t i = 0; i < text.size(); i += 4) {
    const bool last = i + 4 == text.size();
    int digits[4];
    int padding = 0;
    for (int k = 0; k < 4; ++k) {
      const char c = text[i + k];
      if (c == '=' && last && k >= 2) {
        digits[k] = 0;
        ++padding;
        continue;
      }
      if (padding > 0) return Error{"base64 padding in the middle of the data"};
      digits[k] = Base64Digit(c);
      if (digits[k] < 0)
        return Error{"invalid base64 character at offset " + std::to_string(i + k)};
    }
    const std::uint32_t v = (digits[0] << 18) | (digits[1] << 12) | (digits[2] << 6) | digits[3];
    out.push_back(static_cast<std::uint8_t>(v >> 16));
    if (padding < 2) out.push_back(static_cast<std::uint8_t>(v >> 8));
    if (padding < 1) out.push_back(static_cast<std::uint8_t>(v));
  }
  return out;
}

// --- value text -----------------------------------------------------------------------------

std::string QuoteString(std::string_view s) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out = "\"";
  for (const char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          out += "\\x";
          out += kHex[c >> 4];
          out += kHex[c & 15];
        } else {
          out += ch;
        }
    }
  }
  out += '"';
  return out;
}

std::string FormatDouble(double value) {
  std::array<char, 64> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return std::string(buffer.data(), result.ptr);
}

bool IsBareKeyChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '.' || c == '-' || c == '$';
}

std::string FormatKey(std::string_view key) {
  if (!key.empty() && std::all_of(key.begin(), key.end(), IsBareKeyChar)) return std::string(key);
  return QuoteString(key);
}

std::string FormatBool(bool b) { return b ? "-1" : "0"; }

std::string FormatBytes(std::string_view type, std::span<const std::uint8_t> data) {
  return std::string(type) + " " + std::to_string(data.size()) + " " + EncodeBase64(data);
}

std::string FormatValue(const PropertyValue& value) {
  struct Visitor {
    std::string operator()(bool b) const { return "bool " + FormatBool(b); }
    std::string operator()(std::int16_t v) const { return "int16 " + std::to_string(v); }
    std::string operator()(std::int32_t v) const { return "int32 " + std::to_string(v); }
    std::string operator()(double v) const { return "double " + FormatDouble(v); }
    std::string operator()(const std::string& s) const { return "string " + QuoteString(s); }
    std::string operator()(const Bytes& b) const { return FormatBytes("bytes", b); }
    std::string operator()(const PictureRef& p) const {
      if (!p || p->IsEmpty()) return "picture none";
      const std::vector<std::uint8_t> encoded = p->EncodedBytes();
      return FormatBytes("picture", encoded);
    }
    std::string operator()(const FontRecord& f) const {
      return "font " + QuoteString(f.name) + " " + FormatDouble(f.size_points) + " " +
             std::to_string(f.weight) + " " + FormatBool(f.italic) + " " + FormatBool(f.underline) +
             " " + FormatBool(f.strikethrough) + " " + std::to_string(f.charset);
    }
  };
  return std::visit(Visitor{}, value);
}

// --- parsing ----------------------------------------------------------------------------------

// Reads one line's fields from left to right; every failure is a message without the line
// number, which the caller adds.
class LineReader {
 public:
  explicit LineReader(std::string_view line) : text_(line) {}

  bool AtEnd() const { return pos_ >= text_.size(); }
  void SkipSpaces() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
  }
  bool Consume(char c) {
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  char Peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }

  // A run of characters up to the next space (or end of line).
  std::string_view Word() {
    SkipSpaces();
    const std::size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] != ' ' && text_[pos_] != '\t') ++pos_;
    return text_.substr(start, pos_ - start);
  }

  std::string_view BareKey() {
    const std::size_t start = pos_;
    while (pos_ < text_.size() && IsBareKeyChar(text_[pos_])) ++pos_;
    return text_.substr(start, pos_ - start);
  }

  Result<std::string> QuotedString() {
    SkipSpaces();
    if (!Consume('"')) return Error{"expected a quoted string"};
    std::string out;
    while (true) {
      if (AtEnd()) return Error{"unterminated string"};
      const char c = text_[pos_++];
      if (c == '"') return out;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (AtEnd()) return Error{"unterminated escape in string"};
      const char e = text_[pos_++];
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'x': {
          if (pos_ + 2 > text_.size()) return Error{"incomplete \\x escape in string"};
          const int hi = HexDigit(text_[pos_]);
          const int lo = HexDigit(text_[pos_ + 1]);
          if (hi < 0 || lo < 0) return Error{"invalid \\x escape in string"};
          out += static_cast<char>(hi * 16 + lo);
          pos_ += 2;
          break;
        }
        default: return Error{std::string("unknown escape \\") + e + " in string"};
      }
    }
  }

 private:
  static int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

template <typename Int>
Result<Int> ParseInteger(std::string_view word, std::string_view what) {
  Int value{};
  const auto result = std::from_chars(word.data(), word.data() + word.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    return Error{std::string(what) + " value " + std::string(word) + " is out of range"};
  }
  if (result.ec != std::errc() || result.ptr != word.data() + word.size() || word.empty()) {
    return Error{Quoted(word) + " is not a valid " + std::string(what)};
  }
  return value;
}

Result<double> ParseDouble(std::string_view word) {
  double value = 0;
  const auto result = std::from_chars(word.data(), word.data() + word.size(), value);
  if (result.ec != std::errc() || result.ptr != word.data() + word.size() || word.empty()) {
    return Error{Quoted(word) + " is not a valid floating-point number"};
  }
  return value;
}

Result<bool> ParseBool(std::string_view word) {
  if (word == "-1") return true;
  if (word == "0") return false;
  return Error{Quoted(word) + " is not a Boolean (-1 or 0)"};
}

// "<length> <base64>": the length is checked against the text before anything is allocated.
Result<Bytes> ParseLengthAndBase64(LineReader& reader) {
  const std::string_view length_word = reader.Word();
  auto declared = ParseInteger<std::uint64_t>(length_word, "byte count");
  if (!declared.ok()) return Error{declared.error()};
  const std::string_view encoded = reader.Word();
  const std::uint64_t capacity = encoded.size() / 4 * 3;
  if (*declared > capacity) {
    return Error{"declares " + std::to_string(*declared) + " bytes but holds at most " +
                 std::to_string(capacity)};
  }
  auto data = DecodeBase64(encoded);
  if (!data.ok()) return Error{data.error()};
  if (data->size() != *declared) {
    return Error{"declares " + std::to_string(*declared) + " bytes but holds " +
                 std::to_string(data->size())};
  }
  return std::move(data).value();
}

Result<FontRecord> ParseFont(LineReader& reader) {
  FontRecord font;
  auto name = reader.QuotedString();
  if (!name.ok()) return Error{"font name: " + name.error()};
  font.name = std::move(name).value();
  auto size = ParseDouble(reader.Word());
  if (!size.ok()) return Error{"font size: " + size.error()};
  font.size_points = *size;
  auto weight = ParseInteger<int>(reader.Word(), "font weight");
  if (!weight.ok()) return Error{weight.error()};
  font.weight = *weight;
  bool* flags[] = {&font.italic, &font.underline, &font.strikethrough};
  for (bool* flag : flags) {
    auto b = ParseBool(reader.Word());
    if (!b.ok()) return Error{"font style: " + b.error()};
    *flag = *b;
  }
  auto charset = ParseInteger<int>(reader.Word(), "character set");
  if (!charset.ok()) return Error{charset.error()};
  font.charset = *charset;
  return font;
}

Result<PropertyValue> ParseValue(std::string_view type, LineReader& reader) {
  if (type == "bool") {
    auto b = ParseBool(reader.Word());
    if (!b.ok()) return Error{b.error()};
    return PropertyValue{*b};
  }
  if (type == "int16") {
    auto v = ParseInteger<std::int16_t>(reader.Word(), "16-bit integer");
    if (!v.ok()) return Error{v.error()};
    return PropertyValue{*v};
  }
  if (type == "int32") {
    auto v = ParseInteger<std::int32_t>(reader.Word(), "32-bit integer");
    if (!v.ok()) return Error{v.error()};
    return PropertyValue{*v};
  }
  if (type == "double") {
    auto v = ParseDouble(reader.Word());
    if (!v.ok()) return Error{v.error()};
    return PropertyValue{*v};
  }
  if (type == "string") {
    auto s = reader.QuotedString();
    if (!s.ok()) return Error{s.error()};
    return PropertyValue{std::move(s).value()};
  }
  if (type == "bytes") {
    auto data = ParseLengthAndBase64(reader);
    if (!data.ok()) return Error{"bytes: " + data.error()};
    return PropertyValue{std::move(data).value()};
  }
  if (type == "picture") {
    reader.SkipSpaces();
    if (reader.Peek() == 'n') {
      if (reader.Word() != "none") return Error{"picture: expected a byte count or none"};
      return PropertyValue{PictureRef{}};
    }
    auto data = ParseLengthAndBase64(reader);
    if (!data.ok()) return Error{"picture: " + data.error()};
    auto picture = LoadPictureFromMemory(*data);
    if (!picture.ok()) return Error{"picture: " + picture.error()};
    return PropertyValue{PictureRef(std::move(picture).value())};
  }
  if (type == "font") {
    auto font = ParseFont(reader);
    if (!font.ok()) return Error{font.error()};
    return PropertyValue{std::move(font).value()};
  }
  return Error{"unknown value type \"" + std::string(type) + "\""};
}

Status CheckHeader(std::string_view line) {
  LineReader reader(line);
  if (reader.Word() != kHeaderWord) {
    return Error{"line 1: not a property store (expected \"" + std::string(kHeaderWord) + " " +
                 std::to_string(PropertyStore::kFormatVersion) + "\")"};
  }
  const std::string_view version = reader.Word();
  if (version != std::to_string(PropertyStore::kFormatVersion)) {
    return Error{"line 1: unsupported format version \"" + std::string(version) + "\""};
  }
  reader.SkipSpaces();
  if (!reader.AtEnd()) return Error{"line 1: unexpected text after the format version"};
  return {};
}

// --- typed reads ------------------------------------------------------------------------------

std::string_view TypeName(const PropertyValue& value) {
  static constexpr std::string_view kNames[] = {
      "Boolean", "16-bit integer", "32-bit integer", "floating-point value",
      "string",  "byte array",     "picture",        "font"};
  return kNames[value.index()];
}

Error ConversionError(std::string_view key, const PropertyValue& value, std::string_view wanted) {
  return Error{"property " + Quoted(key) + ": the stored " + std::string(TypeName(value)) +
               " cannot be read as " + std::string(wanted)};
}

// An integer of the stored value when it converts exactly into [low, high].
std::optional<std::int64_t> AsInteger(const PropertyValue& value, std::int64_t low,
                                      std::int64_t high) {
  std::optional<std::int64_t> v;
  if (const auto* b = std::get_if<bool>(&value)) v = *b ? -1 : 0;
  if (const auto* i16 = std::get_if<std::int16_t>(&value)) v = *i16;
  if (const auto* i32 = std::get_if<std::int32_t>(&value)) v = *i32;
  if (const auto* d = std::get_if<double>(&value)) {
    if (!std::isfinite(*d) || *d < static_cast<double>(low) - 0.5 ||
        *d > static_cast<double>(high) + 0.5) {
      return std::nullopt;
    }
    v = Nearest(*d);
  }
  if (!v || *v < low || *v > high) return std::nullopt;
  return v;
}

}  // namespace

// --- store --------------------------------------------------------------------------------------

PropertyStore::Entry* PropertyStore::FindEntry(std::string_view key) {
  for (Entry& e : entries_) {
    if (EqualKeys(e.key, key)) return &e;
  }
  return nullptr;
}

const PropertyStore::Entry* PropertyStore::FindEntry(std::string_view key) const {
  for (const Entry& e : entries_) {
    if (EqualKeys(e.key, key)) return &e;
  }
  return nullptr;
}

bool PropertyStore::Has(std::string_view key) const { return FindEntry(key) != nullptr; }

const PropertyValue* PropertyStore::Find(std::string_view key) const {
  const Entry* e = FindEntry(key);
  return e ? &e->value : nullptr;
}

void PropertyStore::Remove(std::string_view key) {
  std::erase_if(entries_, [key](const Entry& e) { return EqualKeys(e.key, key); });
}

std::vector<std::string> PropertyStore::Keys() const {
  std::vector<std::string> keys;
  keys.reserve(entries_.size());
  for (const Entry& e : entries_) keys.push_back(e.key);
  return keys;
}

void PropertyStore::Set(std::string_view key, PropertyValue value) {
  if (Entry* e = FindEntry(key)) {
    e->value = std::move(value);
    return;
  }
  entries_.push_back(Entry{std::string(key), std::move(value)});
}

Result<bool> PropertyStore::ReadBool(std::string_view key, bool default_value) const {
  const PropertyValue* v = Find(key);
  if (!v) return default_value;
  if (const auto* b = std::get_if<bool>(v)) return *b;
  // Any non-zero number is true, as the 16-bit Boolean conversion treats it.
  if (const auto* d = std::get_if<double>(v)) {
    if (std::isnan(*d)) return ConversionError(key, *v, "a Boolean");
    return *d != 0.0;
  }
  if (const auto i = AsInteger(*v, std::numeric_limits<std::int32_t>::min(),
                               std::numeric_limits<std::int32_t>::max())) {
    return *i != 0;
  }
  return ConversionError(key, *v, "a Boolean");
}

Result<std::int16_t> PropertyStore::ReadInt16(std::string_view key,
                                              std::int16_t default_value) const {
  const PropertyValue* v = Find(key);
  if (!v) return default_value;
  if (const auto i = AsInteger(*v, std::numeric_limits<std::int16_t>::min(),
                               std::numeric_limits<std::int16_t>::max())) {
    return static_cast<std::int16_t>(*i);
  }
  return ConversionError(key, *v, "a 16-bit integer");
}

Result<std::int32_t> PropertyStore::ReadInt32(std::string_view key,
                                              std::int32_t default_value) const {
  const PropertyValue* v = Find(key);
  if (!v) return default_value;
  if (const auto i = AsInteger(*v, std::numeric_limits<std::int32_t>::min(),
                               std::numeric_limits<std::int32_t>::max())) {
    return static_cast<std::int32_t>(*i);
  }
  return ConversionError(key, *v, "a 32-bit integer");
}

Result<double> PropertyStore::ReadDouble(std::string_view key, double default_value) const {
  const PropertyValue* v = Find(key);
  if (!v) return default_value;
  if (const auto* d = std::get_if<double>(v)) return *d;
  if (const auto i = AsInteger(*v, std::numeric_limits<std::int32_t>::min(),
                               std::numeric_limits<std::int32_t>::max())) {
    return static_cast<double>(*i);
  }
  return ConversionError(key, *v, "a floating-point value");
}

Result<std::string> PropertyStore::ReadString(std::string_view key,
                                              const std::string& default_value) const {
  const PropertyValue* v = Find(key);
  if (!v) return default_value;
  if (const auto* s = std::get_if<std::string>(v)) return *s;
  return ConversionError(key, *v, "a string");
}

Result<Bytes> PropertyStore::ReadBytes(std::string_view key, const Bytes& default_value) const {
  const PropertyValue* v = Find(key);
  if (!v) return default_value;
  if (const auto* b = std::get_if<Bytes>(v)) return *b;
  return ConversionError(key, *v, "a byte array");
}

Result<PictureRef> PropertyStore::ReadPicture(std::string_view key,
                                              PictureRef default_value) const {
  const PropertyValue* v = Find(key);
  if (!v) return default_value;
  if (const auto* p = std::get_if<PictureRef>(v)) return *p;
  return ConversionError(key, *v, "a picture");
}

Result<FontRecord> PropertyStore::ReadFont(std::string_view key,
                                           const FontRecord& default_value) const {
  const PropertyValue* v = Find(key);
  if (!v) return default_value;
  if (const auto* f = std::get_if<FontRecord>(v)) return *f;
  return ConversionError(key, *v, "a font");
}

namespace {
template <typename T>
void WriteWithDefault(PropertyStore& store, std::string_view key, T value,
                      const std::optional<T>& default_value) {
  if (default_value && value == *default_value) {
    store.Remove(key);
  } else {
    store.Set(key, PropertyValue{std::move(value)});
  }
}
}  // namespace

void PropertyStore::WriteBool(std::string_view key, bool value, std::optional<bool> default_value) {
  WriteWithDefault(*this, key, value, default_value);
}
void PropertyStore::WriteInt16(std::string_view key, std::int16_t value,
                               std::optional<std::int16_t> default_value) {
  WriteWithDefault(*this, key, value, default_value);
}
void PropertyStore::WriteInt32(std::string_view key, std::int32_t value,
                               std::optional<std::int32_t> default_value) {
  WriteWithDefault(*this, key, value, default_value);
}
void PropertyStore::WriteDouble(std::string_view key, double value,
                                std::optional<double> default_value) {
  WriteWithDefault(*this, key, value, default_value);
}
void PropertyStore::WriteString(std::string_view key, std::string value,
                                std::optional<std::string> default_value) {
  WriteWithDefault(*this, key, std::move(value), default_value);
}
void PropertyStore::WriteBytes(std::string_view key, Bytes value) {
  Set(key, PropertyValue{std::move(value)});
}
void PropertyStore::WritePicture(std::string_view key, PictureRef value) {
  if (!value || value->IsEmpty()) {
    Remove(key);
  } else {
    Set(key, PropertyValue{std::move(value)});
  }
}
void PropertyStore::WriteFont(std::string_view key, const FontRecord& value,
                              std::optional<FontRecord> default_value) {
  WriteWithDefault(*this, key, value, default_value);
}

// --- text form ----------------------------------------------------------------------------------

std::string PropertyStore::Serialize() const {
  std::string out = std::string(kHeaderWord) + " " + std::to_string(kFormatVersion) + "\n";
  for (const Entry& e : entries_) {
    out += FormatKey(e.key);
    out += ": ";
    out += FormatValue(e.value);
    out += '\n';
  }
  return out;
}

Result<PropertyStore> PropertyStore::Parse(std::string_view text) {
  if (text.size() > kMaxFileBytes) {
    return Error{"property store of " + std::to_string(text.size()) +
                 " bytes exceeds the limit of " + std::to_string(kMaxFileBytes)};
  }
  PropertyStore store;
  std::size_t line_start = 0;
  std::size_t line_number = 0;
  bool header_seen = false;
  while (line_start < text.size()) {
    std::size_t line_end = text.find('\n', line_start);
    if (line_end == std::string_view::npos) line_end = text.size();
    std::string_view line = text.substr(line_start, line_end - line_start);
    line_start = line_end + 1;
    ++line_number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!header_seen) {
      if (Status s = CheckHeader(line); !s.ok()) return Error{s.error()};
      header_seen = true;
      continue;
    }
    const std::string where = "line " + std::to_string(line_number) + ": ";
    LineReader reader(line);
    reader.SkipSpaces();
    if (reader.AtEnd() || reader.Peek() == '#') continue;  // blank line or comment

    std::string key;
    if (reader.Peek() == '"') {
      auto quoted = reader.QuotedString();
      if (!quoted.ok()) return Error{where + "key: " + quoted.error()};
      key = std::move(quoted).value();
    } else {
      key = std::string(reader.BareKey());
      if (key.empty()) return Error{where + "expected a key"};
    }
    reader.SkipSpaces();
    if (!reader.Consume(':')) return Error{where + "expected ':' after the key " + Quoted(key)};
    const std::string_view type = reader.Word();
    auto value = ParseValue(type, reader);
    if (!value.ok()) return Error{where + "property " + Quoted(key) + ": " + value.error()};
    reader.SkipSpaces();
    if (!reader.AtEnd())
      return Error{where + "property " + Quoted(key) + ": unexpected text after the value"};
    if (store.Has(key)) return Error{where + "property " + Quoted(key) + " appears twice"};
    store.entries_.push_back(Entry{std::move(key), std::move(value).value()});
  }
  if (!header_seen) return Error{"line 1: empty file, not a property store"};
  return store;
}

Status PropertyStore::SaveToFile(const std::filesystem::path& path) const {
  const std::string text = Serialize();
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return Error{"cannot open " + path.string() + " for writing"};
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  if (!out) return Error{"cannot write " + path.string()};
  return {};
}

Result<PropertyStore> PropertyStore::LoadFromFile(const std::filesystem::path& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) return Error{"cannot read " + path.string() + ": " + ec.message()};
  if (size > kMaxFileBytes) {
    return Error{path.string() + ": " + std::to_string(size) + " bytes exceeds the limit of " +
                 std::to_string(kMaxFileBytes)};
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return Error{"cannot open " + path.string()};
  std::string text(static_cast<std::size_t>(size), '\0');
  in.read(text.data(), static_cast<std::streamsize>(size));
  text.resize(static_cast<std::size_t>(in.gcount()));
  auto store = Parse(text);
  if (!store.ok()) return Error{path.string() + ": " + store.error()};
  return store;
}

}  // namespace tovarin::platform
