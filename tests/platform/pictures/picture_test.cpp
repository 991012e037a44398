#include "platform/pictures/picture.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tovarin::platform {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& out, std::uint32_t value) {
  out.push_back(value & 0xFF);
  out.push_back((value >> 8) & 0xFF);
}
void Put32(Bytes& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

// A BMP: file header, a 40-byte info header (or `header_size` bytes, zero-filled past 40),
// `extra` bytes (masks, colour table), then the given pixel rows.
Bytes Bmp(int width, int height, int bits, std::uint32_t compression, const Bytes& extra,
          const Bytes& pixels, std::uint32_t header_size = 40) {
  Bytes out = {'B', 'M'};
  std::uint32_t offset = 14 + header_size + static_cast<std::uint32_t>(extra.size());
  Put32(out, offset + static_cast<std::uint32_t>(pixels.size()));
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, header_size);
  Put32(out, static_cast<std::uint32_t>(width));
  Put32(out, static_cast<std::uint32_t>(height));
  Put16(out, 1);
  Put16(out, static_cast<std::uint32_t>(bits));
  Put32(out, compression);
  Put32(out, static_cast<std::uint32_t>(pixels.size()));
  Put32(out, 3780);
  Put32(out, 3780);
  Put32(out, 0);
  Put32(out, 0);
  out.resize(14 + header_size, 0);
  out.insert(out.end(), extra.begin(), extra.end());
  out.insert(out.end(), pixels.begin(), pixels.end());
  return out;
}

std::uint8_t AlphaAt(const Picture& picture, int x, int y) {
  return picture.Image().Row(y)[4 * x + 3];
}

Result<PicturePtr> Load(const Bytes& bytes) { return LoadPictureFromMemory(bytes); }

// ---------------------------------------------------------------------------------------------

TEST(PictureSize, HiMetricIsRoundedLikeMulDiv) {
  EXPECT_EQ(Picture::PixelsToHiMetricRounded(97), 2566);
  EXPECT_EQ(Picture::PixelsToHiMetricRounded(24), 635);
  EXPECT_EQ(Picture::PixelsToHiMetricRounded(237), 6271);
  EXPECT_EQ(Picture::PixelsToHiMetricRounded(297), 7858);
  EXPECT_EQ(Picture::PixelsToHiMetricRounded(12), 318);  // 317.5: halves away from zero
  EXPECT_EQ(Picture::PixelsToHiMetricRounded(36), 953);  // 952.5
  EXPECT_EQ(Picture::PixelsToHiMetricRounded(0), 0);
}

TEST(PictureBmp, TwentyFourBitStaysTwentyFourBit) {
  // 3 x 2, bottom-up; rows are 9 bytes padded to 12. Bottom row: red, green, blue; top row:
  // white, black, grey.
  Bytes pixels = {0,   0,   255, 0, 255, 0, 255, 0,   0,   0, 0, 0,
                  255, 255, 255, 0, 0,   0, 128, 128, 128, 0, 0, 0};
  auto picture = Load(Bmp(3, 2, 24, 0, {}, pixels));
  ASSERT_TRUE(picture.ok()) << picture.error();
  const Picture& p = **picture;
  EXPECT_EQ(p.Kind(), PictureKind::kBitmap);
  EXPECT_EQ(p.Type(), 1);
  EXPECT_EQ(p.BitsPerPixel(), 24);
  EXPECT_FALSE(p.HasAlpha());
  EXPECT_EQ(p.Width(), 3);
  EXPECT_EQ(p.Height(), 2);
  EXPECT_EQ(p.HiMetricWidth(), 79);
  EXPECT_EQ(p.HiMetricHeight(), 53);
  EXPECT_EQ(p.Image().GetPixel(0, 1), Rgb(255, 0, 0));
  EXPECT_EQ(p.Image().GetPixel(1, 1), Rgb(0, 255, 0));
  EXPECT_EQ(p.Image().GetPixel(2, 1), Rgb(0, 0, 255));
  EXPECT_EQ(p.Image().GetPixel(0, 0), Rgb(255, 255, 255));
  EXPECT_EQ(p.Image().GetPixel(1, 0), Rgb(0, 0, 0));
  EXPECT_EQ(p.Image().GetPixel(2, 0), Rgb(128, 128, 128));
}

