#pragma once
// ucAniGIF: the animated GIF control. It shows a GIF87a/GIF89a image on its host's surface and
// animates it with its own timer; the engine in gif/ does the parsing, decoding, composition
// and timing, and this class is the control's public surface: properties with their ranges and
// side effects, the run states behind Action, the loading sources (file, array, remote read,
// picture assignment, saved settings), palette operations, painting, resizing and mouse events.
//
// Files: uc_ani_gif.cpp (properties and run states), anigif_loading.cpp (sources and saved
// settings), anigif_surface.cpp (palettes, paint, resize, mouse).
//
// The host decides design mode (UserMode() false) and user mode. In design mode the control
// keeps its file bytes for saving, accepts picture assignment, draws a dotted outline and runs
// no timer. Positions reported to the host (mouse events, ActualWidth/Height, remote sizes)
// are in the container's units (ContainerUnitsPerPixel; twips on a form measured in twips).
//
// Events raised: Click, MouseDown, MouseUp, MouseMove (Button, Shift, X, Y), LoopsEnded,
// FrameChanged (FrameIndex, viaTimer), RemoteLoadComplete (gifWidth, gifHeight, Cancel by
// reference), RemoteLoadFailure.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "anigif/array_argument.h"
#include "gif/gif_engine.h"
#include "platform/host/control_host.h"
#include "platform/pictures/picture.h"
#include "platform/result.h"

namespace tovarin::anigif {

// Names of the saved settings and of the scratch/remote facilities.
inline constexpr const char* kRemoteReadName = "remoteGIF";
inline constexpr const char* kScratchKey = "myGIF";
// The largest GIF file the control reads from disk; larger files count as unreadable.
inline constexpr std::uintmax_t kMaxGifFileBytes = 256u * 1024 * 1024;
// Remote data shorter than this cannot hold a GIF header and a block.
inline constexpr std::size_t kMinRemoteGifBytes = 15;
// Hit-test answer for a point the control takes.
inline constexpr int kHitTestHit = 3;

class ucAniGIF final : public platform::Control {
 public:
  explicit ucAniGIF(platform::ControlHost& host);
  ~ucAniGIF() override;
  ucAniGIF(const ucAniGIF&) = delete;
  ucAniGIF& operator=(const ucAniGIF&) = delete;

  // ---- Properties
  platform::PicturePtr AnimatedGIF() const;
  void SetAnimatedGIF(platform::PicturePtr aGif);
  int CurrentFrame() const { return engine_.currentFrame; }
  bool Enabled() const { return host_.Enabled(); }
  void SetEnabled(bool Enable);
  int FrameCount() const;
  void SetFrameCount(int /*nrFrames*/) {}  // accepted and ignored
  int ActualWidth() const;
  int ActualHeight() const;
  int Stretch() const { return static_cast<int>(engine_.stretchMode); }
  void SetStretch(int newScale);
  int MinFrameDelay() const { return engine_.minFrameDelay; }
  void SetMinFrameDelay(int Delay);
  int Loops() const { return engine_.screen.loops; }
  // The smallest 32-bit value has no absolute value: an overflow error, nothing changes.
  platform::Status SetLoops(std::int32_t Count);
  std::int32_t LoopsRemaining() const;
  int Mirrored() const { return engine_.mirrorStyle & ~gif::kMirrorFirstFrameDone; }
  void SetMirrored(int MirrorStyle);
  int Action() const { return static_cast<int>(engine_.actionState); }
  void SetAction(int Act);
  int DelayAnimation() const { return engine_.delayAnimation; }
  void SetDelayAnimation(int Mode);
  platform::PicturePtr MouseIcon() const { return host_.MouseIcon(); }
  void SetMouseIcon(platform::PicturePtr MousePic);
  int MousePointer() const { return host_.MousePointer(); }
  void SetMousePointer(int Pointer);
  int OffsetX() const { return engine_.offsetX; }
  void SetOffsetX(int NewOffset);
  int OffsetY() const { return engine_.offsetY; }
  void SetOffsetY(int NewOffset);
  std::uint32_t SolidBkgColor() const { return engine_.solidBkgColor; }
  void SetSolidBkgColor(std::uint32_t Color);
  bool SolidBkgColorUsed() const { return engine_.solidBkgColorUsed; }
  void SetSolidBkgColorUsed(bool IgnoreTransparency);
  int SteppedDelay() const { return engine_.steppedDelay; }
  void SetSteppedDelay(int newDelay);

  // ---- Loading sources
  bool LoadAnimatedGIF_File(const std::string& FileName);
  bool LoadAnimatedGIF_Array(const ArrayArgument& Bytes);
  void LoadAnimatedGIF_Remote(const std::string& RemotePath);
  // True when every UTF-16 code unit of `name` (UTF-8 here) is below 0x100; the empty name
  // included. Such names take the narrow file path, others the wide one.
  static bool IsAnsiName(const std::string& name);

  // ---- Palettes (entries are 0x00RRGGBB)
  // FrameIndex 0 is the global table; a frame number gives that frame's local table only.
  bool GetPalette(int FrameIndex, std::vector<std::uint32_t>& paletteEntries);
  // `paletteEntries.data() == nullptr` stands for an array with no storage.
  bool SetPalette(int FrameIndex, std::span<const std::uint32_t> paletteEntries);
  bool CacheColorTables() { return engine_.CacheColorTables(); }
  bool RestoreColorTables(bool bReleaseCache) { return engine_.RestoreColorTables(bReleaseCache); }
  void Refresh() { host_.Refresh(); }

  // ---- Host notifications
  void OnInitialize() override;
  platform::Status OnReadProperties(const platform::PropertyStore& store) override;
  void OnWriteProperties(platform::PropertyStore& store) override;
  void OnTerminate() override;
  void OnShow() override;
  void OnHide() override;
  void OnResize() override;
  void OnPaint() override;
  void OnMouseDown(int button, int shift, double x, double y) override;
  void OnMouseMove(int button, int shift, double x, double y) override;
  void OnMouseUp(int button, int shift, double x, double y) override;
  void OnClick() override;
  void OnHitTest(double x, double y, int& hit) override;
  void OnAsyncReadProgress(const platform::AsyncReadProgress& progress) override;
  void OnAsyncReadComplete(platform::AsyncReadCompletion& completion) override;

  // The engine, for tools and tests that look inside.
  const gif::GifEngine& Engine() const { return engine_; }

 private:
  // Action written with a run state (its number, as the property takes it).
  void SetAction(gif::RunState state) { SetAction(static_cast<int>(state)); }

  bool Loaded() const { return engine_.currentFrame != 0; }
  // Loads gifBytes and fits the control to the image; true with at least one frame.
  bool LoadAndFit();
  void Fit();
  void RaiseMouseEvent(const char* event_name, int button, int shift, double x, double y);
  void DrawDesignOutline();
  const gif::ColorTable* ChooseTable(int FrameIndex) const;
  gif::ColorTable* ChooseTable(int FrameIndex);
  void RaiseRemoteLoadFailure();

  platform::ControlHost& host_;
  gif::GifEngine engine_;
};

}  // namespace tovarin::anigif
