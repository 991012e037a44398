#pragma once
// GifEngine: the per-control GIF engine of ucAniGIF. One instance owns everything of one
// loaded GIF: the file bytes while they are needed, the frame records and colour tables, the
// 8-bit frame strip that holds every frame's palette indices side by side, the 24-bit
// composition canvas and its 1-bit mask (only for animations whose frames build on each
// other), the colour-table cache and the animation timer. Nothing is global: two engines on
// one host window animate independently.
//
// Files: frame_builder.cpp (loading and decoding into the strip), frame_compositor.cpp
// (drawing, composition, mirroring, scaling, the colour-table cache) with its row kernels in
// frame_blits.cpp, animation_clock.cpp (timers, loop counting, FrameChanged/LoopsEnded),
// frame_export.cpp (the shown frame as a one-image GIF).
//
// Input limits: a GIF whose strip, canvas or mask would need more than kMaxEngineBitmapBytes
// fails its load like any failed build (the engine is left empty). Damaged image data decodes
// as far as it goes; the rest of the frame stays index 0.
//
// The public data members are the engine's shared data model: the control (anigif/) reads
// them for its properties and writes the settings it owns (Stretch, Loops, MinFrameDelay,
// offsets, background, ...). Everything else is private.
//
// Units: positions and sizes in pixels; delays in milliseconds. Rectangles are x, y, width,
// height with the right and bottom edges exclusive. The strip, canvas and mask rows are
// stored bottom-up (platform::Bitmap), and every row index in this interface counts from the
// top.
//
// All calls happen on the GUI thread. The host must outlive the engine; the engine kills its
// timer when it is destroyed.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "gif/gif_parser.h"
#include "gif/gif_stream.h"
#include "platform/host/control_host.h"
#include "platform/pictures/picture.h"
#include "platform/raster/bitmap.h"
#include "platform/raster/geometry.h"
#include "platform/raster/raster.h"
#include "platform/result.h"

namespace tovarin::gif {

// Run states of the animation; the control's Action property reports them as their numbers.
enum class RunState : std::int32_t { kStopped = 0, kRunning = 1, kPaused = 2 };

// The Stretch setting: how ComputeScale fits the logical screen to the client area. Stored and
// saved as its number 0..4; other numbers scale nothing.
enum class StretchSetting : std::int32_t {
  kActualSize = 0,    // factor 1; the area no larger than the image
  kFit = 1,           // one factor for both directions, fitting the area; aspect ratio kept
  kFill = 2,          // each direction its own factor; the image fills the area
  kFitNoEnlarge = 3,  // as kFit, but never above factor 1
  kImageSize = 4,     // factor 1; the area takes the image's size
};

// What SetAnimationTimer is asked to do, and which handler CreateTimerCallback routes the
// instance's timer expiries to (kAnimate: OnAnimationTimer, kDeferredBuild:
// OnDeferredBuildTimer; kStop routes nothing). The numbers are the routing ordinals.
enum class AnimationTimer : std::int32_t { kStop = 0, kAnimate = 1, kDeferredBuild = 2 };

// Mirrored styles; kMirrorFirstFrameDone marks that frame 1 was mirrored by the first build
// pass while frames 2..N are still to be built.
inline constexpr int kMirrorHorizontal = 1;
inline constexpr int kMirrorVertical = 2;
inline constexpr int kMirrorFirstFrameDone = 0x20;

// DelayAnimation: 0 builds every frame during the load; otherwise frame 1 is built and shown
// first and the rest 20 ms later; with this bit the animation is also left stopped.
inline constexpr int kDelayAnimationNoStart = 2;

// Milliseconds before the deferred second build pass runs.
inline constexpr unsigned kDeferredBuildDelayMs = 20;
// Probe interval used to learn whether the host grants a timer at all.
inline constexpr unsigned kTimerProbeMs = 60000;
// The shortest timer interval the desktop grants; shorter requests are raised to it (a
// stored MinFrameDelay of 0 with a frame delay of 0 would otherwise spin).
inline constexpr unsigned kMinTimerIntervalMs = 10;

// The most pixel memory the strip, the canvas or the mask may each take; a GIF that needs
// more fails its load.
inline constexpr std::int64_t kMaxEngineBitmapBytes = platform::kMaxBitmapBytes;

// Colours of the 1-bit mask and of the mask table (palette entries, 0x00RRGGBB).
inline constexpr platform::PaletteEntry kMaskBlack = 0x000000;
inline constexpr platform::PaletteEntry kMaskWhite = 0xFFFFFF;

class GifEngine {
 public:
  explicit GifEngine(platform::ControlHost& host);
  ~GifEngine();
  GifEngine(const GifEngine&) = delete;
  GifEngine& operator=(const GifEngine&) = delete;

