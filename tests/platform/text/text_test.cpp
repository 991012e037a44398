#include "platform/text/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "platform/raster/bitmap.h"
#include "platform/raster/region.h"

namespace tovarin::platform {
namespace {

constexpr ColorRef kWhite = Rgb(255, 255, 255);
constexpr ColorRef kBlack = Rgb(0, 0, 0);

// ---------------------------------------------------------------------------------------------
// Prefix processing

TEST(TextPrefix, DoubleAmpersandShowsOneAmpersand) {
  EXPECT_EQ(ParsePrefix("&&"), (PrefixedText{"&", -1}));
  EXPECT_EQ(ParsePrefix("Tom && Jerry"), (PrefixedText{"Tom & Jerry", -1}));
}

TEST(TextPrefix, AmpersandUnderlinesTheNextCharacter) {
  EXPECT_EQ(ParsePrefix("&File"), (PrefixedText{"File", 0}));
  EXPECT_EQ(ParsePrefix("Save &As"), (PrefixedText{"Save As", 5}));
  EXPECT_EQ(ParsePrefix("a&&b&c"), (PrefixedText{"a&bc", 3}));
}

TEST(TextPrefix, OnlyTheFirstPrefixUnderlines) {
  EXPECT_EQ(ParsePrefix("&x&y"), (PrefixedText{"xy", 0}));
}

TEST(TextPrefix, TrailingAmpersandIsDropped) {
  EXPECT_EQ(ParsePrefix("abc&"), (PrefixedText{"abc", -1}));
  EXPECT_EQ(ParsePrefix("&"), (PrefixedText{"", -1}));
  EXPECT_EQ(ParsePrefix("&&&"), (PrefixedText{"&", -1}));
  EXPECT_EQ(ParsePrefix(""), (PrefixedText{"", -1}));
}

TEST(TextPrefix, IndexCountsBytesOfUtf8) {
  // "中" is three bytes.
  EXPECT_EQ(ParsePrefix("中&文"), (PrefixedText{"中文", 3}));
}

// ---------------------------------------------------------------------------------------------
// Shared set-up

class TextTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    auto created = TextSystem::Create(std::string(TOVARIN_SOURCE_DIR) + "/assets");
    ASSERT_TRUE(created.ok()) << created.error();
    system_ = std::move(created).value().release();
  }
  static void TearDownTestSuite() {
    delete system_;
    system_ = nullptr;
  }
  static const TextSystem& Text() { return *system_; }

  static Bitmap Canvas(int width, int height, int bits = 24) {
    auto bitmap = Bitmap::Create(width, height, bits);
    EXPECT_TRUE(bitmap.ok());
    Bitmap canvas = std::move(bitmap).value();
    std::memset(canvas.Bits().data(), 0xFF, canvas.Bits().size());
    return canvas;
  }

  // Bounds of the pixels that are not white; empty when there are none.
  static Rect Ink(const Bitmap& bitmap) {
    Rect ink{bitmap.Width(), bitmap.Height(), 0, 0};
    for (int y = 0; y < bitmap.Height(); ++y) {
      for (int x = 0; x < bitmap.Width(); ++x) {
        if (bitmap.GetPixel(x, y) == kWhite) continue;
        ink.left = std::min(ink.left, x);
        ink.top = std::min(ink.top, y);
        ink.right = std::max(ink.right, x + 1);
        ink.bottom = std::max(ink.bottom, y + 1);
      }
    }
    return ink.IsEmpty() ? Rect{} : ink;
  }

  static int CountColor(const Bitmap& bitmap, ColorRef color) {
    int count = 0;
    for (int y = 0; y < bitmap.Height(); ++y) {
      for (int x = 0; x < bitmap.Width(); ++x) count += bitmap.GetPixel(x, y) == color;
    }
    return count;
  }

  // True when `moved` shows exactly the pixels of `original` shifted by (dx, dy).
  static bool IsShifted(const Bitmap& original, const Bitmap& moved, int dx, int dy) {
    for (int y = 0; y < moved.Height(); ++y) {
      for (int x = 0; x < moved.Width(); ++x) {
        ColorRef expected = original.GetPixel(x - dx, y - dy);
        if (expected == Bitmap::kInvalidPixel) expected = kWhite;
        if (moved.GetPixel(x, y) != expected) return false;
      }
    }
    return true;
  }

  static bool SamePixels(const Bitmap& a, const Bitmap& b) { return IsShifted(a, b, 0, 0); }

