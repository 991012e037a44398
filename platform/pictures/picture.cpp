#include "platform/pictures/picture.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>

#include "platform/pictures/gif_format.h"
#include "platform/pictures/gif_image_decoder.h"

namespace tovarin::platform {

// Builds pictures; a friend of Picture so that the fields stay immutable for everyone else.
struct PictureFactory {
  static std::shared_ptr<Picture> Make(PictureKind kind, Bitmap image,
                                       std::vector<std::uint8_t> encoded) {
    auto picture = std::make_shared<Picture>();
    if (image.IsEmpty()) return picture;
    picture->kind_ = kind;
    picture->image_ = std::move(image);
    picture->encoded_ = std::move(encoded);
    return picture;
  }
};

namespace {

enum class Format { kBmp, kIco, kPng, kGif };

// Little-endian reads that answer false instead of reading past the end.
class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}
  bool Has(std::size_t offset, std::size_t count) const {
    return offset <= data_.size() && count <= data_.size() - offset;
  }
  bool U16(std::size_t offset, std::uint32_t& value) const {
    if (!Has(offset, 2)) return false;
    value = data_[offset] | (data_[offset + 1] << 8);
    return true;
  }
  bool U32(std::size_t offset, std::uint32_t& value) const {
    if (!Has(offset, 4)) return false;
    value = static_cast<std::uint32_t>(data_[offset]) |
            (static_cast<std::uint32_t>(data_[offset + 1]) << 8) |
            (static_cast<std::uint32_t>(data_[offset + 2]) << 16) |
            (static_cast<std::uint32_t>(data_[offset + 3]) << 24);
    return true;
  }
  bool I32(std::size_t offset, std::int32_t& value) const {
    std::uint32_t raw = 0;
    if (!U32(offset, raw)) return false;
    value = static_cast<std::int32_t>(raw);
    return true;
  }
  std::span<const std::uint8_t> Data() const { return data_; }

 private:
  std::span<const std::uint8_t> data_;
};

Result<Format> DetectFormat(std::span<const std::uint8_t> data) {
  auto starts = [&](std::initializer_list<std::uint8_t> magic) {
    return data.size() >= magic.size() && std::equal(magic.begin(), magic.end(), data.begin());
  };
  if (data.empty()) return Error{"the picture data is empty"};
  if (starts({'B', 'M'})) return Format::kBmp;
  if (starts({0, 0, 1, 0}) || starts({0, 0, 2, 0})) return Format::kIco;
  if (starts({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A})) return Format::kPng;
  if (IsGifSignature(data)) return Format::kGif;
  return Error{"the data is not a picture of a known format (BMP, ICO, PNG or GIF)"};
}

Status CheckDimensions(std::int64_t width, std::int64_t height) {
  if (width <= 0 || height <= 0) return Error{"the picture has no pixels"};
  if (width > kMaxPictureDimension || height > kMaxPictureDimension) {
    return Error{"the picture is too large (" + std::to_string(width) + " x " +
                 std::to_string(height) + " pixels; at most " +
                 std::to_string(kMaxPictureDimension) + " each way)"};
  }
  if (RowStride(32, static_cast<int>(width)) * height > kMaxBitmapBytes) {
    return Error{"the picture is too large (" + std::to_string(width) + " x " +
                 std::to_string(height) + " pixels)"};
  }
  return Status::Ok();
}

