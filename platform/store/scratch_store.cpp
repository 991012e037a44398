#include "platform/store/scratch_store.h"

#include <limits>

#include "platform/pictures/picture.h"

namespace tovarin::platform {
namespace {

void PutU16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void PutU32(std::vector<std::uint8_t>& out, std::uint64_t v) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

}  // namespace

Result<std::vector<std::uint8_t>> ScratchStoreContents(std::string_view key,
                                                       const Picture& picture) {
  if (key.size() > kMaxScratchKeyLength)
    return Error{"scratch store key is longer than 255 characters"};
  if (picture.IsEmpty()) return Error{"scratch store: the picture is empty"};
  const std::vector<std::uint8_t> encoded = picture.EncodedBytes();
  if (encoded.empty()) return Error{"scratch store: the picture has no encoded form"};
  const std::size_t header = ScratchStoreHeaderBytes(key.size());
  // The item byte count is a 32-bit field; pictures are far below this (kMaxPictureFileBytes).
  if (encoded.size() > std::numeric_limits<std::uint32_t>::max() - header) {
    return Error{"scratch store: the picture is too large"};
  }

  std::vector<std::uint8_t> out;
  out.reserve(header + encoded.size());
  for (const char c : std::string_view("TVSCRTCH")) out.push_back(static_cast<std::uint8_t>(c));
  PutU32(out, 1);
  PutU32(out, header - 16 + encoded.size());
  PutU16(out, 1);
  PutU16(out, 0);
  PutU16(out, static_cast<std::uint32_t>(key.size() + 1));
  for (const char c : key) PutU16(out, static_cast<std::uint8_t>(c));
  PutU16(out, 0);
  out.insert(out.end(), kScratchPictureClassId.begin(), kScratchPictureClassId.end());
  PutU32(out, encoded.size());
  out.insert(out.end(), encoded.begin(), encoded.end());
  return out;
}

}  // namespace tovarin::platform