TEST(PictureBmp, TopDownRowsAreRead) {
  Bytes pixels = {0, 0, 255, 0, 0, 255, 0, 0};  // 1 x 2 top-down: red above green
  auto picture = Load(Bmp(1, -2, 24, 0, {}, pixels));
  ASSERT_TRUE(picture.ok()) << picture.error();
  EXPECT_EQ((*picture)->Image().GetPixel(0, 0), Rgb(255, 0, 0));
  EXPECT_EQ((*picture)->Image().GetPixel(0, 1), Rgb(0, 255, 0));
}

TEST(PictureBmp, ThirtyTwoBitKeepsItsFourthBytes) {
  // 2 x 2 bottom-up, bytes blue, green, red, alpha.
  Bytes pixels = {10, 20, 30, 0x80, 40, 50, 60, 0,      // bottom row
                  70, 80, 90, 255,  1,  2,  3,  0x7F};  // top row
  auto picture = Load(Bmp(2, 2, 32, 0, {}, pixels));
  ASSERT_TRUE(picture.ok()) << picture.error();
  const Picture& p = **picture;
  EXPECT_EQ(p.Kind(), PictureKind::kBitmap);
  EXPECT_EQ(p.BitsPerPixel(), 32);
  EXPECT_TRUE(p.HasAlpha());
  EXPECT_EQ(p.Image().GetPixel(0, 1), Rgb(30, 20, 10));
  EXPECT_EQ(AlphaAt(p, 0, 1), 0x80);
  EXPECT_EQ(AlphaAt(p, 1, 1), 0);
  EXPECT_EQ(p.Image().GetPixel(0, 0), Rgb(90, 80, 70));
  EXPECT_EQ(AlphaAt(p, 0, 0), 255);
  EXPECT_EQ(AlphaAt(p, 1, 0), 0x7F);
}

TEST(PictureBmp, ThirtyTwoBitWithMasksIsConverted) {
  // BI_ALPHABITFIELDS after a 40-byte header: red in the low byte, blue in the third, alpha in
  // the fourth; one pixel 0xC0332211 = red 0x11, green 0x22, blue 0x33, alpha 0xC0.
  Bytes masks;
  Put32(masks, 0x000000FF);
  Put32(masks, 0x0000FF00);
  Put32(masks, 0x00FF0000);
  Put32(masks, 0xFF000000);
  auto picture = Load(Bmp(1, 1, 32, 6, masks, {0x11, 0x22, 0x33, 0xC0}));
  ASSERT_TRUE(picture.ok()) << picture.error();
  EXPECT_EQ((*picture)->Image().GetPixel(0, 0), Rgb(0x11, 0x22, 0x33));
  EXPECT_EQ(AlphaAt(**picture, 0, 0), 0xC0);
}

TEST(PictureBmp, PalettedBecomesTwentyFourBit) {
  // 8-bit, 2 colours: index 0 = 0x00RRGGBB 0x102030, index 1 = 0xA0B0C0; 2 x 1 pixels 1, 0.
  Bytes table;
  Put32(table, 0x102030);
  Put32(table, 0xA0B0C0);
  Bytes bytes = Bmp(2, 1, 8, 0, table, {1, 0, 0, 0});
  bytes[46] = 2;  // biClrUsed = 2 (offset 14 + 32)
  auto picture = Load(bytes);
  ASSERT_TRUE(picture.ok()) << picture.error();
  EXPECT_EQ((*picture)->BitsPerPixel(), 24);
  EXPECT_EQ((*picture)->Image().GetPixel(0, 0), Rgb(0xA0, 0xB0, 0xC0));
  EXPECT_EQ((*picture)->Image().GetPixel(1, 0), Rgb(0x10, 0x20, 0x30));
}