// Sizes declared by the headers, checked before any decoder allocates for them.
//   BMP: 14-byte file header, then the info header: size (4); core header (12 bytes): width
//        and height as 16-bit values at 18 and 20; other headers: 32-bit at 18 and 22, a
//        negative height meaning top-down rows.
//   PNG: signature (8), IHDR length (4) and type (4), then width and height big-endian.
//   ICO: 6-byte directory header, 16-byte entries whose first two bytes are width and height
//        (0 meaning 256), so an icon cannot declare more than 256 x 256.
Status CheckDeclaredSize(Format format, const ByteReader& reader) {
  std::span<const std::uint8_t> data = reader.Data();
  if (format == Format::kBmp) {
    std::uint32_t header_size = 0;
    if (!reader.U32(14, header_size)) return Error{"the BMP data is truncated in its header"};
    if (header_size == 12) {
      std::uint32_t width = 0, height = 0, bits = 0, pixel_offset = 0;
      if (!reader.U16(18, width) || !reader.U16(20, height) || !reader.U16(24, bits) ||
          !reader.U32(10, pixel_offset)) {
        return Error{"the BMP data is truncated in its header"};
      }
      if (Status size = CheckDimensions(width, height); !size.ok()) return size;
      if (bits >= 1 && bits <= 32 &&
          !reader.Has(pixel_offset, static_cast<std::size_t>(
                                        RowStride(static_cast<int>(bits), width) * height))) {
        return Error{"the BMP data is truncated in its pixels"};
      }
      return Status::Ok();
    }
    std::int32_t width = 0, height = 0;
    std::uint32_t bits = 0, compression = 0;
    if (!reader.I32(18, width) || !reader.I32(22, height) || !reader.U16(28, bits) ||
        !reader.U32(30, compression)) {
      return Error{"the BMP data is truncated in its header"};
    }
    std::int64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
    if (Status size = CheckDimensions(width, rows); !size.ok()) return size;
    // Uncompressed pixels must all be there (the decoder would keep a cut image silently).
    std::uint32_t pixel_offset = 0;
    bool uncompressed = compression == 0 || compression == 3 || compression == 6;
    if (uncompressed && bits >= 1 && bits <= 32 && reader.U32(10, pixel_offset) &&
        !reader.Has(pixel_offset,
                    static_cast<std::size_t>(RowStride(static_cast<int>(bits), width) * rows))) {
      return Error{"the BMP data is truncated in its pixels"};
    }
    return Status::Ok();
  }
  if (format == Format::kPng) {
    if (!reader.Has(16, 8)) return Error{"the PNG data is truncated in its header"};
    auto big_endian = [&](std::size_t at) {
      return (static_cast<std::int64_t>(data[at]) << 24) | (data[at + 1] << 16) |
             (data[at + 2] << 8) | data[at + 3];
    };
    return CheckDimensions(big_endian(16), big_endian(20));
  }
  return Status::Ok();
}

