#include "platform/pictures/gif_block_reader.h"

#include <algorithm>

namespace tovarin::platform {

std::int64_t GifBlockReader::Remaining() const {
  if (pos_ < 0) return 0;
  return std::max<std::int64_t>(0, static_cast<std::int64_t>(bytes_.size()) - pos_);
}

std::span<const std::uint8_t> GifBlockReader::Rest() const {
  const std::int64_t remaining = Remaining();
  if (remaining == 0) return {};
  return bytes_.subspan(static_cast<std::size_t>(pos_));
}

std::optional<std::uint8_t> GifBlockReader::Byte() {
  if (Remaining() < 1) return std::nullopt;
  return bytes_[static_cast<std::size_t>(pos_++)];
}

std::optional<std::uint16_t> GifBlockReader::Word() {
  if (Remaining() < 2) return std::nullopt;
  const auto at = static_cast<std::size_t>(pos_);
  pos_ += 2;
  return static_cast<std::uint16_t>(bytes_[at] | (bytes_[at + 1] << 8));
}

std::optional<std::span<const std::uint8_t>> GifBlockReader::Bytes(std::size_t count) {
  if (static_cast<std::uint64_t>(Remaining()) < count) return std::nullopt;
  const auto part = bytes_.subspan(static_cast<std::size_t>(pos_), count);
  pos_ += static_cast<std::int64_t>(count);
  return part;
}

// Offsets 6..12: width(2) height(2) packed(1) background(1) aspect(1).
std::optional<GifScreenDescriptor> GifBlockReader::ScreenDescriptor() {
  if (bytes_.size() < kGifHeaderBytes) return std::nullopt;
  const auto field = [&](std::size_t at) { return bytes_[at] | (bytes_[at + 1] << 8); };
  GifScreenDescriptor screen;
  screen.width = field(kGifSignatureBytes);
  screen.height = field(kGifSignatureBytes + 2);
  screen.packed = bytes_[kGifScreenPackedOffset];
  pos_ = kGifHeaderBytes;
  return screen;
}

GifBlockStart GifBlockReader::NextBlock() {
  for (;;) {
    const auto introducer = Byte();
    if (!introducer) return {};
    if (*introducer == 0) continue;  // stray byte between blocks
    if (*introducer == kGifImageSeparator) return {GifBlockKind::kImage, 0};
    if (*introducer != kGifExtensionIntroducer) return {};  // ";" or anything unknown
    const auto label = Byte();
    if (!label) return {};
    return {GifBlockKind::kExtension, *label};
  }
}

void GifBlockReader::SkipSubBlocks() {
  const auto size = static_cast<std::int64_t>(bytes_.size());
  while (pos_ >= 0 && pos_ < size && bytes_[static_cast<std::size_t>(pos_)] != 0) {
    pos_ += bytes_[static_cast<std::size_t>(pos_)] + 1;
  }
  pos_ += 1;
}

}  // namespace tovarin::platform