TEST(PictureBmp, TruncatedAndAbsurdFilesAreRefused) {
  Bytes pixels = {0,   0,   255, 0, 255, 0, 255, 0,   0,   0, 0, 0,
                  255, 255, 255, 0, 0,   0, 128, 128, 128, 0, 0, 0};
  Bytes whole = Bmp(3, 2, 24, 0, {}, pixels);
  for (std::size_t cut : {std::size_t{1}, std::size_t{10}, std::size_t{30}, whole.size() - 20}) {
    Bytes cut_bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
    EXPECT_FALSE(Load(cut_bytes).ok()) << "cut at " << cut;
  }
  Bytes whole32 = Bmp(2, 2, 32, 0, {}, Bytes(16, 7));
  Bytes cut32(whole32.begin(), whole32.end() - 1);
  auto truncated = Load(cut32);
  ASSERT_FALSE(truncated.ok());
  EXPECT_NE(truncated.error().find("truncated"), std::string::npos);

  auto huge = Load(Bmp(100000, 100000, 24, 0, {}, {}));
  ASSERT_FALSE(huge.ok());
  EXPECT_NE(huge.error().find("too large"), std::string::npos);
  EXPECT_FALSE(Load(Bmp(0, 5, 24, 0, {}, {})).ok());
  EXPECT_FALSE(Load(Bmp(2, 2, 32, 1, {}, Bytes(16, 0))).ok());  // RLE8 with 32 bits
}

// ---------------------------------------------------------------------------------------------

// An ICO holding one 2 x 2 24-bit image; the AND mask makes the top-left pixel transparent.
Bytes Ico24() {
  Bytes image;
  Put32(image, 40);
  Put32(image, 2);
  Put32(image, 4);  // twice the height: colour rows and mask rows
  Put16(image, 1);
  Put16(image, 24);
  for (int i = 0; i < 6; ++i) Put32(image, 0);
  // Colour rows, bottom-up, 6 bytes padded to 8: bottom = red, green; top = blue, white.
  Bytes colours = {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0};
  image.insert(image.end(), colours.begin(), colours.end());
  // Mask rows, bottom-up, 4 bytes each: bottom row opaque, top row's left pixel transparent.
  Bytes mask = {0x00, 0, 0, 0, 0x80, 0, 0, 0};
  image.insert(image.end(), mask.begin(), mask.end());
  Bytes out;
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, 1);
  out.insert(out.end(), {2, 2, 0, 0});
  Put16(out, 1);
  Put16(out, 24);
  Put32(out, static_cast<std::uint32_t>(image.size()));
  Put32(out, 22);
  out.insert(out.end(), image.begin(), image.end());
  return out;
}

TEST(PictureIco, IconsAreThirtyTwoBitWithTheirMask) {
  auto picture = Load(Ico24());
  ASSERT_TRUE(picture.ok()) << picture.error();
  const Picture& p = **picture;
  EXPECT_EQ(p.Kind(), PictureKind::kIcon);
  EXPECT_EQ(p.Type(), 3);
  EXPECT_EQ(p.BitsPerPixel(), 32);
  EXPECT_EQ(p.Width(), 2);
  EXPECT_EQ(p.HiMetricWidth(), 53);
  EXPECT_EQ(AlphaAt(p, 0, 0), 0);
  EXPECT_EQ(AlphaAt(p, 1, 0), 255);
  EXPECT_EQ(p.Image().GetPixel(1, 0), Rgb(255, 255, 255));
  EXPECT_EQ(p.Image().GetPixel(0, 1), Rgb(255, 0, 0));
  EXPECT_EQ(p.Image().GetPixel(1, 1), Rgb(0, 255, 0));
  EXPECT_EQ(AlphaAt(p, 0, 1), 255);
}