  static inline TextSystem* system_ = nullptr;
};

// ---------------------------------------------------------------------------------------------
// Font resolution through the shipped configuration

using TextFonts = TextTest;

TEST_F(TextFonts, ShippedConfigurationLoads) {
  EXPECT_EQ(TextSystem::Shared().ConfigurationError(), "");
}

TEST_F(TextFonts, TahomaResolvesToTheTahomaFace) {
  EXPECT_EQ(Text().ResolvedFamily(Font("Tahoma", 8.25)), "Tahoma");
  Font bold("Tahoma", 8.25, 700);
  EXPECT_EQ(Text().ResolvedFamily(bold), "Tahoma");
}

TEST_F(TextFonts, SimSunNamesResolveToUming) {
  EXPECT_EQ(Text().ResolvedFamily(Font("宋体", 10.5, 400, false, false, false, 134)),
            "AR PL UMing CN");
  EXPECT_EQ(Text().ResolvedFamily(Font("SimSun", 10.5)), "AR PL UMing CN");
}

TEST_F(TextFonts, UnknownNamesFallBackToDejaVuSans) {
  EXPECT_EQ(Text().ResolvedFamily(Font("No Such Face", 9)), "DejaVu Sans");
  EXPECT_EQ(Text().ResolvedFamily(Font("", 9)), "DejaVu Sans");
}

TEST_F(TextFonts, DefaultFormFontIsTahomaAndDraws) {
  Font defaults;
  EXPECT_EQ(Text().ResolvedFamily(defaults), "Tahoma");
  Bitmap canvas = Canvas(100, 20);
  Text().DrawText(canvas, defaults, kBlack, "Visible", Rect{0, 0, 100, 20}, 0);
  EXPECT_FALSE(Ink(canvas).IsEmpty());
}

TEST_F(TextFonts, MarlettIsBuiltIn) {
  EXPECT_EQ(Text().ResolvedFamily(Font("marlett", 9)), "Marlett");
}

TEST_F(TextFonts, MissingConfigurationIsAnError) {
  auto created = TextSystem::Create("/nonexistent/assets");
  ASSERT_FALSE(created.ok());
  EXPECT_NE(created.error().find("fonts.conf"), std::string::npos);
}

// ---------------------------------------------------------------------------------------------
// Measuring (DT_CALCRECT)

using TextMeasure = TextTest;

TEST_F(TextMeasure, EmptyTextIsEmptyOrOneLineWhenSingleLine) {
  Font font("Tahoma", 8.25);
  Rect rect{10, 20, 110, 120};
  EXPECT_EQ(Text().MeasureText(font, "", rect, kDtWordBreak), (Rect{10, 20, 10, 20}));
  EXPECT_EQ(Text().MeasureText(font, "", rect, kDtSingleLine),
            (Rect{10, 20, 10, 20 + Text().LineHeight(font)}));
  // An ampersand alone is empty after prefix processing.
  EXPECT_EQ(Text().MeasureText(font, "&", rect, 0), (Rect{10, 20, 10, 20}));
}

TEST_F(TextMeasure, KeepsLeftTopAndIsOneLineHigh) {
  Font font("Tahoma", 8.25);
  Rect measured = Text().MeasureText(font, "Menu", Rect{7, 9, 200, 100}, kDtWordBreak);
  EXPECT_EQ(measured.left, 7);
  EXPECT_EQ(measured.top, 9);
  EXPECT_GT(measured.Width(), 10);
  EXPECT_EQ(measured.Height(), Text().LineHeight(font));
  // 8.25 points are an 11-pixel em: a line is at least that high and not absurdly more.
  EXPECT_GE(Text().LineHeight(font), 11);
  EXPECT_LE(Text().LineHeight(font), 16);
}

TEST_F(TextMeasure, WiderTextAndLargerFontsAreWider) {
  Font small("Tahoma", 8.25);
  Font large("Tahoma", 16.5);
  Rect rect{0, 0, 500, 100};
  EXPECT_LT(Text().MeasureText(small, "iii", rect, 0).Width(),
            Text().MeasureText(small, "WWW", rect, 0).Width());
  EXPECT_LT(Text().MeasureText(small, "Menu", rect, 0).Width(),
            Text().MeasureText(small, "Menus", rect, 0).Width());
  EXPECT_LT(Text().MeasureText(small, "Menu", rect, 0).Width(),
            Text().MeasureText(large, "Menu", rect, 0).Width());
  EXPECT_LT(Text().LineHeight(small), Text().LineHeight(large));
}