// 32-bit BMPs are read here rather than by gdk-pixbuf, which sets every alpha to 255: the
// fourth byte of each pixel is the picture's alpha and must survive.
//
//   offset 10: u32 offset of the pixel array          offset 14: u32 info header size (>= 40)
//   offset 18: i32 width   22: i32 height (< 0: top-down)   28: u16 bits (32)   30: u32 compression
//   compression 0 (BI_RGB): pixels are bytes blue, green, red, alpha, kept as they are;
//   compression 3 (BI_BITFIELDS) / 6 (BI_ALPHABITFIELDS): u32 red, green, blue masks from offset
//     54 (inside a header of 52 or more bytes, or right after a 40-byte one), then an alpha
//     mask with compression 6 or a header of 56 or more bytes. Channels are scaled to 8 bits;
//     without an alpha mask, standard masks keep the fourth byte, others give alpha 255.
//   Rows are 4 * width bytes, bottom-up unless the height is negative.
Result<Bitmap> ReadBmp32(const ByteReader& reader) {
  std::uint32_t pixel_offset = 0, header_size = 0, compression = 0;
  std::int32_t width = 0, height = 0;
  if (!reader.U32(10, pixel_offset) || !reader.U32(14, header_size) || !reader.I32(18, width) ||
      !reader.I32(22, height) || !reader.U32(30, compression)) {
    return Error{"the BMP data is truncated in its header"};
  }
  bool top_down = height < 0;
  std::int64_t rows = top_down ? -static_cast<std::int64_t>(height) : height;
  if (Status size = CheckDimensions(width, rows); !size.ok()) return Error{size.error()};
  if (compression != 0 && compression != 3 && compression != 6) {
    return Error{"the 32-bit BMP uses an unsupported compression (" + std::to_string(compression) +
                 ")"};
  }
  std::uint32_t masks[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0};
  if (compression != 0) {
    // Masks start right after the 40-byte header part, inside a larger header or after it.
    const std::size_t at = 54;
    const int count = (compression == 6 || header_size >= 56) ? 4 : 3;
    for (int i = 0; i < count; ++i) {
      if (!reader.U32(at + 4 * i, masks[i]))
        return Error{"the BMP data is truncated in its colour masks"};
    }
  }
  const std::size_t stride = static_cast<std::size_t>(width) * 4;
  if (!reader.Has(pixel_offset, stride * static_cast<std::size_t>(rows))) {
    return Error{"the BMP data is truncated in its pixels"};
  }
  Result<Bitmap> created = Bitmap::Create(width, static_cast<int>(rows), 32);
  if (!created.ok()) return Error{created.error()};
  Bitmap image = std::move(created).value();
  const bool standard =
      compression == 0 || (masks[0] == 0x00FF0000 && masks[1] == 0x0000FF00 && masks[2] == 0xFF);
  auto channel = [](std::uint32_t value, std::uint32_t mask) -> std::uint8_t {
    if (mask == 0) return 0;
    int shift = __builtin_ctz(mask);
    std::uint32_t top = mask >> shift;
    return static_cast<std::uint8_t>(((value & mask) >> shift) * 255 / top);
  };
  const std::uint8_t* source = reader.Data().data() + pixel_offset;
  for (std::int64_t file_row = 0; file_row < rows; ++file_row) {
    int y = static_cast<int>(top_down ? file_row : rows - 1 - file_row);
    const std::uint8_t* in = source + static_cast<std::size_t>(file_row) * stride;
    std::uint8_t* out = image.Row(y);
    if (standard && masks[3] == 0) {
      std::memcpy(out, in, stride);  // the fourth byte as it is
      continue;
    }
    for (int x = 0; x < width; ++x) {
      std::uint32_t value = in[4 * x] | (in[4 * x + 1] << 8) | (in[4 * x + 2] << 16) |
                            (static_cast<std::uint32_t>(in[4 * x + 3]) << 24);
      out[4 * x] = channel(value, masks[2]);
      out[4 * x + 1] = channel(value, masks[1]);
      out[4 * x + 2] = channel(value, masks[0]);
      out[4 * x + 3] = masks[3] ? channel(value, masks[3]) : 255;
    }
  }
  return image;
}

struct GObjectDeleter {
  void operator()(gpointer object) const { g_object_unref(object); }
};

// Copies a pixbuf (rows top-down, bytes red, green, blue (, alpha)) into a 24- or 32-bit
// bitmap (bytes blue, green, red (, alpha)).
Result<Bitmap> BitmapFromPixbuf(GdkPixbuf* pixbuf, bool keep_alpha) {
  int width = gdk_pixbuf_get_width(pixbuf), height = gdk_pixbuf_get_height(pixbuf);
  int channels = gdk_pixbuf_get_n_channels(pixbuf);
  if (gdk_pixbuf_get_bits_per_sample(pixbuf) != 8 || channels < 3 || channels > 4) {
    return Error{"the decoded picture has an unexpected pixel layout"};
  }
  if (Status size = CheckDimensions(width, height); !size.ok()) return Error{size.error()};
  bool alpha = keep_alpha && gdk_pixbuf_get_has_alpha(pixbuf) && channels == 4;
  Result<Bitmap> created = Bitmap::Create(width, height, alpha ? 32 : 24);
  if (!created.ok()) return Error{created.error()};
  Bitmap image = std::move(created).value();
  const guchar* pixels = gdk_pixbuf_read_pixels(pixbuf);
  int row_stride = gdk_pixbuf_get_rowstride(pixbuf);
  int out_bytes = alpha ? 4 : 3;
  for (int y = 0; y < height; ++y) {
    const guchar* in = pixels + static_cast<std::size_t>(y) * row_stride;
    std::uint8_t* out = image.Row(y);
    for (int x = 0; x < width; ++x, in += channels, out += out_bytes) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
      if (alpha) out[3] = in[3];
    }
  }
  return image;
}

