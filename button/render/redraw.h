#pragma once
// The drawing entry points the button's behaviour calls.

#include "button/render/button_model.h"

namespace tovarin::button {

// Paints the whole button on canvas.Surface(): clears it to mSurfaceBackColor, refreshes
// mWidth, mHeight and mClientRect, draws a set check or option button as down (except in the
// Standard and Soft styles, which have their own set look) and runs the routine of ButtonStyle.
// A ButtonStyle outside 0..13 leaves the surface cleared. Themed without a visual style in use
// becomes Rounded for good (ButtonStyle 2, ColorScheme 0, the colour step of the defaults);
// the container is told of every stored property that drawing changes.
void Redraw(ButtonModel& model, ButtonCanvas& canvas);

// Gives the button's window its shape for the current ButtonStyle (rounded 3 x 3 corners for
// styles 2, 3, 7, 9, 4 x 4 for 6 and 10, the whole surface otherwise), from mWidth and
// mHeight, and keeps the region in mRegion.
void UpdateRegion(ButtonModel& model, ButtonCanvas& canvas);

}  // namespace tovarin::button
