#include "button/button_painter.h"

#include "button/render/redraw.h"

namespace tovarin::button {
namespace {

class RenderPainter final : public ButtonPainter {
 public:
  void Redraw(ButtonModel& model, ButtonCanvas& canvas) override { button::Redraw(model, canvas); }
  void UpdateRegion(ButtonModel& model, ButtonCanvas& canvas) override {
    button::UpdateRegion(model, canvas);
  }
};

}  // namespace

std::unique_ptr<ButtonPainter> MakeRenderPainter() { return std::make_unique<RenderPainter>(); }

}  // namespace tovarin::button
