// ucAniGIF's loading sources (file, array, remote read, picture assignment) and its saved
// settings. Every source ends the same way: the whole file goes into the engine's gifBytes and
// LoadGIF parses and builds it.

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "anigif/uc_ani_gif.h"
#include "platform/pictures/gif_format.h"
#include "platform/store/scratch_store.h"

namespace tovarin::anigif {
namespace {

// Reads the whole file, or nothing: a missing, unreadable, empty, oversized or short-read
// file gives nullopt.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error || size == 0 || size > kMaxGifFileBytes) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
  if (static_cast<std::uintmax_t>(in.gcount()) != size) return std::nullopt;
  return bytes;
}

// Decodes one UTF-8 sequence at `i`, advancing it; malformed bytes read as themselves.
char32_t NextCodePoint(const std::string& text, std::size_t& i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  int length = lead < 0x80           ? 1
               : (lead >> 5) == 0x6  ? 2
               : (lead >> 4) == 0xE  ? 3
               : (lead >> 3) == 0x1E ? 4
                                     : 0;
  if (length == 0 || i + static_cast<std::size_t>(length) > text.size()) {
    ++i;
    return lead;
  }
  char32_t value = length == 1 ? lead : lead & (0x7F >> length);
  for (int k = 1; k < length; ++k) {
    if ((byte(i + static_cast<std::size_t>(k)) & 0xC0) != 0x80) {
      ++i;
      return lead;
    }
    value = (value << 6) | (byte(i + static_cast<std::size_t>(k)) & 0x3F);
  }
  i += static_cast<std::size_t>(length);
  return value;
}

}  // namespace

bool ucAniGIF::IsAnsiName(const std::string& name) {
  // A code point at or above 0x100 needs at least one UTF-16 code unit at or above 0x100
  // (surrogates lie at 0xD800 and up), so code points decide it.
  for (std::size_t i = 0; i < name.size();) {
    if (NextCodePoint(name, i) >= 0x100) return false;
  }
  return true;
}

bool ucAniGIF::LoadAndFit() {
  if (engine_.LoadGIF() == 0) return false;
  Fit();
  return true;
}

void ucAniGIF::Fit() {
  using gif::StretchSetting;
  const StretchSetting mode = engine_.stretchMode;
  if (mode == StretchSetting::kFit || mode == StretchSetting::kFitNoEnlarge ||
      mode == StretchSetting::kImageSize)
    OnResize();
}

bool ucAniGIF::LoadAnimatedGIF_File(const std::string& FileName) {
  // The narrow and the wide path both end in the same file system call here: names are UTF-8
  // on this platform, so either kind of name opens the file it names.
  const std::filesystem::path path(FileName);
  if (auto bytes = ReadWholeFile(path)) engine_.gifBytes = std::move(*bytes);
  // When the file cannot be read gifBytes keeps what it held: empty in user mode after any
  // load, the current GIF in design mode.
  return LoadAndFit();
}

bool ucAniGIF::LoadAnimatedGIF_Array(const ArrayArgument& Bytes) {
  if (const std::optional<std::size_t> count = Bytes.ByteCount()) {
    if (*count > kMaxGifFileBytes) return false;
    const auto* first = static_cast<const std::uint8_t*>(Bytes.data);
    engine_.gifBytes.assign(first, first + *count);
  }
  return LoadAndFit();
}

void ucAniGIF::LoadAnimatedGIF_Remote(const std::string& RemotePath) {
  if (RemotePath.empty()) return;
  if (!host_.AsyncRead(RemotePath, kRemoteReadName).ok()) RaiseRemoteLoadFailure();
}

void ucAniGIF::RaiseRemoteLoadFailure() { host_.RaiseEvent("RemoteLoadFailure"); }

void ucAniGIF::OnAsyncReadProgress(const platform::AsyncReadProgress& progress) {
  if (progress.status != platform::kAsyncReadError) return;
  host_.CancelAsyncRead(progress.name);
  RaiseRemoteLoadFailure();
}

void ucAniGIF::OnAsyncReadComplete(platform::AsyncReadCompletion& completion) {
  const std::span<const std::uint8_t> data =
      completion.data.ok() ? std::span<const std::uint8_t>(completion.data.value())
                           : std::span<const std::uint8_t>();
  if (data.size() < kMinRemoteGifBytes) {
    RaiseRemoteLoadFailure();
    return;
  }
  // The header is what the store holds while the handler looks at it.
  engine_.gifBytes.assign(data.begin(), data.begin() + 10);
  if (!platform::IsGifSignature(data)) {
    RaiseRemoteLoadFailure();
    engine_.gifBytes.clear();
    return;
  }
  const double units = host_.ContainerUnitsPerPixel();
  const int width_px = data[6] | (data[7] << 8);
  const int height_px = data[8] | (data[9] << 8);
  platform::EventArgs args{{"gifWidth", std::floor(width_px * units)},
                           {"gifHeight", std::floor(height_px * units)},
                           {"Cancel", false}};
  host_.RaiseEvent("RemoteLoadComplete", args);
  engine_.gifBytes.clear();
  const bool* cancel = std::get_if<bool>(&args[2].value);
  if (cancel != nullptr && *cancel) return;
  engine_.gifBytes.assign(data.begin(), data.end());
  LoadAndFit();
}

platform::PicturePtr ucAniGIF::AnimatedGIF() const {
  if (!Loaded()) return nullptr;
  return engine_.ExportFrameAsGIF(engine_.currentFrame);
}