TEST_F(TextMeasure, WordBreakWrapsAtNarrowWidths) {
  Font font("Tahoma", 8.25);
  const std::string text = "one two three four five";
  int line = Text().LineHeight(font);
  Rect unwrapped = Text().MeasureText(font, text, Rect{0, 0, 40, 100}, 0);
  EXPECT_EQ(unwrapped.Height(), line);
  EXPECT_GT(unwrapped.Width(), 40);
  Rect wrapped = Text().MeasureText(font, text, Rect{0, 0, 40, 100}, kDtWordBreak);
  EXPECT_GE(wrapped.Height(), 3 * line);
  EXPECT_EQ(wrapped.Height() % line, 0);
  EXPECT_LE(wrapped.Width(), 40);
  Rect wide = Text().MeasureText(font, text, Rect{0, 0, 1000, 100}, kDtWordBreak);
  EXPECT_EQ(wide.Height(), line);
}

TEST_F(TextMeasure, LongWordIsNotBrokenAndWidensTheResult) {
  Font font("Tahoma", 8.25);
  Rect measured =
      Text().MeasureText(font, "Supercalifragilistic", Rect{0, 0, 10, 100}, kDtWordBreak);
  EXPECT_EQ(measured.Height(), Text().LineHeight(font));
  EXPECT_GT(measured.Width(), 10);
}

TEST_F(TextMeasure, ZeroWidthPutsEachWordOnItsOwnLine) {
  Font font("Tahoma", 8.25);
  Rect measured = Text().MeasureText(font, "aa bb cc", Rect{0, 0, 0, 0}, kDtWordBreak);
  EXPECT_EQ(measured.Height(), 3 * Text().LineHeight(font));
}

TEST_F(TextMeasure, LineBreaksStartLinesUnlessSingleLine) {
  Font font("Tahoma", 8.25);
  int line = Text().LineHeight(font);
  Rect rect{0, 0, 300, 300};
  EXPECT_EQ(Text().MeasureText(font, "a\nb", rect, 0).Height(), 2 * line);
  EXPECT_EQ(Text().MeasureText(font, "a\r\nb", rect, 0).Height(), 2 * line);
  EXPECT_EQ(Text().MeasureText(font, "a\n\nb", rect, 0).Height(), 3 * line);
  EXPECT_EQ(Text().MeasureText(font, "a\n", rect, 0).Height(), line);
  EXPECT_EQ(Text().MeasureText(font, "a\nb", rect, kDtSingleLine).Height(), line);
}

TEST_F(TextMeasure, PrefixCharactersTakeNoRoom) {
  Font font("Tahoma", 8.25);
  Rect rect{0, 0, 300, 100};
  EXPECT_EQ(Text().MeasureText(font, "&File", rect, 0), Text().MeasureText(font, "File", rect, 0));
  EXPECT_EQ(Text().MeasureText(font, "a&&b", rect, 0),
            Text().MeasureText(font, "a&b", rect, kDtNoPrefix));
  EXPECT_GT(Text().MeasureText(font, "&File", rect, kDtNoPrefix).Width(),
            Text().MeasureText(font, "File", rect, 0).Width());
}

TEST_F(TextMeasure, DrawTextWithCalcRectDrawsNothingAndReturnsTheHeight) {
  Font font("Tahoma", 8.25);
  Bitmap canvas = Canvas(100, 50);
  int height = Text().DrawText(canvas, font, kBlack, "one two three", Rect{0, 0, 30, 50},
                               kDtCalcRect | kDtWordBreak);
  EXPECT_EQ(height,
            Text().MeasureText(font, "one two three", Rect{0, 0, 30, 50}, kDtWordBreak).Height());
  EXPECT_EQ(Ink(canvas), Rect{});
}

TEST_F(TextMeasure, EndEllipsisShortensLinesToTheWidth) {
  Font font("Tahoma", 8.25);
  const char* text = "A rather long caption that cannot fit";
  Rect narrow{0, 0, 60, 20};
  EXPECT_GT(Text().MeasureText(font, text, narrow, kDtSingleLine).Width(), 60);
  Rect shortened = Text().MeasureText(font, text, narrow, kDtSingleLine | kDtEndEllipsis);
  EXPECT_LE(shortened.Width(), 60);
  EXPECT_GT(shortened.Width(), 20);
}