void RefuseHugeSize(GdkPixbufLoader* loader, int width, int height, gpointer too_large) {
  // Some decoders (an icon's embedded PNG) declare sizes we have not checked; note them and
  // let the loader shrink its allocation to nothing, the result is refused below.
  if (!CheckDimensions(width, height).ok()) {
    *static_cast<bool*>(too_large) = true;
    gdk_pixbuf_loader_set_size(loader, 1, 1);
  }
}

Result<Bitmap> DecodeWithPixbuf(Format format, std::span<const std::uint8_t> data) {
  const char* type = format == Format::kBmp ? "bmp" : format == Format::kIco ? "ico" : "png";
  GError* error = nullptr;
  std::unique_ptr<GdkPixbufLoader, GObjectDeleter> loader(
      gdk_pixbuf_loader_new_with_type(type, &error));
  if (!loader) {
    std::string message = error ? error->message : "no loader";
    g_clear_error(&error);
    return Error{std::string("cannot decode ") + type + " pictures: " + message};
  }
  bool too_large = false;
  g_signal_connect(loader.get(), "size-prepared", G_CALLBACK(RefuseHugeSize), &too_large);
  bool written = gdk_pixbuf_loader_write(loader.get(), data.data(), data.size(), &error);
  // Closing is needed in every case; its error is the interesting one for truncated data.
  bool closed = gdk_pixbuf_loader_close(loader.get(), written ? &error : nullptr);
  if (!written || !closed || too_large) {
    std::string message =
        too_large ? "the picture is too large" : (error ? error->message : "decoding failed");
    g_clear_error(&error);
    return Error{std::string("the ") + type + " picture cannot be read: " + message};
  }
  GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader.get());
  if (!pixbuf)
    return Error{std::string("the ") + type + " picture cannot be read: no image in the data"};
  // Icons always carry their transparency; a PNG keeps alpha when it has an alpha channel;
  // BMPs reaching this point (1 to 24 bits) have none.
  return BitmapFromPixbuf(pixbuf, format != Format::kBmp);
}

// The first image of a GIF, through the program's own decoder: 24 bits, or 32 bits with
// alpha 0 on the transparent index.
Result<Bitmap> DecodeGif(std::span<const std::uint8_t> data) {
  Result<DecodedGifImage> decoded = DecodeGifFile(data);
  if (!decoded.ok()) return Error{"the GIF picture cannot be read: " + decoded.error()};
  const Bitmap& indices = decoded->image;
  if (Status size = CheckDimensions(indices.Width(), indices.Height()); !size.ok())
    return Error{size.error()};
  const bool transparent = decoded->transparent_index >= 0;
  Result<Bitmap> created = Bitmap::Create(indices.Width(), indices.Height(), transparent ? 32 : 24);
  if (!created.ok()) return Error{created.error()};
  Bitmap image = std::move(created).value();
  const std::vector<PaletteEntry>& palette = decoded->palette;
  const int bytes = transparent ? 4 : 3;
  for (int y = 0; y < indices.Height(); ++y) {
    std::uint8_t* out = image.Row(y);
    for (int x = 0; x < indices.Width(); ++x, out += bytes) {
      int index = indices.GetIndex(x, y);
      PaletteEntry color = index < static_cast<int>(palette.size()) ? palette[index] : 0;
      out[0] = color & 0xFF;
      out[1] = (color >> 8) & 0xFF;
      out[2] = (color >> 16) & 0xFF;
      if (transparent) out[3] = index == decoded->transparent_index ? 0 : 255;
    }
  }
  return image;
}

void Put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(value & 0xFF);
  out.push_back((value >> 8) & 0xFF);
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

