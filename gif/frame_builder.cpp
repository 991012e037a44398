// Loading a GIF into the engine: parse, then decode every frame's image data straight into
// its columns of the 8-bit frame strip.
//
// Each frame's palette indices land unchanged in the strip: the strip's colour table is the
// identity ramp while frames are built (entry i = 0x0000ii), and real colours are applied
// only when a frame is blitted, by loading its colour table into the strip. The frame's
// position in the logical screen, its transparency and its table play no part in decoding.
//
// Strip layout (rows counted from the top):
//
//   x = 0          stripX(2)            stripX(3)                 total width
//   +--------------+--------------------+------------------------+
//   | frame 1      | frame 2            | frame 3                |  rows 0 .. height(i) - 1
//   |              |                    +------------------------+
//   |              +--------------------+                           (unused rows stay 0)
//   +--------------+                                             largest frame height

#include <algorithm>
#include <cstring>
#include <limits>

#include "gif/gif_engine.h"
#include "platform/pictures/gif_format.h"
#include "platform/pictures/lzw_decoder.h"

namespace tovarin::gif {
namespace {

// "," left(2) top(2) width(2) height(2) packed(1): the packed byte is the descriptor's last.
constexpr std::size_t kDescriptorPackedOffset = platform::kGifImageDescriptorBytes - 1;

// A bitmap of width x height at `bits` per pixel fits the engine's memory limit and int
// arithmetic.
bool BitmapFits(std::int64_t width, std::int64_t height, int bits) {
  if (width < 0 || height < 0 || width > std::numeric_limits<int>::max() ||
      height > std::numeric_limits<int>::max()) {
    return false;
  }
  const std::int64_t stride = ((bits * width + 31) / 32) * 4;
  return height == 0 || stride <= kMaxEngineBitmapBytes / height;
}

}  // namespace

GifEngine::GifEngine(platform::ControlHost& host) : host_(host) {}

GifEngine::~GifEngine() {
  ResetEngine();
  ReleaseCallbacks();
  // ResetEngine only kills the timer in user mode (no timer is ever set otherwise); make
  // sure no expiry can reach a destroyed engine whatever the mode is now.
  host_.KillTimer(TimerId());
}

void GifEngine::StoreGIFBytes(std::span<const std::uint8_t> source, std::size_t startIndex) {
  if (startIndex >= source.size()) return;
  const std::size_t count = std::min(gifBytes.size(), source.size() - startIndex);
  std::memcpy(gifBytes.data(), source.data() + startIndex, count);
}

int GifEngine::LoadGIF() {
  ResetEngine();
  screen = ScreenRecord{};
  int count = 0;
  if (!gifBytes.empty()) {
    GifParser parser;
    count = parser.ParseGIFStream(gifBytes);
    if (count > 0) {
      frames = std::move(parser.frames);
      frameSpans_ = std::move(parser.frameSpans);
      colorTables = std::move(parser.colorTables);
      screen.screenWidth = parser.screen.screenWidth;
      screen.screenHeight = parser.screen.screenHeight;
      screen.loops = parser.screen.loops;
      count = static_cast<int>(frames.size());
    }
    if (count > 0) {
      if (!BuildFrames(true)) {
        count = 0;
      } else if (host_.UserMode() && count == 1) {
        host_.Refresh();
        RaiseFrameChanged(1, false);
      }
    }
  }
  if (count == 0) {
    std::vector<std::uint8_t>().swap(gifBytes);
    ResetEngine();
    // An empty control has no logical screen either (not the size of the GIF that failed).
    screen = ScreenRecord{};
  }
  return count;
}

void GifEngine::ResetEngine() {
  SetAnimationTimer(AnimationTimer::kStop);
  std::vector<FrameRecord>().swap(frames);
  actionState = RunState::kStopped;
  currentFrame = 0;
  strip_.reset();
  canvas_.reset();
  mask_.reset();
  std::vector<ColorTable>().swap(colorTables);
  std::vector<ColorTable>().swap(cachedTables_);
  maskTable_.fill(kMaskBlack);
  std::vector<FrameSpan>().swap(frameSpans_);
  selectedTable = 0;
  cacheFlag_ = false;
  framesBuilt_ = 0;
  pixelsBuilt_ = 0;
  // The mark says frame 1 of the frames just discarded is mirrored; a new build starts from
  // unmirrored frames, so the mark must not survive (it would leave the next frame 1 unflipped).
  mirrorStyle &= ~kMirrorFirstFrameDone;
  framesPending_ = false;
  frameOneMirrored_ = false;
  ReleaseCallbacks();
}

bool GifEngine::BuildFrames(bool firstPass) {
  if (frames.empty() || (!strip_ && !firstPass)) return false;
  if (firstPass) return BuildFirstPass();
  if (frames.size() > 1) {
    if (frameSpans_.empty() || gifBytes.empty()) return false;  // already finished
    framesPending_ = false;
    std::array<platform::PaletteEntry, 256> identity{};
    for (std::size_t i = 0; i < identity.size(); ++i)
      identity[i] = static_cast<platform::PaletteEntry>(i);
    LoadStripTable(identity);
    selectedTable = -1;
    for (int i = 2; i <= FrameCount(); ++i) DecodeFrame(i);
  }
  return FinishBuild();
}

bool GifEngine::BuildFirstPass() {
  const bool user_mode = host_.UserMode();
  std::int64_t total_width = 0;
  std::int64_t max_height = 0;
  bool any_transparent = false;
  bool all_restore_background = true;
  bool any_disposal_2_or_3 = false;
  for (const FrameRecord& frame : frames) {
    total_width += frame.width;
    max_height = std::max<std::int64_t>(max_height, frame.height);
    any_transparent = any_transparent || frame.hasTransparency != 0;
    all_restore_background = all_restore_background && frame.disposal == 2;
    any_disposal_2_or_3 = any_disposal_2_or_3 || frame.disposal == 2 || frame.disposal == 3;
  }
  const FrameRecord& first = frames.front();
  const bool single = !user_mode || frames.size() == 1;
  if (single) {
    total_width = first.width;
    max_height = first.height;
  } else if (!all_restore_background) {
    // The mask lets the background show wherever no frame has drawn since frame 1. Besides
    // disposal 2/3 and a transparent frame 1, that is the area frame 1 does not cover: without
    // a mask that area would show the canvas's black until a later frame draws there.
    const bool frame1_covers_screen =
        first.width == screen.screenWidth && first.height == screen.screenHeight;
    const bool with_mask =
        any_disposal_2_or_3 || first.hasTransparency != 0 || !frame1_covers_screen;
    if (!CreateCanvas(with_mask)) return false;
  }

  if (!BitmapFits(total_width, max_height, 8)) return false;
  auto strip =
      platform::Bitmap::Create(static_cast<int>(total_width), static_cast<int>(max_height), 8);
  if (!strip) return false;
  strip_ = std::move(strip).value();
  std::array<platform::PaletteEntry, 256> identity{};
  for (std::size_t i = 0; i < identity.size(); ++i)
    identity[i] = static_cast<platform::PaletteEntry>(i);
  strip_->SetColorTable(0, identity);
  maskTable_.fill(kMaskBlack);

  selectedTable = -1;
  DecodeFrame(1);
  currentFrame = 1;
  const platform::Size client = host_.ClientSize();
  int width = client.width;
  int height = client.height;
  ComputeScale(width, height, screen.scaleX, screen.scaleY);

  if (!user_mode) return FinishBuild();
  if (delayAnimation == 0) {
    BuildFrames(false);
    return true;
  }
  if (frames.size() == 1) return FinishBuild();
  ApplyMirror(0, true, false);
  mirrorStyle |= kMirrorFirstFrameDone;
  framesPending_ = true;
  frameOneMirrored_ = true;
  SetAnimationTimer(AnimationTimer::kDeferredBuild);
  return true;
}

// Decodes frame `frameIndex` (1-based) into its strip columns. Corrupt or cut data decodes
// as far as it goes; the rest of the frame's area keeps its zeros (colour 0 of its table).
void GifEngine::DecodeFrame(int frameIndex) {
  const std::size_t i = static_cast<std::size_t>(frameIndex - 1);
  if (i >= frames.size() || !strip_) return;
  FrameRecord& frame = frames[i];
  // Frames are built in order, so the previous record already holds its strip position.
  const int strip_x = i == 0 ? 0 : frames[i - 1].dataStart + frames[i - 1].width;
  frame.dataStart = strip_x;
  ++framesBuilt_;
  if (i >= frameSpans_.size()) return;

  // The span runs from the image descriptor's "," through the data's terminator (or to the
  // end of the file when the data is cut).
  const FrameSpan& span = frameSpans_[i];
  const std::span<const std::uint8_t> file(gifBytes);
  if (span.descriptorPos <= 0 || span.length <= 0 ||
      static_cast<std::size_t>(span.descriptorPos) >= file.size())
    return;
  const std::size_t start = static_cast<std::size_t>(span.descriptorPos);
  const std::span<const std::uint8_t> image = file.subspan(
      start, std::min<std::size_t>(static_cast<std::size_t>(span.length), file.size() - start));
  if (image.size() <= platform::kGifImageDescriptorBytes) return;
  const std::uint8_t packed = image[kDescriptorPackedOffset];
  std::size_t data_offset = platform::kGifImageDescriptorBytes;
  if ((packed & platform::kGifColorTableFlag) != 0)
    data_offset += platform::GifColorTableBytes(packed);
  if (data_offset >= image.size()) return;

  auto status =
      platform::DecodeGifImage(image.subspan(data_offset), frame.width, frame.height,
                               (packed & platform::kGifInterlaceFlag) != 0, *strip_, strip_x, 0);
  if (status) pixelsBuilt_ += std::int64_t{frame.width} * frame.height;
}

bool GifEngine::FinishBuild() {
  std::vector<FrameSpan>().swap(frameSpans_);
  const bool user_mode = host_.UserMode();
  ApplyMirror(0, !user_mode, false);
  if (!user_mode) return true;
  std::vector<std::uint8_t>().swap(gifBytes);
  if ((delayAnimation & kDelayAnimationNoStart) != 0) {
    RaiseFrameChanged(1, false);
  } else {
    loopsRemaining = screen.loops;
    SetAnimationTimer(AnimationTimer::kAnimate);
  }
  return true;
}

int GifEngine::StripX(int frameIndex) const {
  const std::size_t i = static_cast<std::size_t>(frameIndex - 1);
  return i < frames.size() ? frames[i].dataStart : 0;
}

void GifEngine::RaiseFrameChanged(int frameIndex, bool viaTimer) {
  platform::EventArgs args{{"FrameIndex", std::int32_t{frameIndex}}, {"viaTimer", viaTimer}};
  host_.RaiseEvent("FrameChanged", args);
}

platform::PicturePtr GifEngine::PictureFromBytes(std::span<const std::uint8_t> bytes) {
  auto picture = platform::LoadPictureFromMemory(bytes);
  if (!picture) return nullptr;
  return std::move(picture).value();
}

}  // namespace tovarin::gif