TEST_F(TextMeasure, FreeFunctionsUseTheSharedSystem) {
  Font font("Tahoma", 8.25);
  Rect rect{0, 0, 60, 100};
  EXPECT_EQ(MeasureText(font, "one two three", rect, kDtWordBreak),
            Text().MeasureText(font, "one two three", rect, kDtWordBreak));
}

TEST_F(TextMeasure, InvalidUtf8IsMeasuredNotRejected) {
  Font font("Tahoma", 8.25);
  Rect measured = Text().MeasureText(font,
                                     std::string("\xff\xfe"
                                                 "abc",
                                                 5),
                                     Rect{0, 0, 100, 100}, 0);
  EXPECT_GT(measured.Width(), 0);
}

// ---------------------------------------------------------------------------------------------
// Drawing

using TextDraw = TextTest;

TEST_F(TextDraw, TextColourAppearsInsideTheRectangleOnly) {
  Font font("Tahoma", 12);
  Bitmap canvas = Canvas(200, 60);
  const ColorRef red = Rgb(200, 30, 40);
  Rect rect{20, 10, 180, 50};
  int height = Text().DrawText(canvas, font, red, "Hello", rect, 0);
  EXPECT_EQ(height, Text().LineHeight(font));
  EXPECT_GT(CountColor(canvas, red), 10);  // fully covered stem pixels have exactly the colour
  Rect ink = Ink(canvas);
  ASSERT_FALSE(ink.IsEmpty());
  EXPECT_EQ(ink.Intersect(rect), ink);
  EXPECT_LT(ink.left, 30);  // left-aligned at the rectangle's left edge
  EXPECT_LE(ink.bottom, rect.top + height);
}

TEST_F(TextDraw, TextIsClippedToTheRectangleUnlessNoClip) {
  Font font("Tahoma", 12);
  Rect rect{10, 10, 30, 40};
  Bitmap clipped = Canvas(200, 60);
  Text().DrawText(clipped, font, kBlack, "WWWWWWWW", rect, 0);
  Rect ink = Ink(clipped);
  ASSERT_FALSE(ink.IsEmpty());
  EXPECT_EQ(ink.Intersect(rect), ink);
  EXPECT_EQ(ink.right, 30);

  Bitmap unclipped = Canvas(200, 60);
  Text().DrawText(unclipped, font, kBlack, "WWWWWWWW", rect, kDtNoClip);
  EXPECT_GT(Ink(unclipped).right, 60);
}

TEST_F(TextDraw, ClipRegionLimitsTheDrawing) {
  Font font("Tahoma", 12);
  Bitmap canvas = Canvas(200, 60);
  Region clip = Region::FromRect(Rect{0, 0, 25, 60});
  Text().DrawText(canvas, font, kBlack, "WWWWWWWW", Rect{10, 10, 190, 50}, 0, &clip);
  Rect ink = Ink(canvas);
  ASSERT_FALSE(ink.IsEmpty());
  EXPECT_LE(ink.right, 25);
}

TEST_F(TextDraw, CentredAndRightAlignedLinesAreShiftedCopies) {
  Font font("Tahoma", 12);
  Rect rect{0, 0, 201, 40};
  const char* text = "Centre me";
  int width = Text().MeasureText(font, text, rect, 0).Width();
  Bitmap left = Canvas(201, 40);
  Text().DrawText(left, font, kBlack, text, rect, 0);
  Bitmap centre = Canvas(201, 40);
  Text().DrawText(centre, font, kBlack, text, rect, kDtCenter);
  Bitmap right = Canvas(201, 40);
  Text().DrawText(right, font, kBlack, text, rect, kDtRight);
  EXPECT_TRUE(IsShifted(left, centre, (201 - width) / 2, 0));
  EXPECT_TRUE(IsShifted(left, right, 201 - width, 0));
}

TEST_F(TextDraw, CentredSymmetricTextHasEqualMargins) {
  Font font("Tahoma", 14);
  Bitmap canvas = Canvas(200, 40);
  Text().DrawText(canvas, font, kBlack, "HOH", Rect{0, 0, 200, 40}, kDtCenter | kDtWordBreak);
  Rect ink = Ink(canvas);
  ASSERT_FALSE(ink.IsEmpty());
  EXPECT_LE(std::abs(ink.left - (200 - ink.right)), 2);
}

