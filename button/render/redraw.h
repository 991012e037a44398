#pragma once
// The two operations through which the behaviour code (button/) asks the drawing code to
// paint a teskbutton and to shape its window.
//
// Both read the model's properties and members and draw through the canvas only; they know
// nothing of input. Redraw may change stored state as the drawing rules require (the pressed
// look of a set check/option button stores mButtonState 2; the unthemed fall-back of style 13
// rewrites ButtonStyle, ColorScheme and BackColor and reports them through
// ButtonCanvas::PropertyChanged).

#include "button/render/button_model.h"

namespace tovarin::button {

// Paints the whole button on canvas.Surface(): clears it, refreshes mWidth, mHeight and
// mClientRect from the surface, settles the drawn state and runs the style routine of
// model.ButtonStyle.
void Redraw(ButtonModel& model, ButtonCanvas& canvas);

// Gives the button window its shape for the current ButtonStyle: stores the region in
// model.mRegion and hands it to canvas.SetWindowRegion (nullopt = the whole rectangle).
void UpdateRegion(ButtonModel& model, ButtonCanvas& canvas);

}  // namespace tovarin::button
