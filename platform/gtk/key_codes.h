#pragma once
// Translation of GDK key values and modifier states to the classic virtual-key codes and shift
// flags the controls understand.

#include <cstdint>

namespace tovarin::platform::gtk {

// The virtual-key code of a GDK key value (letters as their capital 'A'..'Z', digits '0'..'9',
// 13 Enter, 27 Escape, 32 space, 37..40 arrows, 112..123 F1..F12, ...); 0 when there is none.
int VirtualKeyCode(unsigned keyval);
// The character a key produces for KeyPress (13 for Enter, 8 for Backspace, 27 for Escape, the
// Unicode code point of a printable character below 0x10000); 0 for none.
int KeyCharacter(unsigned keyval);
// ShiftFlags of a GdkModifierType state (shift 1, ctrl 2, alt 4).
int ShiftFlagsOf(unsigned state);
// MouseButtonFlags of the buttons held in a GdkModifierType state.
int ButtonFlagsOf(unsigned state);
// The MouseButtonFlags value of a GDK button number (1 left, 2 middle, 3 right); 0 otherwise.
int ButtonFlag(unsigned gdk_button);

}  // namespace tovarin::platform::gtk