  // ---- Loading and decoding (frame_builder.cpp)

  // Copies as many bytes as gifBytes has room for from `source`, beginning at `startIndex`
  // (0-based), into gifBytes from its first position. The caller sizes gifBytes first.
  void StoreGIFBytes(std::span<const std::uint8_t> source, std::size_t startIndex);
  // Resets the engine, parses gifBytes and builds the frames. Returns the number of frames;
  // 0 means the load failed, and then the engine is empty and gifBytes released.
  int LoadGIF();
  // Stops the animation and frees every per-GIF resource except gifBytes.
  void ResetEngine();
  // First pass (true): makes the strip (and the canvas when needed), decodes frame 1 and, in
  // user mode, either builds the rest now or starts the deferred build timer. Second pass
  // (false): decodes frames 2..N and finishes. Returns false when the build failed.
  bool BuildFrames(bool firstPass);
  // A picture of an encoded image (the platform's picture loader); nullptr when it rejects it.
  static platform::PicturePtr PictureFromBytes(std::span<const std::uint8_t> bytes);

  // ---- Composition and rendering (frame_compositor.cpp)

  // Draws frame `frameIndex` (1-based; 0 = nothing loaded) into `target` (the control's
  // 24-bit surface). Returns true when something was drawn.
  bool DrawFrame(int frameIndex, platform::Bitmap& target);
  // Blits frame `signedIndex` from the strip, or the canvas when `signedIndex` is negative,
  // into `target` at `rect` (x, y, width, height), stretched with halftone when `stretch`.
  void BlitFrame(int signedIndex, platform::Bitmap& target, bool stretch,
                 const platform::Rect& rect);
  // Canvas work around one display of a frame: before it (`afterDisplay` false) clears the
  // canvas on frame 1, saves the area of a disposal-3 frame into the two buffers and stamps
  // the frame's coverage into the mask; after it applies the frame's disposal.
  void ComposeFrame(int frameIndex, bool afterDisplay, std::vector<std::uint8_t>& maskSave,
                    std::vector<std::uint8_t>& canvasSave);
  // Makes the canvas (and the mask when asked). False when a requested bitmap cannot be made.
  bool CreateCanvas(bool withMask);
  // Mirrors the built frames from mirrorStyle to `newStyle` (the caller stores the setting).
  void ApplyMirror(int newStyle, bool firstOnly, bool canvasToo);
  // Scale factors for a client area of width x height pixels under stretchMode; may change
  // width and height to the size the control should take.
  void ComputeScale(int& width, int& height, float& scaleX, float& scaleY);
  bool CacheColorTables();
  bool RestoreColorTables(bool bReleaseCache);

  // ---- Animation clock (animation_clock.cpp)

  bool SetAnimationTimer(AnimationTimer kind);
  // Timer expiries, routed by the instance's timer identifier.
  void OnAnimationTimer(platform::WindowHandle window, std::uint64_t id);
  void OnDeferredBuildTimer(platform::WindowHandle window, std::uint64_t id);
  // Routes the instance's timer expiries to OnAnimationTimer (kAnimate) or
  // OnDeferredBuildTimer (kDeferredBuild). Returns the routing's identifier, or 0 with an error
  // message box for a slot other than 0 or any other route.
  std::uint64_t CreateTimerCallback(AnimationTimer route, int slot);
  void ReleaseCallbacks();
  // The instance's timer identifier (the same for both kinds of timer).
  std::uint64_t TimerId() const;
  // Milliseconds frame `frame` stays: steppedDelay, else its delay raised to minFrameDelay.
  int FrameDelay(int frame) const;

  // ---- Export (frame_export.cpp)

  // The bytes of frame `frameIndex` as a one-image GIF89a (its palette indices from the strip,
  // its colour table as the global table, a Graphic Control Extension when transparent).
  platform::Result<std::vector<std::uint8_t>> ExportFrameBytes(int frameIndex) const;
  // The same file loaded as a picture; nullptr when the frame does not exist or export fails.
  platform::PicturePtr ExportFrameAsGIF(int frameIndex) const;

  // ---- Read access to the built images (tools and tests)

