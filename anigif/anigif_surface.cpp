// ucAniGIF's palette operations, painting, resizing and mouse events.

#include <algorithm>
#include <cmath>

#include "anigif/uc_ani_gif.h"
#include "platform/raster/raster.h"
#include "platform/raster/system_colors.h"
#include "platform/raster/units.h"

namespace tovarin::anigif {
namespace {

// The dotted pen of the design-mode outline: three pixels on, three off, continuing around
// the rectangle clockwise from its top-left corner.
constexpr int kDotOn = 3;
constexpr int kDotPeriod = 6;

}  // namespace

// ---- Palettes

const gif::ColorTable* ucAniGIF::ChooseTable(int FrameIndex) const {
  const auto table = static_cast<std::size_t>(
      FrameIndex == 0 ? 0
                      : (FrameIndex <= engine_.FrameCount()
                             ? engine_.frames[static_cast<std::size_t>(FrameIndex - 1)].tableIndex
                             : 0));
  // A frame number chooses the frame's own local table only, never the global one.
  if (FrameIndex != 0 && table == 0) return nullptr;
  if (table >= engine_.colorTables.size()) return nullptr;
  return &engine_.colorTables[table];
}

gif::ColorTable* ucAniGIF::ChooseTable(int FrameIndex) {
  return const_cast<gif::ColorTable*>(static_cast<const ucAniGIF&>(*this).ChooseTable(FrameIndex));
}

bool ucAniGIF::GetPalette(int FrameIndex, std::vector<std::uint32_t>& paletteEntries) {
  if (!Loaded() || FrameIndex < 0) return false;
  const bool paused = engine_.actionState == gif::RunState::kRunning;
  if (paused) SetAction(gif::RunState::kPaused);
  bool copied = false;
  if (const gif::ColorTable* table = ChooseTable(FrameIndex)) {
    const auto count = std::min<std::size_t>((*table)[gif::kColorCountSlot], gif::kColorCountSlot);
    paletteEntries.assign(table->begin(), table->begin() + static_cast<std::ptrdiff_t>(count));
    copied = true;
  }
  if (paused) SetAction(gif::RunState::kRunning);
  return copied;
}

bool ucAniGIF::SetPalette(int FrameIndex, std::span<const std::uint32_t> paletteEntries) {
  if (!Loaded() || paletteEntries.data() == nullptr || FrameIndex < 0) return false;
  const bool paused = engine_.actionState == gif::RunState::kRunning;
  if (paused) SetAction(gif::RunState::kPaused);
  bool replaced = false;
  if (gif::ColorTable* table = ChooseTable(FrameIndex)) {
    const auto count = std::min<std::size_t>((*table)[gif::kColorCountSlot], gif::kColorCountSlot);
    if (paletteEntries.size() >= count) {
      std::copy_n(paletteEntries.begin(), count, table->begin());
      engine_.selectedTable = -1;
      replaced = true;
    }
  }
  if (paused) {
    SetAction(gif::RunState::kRunning);
  } else {
    host_.Refresh();
  }
  return replaced;
}

// ---- Painting and size

void ucAniGIF::OnPaint() {
  engine_.DrawFrame(engine_.currentFrame, host_.Surface());
  if (!host_.UserMode()) DrawDesignOutline();
}

void ucAniGIF::DrawDesignOutline() {
  platform::Bitmap& surface = host_.Surface();
  const platform::ColorRef color = platform::GetSysColor(platform::kColorWindowFrame);
  const int w = host_.ClientSize().width;
  const int h = host_.ClientSize().height;
  if (w <= 0 || h <= 0) return;
  int step = 0;
  auto dot = [&](int x, int y) {
    if (step++ % kDotPeriod < kDotOn) surface.SetPixel(x, y, color);
  };
  for (int x = 0; x < w - 1; ++x) dot(x, 0);
  for (int y = 0; y < h - 1; ++y) dot(w - 1, y);
  for (int x = w - 1; x > 0; --x) dot(x, h - 1);
  for (int y = h - 1; y > 0; --y) dot(0, y);
  if (w == 1 || h == 1) dot(0, 0);
}

void ucAniGIF::OnResize() {
  // A negative screen height marks a resize handler already running: the resize it asks for
  // raises the handler again.
  if (!Loaded() || engine_.screen.screenHeight < 0) return;
  int width = host_.ClientSize().width;
  int height = host_.ClientSize().height;
  engine_.ComputeScale(width, height, engine_.screen.scaleX, engine_.screen.scaleY);
  engine_.screen.screenHeight = -engine_.screen.screenHeight;
  host_.ResizeTwips(width * platform::kTwipsPerPixel, height * platform::kTwipsPerPixel);
  engine_.screen.screenHeight = -engine_.screen.screenHeight;
}

// ---- Mouse

void ucAniGIF::RaiseMouseEvent(const char* event_name, int button, int shift, double x, double y) {
  const double units = host_.ContainerUnitsPerPixel();
  platform::EventArgs args{{"Button", std::int32_t{button}},
                           {"Shift", std::int32_t{shift}},
                           {"X", std::floor(x * units)},
                           {"Y", std::floor(y * units)}};
  host_.RaiseEvent(event_name, args);
}

void ucAniGIF::OnMouseDown(int button, int shift, double x, double y) {
  RaiseMouseEvent("MouseDown", button, shift, x, y);
}

void ucAniGIF::OnMouseMove(int button, int shift, double x, double y) {
  RaiseMouseEvent("MouseMove", button, shift, x, y);
}

void ucAniGIF::OnMouseUp(int button, int shift, double x, double y) {
  RaiseMouseEvent("MouseUp", button, shift, x, y);
}

void ucAniGIF::OnClick() { host_.RaiseEvent("Click"); }

void ucAniGIF::OnHitTest(double /*x*/, double /*y*/, int& hit) { hit = kHitTestHit; }

}  // namespace tovarin::anigif