TEST(PictureIco, ThirtyTwoBitIconRoundTripsThroughTheEncoder) {
  auto created = Bitmap::Create(3, 2, 32);
  ASSERT_TRUE(created.ok());
  Bitmap bitmap = std::move(created).value();
  const std::uint8_t values[2][3][4] = {{{1, 2, 3, 255}, {4, 5, 6, 128}, {0, 0, 0, 0}},
                                        {{7, 8, 9, 64}, {10, 11, 12, 255}, {13, 14, 15, 1}}};
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) std::copy(values[y][x], values[y][x] + 4, bitmap.Row(y) + 4 * x);
  }
  auto encoded = EncodeIco(bitmap);
  ASSERT_TRUE(encoded.ok()) << encoded.error();
  auto picture = Load(*encoded);
  ASSERT_TRUE(picture.ok()) << picture.error();
  EXPECT_EQ((*picture)->Kind(), PictureKind::kIcon);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) {
      const std::uint8_t* pixel = (*picture)->Image().Row(y) + 4 * x;
      EXPECT_EQ(pixel[3], values[y][x][3]) << x << "," << y;
      if (values[y][x][3] != 0) {
        EXPECT_EQ(pixel[0], values[y][x][0]);
        EXPECT_EQ(pixel[2], values[y][x][2]);
      }
    }
  }
}

TEST(PictureIco, CorruptIconsAreRefused) {
  Bytes empty_directory = {0, 0, 1, 0, 0, 0};
  EXPECT_FALSE(Load(empty_directory).ok());
  Bytes ico = Ico24();
  Bytes cut(ico.begin(), ico.begin() + 30);
  EXPECT_FALSE(Load(cut).ok());
}

// ---------------------------------------------------------------------------------------------

Bytes Png(int width, int height, bool alpha, const std::vector<std::uint8_t>& rgba) {
  GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, alpha, 8, width, height);
  int channels = alpha ? 4 : 3;
  for (int y = 0; y < height; ++y) {
    guchar* row = gdk_pixbuf_get_pixels(pixbuf) + y * gdk_pixbuf_get_rowstride(pixbuf);
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < channels; ++c) row[x * channels + c] = rgba[(y * width + x) * 4 + c];
    }
  }
  gchar* buffer = nullptr;
  gsize size = 0;
  EXPECT_TRUE(gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, "png", nullptr, nullptr));
  Bytes out(buffer, buffer + size);
  g_free(buffer);
  g_object_unref(pixbuf);
  return out;
}

TEST(PicturePng, AlphaChannelGivesThirtyTwoBits) {
  auto picture = Load(Png(2, 1, true, {255, 0, 0, 255, 0, 0, 255, 100}));
  ASSERT_TRUE(picture.ok()) << picture.error();
  const Picture& p = **picture;
  EXPECT_EQ(p.Kind(), PictureKind::kBitmap);
  EXPECT_EQ(p.BitsPerPixel(), 32);
  EXPECT_EQ(p.Image().GetPixel(0, 0), Rgb(255, 0, 0));
  EXPECT_EQ(AlphaAt(p, 0, 0), 255);
  EXPECT_EQ(p.Image().GetPixel(1, 0), Rgb(0, 0, 255));  // straight, not premultiplied
  EXPECT_EQ(AlphaAt(p, 1, 0), 100);
}

TEST(PicturePng, NoAlphaGivesTwentyFourBits) {
  auto picture = Load(Png(1, 2, false, {1, 2, 3, 0, 4, 5, 6, 0}));
  ASSERT_TRUE(picture.ok()) << picture.error();
  EXPECT_EQ((*picture)->BitsPerPixel(), 24);
  EXPECT_EQ((*picture)->Image().GetPixel(0, 1), Rgb(4, 5, 6));
}

