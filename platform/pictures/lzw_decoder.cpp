#include "platform/pictures/lzw_decoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <string>

namespace tovarin::platform {
namespace {

constexpr int kMaxCodeBits = 12;
constexpr std::uint32_t kMaxCodes = 1u << kMaxCodeBits;  // 4096
constexpr int kMinMinimumCodeSize = 1;
constexpr int kMaxMinimumCodeSize = 8;
// Bytes of zeros after the code bytes, so that a 64-bit load at any code position stays in
// the buffer.
constexpr std::size_t kBitPadding = 8;
// Strings are copied in 16-byte chunks; a copy may write up to this many bytes past its end.
constexpr std::size_t kCopyChunk = 16;
// The output buffer starts with the 256 literal strings (byte i = i), so that a literal code
// is copied like any other string.
constexpr std::size_t kLiteralRamp = 256;

// The code bytes of an image, sub-blocks joined, followed by kBitPadding zero bytes.
struct CodeBytes {
  std::unique_ptr<std::uint8_t[]> bytes;
  std::uint64_t bit_count = 0;
};

// Joins the payloads of the sub-block chain that starts at `chain`. Stops at the zero-length
// terminator or at the end of the data; a sub-block cut short contributes the bytes it has.
CodeBytes JoinSubBlocks(std::span<const std::uint8_t> chain) {
  CodeBytes result;
  result.bytes = std::make_unique_for_overwrite<std::uint8_t[]>(chain.size() + kBitPadding);
  std::size_t read = 0;
  std::size_t written = 0;
  while (read < chain.size()) {
    const std::size_t block = chain[read++];
    if (block == 0) break;
    const std::size_t available = std::min(block, chain.size() - read);
    std::memcpy(result.bytes.get() + written, chain.data() + read, available);
    written += available;
    read += available;
  }
  std::memset(result.bytes.get() + written, 0, kBitPadding);
  result.bit_count = static_cast<std::uint64_t>(written) * 8;
  return result;
}

// Copies `length` (>= 1) bytes from `source` to `destination` in 16-byte chunks. Correct when
// `destination` - `source` >= `length`: every chunk is loaded before any store can reach the
// source bytes it still needs (LZW strings always lie in earlier output). May write up to
// kCopyChunk - 1 bytes past the end; later output overwrites them.
inline void CopyString(std::uint8_t* destination, const std::uint8_t* source,
                       std::uint32_t length) {
  // Most strings are short: one chunk, no loop.
  std::uint8_t chunk[kCopyChunk];
  std::memcpy(chunk, source, kCopyChunk);
  std::memcpy(destination, chunk, kCopyChunk);
  if (length > kCopyChunk) [[unlikely]] {
    for (std::uint32_t done = kCopyChunk; done < length; done += kCopyChunk) {
      std::memcpy(chunk, source + done, kCopyChunk);
      std::memcpy(destination + done, chunk, kCopyChunk);
    }
  }
}

inline std::uint64_t LoadLittleEndian64(const std::uint8_t* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
  return word;
}

// One table entry: the string of a code is `length` bytes of the output buffer starting at
// `offset` (an earlier occurrence of that string). The clear code, the end code and codes not
// defined yet have length kNoString, larger than any output, so that the one test for "the
// string does not fit before the end of the buffer" also catches them.
struct StringEntry {
  std::uint32_t offset;
  std::uint32_t length;
};
constexpr std::uint32_t kNoString = 0x7FFFFFFF;
static_assert(kLiteralRamp + kMaxGifImagePixels < kNoString,
              "string lengths must stay below kNoString");

// A table of undefined entries to copy from: a clear code resets up to 4096 entries, and a
// block copy does that several times faster than a loop of 8-byte stores.
constexpr std::array<StringEntry, kMaxCodes + 1> MakeUndefinedEntries() {
  std::array<StringEntry, kMaxCodes + 1> entries{};
  for (StringEntry& entry : entries) entry = StringEntry{0, kNoString};
  return entries;
}
constexpr std::array<StringEntry, kMaxCodes + 1> kUndefinedEntries = MakeUndefinedEntries();

// Marks entries first..last-1 undefined.
inline void MarkUndefined(std::array<StringEntry, kMaxCodes + 1>& table, std::uint32_t first,
                          std::uint32_t last) {
  if (first < last)
    std::memcpy(&table[first], kUndefinedEntries.data(), (last - first) * sizeof(StringEntry));
}

struct LzwOutcome {
  GifImageEnd end;
  std::int64_t pixels;
};

// Decodes LZW codes into out[kLiteralRamp .. kLiteralRamp + capacity). `out` has room for
// kLiteralRamp + capacity + kCopyChunk bytes. `capacity` is the image size, or less when the
// data cannot produce that many pixels (then `capacity_is_image` is false).
//
// This function is long on purpose: it is the decoder's hot path, and keeping the code reader,
// the string copy, the table update and the width change in one flat loop lets the compiler
// keep the cursor, the output position and the table state in registers. Per code the common
// path has three tests: enough bits left, the string fits the buffer, the width must grow.
// Every rare event (clear, end, the code defined by this very step, a corrupt code, the last
// string of the image) hides behind the second test through kNoString; a full table hides
// behind the third.
LzwOutcome DecodeCodes(const CodeBytes& code_bytes, int minimum_code_size, std::uint8_t* out,
                       std::uint64_t capacity, bool capacity_is_image) {
  const std::uint32_t clear_code = 1u << minimum_code_size;
  const std::uint32_t end_code = clear_code + 1;
  const std::uint8_t* bits = code_bytes.bytes.get();
  const std::uint64_t bit_count = code_bytes.bit_count;
  const std::uint64_t base = kLiteralRamp;
  const std::uint64_t limit = base + capacity;

  for (std::uint32_t i = 0; i < kLiteralRamp; ++i) out[i] = static_cast<std::uint8_t>(i);
  // One spare entry: with a full table the loop keeps writing entry 4096, which no 12-bit code
  // can name, instead of testing for a full table on every code.
  std::array<StringEntry, kMaxCodes + 1> table;
  for (std::uint32_t i = 0; i < clear_code; ++i) table[i] = StringEntry{i, 1};
  MarkUndefined(table, clear_code, kMaxCodes + 1);

  // Plain locals only (no closures over them), so that they all live in registers.
  std::uint64_t bit_pos = 0;
  std::uint64_t pos = base;
  int width = minimum_code_size + 1;
  std::uint32_t mask = (1u << width) - 1;
  std::uint32_t next_code = clear_code + 2;
  std::uint32_t grow_at = 1u << width;
  std::uint64_t previous_pos = 0;
  std::uint32_t previous_length = 0;
  const std::int64_t ample_bits = static_cast<std::int64_t>(bit_count) - kMaxCodeBits;
  const GifImageEnd buffer_full =
      capacity_is_image ? GifImageEnd::kComplete : GifImageEnd::kDataExhausted;
#define TOVARIN_LZW_END(reason) \
  return LzwOutcome { reason, static_cast<std::int64_t>(pos - base) }

  for (;;) {  // once at the start and once per clear code
    MarkUndefined(table, clear_code + 2, std::min(next_code + 1, kMaxCodes + 1));
    width = minimum_code_size + 1;
    mask = (1u << width) - 1;
    next_code = clear_code + 2;
    grow_at = 1u << width;

    // The first code after a clear code must be a literal; it defines no entry.
    std::uint32_t code = clear_code;
    while (code == clear_code) {
      if (bit_pos + static_cast<std::uint64_t>(width) > bit_count)
        TOVARIN_LZW_END(GifImageEnd::kDataExhausted);
      code =
          static_cast<std::uint32_t>(LoadLittleEndian64(bits + (bit_pos >> 3)) >> (bit_pos & 7)) &
          mask;
      bit_pos += static_cast<std::uint64_t>(width);
    }
    if (code == end_code) TOVARIN_LZW_END(GifImageEnd::kEndCode);
    if (code > clear_code) TOVARIN_LZW_END(GifImageEnd::kCorruptCode);
    out[pos] = static_cast<std::uint8_t>(code);
    previous_pos = pos;
    previous_length = 1;
    if (++pos >= limit) TOVARIN_LZW_END(buffer_full);
    // With minimum code size 1 the first free code (4) already needs 3 bits.
    if (next_code == grow_at) {
      ++width;
      mask = (1u << width) - 1;
      grow_at = 1u << width;
    }

    for (;;) {
      // Up to ample_bits a code of any width is complete; only near the end is its width needed.
      if (static_cast<std::int64_t>(bit_pos) > ample_bits) [[unlikely]] {
        if (bit_pos + static_cast<std::uint64_t>(width) > bit_count)
          TOVARIN_LZW_END(GifImageEnd::kDataExhausted);
      }
      code =
          static_cast<std::uint32_t>(LoadLittleEndian64(bits + (bit_pos >> 3)) >> (bit_pos & 7)) &
          mask;
      bit_pos += static_cast<std::uint64_t>(width);
      const StringEntry entry = table[code];
      std::uint64_t source = entry.offset;
      std::uint32_t length = entry.length;
      if (pos + length >= limit) [[unlikely]] {
        if (length == kNoString) {
          if (code == clear_code) break;
          if (code == end_code) TOVARIN_LZW_END(GifImageEnd::kEndCode);
          if (code != next_code) TOVARIN_LZW_END(GifImageEnd::kCorruptCode);
          // The code this step defines: the previous string plus its own first byte.
          source = previous_pos;
          length = previous_length + 1;
        }
        if (pos + length >= limit) {
          // The last string of the buffer: byte by byte up to the end, which is also right for
          // the overlapping copy of a code defined by this very step.
          const std::uint64_t count = limit - pos;
          for (std::uint64_t i = 0; i < count; ++i) out[pos + i] = out[source + i];
          pos = limit;
          TOVARIN_LZW_END(buffer_full);
        }
        // The code defined by this step overlaps its own output: copy the previous string,
        // then repeat its first byte.
        CopyString(out + pos, out + source, previous_length);
        out[pos + previous_length] = out[source];
      } else {
        CopyString(out + pos, out + source, length);
      }

      table[next_code] = StringEntry{static_cast<std::uint32_t>(previous_pos), previous_length + 1};
      previous_pos = pos;
      previous_length = length;
      pos += length;
      if (++next_code == grow_at) [[unlikely]] {
        if (width < kMaxCodeBits) {
          ++width;
          mask = (1u << width) - 1;
          grow_at = 1u << width;
        } else {
          // Full table: the next free code stays 4096 and no entry is added any more (the
          // spare entry 4096 takes the writes).
          next_code = kMaxCodes;
          grow_at = kMaxCodes + 1;
        }
      }
    }
  }
#undef TOVARIN_LZW_END
}

// Image row of the n-th row in the data of an interlaced image: the rows of pass 1 (every
// 8th from 0), pass 2 (every 8th from 4), pass 3 (every 4th from 2), pass 4 (every 2nd from 1).
int InterlacedRow(int n, int height) {
  const int pass1 = (height + 7) / 8;
  if (n < pass1) return n * 8;
  n -= pass1;
  const int pass2 = (height + 3) / 8;
  if (n < pass2) return 4 + n * 8;
  n -= pass2;
  const int pass3 = (height + 1) / 4;
  if (n < pass3) return 2 + n * 4;
  n -= pass3;
  return 1 + n * 2;
}

// Copies the produced pixels, row by row of the data, into the target at (x, y), clipped.
void StoreRows(const std::uint8_t* pixels, std::int64_t produced, int width, int height,
               bool interlaced, Bitmap& target, int x, int y) {
  const int first_column = std::max(0, -x);
  const int last_column =
      static_cast<int>(std::min<std::int64_t>(width, std::int64_t{target.Width()} - x));
  if (first_column >= last_column) return;
  const std::int64_t rows = (produced + width - 1) / width;
  for (std::int64_t row = 0; row < rows; ++row) {
    const int image_row =
        interlaced ? InterlacedRow(static_cast<int>(row), height) : static_cast<int>(row);
    const std::int64_t target_row = std::int64_t{y} + image_row;
    if (target_row < 0 || target_row >= target.Height()) continue;
    const std::int64_t row_start = row * width;
    const int columns_done = static_cast<int>(std::min<std::int64_t>(width, produced - row_start));
    const int end_column = std::min(last_column, columns_done);
    if (end_column <= first_column) continue;
    std::memcpy(target.Row(static_cast<int>(target_row)) + x + first_column,
                pixels + row_start + first_column,
                static_cast<std::size_t>(end_column - first_column));
  }
}

}  // namespace

Result<GifImageDecodeStatus> DecodeGifImage(std::span<const std::uint8_t> data, int width,
                                            int height, bool interlaced, Bitmap& target, int x,
                                            int y) {
  if (target.BitsPerPixel() != 8) return Error{"GIF image target must be an 8-bit bitmap"};
  if (width < 0 || height < 0) return Error{"GIF image size is negative"};
  const std::int64_t image_pixels = std::int64_t{width} * height;
  if (image_pixels > kMaxGifImagePixels) {
    return Error{"GIF image of " + std::to_string(width) + " x " + std::to_string(height) +
                 " pixels is too large"};
  }
  if (image_pixels == 0) return GifImageDecodeStatus{GifImageEnd::kComplete, 0};
  if (data.empty()) return GifImageDecodeStatus{GifImageEnd::kDataExhausted, 0};
  const int minimum_code_size = data[0];
  if (minimum_code_size < kMinMinimumCodeSize || minimum_code_size > kMaxMinimumCodeSize) {
    return GifImageDecodeStatus{GifImageEnd::kBadMinimumCodeSize, 0};
  }

  const CodeBytes code_bytes = JoinSubBlocks(data.subspan(1));
  // No code is narrower than minimum_code_size + 1 bits, and no string is longer than the
  // table, so the data bounds the output; a cut image of a large size does not need a buffer
  // of the full size.
  const std::uint64_t most_codes =
      code_bytes.bit_count / static_cast<std::uint64_t>(minimum_code_size + 1);
  const std::uint64_t most_pixels = most_codes * kMaxCodes;
  const bool capacity_is_image = static_cast<std::uint64_t>(image_pixels) <= most_pixels;
  const std::uint64_t capacity =
      capacity_is_image ? static_cast<std::uint64_t>(image_pixels) : most_pixels;
  if (capacity == 0) return GifImageDecodeStatus{GifImageEnd::kDataExhausted, 0};

  auto out = std::make_unique_for_overwrite<std::uint8_t[]>(kLiteralRamp + capacity + kCopyChunk);
  const LzwOutcome outcome =
      DecodeCodes(code_bytes, minimum_code_size, out.get(), capacity, capacity_is_image);
  StoreRows(out.get() + kLiteralRamp, outcome.pixels, width, height, interlaced, target, x, y);
  return GifImageDecodeStatus{outcome.end, outcome.pixels};
}

}  // namespace tovarin::platform
