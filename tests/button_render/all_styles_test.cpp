// Every style in every state draws without fault and leaves the window shaped; the results are
// collected into a contact sheet in the build directory for a person to look at.

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>

#include <string>

#include "button/render/redraw.h"
#include "platform/pictures/picture.h"
#include "platform/raster/raster.h"
#include "platform/text/font.h"
#include "test_canvas.h"

namespace tovarin::button {
namespace {

using platform::Rgb;
using testing::NewModel;
using testing::TestCanvas;

constexpr int kCellWidth = 97;
constexpr int kCellHeight = 24;
constexpr int kGap = 4;

// A 16 x 16 picture with a soft-edged disc: alpha falls off toward the rim.
PictureRef DiscPicture() {
  platform::Bitmap bitmap = platform::Bitmap::Create(16, 16, 32).value();
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const int dx = 2 * x - 15;
      const int dy = 2 * y - 15;
      const int d2 = dx * dx + dy * dy;
      std::uint8_t* p = bitmap.Row(y) + x * 4;
      p[0] = static_cast<std::uint8_t>(40 + 12 * x);
      p[1] = static_cast<std::uint8_t>(120);
      p[2] = static_cast<std::uint8_t>(230 - 10 * y);
      p[3] = static_cast<std::uint8_t>(d2 < 150 ? 255 : d2 < 225 ? 128 : 0);
    }
  }
  return platform::Picture::FromBitmap(std::move(bitmap), platform::PictureKind::kBitmap);
}

struct Variant {
  const char* name;
  ButtonStateValue state;
  bool enabled;
  bool set;
  bool focused;
};

constexpr Variant kVariants[] = {
    {"normal", ButtonStateValue::kStateNormal, true, false, false},
    {"hot", ButtonStateValue::kStateHot, true, false, false},
    {"down", ButtonStateValue::kStateDown, true, false, false},
    {"disabled", ButtonStateValue::kStateNormal, false, false, false},
    {"disabled hot", ButtonStateValue::kStateHot, false, false, false},
    {"disabled down", ButtonStateValue::kStateDown, false, false, false},
    {"set", ButtonStateValue::kStateNormal, true, true, false},
    {"focused", ButtonStateValue::kStateNormal, true, false, true},
};

class ContactSheet {
 public:
  ContactSheet(int columns, int rows)
      : sheet_(platform::Bitmap::Create(columns * (kCellWidth + kGap) + kGap,
                                        rows * (kCellHeight + kGap) + kGap, 24)
                   .value()) {
    platform::FillRect(sheet_, sheet_.Bounds(), Rgb(255, 255, 255));
  }

  // Copies the pixels of the window region (or the whole surface when there is none).
  void Place(int column, int row, const platform::Bitmap& surface,
             const std::optional<platform::Region>& region) {
    const int left = kGap + column * (kCellWidth + kGap);
    const int top = kGap + row * (kCellHeight + kGap);
    for (int y = 0; y < surface.Height(); ++y) {
      for (int x = 0; x < surface.Width(); ++x) {
        if (region && !region->Contains(x, y)) continue;
        sheet_.SetPixel(left + x, top + y, surface.GetPixel(x, y));
      }
    }
  }

  bool SavePng(const std::string& path) const {
    GdkPixbuf* pixbuf =
        gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, sheet_.Width(), sheet_.Height());
    if (pixbuf == nullptr) return false;
    guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    for (int y = 0; y < sheet_.Height(); ++y) {
      for (int x = 0; x < sheet_.Width(); ++x) {
        const platform::ColorRef c = sheet_.GetPixel(x, y);
        guchar* p = pixels + y * stride + x * 3;
        p[0] = static_cast<guchar>(platform::RedOf(c));
        p[1] = static_cast<guchar>(platform::GreenOf(c));
        p[2] = static_cast<guchar>(platform::BlueOf(c));
      }
    }
    const gboolean saved = gdk_pixbuf_save(pixbuf, path.c_str(), "png", nullptr, nullptr);
    g_object_unref(pixbuf);
    return saved == TRUE;
  }

 private:
  platform::Bitmap sheet_;
};