// BITMAPINFOHEADER (40 bytes) for `height` rows of `bits` bits.
void PutInfoHeader(std::vector<std::uint8_t>& out, int width, int height, int bits,
                   std::uint32_t image_bytes, std::uint32_t colors) {
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(width));
  Put32(out, static_cast<std::uint32_t>(height));
  Put16(out, 1);
  Put16(out, static_cast<std::uint32_t>(bits));
  Put32(out, 0);  // BI_RGB
  Put32(out, image_bytes);
  Put32(out, 3780);  // 96 dpi in pixels per metre
  Put32(out, 3780);
  Put32(out, colors);
  Put32(out, 0);
}

}  // namespace

int Picture::PixelsToHiMetricRounded(int pixels) {
  // MulDiv(pixels, 2540, 96): nearest integer, halves away from zero.
  std::int64_t scaled = static_cast<std::int64_t>(pixels) * 2540;
  std::int64_t rounded = scaled >= 0 ? (scaled + 48) / 96 : -((-scaled + 48) / 96);
  return static_cast<int>(rounded);
}

std::shared_ptr<const Picture> Picture::FromBitmap(Bitmap bitmap, PictureKind kind) {
  if (kind == PictureKind::kNone || bitmap.IsEmpty()) return std::make_shared<Picture>();
  const int wanted = kind == PictureKind::kIcon ? 32 : (bitmap.BitsPerPixel() == 32 ? 32 : 24);
  if (bitmap.BitsPerPixel() == wanted) return PictureFactory::Make(kind, std::move(bitmap), {});
  Result<Bitmap> created = Bitmap::Create(bitmap.Width(), bitmap.Height(), wanted);
  if (!created.ok())
    return std::make_shared<Picture>();  // cannot happen: same size, smaller or equal depth
  Bitmap converted = std::move(created).value();
  const int bytes = wanted / 8;
  for (int y = 0; y < bitmap.Height(); ++y) {
    std::uint8_t* out = converted.Row(y);
    for (int x = 0; x < bitmap.Width(); ++x, out += bytes) {
      ColorRef color = bitmap.GetPixel(x, y);
      out[0] = static_cast<std::uint8_t>(BlueOf(color));
      out[1] = static_cast<std::uint8_t>(GreenOf(color));
      out[2] = static_cast<std::uint8_t>(RedOf(color));
      if (bytes == 4) out[3] = 255;
    }
  }
  return PictureFactory::Make(kind, std::move(converted), {});
}

std::vector<std::uint8_t> Picture::EncodedBytes() const {
  if (IsEmpty()) return {};
  if (!encoded_.empty()) return encoded_;
  Result<std::vector<std::uint8_t>> encoded =
      kind_ == PictureKind::kIcon && image_.Width() <= 256 && image_.Height() <= 256
          ? EncodeIco(image_)
          : EncodeBmp(image_);
  return encoded.ok() ? std::move(encoded).value() : std::vector<std::uint8_t>{};
}

Result<PicturePtr> LoadPictureFromMemory(std::span<const std::uint8_t> data) {
  if (data.size() > kMaxPictureFileBytes)
    return Error{"the picture data is larger than the loader accepts"};
  Result<Format> format = DetectFormat(data);
  if (!format.ok()) return Error{format.error()};
  ByteReader reader(data);
  if (Status size = CheckDeclaredSize(*format, reader); !size.ok()) return Error{size.error()};
  Result<Bitmap> image = Error{""};
  std::uint32_t bits = 0;
  if (*format == Format::kGif) {
    image = DecodeGif(data);
  } else if (*format == Format::kBmp && reader.U16(28, bits) && bits == 32) {
    image = ReadBmp32(reader);
  } else {
    image = DecodeWithPixbuf(*format, data);
  }
  if (!image.ok()) return Error{image.error()};
  PictureKind kind = *format == Format::kIco ? PictureKind::kIcon : PictureKind::kBitmap;
  std::vector<std::uint8_t> encoded(data.begin(), data.end());
  return PicturePtr(PictureFactory::Make(kind, std::move(image).value(), std::move(encoded)));
}