TEST_F(TextDraw, WrappedCentredLinesAreEachCentred) {
  Font font("Tahoma", 12);
  Bitmap canvas = Canvas(60, 100);
  Text().DrawText(canvas, font, kBlack, "HH HHHHH", Rect{0, 0, 60, 100}, kDtCenter | kDtWordBreak);
  int line = Text().LineHeight(font);
  Bitmap first_line = Canvas(60, 100);
  Bitmap second_line = Canvas(60, 100);
  // Each line on its own, centred, must match the rows of the wrapped drawing.
  Text().DrawText(first_line, font, kBlack, "HH", Rect{0, 0, 60, 100}, kDtCenter);
  Text().DrawText(second_line, font, kBlack, "HHHHH", Rect{0, line, 60, 100}, kDtCenter);
  for (int y = 0; y < 2 * line; ++y) {
    for (int x = 0; x < 60; ++x) {
      const Bitmap& expected = y < line ? first_line : second_line;
      ASSERT_EQ(canvas.GetPixel(x, y), expected.GetPixel(x, y)) << x << "," << y;
    }
  }
}

TEST_F(TextDraw, VerticalCentringAppliesToSingleLines) {
  Font font("Tahoma", 12);
  int line = Text().LineHeight(font);
  Rect rect{0, 0, 100, 51};
  Bitmap top = Canvas(100, 51);
  Text().DrawText(top, font, kBlack, "Mid", rect, kDtSingleLine);
  Bitmap middle = Canvas(100, 51);
  Text().DrawText(middle, font, kBlack, "Mid", rect, kDtSingleLine | kDtVCenter);
  Bitmap bottom = Canvas(100, 51);
  Text().DrawText(bottom, font, kBlack, "Mid", rect, kDtSingleLine | kDtBottom);
  Bitmap ignored = Canvas(100, 51);
  Text().DrawText(ignored, font, kBlack, "Mid", rect, kDtVCenter);  // without kDtSingleLine
  EXPECT_TRUE(IsShifted(top, middle, 0, (51 - line) / 2));
  EXPECT_TRUE(IsShifted(top, bottom, 0, 51 - line));
  EXPECT_TRUE(SamePixels(top, ignored));
}

TEST_F(TextDraw, PrefixUnderlinesAndDoubleAmpersandDrawsOne) {
  Font font("Tahoma", 12);
  Rect rect{0, 0, 100, 40};
  Bitmap plain = Canvas(100, 40);
  Text().DrawText(plain, font, kBlack, "x", rect, 0);
  Bitmap prefixed = Canvas(100, 40);
  Text().DrawText(prefixed, font, kBlack, "&x", rect, 0);
  EXPECT_GT(Ink(prefixed).bottom, Ink(plain).bottom);  // the underline lies below the x
  EXPECT_EQ(Ink(prefixed).top, Ink(plain).top);

  Bitmap doubled = Canvas(100, 40);
  Text().DrawText(doubled, font, kBlack, "a&&b", rect, 0);
  Bitmap literal = Canvas(100, 40);
  Text().DrawText(literal, font, kBlack, "a&b", rect, kDtNoPrefix);
  EXPECT_TRUE(SamePixels(doubled, literal));
}

TEST_F(TextDraw, FontUnderlineAndStrikethroughAddInk) {
  Rect rect{0, 0, 100, 40};
  Bitmap plain = Canvas(100, 40);
  Text().DrawText(plain, Font("Tahoma", 12), kBlack, "ace", rect, 0);
  Bitmap underlined = Canvas(100, 40);
  Text().DrawText(underlined, Font("Tahoma", 12, 400, false, true), kBlack, "ace", rect, 0);
  Bitmap struck = Canvas(100, 40);
  Text().DrawText(struck, Font("Tahoma", 12, 400, false, false, true), kBlack, "ace", rect, 0);
  EXPECT_GT(Ink(underlined).bottom, Ink(plain).bottom);
  EXPECT_GT(CountColor(struck, kBlack), CountColor(plain, kBlack));
}