TEST(AllStylesTest, EveryStyleInEveryStateDrawsAndIsShaped) {
  constexpr int kStyles = 15;  // 0..13 and one unknown value
  const int columns = static_cast<int>(std::size(kVariants));
  ContactSheet sheet(columns, kStyles * 2);
  const PictureRef picture = DiscPicture();
  const std::shared_ptr<platform::Font> font = platform::Font::Create("Tahoma");

  for (int style = 0; style < kStyles; ++style) {
    for (int column = 0; column < columns; ++column) {
      for (int with_extras = 0; with_extras < 2; ++with_extras) {
        const Variant& v = kVariants[column];
        TestCanvas canvas(kCellWidth, kCellHeight);
        ButtonModel model = NewModel(static_cast<ButtonStyleValue>(style));
        model.Caption = with_extras != 0 ? "&Menu" : "Button";
        model.mFont = font;
        model.BackColor = 0x8000000F;
        model.ForeColorHover = 0x800000;
        model.PictureNormal = picture;
        model.Enabled = v.enabled;
        model.mButtonState = v.state;
        model.mMouseOver = v.state == ButtonStateValue::kStateHot;
        model.Mode = v.set ? ModeValue::kCheckButton : ModeValue::kPushButton;
        model.Value = v.set;
        model.mHasFocus = v.focused;
        model.mParentActive = v.focused;
        model.ShowFocusRect = v.focused;
        if (with_extras != 0) {
          model.DropDownSymbol = 6;
          model.DropDownSeparator = true;
          model.PictureShadow = true;
          model.CaptionEffects = static_cast<CaptionEffectsValue>(1 + (column % 5));
          model.PictureAlign = static_cast<PictureAlignValue>(column % 9);
        }
        // As the behaviour does after a style is assigned: shape the window, then paint.
        model.mWidth = kCellWidth;
        model.mHeight = kCellHeight;
        UpdateRegion(model, canvas);
        Redraw(model, canvas);

        SCOPED_TRACE("style " + std::to_string(style) + " " + v.name +
                     (with_extras != 0 ? " with extras" : ""));
        ASSERT_TRUE(canvas.Region().has_value());
        const platform::Rect bounds = canvas.Region()->Bounds();
        EXPECT_FALSE(canvas.Region()->IsEmpty());
        EXPECT_GE(bounds.left, 0);
        EXPECT_GE(bounds.top, 0);
        EXPECT_LE(bounds.right, kCellWidth);
        EXPECT_LE(bounds.bottom, kCellHeight);
        EXPECT_EQ(model.mWidth, kCellWidth);
        EXPECT_EQ(model.mHeight, kCellHeight);
        sheet.Place(column, style * 2 + with_extras, canvas.Surface(), canvas.Region());
      }
    }
  }
  EXPECT_TRUE(sheet.SavePng(std::string(TOVARIN_BINARY_DIR) + "/button_render_contact_sheet.png"));
}

TEST(AllStylesTest, TinyAndEmptySurfacesDrawWithinBounds) {
  const PictureRef picture = DiscPicture();
  for (auto [width, height] : {std::pair{0, 0}, {1, 1}, {2, 3}, {5, 4}, {15, 15}}) {
    for (int style = 0; style <= 13; ++style) {
      for (ButtonStateValue state : {ButtonStateValue::kStateNormal, ButtonStateValue::kStateHot,
                                     ButtonStateValue::kStateDown}) {
        TestCanvas canvas(width, height);
        canvas.themed = style == static_cast<int>(ButtonStyleValue::kThemed);
        ButtonModel model = NewModel(static_cast<ButtonStyleValue>(style));
        model.Caption = "A caption wider than the button";
        model.PictureNormal = picture;
        model.PictureShadow = true;
        model.DropDownSymbol = 5;
        model.DropDownSeparator = true;
        model.CaptionEffects = CaptionEffectsValue::kLightOutline;
        model.mButtonState = state;
        Redraw(model, canvas);
        EXPECT_EQ(model.mWidth, width);
        EXPECT_EQ(model.mHeight, height);
      }
    }
  }
}

}  // namespace
}  // namespace tovarin::button
