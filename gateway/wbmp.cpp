// WBMP type 0 decoding and PNG encoding.
//
// Byte layout of a type 0 WBMP (every multi-byte integer is WBXML's mb_u_int32: 7 bits a byte,
// most significant group first, bit 7 set on every byte but the last):
//
//   offset 0   TypeField       mb_u_int   must be 0
//   then       FixHeaderField  1 byte     must be 0 (bit 7 = extension headers follow)
//   then       Width           mb_u_int   1..kMaxWbmpDimension
//   then       Height          mb_u_int   1..kMaxWbmpDimension, Width * Height <= kMaxWbmpPixels
//   then       Height rows of ceil(Width / 8) bytes, top row first, MSB = leftmost pixel
//
// A file cut inside its pixel rows is refused rather than shown in part: a WBMP is a few hundred
// bytes sent whole, so a short one is a broken response, and a half picture would hide that.
// Bytes after the last row are ignored (some servers pad responses).

#include "gateway/wbmp.h"

#include <png.h>

#include <cstddef>
#include <cstdio>
#include <limits>
#include <new>
#include <string>

#include "gateway/limits.h"

namespace tovarin::gateway {
namespace {

using platform::Error;
using platform::Result;

// WBMP's integers are WBXML's mb_u_int32, so they share its length limit (5 bytes carry 32 bits).
constexpr int kMaxWbmpIntegerBytes = kMaxWbxmlIntegerBytes;
constexpr std::uint8_t kExtensionHeadersBit = 0x80;

// Reads the header fields in order; every read is checked against the end of the bytes.
class WbmpReader {
 public:
  explicit WbmpReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::size_t position() const { return position_; }

  // One mb_u_int32. `field` names it in the error ("width").
  Result<std::uint32_t> ReadMultiByte(const char* field) {
    std::uint64_t value = 0;
    for (int count = 1; count <= kMaxWbmpIntegerBytes; ++count) {
      if (position_ >= bytes_.size()) {
        return Error{std::string("WBMP: the data ends before the end of the ") + field + " field"};
      }
      const std::uint8_t byte = bytes_[position_++];
      value = (value << 7) | (byte & 0x7Fu);
      if ((byte & 0x80u) == 0) {
        if (value > std::numeric_limits<std::uint32_t>::max()) {
          return Error{std::string("WBMP: the ") + field + " field does not fit in 32 bits"};
        }
        return static_cast<std::uint32_t>(value);
      }
    }
    return Error{std::string("WBMP: the ") + field + " field is longer than " +
                 std::to_string(kMaxWbmpIntegerBytes) + " bytes"};
  }

