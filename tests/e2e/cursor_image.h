#pragma once
// The pointer's current cursor image on an X display, read with XFixes (kept apart from the
// tests, so Xlib's macros meet no other header).

#include <cstdint>
#include <string>
#include <vector>

namespace tovarin::e2e {

struct CursorImage {
  int width = 0, height = 0;
  std::vector<std::uint32_t> argb;  // 0xAARRGGBB, row by row
};

// The cursor shown at the pointer on `display` (":N"); empty when the display or its XFixes
// extension cannot be reached.
CursorImage CurrentCursor(const std::string& display);

}  // namespace tovarin::e2e
