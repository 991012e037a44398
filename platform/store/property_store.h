#pragma once
// PropertyStore: the name/value store through which a control saves and restores its settings
// with the window that holds it.
//
//  - Keys are compared without regard to letter case (ASCII case folding; keys are ASCII).
//  - Every read names a default, returned when the key is absent.
//  - Every write names a default: writing a value equal to it removes the key (it is left out).
//  - Values keep their type. A typed read of a present key whose value cannot be converted to
//    the requested type fails with an error naming the key (loading ends there).
//  - Order of first insertion is kept, so a saved file lists keys in the order written.
//  - Save/Load use a text format a person can read and diff; a damaged or hostile file gives
//    an error naming the line (and the key), never a crash or an unbounded allocation.
//  - Set() on a key already present (in any letter case) replaces the value in place and keeps
//    the key's first spelling and position.
//
// Text format, UTF-8, "\n" or "\r\n" line ends:
//
//     TovarinProperties 1                      <- header: format word and version
//     # a comment; blank lines are ignored
//     Delay: int16 50
//     Stretch: int32 1
//     Enabled: bool -1                         <- 16-bit Boolean: -1 true, 0 false
//     Scale: double 1.5                        <- shortest text that reads back the same
//     Caption: string "Say \"hi\"\n"           <- escapes \" \\ \n \r \t \xHH
//     GIF: bytes 6 R0lGODlh                    <- byte count, then padded base64
//     MouseIcon: picture 1078 Qk02BAAAAAA...   <- the picture's encoded file bytes
//     Empty: picture none
//     Font: font "Tahoma" 8.25 700 0 0 0 134   <- name size weight italic underline strike charset
//     "odd key": int32 1                       <- keys outside [A-Za-z0-9_.$-] are quoted
//
// A key appearing twice, an unknown type, a declared byte count that differs from the data,
// malformed base64, numbers out of their type's range and trailing text are errors.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/result.h"

namespace tovarin::platform {

class Picture;

// A font's stored attributes (a font object is rebuilt from them on load).
struct FontRecord {
  std::string name;
  double size_points = 8.25;
  int weight = 400;
  bool italic = false;
  bool underline = false;
  bool strikethrough = false;
  int charset = 0;
  friend bool operator==(const FontRecord&, const FontRecord&) = default;
};

using Bytes = std::vector<std::uint8_t>;
using PictureRef = std::shared_ptr<const Picture>;

// bool = 16-bit Boolean; int16/int32 integers; double for single/double/currency values.
using PropertyValue = std::variant<bool, std::int16_t, std::int32_t, double, std::string, Bytes,
                                   PictureRef, FontRecord>;

class PropertyStore {
 public:
  // Largest saved file Load accepts, and largest single value.
  static constexpr std::size_t kMaxFileBytes = 256u * 1024 * 1024;
  // Version written on the header line; Parse accepts only this one.
  static constexpr int kFormatVersion = 1;

  bool Has(std::string_view key) const;
  const PropertyValue* Find(std::string_view key) const;
  void Remove(std::string_view key);
  std::vector<std::string> Keys() const;  // in insertion order, as first written
  bool IsEmpty() const { return entries_.empty(); }

  // Typed reads. Conversions that keep the value exact are allowed (int16 <-> int32 in range,
  // Boolean <-> integer 0/-1/any, integer -> double, double -> integer when Nearest fits);
  // anything else is an error naming the key.
  Result<bool> ReadBool(std::string_view key, bool default_value) const;
  Result<std::int16_t> ReadInt16(std::string_view key, std::int16_t default_value) const;
  Result<std::int32_t> ReadInt32(std::string_view key, std::int32_t default_value) const;
  Result<double> ReadDouble(std::string_view key, double default_value) const;
  Result<std::string> ReadString(std::string_view key, const std::string& default_value) const;
  Result<Bytes> ReadBytes(std::string_view key, const Bytes& default_value) const;
  Result<PictureRef> ReadPicture(std::string_view key, PictureRef default_value) const;
  Result<FontRecord> ReadFont(std::string_view key, const FontRecord& default_value) const;

  // Writes: equal to `default_value` -> the key is removed. Pass std::nullopt for "no default"
  // (always written).
  void WriteBool(std::string_view key, bool value, std::optional<bool> default_value);
  void WriteInt16(std::string_view key, std::int16_t value,
                  std::optional<std::int16_t> default_value);
  void WriteInt32(std::string_view key, std::int32_t value,
                  std::optional<std::int32_t> default_value);
  void WriteDouble(std::string_view key, double value, std::optional<double> default_value);
  void WriteString(std::string_view key, std::string value,
                   std::optional<std::string> default_value);
  void WriteBytes(std::string_view key, Bytes value);         // always written
  void WritePicture(std::string_view key, PictureRef value);  // an empty picture removes the key
  void WriteFont(std::string_view key, const FontRecord& value,
                 std::optional<FontRecord> default_value);

  // Raw access for hosts and tools.
  void Set(std::string_view key, PropertyValue value);

  // Text form. Pictures are stored as their encoded bytes (PNG/BMP/ICO/GIF as loaded).
  std::string Serialize() const;
  static Result<PropertyStore> Parse(std::string_view text);
  Status SaveToFile(const std::filesystem::path& path) const;
  static Result<PropertyStore> LoadFromFile(const std::filesystem::path& path);

 private:
  struct Entry {
    std::string key;
    PropertyValue value;
  };
  Entry* FindEntry(std::string_view key);
  const Entry* FindEntry(std::string_view key) const;
  std::vector<Entry> entries_;
};

}  // namespace tovarin::platform