  const platform::Bitmap* Strip() const { return strip_ ? &*strip_ : nullptr; }
  const platform::Bitmap* Canvas() const { return canvas_ ? &*canvas_ : nullptr; }
  const platform::Bitmap* Mask() const { return mask_ ? &*mask_ : nullptr; }
  bool HasCachedTables() const { return cacheFlag_; }
  // The frame's x position in the strip (its record's dataStart once the frame is built).
  int StripX(int frameIndex) const;
  // Frames built into the strip by the passes run so far.
  int FramesBuilt() const { return framesBuilt_; }
  // Pixels (width x height summed over frames) decoded into the strip since the last load.
  std::int64_t PixelsBuilt() const { return pixelsBuilt_; }
  int FrameCount() const { return static_cast<int>(frames.size()); }
  platform::ControlHost& Host() const { return host_; }
  // Unscaled blits use the engine's own row kernels (default) or the raster layer's general
  // ones; both give the same pixels (tests and benchmarks compare them).
  void SetFastBlits(bool enabled) { fastBlits_ = enabled; }

  // ---- Shared data model

  // The stored GIF file (filled by the control's loading paths). Released after a user-mode
  // load; kept in design mode for saving.
  std::vector<std::uint8_t> gifBytes;
  ScreenRecord screen;                  // logical screen, loop count, scale factors
  std::vector<FrameRecord> frames;      // one per kept image, frames[0] is frame 1
  std::vector<ColorTable> colorTables;  // table 0 global, 1.. local tables
  int selectedTable = 0;                // table loaded into the strip; -1 none known

  int currentFrame = 0;  // 1-based frame shown; 0 = nothing loaded
  RunState actionState = RunState::kStopped;
  StretchSetting stretchMode = StretchSetting::kFit;
  int minFrameDelay = 50;  // MinFrameDelay, ms (16-bit in the control)
  std::int32_t loopsRemaining = 0;
  int mirrorStyle = 0;              // Mirrored 0..3, plus kMirrorFirstFrameDone
  int delayAnimation = 1;           // DelayAnimation 0..3
  int offsetX = 0;                  // OffsetX, pixels
  int offsetY = 0;                  // OffsetY, pixels
  std::uint32_t solidBkgColor = 0;  // SolidBkgColor, OLE colour
  bool solidBkgColorUsed = false;
  int steppedDelay = 0;  // SteppedDelay, ms; 0 = each frame's own delay

 private:
  // frame_builder.cpp
  bool BuildFirstPass();
  bool FinishBuild();
  void DecodeFrame(int frameIndex);
  void RaiseFrameChanged(int frameIndex, bool viaTimer);

  // frame_compositor.cpp
  void LoadStripTable(std::span<const platform::PaletteEntry> colors);
  void LoadMaskTableForFrame(const FrameRecord& frame, bool transparentWhite);
  int TableColorCount(int tableIndex) const;
  void BlitCanvas(platform::Bitmap& target, bool stretch, const platform::Rect& rect);
  void BlitStripFrame(int frameIndex, platform::Bitmap& target, bool stretch,
                      const platform::Rect& rect);
  void Transfer(platform::Bitmap& target, const platform::Rect& rect,
                const platform::Bitmap& source, int sx, int sy, int sw, int sh,
                platform::RasterOp op, bool stretch) const;

  // animation_clock.cpp
  void OnTimerExpiry();

  platform::ControlHost& host_;

  // Parse results needed only until the last build pass: the image spans inside gifBytes.
  std::vector<FrameSpan> frameSpans_;

  std::optional<platform::Bitmap> strip_;   // 8-bit, identity ramp at creation
  std::optional<platform::Bitmap> canvas_;  // 24-bit, screenWidth x screenHeight
  std::optional<platform::Bitmap> mask_;    // 1-bit, black = image, white = background
  std::array<platform::PaletteEntry, 256> maskTable_{};

  // Between the build passes: frames 2..N are not in the strip yet (framesPending_), and
  // frame 1 already shows the current mirror style (frameOneMirrored_), so a mirror change in
  // that window flips frame 1 alone and the second pass mirrors frames 2..N to the style then
  // current.
  bool framesPending_ = false;
  bool frameOneMirrored_ = false;
  bool fastBlits_ = true;
  bool cacheFlag_ = false;
  std::vector<ColorTable> cachedTables_;

  int framesBuilt_ = 0;
  std::int64_t pixelsBuilt_ = 0;

  // Timer routing: which handler the instance's timer expiries reach (0 none, 1 animation,
  // 2 deferred build), the window that owns the timer, and a counter that changes whenever
  // the timer is set or killed (a tick re-arms only when its event handler left it alone).
  AnimationTimer timerRoute_ = AnimationTimer::kStop;
  platform::WindowHandle timerWindow_ = 0;
  std::uint64_t timerGeneration_ = 0;
};

}  // namespace tovarin::gif
