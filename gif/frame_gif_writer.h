#pragma once
// Writes one frame of palette indices as a single-image GIF89a file, the byte layout of the
// exported frame:
//
//   offset  length  content
//   0       6       "GIF89a"
//   6       2+2     screen width, height = frame width, height (little-endian)
//   10      1       0x87: global table of 256 entries, colour resolution 0, not sorted
//   11      2       background index 0, aspect ratio 0
//   13      768     global table: the frame's colours as R, G, B; entries past its count are 0
//   781     8       transparent frames only: 21 F9 04 01 00 00 <transparent index> 00
//   next    10      2C, left 0, top 0, width, height, packed 0
//   next    1       LZW minimum code size 8
//   next    ...     data sub-blocks of 254 bytes (the last shorter), then a 0 terminator
//   end     1       ";"

#include <cstdint>
#include <vector>

#include "gif/gif_stream.h"
#include "gif/lzw_encoder.h"
#include "platform/result.h"

namespace tovarin::gif {

// The largest frame (width x height) that is exported.
inline constexpr std::int64_t kMaxExportPixels = std::int64_t{256} * 1024 * 1024;

// `table` is a colour table in drawing form (slot 256 = colour count); `transparentIndex` is
// the frame's transparent index, or -1 for an opaque frame. Fails for an empty frame (width or
// height below 1) or one above kMaxExportPixels.
platform::Result<std::vector<std::uint8_t>> WriteFrameGIF(const IndexRows& rows,
                                                          const ColorTable& table,
                                                          int transparentIndex);

}  // namespace tovarin::gif