TEST(PicturePng, CorruptTruncatedAndHugeAreRefused) {
  Bytes png = Png(4, 4, true, Bytes(64, 200));
  Bytes cut(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(png.size() / 2));
  EXPECT_FALSE(Load(cut).ok());
  Bytes corrupt = png;
  for (std::size_t i = 40; i < corrupt.size() - 12; ++i) corrupt[i] ^= 0x5A;
  EXPECT_FALSE(Load(corrupt).ok());
  Bytes huge = png;
  huge[16] = 0x00, huge[17] = 0x01, huge[18] = 0x00, huge[19] = 0x00;  // width 65536
  auto refused = Load(huge);
  ASSERT_FALSE(refused.ok());
  EXPECT_NE(refused.error().find("too large"), std::string::npos);
}

// ---------------------------------------------------------------------------------------------

TEST(PictureGif, FirstImageWithTransparency) {
  // 2 x 1 GIF89a, global table {red, blue}, transparent index 1, pixels 0, 1. LZW with minimum
  // code size 2, 3-bit codes: clear (4), 0, 1, end (5) = bits 001 000 100 101 -> 0x44 0x0A.
  Bytes gif = {'G', 'I', 'F', '8', '9',  'a',  2, 0,    1, 0,    0x80, 0, 0,    255, 0,
               0,   0,   0,   255, 0x21, 0xF9, 4, 0x01, 0, 0,    1,    0, 0x2C, 0,   0,
               0,   0,   2,   0,   1,    0,    0, 2,    2, 0x44, 0x0A, 0, 0x3B};
  auto picture = Load(gif);
  ASSERT_TRUE(picture.ok()) << picture.error();
  const Picture& p = **picture;
  EXPECT_EQ(p.Kind(), PictureKind::kBitmap);
  EXPECT_EQ(p.BitsPerPixel(), 32);
  EXPECT_EQ(p.Width(), 2);
  EXPECT_EQ(p.Height(), 1);
  EXPECT_EQ(p.Image().GetPixel(0, 0), Rgb(255, 0, 0));
  EXPECT_EQ(AlphaAt(p, 0, 0), 255);
  EXPECT_EQ(AlphaAt(p, 1, 0), 0);

  Bytes opaque = gif;
  opaque[22] = 0x00;  // GCE flags: no transparency
  auto without = Load(opaque);
  ASSERT_TRUE(without.ok()) << without.error();
  EXPECT_EQ((*without)->BitsPerPixel(), 24);
  EXPECT_EQ((*without)->Image().GetPixel(1, 0), Rgb(0, 0, 255));

  Bytes header_only(gif.begin(), gif.begin() + 13);
  EXPECT_FALSE(Load(header_only).ok());

  // The signature's letter case does not matter: "gif89a" is the same picture.
  Bytes lower = gif;
  lower[0] = 'g';
  lower[1] = 'i';
  lower[2] = 'f';
  auto lower_case = Load(lower);
  ASSERT_TRUE(lower_case.ok()) << lower_case.error();
  EXPECT_EQ((*lower_case)->Image().GetPixel(0, 0), Rgb(255, 0, 0));
  EXPECT_EQ(AlphaAt(**lower_case, 1, 0), 0);
}

// ---------------------------------------------------------------------------------------------

TEST(PictureLoad, EmptyAndUnknownDataAreRefused) {
  auto empty = Load({});
  ASSERT_FALSE(empty.ok());
  EXPECT_NE(empty.error().find("empty"), std::string::npos);
  EXPECT_FALSE(Load({'h', 'e', 'l', 'l', 'o'}).ok());
  EXPECT_FALSE(Load({0xFF, 0xD8, 0xFF, 0xE0}).ok());  // JPEG is not among the formats
}

