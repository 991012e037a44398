#pragma once
// ButtonPainter: how a teskbutton paints itself and shapes its window. The program uses the
// drawing code of button/render (MakeRenderPainter); tests of behaviour may count or replace
// the painting.

#include <memory>

#include "button/render/button_model.h"

namespace tovarin::button {

class ButtonPainter {
 public:
  virtual ~ButtonPainter() = default;
  // Paints the whole button (Redraw of button/render).
  virtual void Redraw(ButtonModel& model, ButtonCanvas& canvas) = 0;
  // Gives the window its shape for the current style (UpdateRegion of button/render).
  virtual void UpdateRegion(ButtonModel& model, ButtonCanvas& canvas) = 0;
};

// The painter of button/render.
std::unique_ptr<ButtonPainter> MakeRenderPainter();

}  // namespace tovarin::button
