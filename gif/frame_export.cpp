// Export of a built frame as a one-image GIF89a: the frame's palette indices straight from its
// strip columns (mirrored frames are exported as shown), its colour table as the global table,
// and its transparent index when it has one.

#include "gif/frame_gif_writer.h"
#include "gif/gif_engine.h"

namespace tovarin::gif {

platform::Result<std::vector<std::uint8_t>> GifEngine::ExportFrameBytes(int frameIndex) const {
  if (!strip_ || frameIndex < 1 || frameIndex > FrameCount())
    return platform::Error{"no such frame"};
  const FrameRecord& frame = frames[static_cast<std::size_t>(frameIndex - 1)];
  const int strip_x = StripX(frameIndex);
  // Only a frame that has been built lies inside the strip (in design mode frame 1 alone is
  // built; between the build passes frames 2..N are not yet).
  if (frame.width < 1 || frame.height < 1 || strip_x < 0 ||
      static_cast<std::int64_t>(strip_x) + frame.width > strip_->Width() ||
      frame.height > strip_->Height()) {
    return platform::Error{"frame " + std::to_string(frameIndex) + " is not in the strip"};
  }
  if (frame.tableIndex < 0 || static_cast<std::size_t>(frame.tableIndex) >= colorTables.size()) {
    return platform::Error{"frame " + std::to_string(frameIndex) + " has no colour table"};
  }
  // Every frame sits at the top of the strip; the strip's rows are stored bottom-up, so the
  // frame's top row is the last row in memory and the next row down lies one stride before it.
  IndexRows rows;
  rows.topRow = strip_->Row(0) + strip_x;
  rows.rowStep = -static_cast<std::ptrdiff_t>(strip_->Stride());
  rows.width = frame.width;
  rows.height = frame.height;
  return WriteFrameGIF(rows, colorTables[static_cast<std::size_t>(frame.tableIndex)],
                       frame.hasTransparency != 0 ? frame.transparentIndex : -1);
}

platform::PicturePtr GifEngine::ExportFrameAsGIF(int frameIndex) const {
  auto bytes = ExportFrameBytes(frameIndex);
  if (!bytes) return nullptr;
  return PictureFromBytes(*bytes);
}

}  // namespace tovarin::gif
