// Drawing frames: colour-table swaps on the strip, the mask and colour passes of transparent
// frames, the composition canvas for frames that build on each other, scaling, mirroring and
// the solid background.
//
// Mask convention: a white (1) mask pixel lets the background show through; a black (0) one
// means the canvas holds an image pixel there. The canvas is kept black wherever the mask is
// white, so showing the canvas is "AND the mask, then OR the canvas".

#include <algorithm>
#include <cstring>
#include <limits>

#include "gif/frame_blits.h"
#include "gif/gif_engine.h"
#include "platform/raster/raster.h"
#include "platform/raster/system_colors.h"
#include "platform/raster/units.h"

namespace tovarin::gif {
namespace {

using platform::Bitmap;
using platform::RasterOp;
using platform::Rect;

constexpr int kDisposalRestoreBackground = 2;
constexpr int kDisposalRestorePrevious = 3;
constexpr std::uint32_t kSystemColorFlag = 0x80000000u;

// A computed coordinate as a pixel position: nearest integer, halves to even, kept within a
// range where later additions cannot overflow.
int ToPixel(double value) {
  constexpr double kLimit = 1 << 30;
  if (!(value == value)) return 0;  // NaN
  return static_cast<int>(platform::Nearest(std::clamp(value, -kLimit, kLimit)));
}

// Reverses the order of the pixels of `area` in place, horizontally and/or vertically.
// Indices (1- and 8-bit) and colours (24-bit) move unchanged, whatever the colour table holds.
void FlipArea(Bitmap& bitmap, Rect area, bool horizontal, bool vertical) {
  area = area.Intersect(bitmap.Bounds());
  if (area.IsEmpty()) return;
  const int bpp = bitmap.BitsPerPixel();
  if (horizontal) {
    for (int y = area.top; y < area.bottom; ++y) {
      std::uint8_t* row = bitmap.Row(y);
      for (int a = area.left, b = area.right - 1; a < b; ++a, --b) {
        if (bpp == 8) {
          std::swap(row[a], row[b]);
        } else if (bpp == 24) {
          for (int k = 0; k < 3; ++k) std::swap(row[a * 3 + k], row[b * 3 + k]);
        } else {
          const int bit_a = bitmap.GetIndex(a, y);
          bitmap.SetIndex(a, y, bitmap.GetIndex(b, y));
          bitmap.SetIndex(b, y, bit_a);
        }
      }
    }
  }
  if (vertical) {
    for (int a = area.top, b = area.bottom - 1; a < b; ++a, --b) {
      if (bpp == 1) {
        for (int x = area.left; x < area.right; ++x) {
          const int bit_a = bitmap.GetIndex(x, a);
          bitmap.SetIndex(x, a, bitmap.GetIndex(x, b));
          bitmap.SetIndex(x, b, bit_a);
        }
      } else {
        const int bytes = bpp / 8;
        std::swap_ranges(bitmap.Row(a) + area.left * bytes, bitmap.Row(a) + area.right * bytes,
                         bitmap.Row(b) + area.left * bytes);
      }
    }
  }
}

}  // namespace

// Blit or halftone stretch of the source block (sx, sy, sw, sh) onto `rect`. Unscaled blits
// between the engine's formats take the engine's own row kernels (same results).
void GifEngine::Transfer(Bitmap& target, const Rect& rect, const Bitmap& source, int sx, int sy,
                         int sw, int sh, RasterOp op, bool stretch) const {
  if (stretch) {
    platform::StretchBlit(target, rect.left, rect.top, rect.Width(), rect.Height(), source, sx, sy,
                          sw, sh, op, platform::StretchMode::kHalftone);
    return;
  }
  if (fastBlits_ &&
      FastBlit(target, rect.left, rect.top, rect.Width(), rect.Height(), source, sx, sy, op))
    return;
  platform::Blit(target, rect.left, rect.top, rect.Width(), rect.Height(), source, sx, sy, op);
}

bool GifEngine::DrawFrame(int frameIndex, Bitmap& target) {
  if (frameIndex <= 0 || frameIndex > FrameCount() || !strip_) return false;
  const bool stretch = screen.scaleX != 1.0f || screen.scaleY != 1.0f;
  const FrameRecord& frame = frames[static_cast<std::size_t>(frameIndex - 1)];
  if (!canvas_) {
    const Rect rect =
        Rect::FromXYWH(ToPixel(screen.scaleX * (static_cast<double>(offsetX) + frame.left)),
                       ToPixel(screen.scaleY * (static_cast<double>(offsetY) + frame.top)),
                       ToPixel(double{screen.scaleX} * frame.width),
                       ToPixel(double{screen.scaleY} * frame.height));
    BlitFrame(frameIndex, target, stretch, rect);
    return true;
  }
  std::vector<std::uint8_t> mask_save;
  std::vector<std::uint8_t> canvas_save;
  ComposeFrame(frameIndex, false, mask_save, canvas_save);
  BlitFrame(frameIndex, *canvas_, false,
            Rect::FromXYWH(frame.left, frame.top, frame.width, frame.height));
  // The canvas goes to the control over the whole client area; here the offsets are not
  // scaled (unlike the uncomposed path above).
  const platform::Size client = host_.ClientSize();
  BlitFrame(-frameIndex, target, stretch,
            Rect::FromXYWH(offsetX, offsetY, client.width, client.height));
  if (frame.disposal == kDisposalRestoreBackground || frame.disposal == kDisposalRestorePrevious) {
    ComposeFrame(frameIndex, true, mask_save, canvas_save);
  }
  return true;
}

void GifEngine::BlitFrame(int signedIndex, Bitmap& target, bool stretch, const Rect& rect) {
  if (rect.Width() < 1 || rect.Height() < 1) return;
  const bool to_canvas = canvas_ && &target == &*canvas_;
  if (solidBkgColorUsed && !to_canvas) {
    const platform::ColorRef color =
        (solidBkgColor & kSystemColorFlag) != 0
            ? platform::GetSysColor(static_cast<int>(solidBkgColor & 0xFF))
            : static_cast<platform::ColorRef>(solidBkgColor & 0xFFFFFF);
    const Rect fill{0, 0, ToPixel(double{screen.scaleX} * screen.screenWidth),
                    ToPixel(double{screen.scaleY} * screen.screenHeight)};
    platform::FillRect(target, fill, color);
  }
  if (signedIndex < 0) {
    BlitCanvas(target, stretch, rect);
  } else {
    BlitStripFrame(signedIndex, target, stretch, rect);
  }
}

void GifEngine::BlitCanvas(Bitmap& target, bool stretch, const Rect& rect) {
  if (!canvas_) return;
  const int width = screen.screenWidth;
  const int height = screen.screenHeight;
  if (mask_) {
    if (!stretch && fastBlits_ &&
        FastMaskedCanvas(target, rect.left, rect.top, rect.Width(), rect.Height(), *mask_, *canvas_,
                         0, 0)) {
      return;
    }
    Transfer(target, rect, *mask_, 0, 0, width, height, RasterOp::kSrcAnd, stretch);
    Transfer(target, rect, *canvas_, 0, 0, width, height, RasterOp::kSrcPaint, stretch);
  } else {
    Transfer(target, rect, *canvas_, 0, 0, width, height, RasterOp::kSrcCopy, stretch);
  }
}

void GifEngine::BlitStripFrame(int frameIndex, Bitmap& target, bool stretch, const Rect& rect) {
  if (frameIndex < 1 || frameIndex > FrameCount() || !strip_) return;
  const FrameRecord& frame = frames[static_cast<std::size_t>(frameIndex - 1)];
  const int strip_x = StripX(frameIndex);
  const bool transparent = frame.hasTransparency != 0;
  const int colors = TableColorCount(frame.tableIndex);
  // Unscaled, the mask pass of a transparent frame runs together with its colour pass below,
  // each through the table the strip held for it.
  const bool fused = transparent && !stretch && fastBlits_ && target.BitsPerPixel() == 24;
  std::array<platform::PaletteEntry, 256> and_colors{};
  if (transparent) {
    // Mask pass: black where the frame has an image pixel, white (keep the target) where it
    // is transparent.
    LoadMaskTableForFrame(frame, true);
    if (fused) {
      std::copy(strip_->ColorTable().begin(), strip_->ColorTable().end(), and_colors.begin());
    } else {
      Transfer(target, rect, *strip_, strip_x, 0, frame.width, frame.height, RasterOp::kSrcAnd,
               stretch);
    }
  }
  if (transparent || frame.tableIndex != selectedTable) {
    if (colors > 0) {
      const ColorTable& table = colorTables[static_cast<std::size_t>(frame.tableIndex)];
      std::array<platform::PaletteEntry, 256> colours{};
      std::copy_n(table.begin(), colors, colours.begin());
      // The colour pass ORs onto the masked target, so the transparent slot must be black.
      if (transparent) colours[frame.transparentIndex] = kMaskBlack;
      LoadStripTable(std::span(colours).first(static_cast<std::size_t>(colors)));
    }
    selectedTable = transparent ? -1 : frame.tableIndex;
  }
  if (fused && FastAndThenPaint(target, rect.left, rect.top, rect.Width(), rect.Height(), *strip_,
                                strip_x, 0, and_colors, strip_->ColorTable())) {
    return;
  }
  Transfer(target, rect, *strip_, strip_x, 0, frame.width, frame.height,
           transparent ? RasterOp::kSrcPaint : RasterOp::kSrcCopy, stretch);
}

void GifEngine::ComposeFrame(int frameIndex, bool afterDisplay, std::vector<std::uint8_t>& maskSave,
                             std::vector<std::uint8_t>& canvasSave) {
  if (!canvas_ || frameIndex < 1 || frameIndex > FrameCount()) return;
  const FrameRecord& frame = frames[static_cast<std::size_t>(frameIndex - 1)];
  // The frame's rectangle, kept inside the canvas (the logical screen is the bounding box of
  // all frames, so this only guards against inconsistent records).
  const Rect area =
      Rect::FromXYWH(frame.left, frame.top, frame.width, frame.height).Intersect(canvas_->Bounds());
  // Mask bytes holding the frame's columns: from byte left / 8 through (right - 1) / 8.
  const int first_mask_byte = area.left / 8;
  const int mask_bytes = area.IsEmpty() ? 0 : (area.right - 1) / 8 - first_mask_byte + 1;
  const std::size_t canvas_row_bytes = static_cast<std::size_t>(area.Width()) * 3;

  if (!afterDisplay) {
    if (frameIndex == 1) {
      std::fill(canvas_->Bits().begin(), canvas_->Bits().end(), std::uint8_t{0});
      if (mask_) std::fill(mask_->Bits().begin(), mask_->Bits().end(), std::uint8_t{0xFF});
    }
    if (frame.disposal == kDisposalRestorePrevious && !area.IsEmpty()) {
      canvasSave.resize(canvas_row_bytes * static_cast<std::size_t>(area.Height()));
      for (int y = area.top; y < area.bottom; ++y) {
        std::memcpy(canvasSave.data() + canvas_row_bytes * static_cast<std::size_t>(y - area.top),
                    canvas_->Row(y) + area.left * 3, canvas_row_bytes);
      }
      if (mask_) {
        maskSave.resize(static_cast<std::size_t>(mask_bytes) *
                        static_cast<std::size_t>(area.Height()));
        for (int y = area.top; y < area.bottom; ++y) {
          std::memcpy(maskSave.data() + static_cast<std::size_t>(mask_bytes) *
                                            static_cast<std::size_t>(y - area.top),
                      mask_->Row(y) + first_mask_byte, static_cast<std::size_t>(mask_bytes));
        }
      }
    }
    if (mask_ && strip_) {
      const bool transparent = frame.hasTransparency != 0;
      LoadMaskTableForFrame(frame, transparent);
      Transfer(*mask_, Rect::FromXYWH(frame.left, frame.top, frame.width, frame.height), *strip_,
               StripX(frameIndex), 0, frame.width, frame.height,
               transparent ? RasterOp::kSrcAnd : RasterOp::kSrcCopy, false);
      selectedTable = -1;
    }
    return;
  }

  if (area.IsEmpty()) return;
  if (frame.disposal == kDisposalRestoreBackground) {
    if (fastBlits_) {
      ClearToBlack(*canvas_, area);
      if (mask_) SetMaskBits(*mask_, area);
    } else {
      platform::FillRect(*canvas_, area, platform::Rgb(0, 0, 0));
      if (mask_) platform::FillRect(*mask_, area, platform::Rgb(255, 255, 255));
    }
  } else if (frame.disposal == kDisposalRestorePrevious) {
    if (canvasSave.size() == canvas_row_bytes * static_cast<std::size_t>(area.Height())) {
      for (int y = area.top; y < area.bottom; ++y) {
        std::memcpy(canvas_->Row(y) + area.left * 3,
                    canvasSave.data() + canvas_row_bytes * static_cast<std::size_t>(y - area.top),
                    canvas_row_bytes);
      }
    }
    if (mask_ && maskSave.size() == static_cast<std::size_t>(mask_bytes) *
                                        static_cast<std::size_t>(area.Height())) {
      for (int y = area.top; y < area.bottom; ++y) {
        std::memcpy(mask_->Row(y) + first_mask_byte,
                    maskSave.data() + static_cast<std::size_t>(mask_bytes) *
                                          static_cast<std::size_t>(y - area.top),
                    static_cast<std::size_t>(mask_bytes));
      }
    }
  }
}

bool GifEngine::CreateCanvas(bool withMask) {
  const std::int64_t width = screen.screenWidth;
  const std::int64_t height = screen.screenHeight;
  const auto fits = [&](int bits) {
    if (width < 0 || height < 0) return false;
    const std::int64_t stride = ((bits * width + 31) / 32) * 4;
    return height == 0 || stride <= kMaxEngineBitmapBytes / height;
  };
  canvas_.reset();
  mask_.reset();
  if (!fits(24) || (withMask && !fits(1))) return false;
  auto canvas = Bitmap::Create(screen.screenWidth, screen.screenHeight, 24);
  if (!canvas) return false;
  canvas_ = std::move(canvas).value();
  if (withMask) {
    auto mask = Bitmap::Create(screen.screenWidth, screen.screenHeight, 1);
    if (!mask) {
      canvas_.reset();
      return false;
    }
    mask_ = std::move(mask).value();
    const std::array<platform::PaletteEntry, 2> black_white{kMaskBlack, kMaskWhite};
    mask_->SetColorTable(0, black_white);
  }
  return true;
}

void GifEngine::ApplyMirror(int newStyle, bool firstOnly, bool canvasToo) {
  int first = 1;
  int last = firstOnly ? std::min(1, FrameCount()) : FrameCount();
  // The mark kMirrorFirstFrameDone is kept for the control to see, but which frames are due is
  // decided by the engine's own state: a caller that stores a new style drops the mark, and
  // frames 2..N cannot be mirrored before they are built (their records would move while
  // their pixels stay).
  mirrorStyle &= ~kMirrorFirstFrameDone;
  if (framesPending_) {
    last = std::min(1, FrameCount());
  } else if (frameOneMirrored_) {
    first = 2;
    frameOneMirrored_ = false;
  }
  const int change = (newStyle ^ mirrorStyle) & (kMirrorHorizontal | kMirrorVertical);
  if (change == 0) return;
  const bool horizontal = (change & kMirrorHorizontal) != 0;
  const bool vertical = (change & kMirrorVertical) != 0;
  for (int i = first; i <= last; ++i) {
    FrameRecord& frame = frames[static_cast<std::size_t>(i - 1)];
    if (strip_)
      FlipArea(*strip_, Rect::FromXYWH(StripX(i), 0, frame.width, frame.height), horizontal,
               vertical);
    if (horizontal) frame.left = screen.screenWidth - (frame.left + frame.width);
    if (vertical) frame.top = screen.screenHeight - (frame.top + frame.height);
  }
  if (canvasToo && canvas_) {
    FlipArea(*canvas_, canvas_->Bounds(), horizontal, vertical);
    if (mask_) FlipArea(*mask_, mask_->Bounds(), horizontal, vertical);
  }
}

void GifEngine::ComputeScale(int& width, int& height, float& scaleX, float& scaleY) {
  if (currentFrame == 0) return;
  const int screen_width = screen.screenWidth;
  const int screen_height = screen.screenHeight;
  // An empty logical screen (frames of width or height 0) has nothing to scale.
  const double sx = screen_width > 0 ? static_cast<double>(width) / screen_width : 1.0;
  const double sy = screen_height > 0 ? static_cast<double>(height) / screen_height : 1.0;
  switch (stretchMode) {
    case StretchSetting::kActualSize:
      scaleX = scaleY = 1.0f;
      width = std::min(width, screen_width);
      height = std::min(height, screen_height);
      break;
    case StretchSetting::kFit:
    case StretchSetting::kFitNoEnlarge: {
      float factor = static_cast<float>(std::min(sx, sy));
      if (stretchMode == StretchSetting::kFitNoEnlarge && sx > 1.0 && sy > 1.0) factor = 1.0f;
      scaleX = scaleY = factor;
      width = ToPixel(double{factor} * screen_width);
      height = ToPixel(double{factor} * screen_height);
      break;
    }
    case StretchSetting::kFill:
      scaleX = static_cast<float>(sx);
      scaleY = static_cast<float>(sy);
      break;
    case StretchSetting::kImageSize:
      scaleX = scaleY = 1.0f;
      width = screen_width;
      height = screen_height;
      break;
    default: break;  // a stored number outside 0..4 scales nothing
  }
}

bool GifEngine::CacheColorTables() {
  if (cacheFlag_) return false;
  cachedTables_ = colorTables;
  cacheFlag_ = true;
  return true;
}

bool GifEngine::RestoreColorTables(bool bReleaseCache) {
  if (!cacheFlag_) return false;
  colorTables = cachedTables_;
  selectedTable = -1;
  if (bReleaseCache) {
    std::vector<ColorTable>().swap(cachedTables_);
    cacheFlag_ = false;
  }
  return true;
}

void GifEngine::LoadStripTable(std::span<const platform::PaletteEntry> colors) {
  if (strip_) strip_->SetColorTable(0, colors);
}

// Loads the first n mask-table entries (n = the colour count of the frame's table) into the
// strip, with the transparent index white when asked.
void GifEngine::LoadMaskTableForFrame(const FrameRecord& frame, bool transparentWhite) {
  const int colors = TableColorCount(frame.tableIndex);
  if (transparentWhite) maskTable_[frame.transparentIndex] = kMaskWhite;
  LoadStripTable(std::span(maskTable_).first(static_cast<std::size_t>(colors)));
  maskTable_[frame.transparentIndex] = kMaskBlack;
}

int GifEngine::TableColorCount(int tableIndex) const {
  if (tableIndex < 0 || static_cast<std::size_t>(tableIndex) >= colorTables.size()) return 0;
  const auto count = colorTables[static_cast<std::size_t>(tableIndex)][kColorCountSlot];
  return static_cast<int>(std::min<std::uint32_t>(count, 256));
}

}  // namespace tovarin::gif