TEST_F(TextDraw, RightToLeftReadingMovesLeadingNeutralsToTheRight) {
  // "-H": in a left-to-right paragraph the hyphen is left of the H; in a right-to-left one the
  // hyphen belongs to the right-to-left paragraph and goes to the right end.
  Font font("Tahoma", 24);
  Rect rect{0, 0, 120, 50};
  auto column_rows = [](const Bitmap& bitmap, int x) {
    int rows = 0;
    for (int y = 0; y < bitmap.Height(); ++y) rows += bitmap.GetPixel(x, y) != kWhite;
    return rows;
  };
  Bitmap ltr = Canvas(120, 50);
  Text().DrawText(ltr, font, kBlack, "-H", rect, 0);
  Bitmap rtl = Canvas(120, 50);
  Text().DrawText(rtl, font, kBlack, "-H", rect, kDtRtlReading);
  Rect ltr_ink = Ink(ltr), rtl_ink = Ink(rtl);
  ASSERT_FALSE(ltr_ink.IsEmpty());
  ASSERT_FALSE(rtl_ink.IsEmpty());
  EXPECT_LT(column_rows(ltr, ltr_ink.left), 6);        // hyphen at the left
  EXPECT_GT(column_rows(ltr, ltr_ink.right - 1), 12);  // H stem at the right
  EXPECT_GT(column_rows(rtl, rtl_ink.left), 12);       // H stem at the left
  EXPECT_LT(column_rows(rtl, rtl_ink.right - 1), 6);   // hyphen at the right
  // Alignment is not changed by the reading order: both start near the left edge.
  EXPECT_LT(rtl_ink.left, 10);
}

TEST_F(TextDraw, ChineseTextDrawsWithUming) {
  Font font("宋体", 10.5, 400, false, false, false, 134);
  Bitmap canvas = Canvas(120, 30);
  Text().DrawText(canvas, font, kBlack, "按Enter访问", Rect{0, 0, 120, 30}, kDtSingleLine);
  Rect ink = Ink(canvas);
  ASSERT_FALSE(ink.IsEmpty());
  EXPECT_GT(ink.Width(), Text().MeasureText(font, "Enter", Rect{0, 0, 120, 30}, 0).Width() + 20);
}

TEST_F(TextDraw, FourthByteOf32BitPixelsIsKept) {
  Font font("Tahoma", 12);
  Bitmap canvas = Canvas(80, 30, 32);
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 80; ++x) canvas.Row(y)[x * 4 + 3] = 0x55;
  }
  Text().DrawText(canvas, font, Rgb(0, 0, 255), "Blue", Rect{0, 0, 80, 30}, 0);
  int blue = 0;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 80; ++x) {
      const std::uint8_t* pixel = canvas.Row(y) + x * 4;
      ASSERT_EQ(pixel[3], 0x55);
      blue += pixel[0] == 255 && pixel[1] == 0 && pixel[2] == 0;
    }
  }
  EXPECT_GT(blue, 5);
}

TEST_F(TextDraw, PalettedTargetsGetTableColours) {
  Font font("Tahoma", 12);
  auto created = Bitmap::Create(60, 30, 8);
  ASSERT_TRUE(created.ok());
  Bitmap canvas = std::move(created).value();
  const PaletteEntry table[2] = {0xFFFFFF, 0x000000};
  canvas.SetColorTable(0, table);
  Text().DrawText(canvas, font, kBlack, "Ink", Rect{0, 0, 60, 30}, 0);
  int black = 0;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 60; ++x) {
      int index = canvas.GetIndex(x, y);
      ASSERT_TRUE(index == 0 || index == 1);
      black += index == 1;
    }
  }
  EXPECT_GT(black, 5);
}

TEST_F(TextDraw, EmptyTextDrawsNothing) {
  Bitmap canvas = Canvas(40, 20);
  EXPECT_EQ(
      Text().DrawText(canvas, Font("Tahoma", 12), kBlack, "", Rect{0, 0, 40, 20}, kDtSingleLine),
      0);
  EXPECT_EQ(Text().DrawText(canvas, Font("Tahoma", 12), kBlack, "&", Rect{0, 0, 40, 20}, 0), 0);
  EXPECT_EQ(Ink(canvas), Rect{});
}

TEST_F(TextDraw, RectanglesPastTheBitmapAreSafe) {
  Font font("Tahoma", 12);
  Bitmap canvas = Canvas(30, 20);
  Text().DrawText(canvas, font, kBlack, "Overflowing text", Rect{-1000, -1000, 5000, 5000},
                  kDtCenter | kDtWordBreak);
  Text().DrawText(canvas, font, kBlack, "Overflowing text", Rect{20, 15, 10, 5}, kDtNoClip);
  Text().DrawText(canvas, font, kBlack, "x", Rect{100, 100, 200, 200}, 0);
  Text().DrawText(canvas, font, kBlack, "wide", Rect{-2000000000, 0, 2000000000, 20}, kDtWordBreak);
  Bitmap huge_font_canvas = Canvas(30, 20);
  Font huge("Tahoma", 900000);
  EXPECT_GT(Text().DrawText(huge_font_canvas, huge, kBlack, "W", Rect{0, 0, 30, 20}, 0), 900);
}