  Result<std::uint8_t> ReadByte(const char* field) {
    if (position_ >= bytes_.size()) {
      return Error{std::string("WBMP: the data ends before the ") + field + " field"};
    }
    return bytes_[position_++];
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t position_ = 0;
};

struct WbmpHeader {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::size_t data_offset = 0;  // first byte of the top row
  std::size_t row_bytes = 0;    // ceil(width / 8)
};

Result<std::uint32_t> ReadDimension(WbmpReader& reader, const char* field) {
  auto value = reader.ReadMultiByte(field);
  if (!value) return value;
  if (*value == 0) return Error{std::string("WBMP: ") + field + " is 0"};
  if (*value > kMaxWbmpDimension) {
    return Error{std::string("WBMP: ") + field + " " + std::to_string(*value) +
                 " is over the limit of " + std::to_string(kMaxWbmpDimension)};
  }
  return value;
}

// The header up to the pixel rows, with every limit checked; the rows themselves are not looked at.
Result<WbmpHeader> ReadHeader(std::span<const std::uint8_t> bytes) {
  WbmpReader reader(bytes);
  auto type = reader.ReadMultiByte("type");
  if (!type) return Error{type.error()};
  if (*type != 0)
    return Error{"WBMP: type " + std::to_string(*type) + " is not supported (only type 0)"};
  auto fix_header = reader.ReadByte("fixed header");
  if (!fix_header) return Error{fix_header.error()};
  if ((*fix_header & kExtensionHeadersBit) != 0)
    return Error{"WBMP: extension headers are not supported"};
  if (*fix_header != 0) {
    return Error{"WBMP: the fixed header byte is " + std::to_string(*fix_header) + ", not 0"};
  }
  auto width = ReadDimension(reader, "width");
  if (!width) return Error{width.error()};
  auto height = ReadDimension(reader, "height");
  if (!height) return Error{height.error()};
  // Both are at most kMaxWbmpDimension, so the product cannot overflow 64 bits.
  const std::uint64_t pixels = std::uint64_t{*width} * *height;
  if (pixels > kMaxWbmpPixels) {
    return Error{"WBMP: " + std::to_string(*width) + " x " + std::to_string(*height) +
                 " pixels is over the limit of " + std::to_string(kMaxWbmpPixels)};
  }
  return WbmpHeader{*width, *height, reader.position(), (std::size_t{*width} + 7) / 8};
}

// Full rows present after the header (at most `header.height`).
std::size_t RowsPresent(const WbmpHeader& header, std::size_t byte_count) {
  const std::size_t data_bytes = byte_count - header.data_offset;
  const std::size_t rows = data_bytes / header.row_bytes;
  return rows < header.height ? rows : header.height;
}

}  // namespace

bool LooksLikeWbmp(std::span<const std::uint8_t> bytes) {
  auto header = ReadHeader(bytes);
  return header.ok() && RowsPresent(*header, bytes.size()) == header->height;
}

Result<WbmpImage> DecodeWbmp(std::span<const std::uint8_t> bytes) {
  auto header = ReadHeader(bytes);
  if (!header) return Error{header.error()};
  const std::size_t rows = RowsPresent(*header, bytes.size());
  if (rows < header->height) {
    return Error{"WBMP: image data ends after row " + std::to_string(rows) + " of " +
                 std::to_string(header->height)};
  }
  WbmpImage image;
  image.width = header->width;
  image.height = header->height;
  image.pixels.resize(std::size_t{image.width} * image.height);
  const std::uint8_t* row = bytes.data() + header->data_offset;
  std::uint8_t* out = image.pixels.data();
  for (std::uint32_t y = 0; y < image.height; ++y, row += header->row_bytes) {
    // Bits past `width` in the last byte are padding and never read.
    for (std::uint32_t x = 0; x < image.width; ++x) {
      *out++ = static_cast<std::uint8_t>((row[x >> 3] >> (7 - (x & 7))) & 1);
    }
  }
  return image;
}

// ---- PNG ---------------------------------------------------------------------------------------
//
// The pictures are one bit deep, so they are written as 1-bit greyscale PNG (where 0 is black and
// 1 is white, exactly WBMP's meaning): an eighth of the 8-bit form before compression. libpng's
// simplified writer (png_image_write_to_memory) only writes 8- and 16-bit grey, so this uses the
// classic writer. Its errors arrive by longjmp to a setjmp point; the function holding that point
// (WritePngStream) and every callback libpng calls keep no object with a destructor, so the jump
// skips nothing. Ownership of the libpng structures and of the output lives in EncodePng, outside.

namespace {

constexpr std::size_t kPngErrorBytes = 160;

// Shared with libpng's callbacks through its error and I/O pointers. Plain data only.
struct PngSink {
  std::vector<std::uint8_t>* output = nullptr;
  char error[kPngErrorBytes] = {};
};

[[noreturn]] void OnPngError(png_structp png, png_const_charp message) {
  auto* sink = static_cast<PngSink*>(png_get_error_ptr(png));
  std::snprintf(sink->error, kPngErrorBytes, "%s", message != nullptr ? message : "unknown error");
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp /*png*/, png_const_charp /*message*/) {}

void OnPngWrite(png_structp png, png_bytep data, png_size_t length) {
  auto* sink = static_cast<PngSink*>(png_get_io_ptr(png));
  bool out_of_memory = false;
  try {
    sink->output->insert(sink->output->end(), data, data + length);
  } catch (const std::bad_alloc&) {
    out_of_memory = true;
  }
  // Raised outside the handler: the longjmp must not leave a live exception behind.
  if (out_of_memory) png_error(png, "out of memory for the PNG output");
}

void OnPngFlush(png_structp /*png*/) {}

// The setjmp frame: only pointers and integers live here. Returns false after a libpng error,
// whose message is then in the sink.
bool WritePngStream(png_structp png, png_infop info, std::uint32_t width, std::uint32_t height,
                    const std::uint8_t* rows, std::size_t row_bytes) {
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  png_set_IHDR(png, info, width, height, 1, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (std::uint32_t y = 0; y < height; ++y) png_write_row(png, rows + std::size_t{y} * row_bytes);
  png_write_end(png, info);
  return true;
}

// Owns one libpng write structure and its info structure.
class PngWriteStruct {
 public:
  explicit PngWriteStruct(PngSink& sink)
      : png_(png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, OnPngError, OnPngWarning)),
        info_(png_ != nullptr ? png_create_info_struct(png_) : nullptr) {
    if (png_ != nullptr) png_set_write_fn(png_, &sink, OnPngWrite, OnPngFlush);
  }
  ~PngWriteStruct() {
    if (png_ != nullptr) png_destroy_write_struct(&png_, info_ != nullptr ? &info_ : nullptr);
  }
  PngWriteStruct(const PngWriteStruct&) = delete;
  PngWriteStruct& operator=(const PngWriteStruct&) = delete;

  png_structp png() const { return png_; }
  png_infop info() const { return info_; }

 private:
  png_structp png_;
  png_infop info_;
};

// The image's pixels packed 8 to a byte, MSB leftmost, 1 = white (any nonzero pixel is white).
std::vector<std::uint8_t> PackRows(const WbmpImage& image, std::size_t row_bytes) {
  std::vector<std::uint8_t> packed(row_bytes * image.height, 0);
  const std::uint8_t* in = image.pixels.data();
  for (std::uint32_t y = 0; y < image.height; ++y) {
    std::uint8_t* row = packed.data() + std::size_t{y} * row_bytes;
    for (std::uint32_t x = 0; x < image.width; ++x) {
      if (*in++ != 0) row[x >> 3] = static_cast<std::uint8_t>(row[x >> 3] | (0x80u >> (x & 7)));
    }
  }
  return packed;
}

}  // namespace

Result<std::vector<std::uint8_t>> EncodePng(const WbmpImage& image) {
  if (image.width == 0 || image.height == 0 || image.width > kMaxWbmpDimension ||
      image.height > kMaxWbmpDimension ||
      std::uint64_t{image.width} * image.height > kMaxWbmpPixels) {
    return Error{"WBMP: cannot write a " + std::to_string(image.width) + " x " +
                 std::to_string(image.height) + " picture as PNG"};
  }
  if (image.pixels.size() != std::size_t{image.width} * image.height) {
    return Error{"WBMP: the picture has " + std::to_string(image.pixels.size()) + " pixels, not " +
                 std::to_string(image.width) + " x " + std::to_string(image.height)};
  }
  const std::size_t row_bytes = (std::size_t{image.width} + 7) / 8;
  const std::vector<std::uint8_t> packed = PackRows(image, row_bytes);
  std::vector<std::uint8_t> output;
  PngSink sink;
  sink.output = &output;
  PngWriteStruct writer(sink);
  if (writer.png() == nullptr || writer.info() == nullptr)
    return Error{"PNG: cannot start the writer"};
  if (!WritePngStream(writer.png(), writer.info(), image.width, image.height, packed.data(),
                      row_bytes)) {
    return Error{std::string("PNG: ") + sink.error};
  }
  return output;
}

Result<std::vector<std::uint8_t>> WbmpToPng(std::span<const std::uint8_t> bytes) {
  auto image = DecodeWbmp(bytes);
  if (!image) return Error{image.error()};
  return EncodePng(*image);
}

}  // namespace tovarin::gateway
