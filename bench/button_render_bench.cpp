// One full Redraw of a 97 x 24 button per iteration, for every style, with a caption, a
// 24 x 16 32-bit picture with alpha and a drop-down symbol: the work of one paint.

#include <benchmark/benchmark.h>

#include <optional>

#include "button/render/button_model.h"
#include "button/render/color_math.h"
#include "button/render/redraw.h"
#include "platform/pictures/picture.h"
#include "platform/raster/bitmap.h"
#include "platform/text/font.h"

namespace {

using namespace tovarin;

class BenchCanvas : public button::ButtonCanvas {
 public:
  BenchCanvas() : surface_(platform::Bitmap::Create(97, 24, 24).value()) {}
  platform::Bitmap& Surface() override { return surface_; }
  void SetWindowRegion(std::optional<platform::Region> region) override {
    region_ = std::move(region);
  }
  bool ThemeQuery() override { return false; }

 private:
  platform::Bitmap surface_;
  std::optional<platform::Region> region_;
};

button::PictureRef AlphaPicture() {
  platform::Bitmap bitmap = platform::Bitmap::Create(24, 16, 32).value();
  for (int y = 0; y < 16; ++y) {
    std::uint8_t* p = bitmap.Row(y);
    for (int x = 0; x < 24; ++x, p += 4) {
      p[0] = static_cast<std::uint8_t>(x * 10);
      p[1] = static_cast<std::uint8_t>(y * 15);
      p[2] = 200;
      p[3] = static_cast<std::uint8_t>((x + y) % 3 == 0 ? 255 : 128);
    }
  }
  return platform::Picture::FromBitmap(std::move(bitmap), platform::PictureKind::kBitmap);
}

void BM_Redraw(benchmark::State& state) {
  BenchCanvas canvas;
  button::ButtonModel model;
  model.ButtonStyle = static_cast<button::ButtonStyleValue>(state.range(0));
  model.ColorScheme = button::ColorSchemeValue::kBlue;
  model.BackColor = 0xE7EBEC;
  model.Caption = "&Button";
  model.mFont = platform::Font::Create("Tahoma");
  model.PictureNormal = AlphaPicture();
  model.PictureShadow = true;
  model.DropDownSymbol = 6;
  model.mButtonState = static_cast<button::ButtonStateValue>(state.range(1));
  button::FillEffectTables(model.mLightTable, model.mDarkTable);
  for (auto _ : state) {
    const button::ButtonStyleValue style = model.ButtonStyle;
    button::Redraw(model, canvas);
    model.ButtonStyle = style;  // Themed turns into Rounded on its first paint; keep measuring it
    benchmark::DoNotOptimize(canvas.Surface().Bits().data());
  }
}

BENCHMARK(BM_Redraw)
    ->ArgsProduct({benchmark::CreateDenseRange(0, 13, 1), {0, 1}})
    ->ArgNames({"style", "state"});

}  // namespace

BENCHMARK_MAIN();