Result<PicturePtr> LoadPictureFromFile(const std::filesystem::path& path) {
  std::error_code error;
  std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error) return Error{"cannot read " + path.string() + ": " + error.message()};
  if (size > kMaxPictureFileBytes)
    return Error{path.string() + " is larger than the picture loader accepts"};
  std::ifstream file(path, std::ios::binary);
  if (!file) return Error{"cannot open " + path.string()};
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  if (size > 0 &&
      !file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) {
    return Error{"cannot read " + path.string()};
  }
  Result<PicturePtr> picture = LoadPictureFromMemory(bytes);
  if (!picture.ok()) return Error{path.string() + ": " + picture.error()};
  return picture;
}

Result<std::vector<std::uint8_t>> EncodeBmp(const Bitmap& bitmap) {
  const int bits = bitmap.BitsPerPixel();
  if (bitmap.IsEmpty()) return Error{"an empty bitmap cannot be written as a BMP"};
  const std::uint32_t colors = static_cast<std::uint32_t>(bitmap.ColorTable().size());
  const std::uint64_t pixel_bytes = bitmap.Bits().size();
  const std::uint64_t offset = 14 + 40 + 4 * colors;
  std::vector<std::uint8_t> out;
  out.reserve(offset + pixel_bytes);
  out.push_back('B');
  out.push_back('M');
  Put32(out, static_cast<std::uint32_t>(offset + pixel_bytes));
  Put32(out, 0);
  Put32(out, static_cast<std::uint32_t>(offset));
  PutInfoHeader(out, bitmap.Width(), bitmap.Height(), bits, static_cast<std::uint32_t>(pixel_bytes),
                colors);
  for (PaletteEntry entry : bitmap.ColorTable()) Put32(out, entry & 0xFFFFFF);
  // The bitmap's memory is already a bottom-up DIB with rows padded to four bytes.
  out.insert(out.end(), bitmap.Bits().begin(), bitmap.Bits().end());
  return out;
}

Result<std::vector<std::uint8_t>> EncodeIco(const Bitmap& bitmap) {
  if (bitmap.BitsPerPixel() != 32) return Error{"an icon is written from a 32-bit bitmap"};
  if (bitmap.IsEmpty() || bitmap.Width() > 256 || bitmap.Height() > 256) {
    return Error{"an icon image is 1 to 256 pixels each way"};
  }
  const int width = bitmap.Width(), height = bitmap.Height();
  const std::size_t mask_stride = static_cast<std::size_t>(RowStride(1, width));
  const std::size_t image_bytes = 40 + bitmap.Bits().size() + mask_stride * height;
  std::vector<std::uint8_t> out;
  Put16(out, 0);
  Put16(out, 1);                                           // icon
  Put16(out, 1);                                           // one image
  out.push_back(static_cast<std::uint8_t>(width & 0xFF));  // 256 is written as 0
  out.push_back(static_cast<std::uint8_t>(height & 0xFF));
  out.push_back(0);  // no palette
  out.push_back(0);
  Put16(out, 1);   // planes
  Put16(out, 32);  // bits
  Put32(out, static_cast<std::uint32_t>(image_bytes));
  Put32(out, 6 + 16);
  // The image: a DIB of twice the height (colour rows, then the AND mask rows).
  PutInfoHeader(out, width, 2 * height, 32, static_cast<std::uint32_t>(image_bytes - 40), 0);
  out.insert(out.end(), bitmap.Bits().begin(), bitmap.Bits().end());
  for (int row = height - 1; row >= 0; --row) {  // bottom-up, like the colour rows
    std::vector<std::uint8_t> mask(mask_stride, 0);
    const std::uint8_t* pixels = bitmap.Row(row);
    for (int x = 0; x < width; ++x) {
      if (pixels[4 * x + 3] == 0) mask[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
    out.insert(out.end(), mask.begin(), mask.end());
  }
  return out;
}

}  // namespace tovarin::platform