// ---------------------------------------------------------------------------------------------
// Marlett symbols

using TextMarlett = TextTest;

TEST_F(TextMarlett, DownTriangleInAFourteenPixelCell) {
  // 10.5 points are a 14-pixel cell: base 7, depth 4, centred at column 3, row 5.
  Font marlett("Marlett", 10.5, 400, false, false, false, 2);
  Bitmap canvas = Canvas(15, 15);
  Text().DrawText(canvas, marlett, kBlack, "6", Rect{0, 0, 15, 15}, kDtWordBreak);
  for (int y = 0; y < 15; ++y) {
    for (int x = 0; x < 15; ++x) {
      int r = y - 5;
      bool inside = r >= 0 && r < 4 && x >= 3 + r && x < 10 - r;
      ASSERT_EQ(canvas.GetPixel(x, y), inside ? kBlack : kWhite) << x << "," << y;
    }
  }
}

TEST_F(TextMarlett, TrianglesPointTheirWay) {
  Font marlett("Marlett", 12);  // 16-pixel cell
  auto draw = [&](const char* symbol) {
    Bitmap canvas = Canvas(16, 16);
    Text().DrawText(canvas, marlett, kBlack, symbol, Rect{0, 0, 16, 16}, 0);
    return canvas;
  };
  auto row_count = [](const Bitmap& bitmap, int y) {
    int count = 0;
    for (int x = 0; x < bitmap.Width(); ++x) count += bitmap.GetPixel(x, y) == kBlack;
    return count;
  };
  auto column_count = [](const Bitmap& bitmap, int x) {
    int count = 0;
    for (int y = 0; y < bitmap.Height(); ++y) count += bitmap.GetPixel(x, y) == kBlack;
    return count;
  };
  Bitmap down = draw("6"), up = draw("5"), left = draw("3"), right = draw("4");
  Rect d = Ink(down), u = Ink(up), l = Ink(left), r = Ink(right);
  EXPECT_GT(row_count(down, d.top), row_count(down, d.bottom - 1));
  EXPECT_EQ(row_count(down, d.bottom - 1), 1);
  EXPECT_LT(row_count(up, u.top), row_count(up, u.bottom - 1));
  EXPECT_EQ(row_count(up, u.top), 1);
  EXPECT_LT(column_count(left, l.left), column_count(left, l.right - 1));
  EXPECT_GT(column_count(right, r.left), column_count(right, r.right - 1));
  for (int y = d.top; y + 1 < d.bottom; ++y)
    EXPECT_EQ(row_count(down, y), row_count(down, y + 1) + 2);
}

TEST_F(TextMarlett, CellsAreSquareAndUnknownSymbolsAreBlank) {
  Font marlett("Marlett", 10.5);
  EXPECT_EQ(Text().MeasureText(marlett, "6", Rect{3, 4, 100, 100}, kDtWordBreak),
            (Rect{3, 4, 17, 18}));
  EXPECT_EQ(Text().MeasureText(marlett, "66", Rect{0, 0, 100, 100}, 0), (Rect{0, 0, 28, 14}));
  EXPECT_EQ(Text().LineHeight(marlett), 14);
  Bitmap canvas = Canvas(20, 20);
  Text().DrawText(canvas, marlett, kBlack, "z", Rect{0, 0, 20, 20}, 0);
  EXPECT_EQ(Ink(canvas), Rect{});
}

TEST_F(TextMarlett, SymbolIsClippedToTheRectangle) {
  Font marlett("Marlett", 10.5);
  Bitmap canvas = Canvas(20, 20);
  Text().DrawText(canvas, marlett, Rgb(10, 20, 30), "6", Rect{0, 0, 14, 7}, 0);
  Rect ink = Ink(canvas);
  EXPECT_EQ(ink, (Rect{3, 5, 10, 7}));
  EXPECT_EQ(canvas.GetPixel(3, 5), Rgb(10, 20, 30));
}

}  // namespace
}  // namespace tovarin::platform
