#pragma once
// The two steps of a style's defaults. Assigning ButtonStyle runs both, assigning ColorScheme
// only the colour step, a new button both; the Themed style's fall-back (Redraw) runs the
// colour step after switching to Rounded. Neither step redraws or notifies: the caller does.

#include "button/render/button_model.h"

namespace tovarin::button {

// ColorScheme becomes 0 for styles 0, 1, 2, 4, 6, 7, 8 and 10 and 2 for styles 3 and 9; other
// style values leave it.
void ApplySchemeStep(ButtonModel& model);

// BackColor from the style and scheme (left alone for scheme 3 and other schemes where the
// style's colour depends on the scheme, and for styles 13 and above and negative ones);
// ForeColor becomes the system button-text colour; ShowFocusRect becomes true for styles 0, 1
// and 9 and false otherwise; style 4 sets PicturePushOnHover.
void ApplyColorStep(ButtonModel& model);

}  // namespace tovarin::button