void ucAniGIF::SetAnimatedGIF(platform::PicturePtr aGif) {
  if (host_.UserMode()) return;
  if (aGif == nullptr || aGif->IsEmpty()) {
    engine_.gifBytes.clear();
  } else {
    const std::size_t header =
        platform::ScratchStoreHeaderBytes(std::char_traits<char>::length(kScratchKey));
    platform::Result<platform::Bytes> contents = host_.ScratchStoreContents(kScratchKey, *aGif);
    if (contents.ok() && contents.value().size() > header) {
      engine_.gifBytes.assign(contents.value().begin() + static_cast<std::ptrdiff_t>(header),
                              contents.value().end());
    } else {
      engine_.gifBytes.clear();
    }
  }
  if (engine_.LoadGIF() != 0) {
    // The control takes the image's size whatever Stretch says, and Stretch keeps its value.
    const gif::StretchSetting previous = engine_.stretchMode;
    engine_.stretchMode = gif::StretchSetting::kImageSize;
    OnResize();
    engine_.stretchMode = previous;
    engine_.screen.scaleX = 1.0f;
    engine_.screen.scaleY = 1.0f;
  }
  host_.Refresh();
  host_.PropertyChanged("AnimatedGIF");
}

// ---- Saved settings

platform::Status ucAniGIF::OnReadProperties(const platform::PropertyStore& store) {
  // Each value is taken in the fixed order; the first that cannot be converted ends loading.
  auto gif_bytes = store.ReadBytes("GIF", engine_.gifBytes);
  if (!gif_bytes) return platform::Error{gif_bytes.error()};
  engine_.gifBytes = std::move(gif_bytes).value();

  auto delay = store.ReadInt16("Delay", static_cast<std::int16_t>(engine_.minFrameDelay));
  if (!delay) return platform::Error{delay.error()};
  engine_.minFrameDelay = delay.value();

  auto stretch = store.ReadInt32("Stretch", 1);
  if (!stretch) return platform::Error{stretch.error()};
  engine_.stretchMode = static_cast<gif::StretchSetting>(stretch.value());

  auto delay_load = store.ReadInt32("DelayLoad", 1);
  if (!delay_load) return platform::Error{delay_load.error()};
  engine_.delayAnimation = delay_load.value() == -1 ? 1 : delay_load.value();

  auto mirror = store.ReadInt32("Mirror", 0);
  if (!mirror) return platform::Error{mirror.error()};
  engine_.mirrorStyle = mirror.value();

  auto enabled = store.ReadBool("Enabled", true);
  if (!enabled) return platform::Error{enabled.error()};
  host_.SetEnabled(enabled.value());

  auto mouse_icon = store.ReadPicture("MouseIcon", nullptr);
  if (!mouse_icon) return platform::Error{mouse_icon.error()};
  host_.SetMouseIcon(mouse_icon.value());

  auto mouse_pointer = store.ReadInt16("MousePointer", 0);
  if (!mouse_pointer) return platform::Error{mouse_pointer.error()};
  host_.SetMousePointer(mouse_pointer.value());

  auto bkg_fill = store.ReadInt32("BkgFill", 0);
  if (!bkg_fill) return platform::Error{bkg_fill.error()};
  engine_.solidBkgColor = static_cast<std::uint32_t>(bkg_fill.value());

  auto bkg_used = store.ReadBool("BkgUsed", false);
  if (!bkg_used) return platform::Error{bkg_used.error()};
  engine_.solidBkgColorUsed = bkg_used.value();

  auto step_delay = store.ReadInt32("StepDelay", 0);
  if (!step_delay) return platform::Error{step_delay.error()};
  engine_.steppedDelay = step_delay.value();

  auto offset_x = store.ReadInt32("OffsetX", 0);
  if (!offset_x) return platform::Error{offset_x.error()};
  engine_.offsetX = offset_x.value();

  auto offset_y = store.ReadInt32("OffsetY", 0);
  if (!offset_y) return platform::Error{offset_y.error()};
  engine_.offsetY = offset_y.value();

  if (engine_.LoadGIF() == 0) return {};
  auto loops = store.ReadInt32("Loops", engine_.screen.loops);
  if (!loops) return platform::Error{loops.error()};
  engine_.screen.loops = loops.value();
  engine_.loopsRemaining = loops.value();
  return {};
}

void ucAniGIF::OnWriteProperties(platform::PropertyStore& store) {
  store.WriteBytes("GIF", engine_.gifBytes);
  store.WriteInt16("Delay", static_cast<std::int16_t>(engine_.minFrameDelay), std::int16_t{50});
  store.WriteInt32("Stretch", static_cast<std::int32_t>(engine_.stretchMode), 1);
  store.WriteInt32("Loops", engine_.screen.loops, 0);
  store.WriteInt32("DelayLoad", engine_.delayAnimation, 1);
  // The "frame 1 already mirrored" mark is build state, not a setting.
  store.WriteInt32("Mirror", Mirrored(), 0);
  store.WritePicture("MouseIcon", host_.MouseIcon());
  store.WriteInt16("MousePointer", static_cast<std::int16_t>(host_.MousePointer()),
                   std::int16_t{0});
  store.WriteBool("Enabled", host_.Enabled(), true);
  store.WriteInt32("OffsetX", engine_.offsetX, 0);
  store.WriteInt32("OffsetY", engine_.offsetY, 0);
  store.WriteInt32("BkgFill", static_cast<std::int32_t>(engine_.solidBkgColor), 0);
  store.WriteBool("BkgUsed", engine_.solidBkgColorUsed, false);
  store.WriteInt32("StepDelay", engine_.steppedDelay, 0);
}

}  // namespace tovarin::anigif
