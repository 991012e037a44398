#pragma once
// GtkThemePainter: the push button of the current GTK theme, rendered through a GtkStyleContext
// for a "button" node (state flags normal, prelight, active or insensitive; the "default" style
// class for the defaulted state) with cairo, for the button's Themed style.
//
// Use it on the GTK thread after gtk_init; without a default display it renders nothing
// (PushButtonRegion answers nullopt, DrawPushButton false).

#include <optional>

#include "platform/host/theme_painter.h"

namespace tovarin::platform::gtk {

class GtkThemePainter final : public ThemePainter {
 public:
  GtkThemePainter() = default;

  // Initialises GTK for a program that has not (tools): true when a display could be opened.
  static bool InitializeToolkit();

  std::optional<Region> PushButtonRegion(const Rect& rect, int state) override;
  bool DrawPushButton(Bitmap& target, const Rect& rect, int state, const Rect& clip) override;
};

}  // namespace tovarin::platform::gtk