TEST(PictureLoad, FilesLoadAndKeepTheirBytes) {
  std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("tovarin_picture_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  Bytes png = Png(1, 1, true, {9, 8, 7, 6});
  {
    std::ofstream file(dir / "a.png", std::ios::binary);
    file.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  }
  auto picture = LoadPictureFromFile(dir / "a.png");
  ASSERT_TRUE(picture.ok()) << picture.error();
  EXPECT_EQ((*picture)->EncodedBytes(), png);
  EXPECT_EQ(AlphaAt(**picture, 0, 0), 6);

  { std::ofstream empty(dir / "empty.bmp", std::ios::binary); }
  EXPECT_FALSE(LoadPictureFromFile(dir / "empty.bmp").ok());
  auto missing = LoadPictureFromFile(dir / "missing.png");
  ASSERT_FALSE(missing.ok());
  EXPECT_NE(missing.error().find("missing.png"), std::string::npos);
  std::filesystem::remove_all(dir);
}

TEST(PictureFromBitmap, ConvertsDepthsAndEncodesRoundTrip) {
  auto created = Bitmap::Create(2, 1, 8);
  ASSERT_TRUE(created.ok());
  Bitmap paletted = std::move(created).value();
  const PaletteEntry table[2] = {0x112233, 0x445566};
  paletted.SetColorTable(0, table);
  paletted.SetIndex(0, 0, 1);
  auto picture = Picture::FromBitmap(std::move(paletted), PictureKind::kBitmap);
  EXPECT_EQ(picture->BitsPerPixel(), 24);
  EXPECT_EQ(picture->Image().GetPixel(0, 0), Rgb(0x44, 0x55, 0x66));
  EXPECT_EQ(picture->Image().GetPixel(1, 0), Rgb(0x11, 0x22, 0x33));
  auto reloaded = Load(picture->EncodedBytes());
  ASSERT_TRUE(reloaded.ok()) << reloaded.error();
  EXPECT_EQ((*reloaded)->BitsPerPixel(), 24);
  EXPECT_EQ((*reloaded)->Image().GetPixel(0, 0), Rgb(0x44, 0x55, 0x66));

  auto created32 = Bitmap::Create(1, 1, 32);
  ASSERT_TRUE(created32.ok());
  Bitmap with_alpha = std::move(created32).value();
  std::uint8_t* pixel = with_alpha.Row(0);
  pixel[0] = 1, pixel[1] = 2, pixel[2] = 3, pixel[3] = 77;
  auto alpha_picture = Picture::FromBitmap(std::move(with_alpha), PictureKind::kBitmap);
  EXPECT_TRUE(alpha_picture->HasAlpha());
  auto alpha_reloaded = Load(alpha_picture->EncodedBytes());
  ASSERT_TRUE(alpha_reloaded.ok()) << alpha_reloaded.error();
  EXPECT_EQ(AlphaAt(**alpha_reloaded, 0, 0), 77);
  EXPECT_EQ((*alpha_reloaded)->Image().GetPixel(0, 0), Rgb(3, 2, 1));
}

TEST(PictureFromBitmap, IconsGetAlphaAndEmptyBitmapsGiveEmptyPictures) {
  auto created = Bitmap::Create(1, 1, 24);
  ASSERT_TRUE(created.ok());
  Bitmap bitmap = std::move(created).value();
  bitmap.SetPixel(0, 0, Rgb(9, 8, 7));
  auto icon = Picture::FromBitmap(std::move(bitmap), PictureKind::kIcon);
  EXPECT_EQ(icon->Kind(), PictureKind::kIcon);
  EXPECT_EQ(icon->BitsPerPixel(), 32);
  EXPECT_EQ(AlphaAt(*icon, 0, 0), 255);
  auto reloaded = Load(icon->EncodedBytes());
  ASSERT_TRUE(reloaded.ok()) << reloaded.error();
  EXPECT_EQ((*reloaded)->Kind(), PictureKind::kIcon);
  EXPECT_EQ((*reloaded)->Image().GetPixel(0, 0), Rgb(9, 8, 7));

  auto empty = Picture::FromBitmap(Bitmap(), PictureKind::kBitmap);
  EXPECT_TRUE(empty->IsEmpty());
  EXPECT_EQ(empty->Width(), 0);
  EXPECT_TRUE(empty->EncodedBytes().empty());
  EXPECT_TRUE(Picture().IsEmpty());
}

}  // namespace
}  // namespace tovarin::platform
