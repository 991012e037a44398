#include "platform/gtk/key_codes.h"

#include <gdk/gdk.h>

#include "platform/host/control_host.h"

namespace tovarin::platform::gtk {

int VirtualKeyCode(unsigned keyval) {
  if (keyval >= GDK_KEY_a && keyval <= GDK_KEY_z)
    return static_cast<int>('A' + (keyval - GDK_KEY_a));
  if (keyval >= GDK_KEY_A && keyval <= GDK_KEY_Z) return static_cast<int>(keyval);
  if (keyval >= GDK_KEY_0 && keyval <= GDK_KEY_9) return static_cast<int>(keyval);
  if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F12)
    return static_cast<int>(112 + (keyval - GDK_KEY_F1));
  if (keyval >= GDK_KEY_KP_0 && keyval <= GDK_KEY_KP_9)
    return static_cast<int>(96 + (keyval - GDK_KEY_KP_0));
  switch (keyval) {
    case GDK_KEY_BackSpace: return 8;
    case GDK_KEY_Tab:
    case GDK_KEY_ISO_Left_Tab: return 9;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter: return 13;
    case GDK_KEY_Shift_L:
    case GDK_KEY_Shift_R: return 16;
    case GDK_KEY_Control_L:
    case GDK_KEY_Control_R: return 17;
    case GDK_KEY_Alt_L:
    case GDK_KEY_Alt_R: return 18;
    case GDK_KEY_Pause: return 19;
    case GDK_KEY_Caps_Lock: return 20;
    case GDK_KEY_Escape: return 27;
    case GDK_KEY_space: return 32;
    case GDK_KEY_Page_Up: return 33;
    case GDK_KEY_Page_Down: return 34;
    case GDK_KEY_End: return 35;
    case GDK_KEY_Home: return 36;
    case GDK_KEY_Left: return 37;
    case GDK_KEY_Up: return 38;
    case GDK_KEY_Right: return 39;
    case GDK_KEY_Down: return 40;
    case GDK_KEY_Insert: return 45;
    case GDK_KEY_Delete: return 46;
    default: return 0;
  }
}

int KeyCharacter(unsigned keyval) {
  switch (keyval) {
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter: return 13;
    case GDK_KEY_BackSpace: return 8;
    case GDK_KEY_Escape: return 27;
    case GDK_KEY_Tab: return 9;
    default: break;
  }
  const guint32 code = gdk_keyval_to_unicode(keyval);
  return (code >= 0x20 && code < 0x10000 && code != 0x7F) ? static_cast<int>(code) : 0;
}

int ShiftFlagsOf(unsigned state) {
  int flags = 0;
  if ((state & GDK_SHIFT_MASK) != 0) flags |= kShiftMask;
  if ((state & GDK_CONTROL_MASK) != 0) flags |= kCtrlMask;
  if ((state & GDK_MOD1_MASK) != 0) flags |= kAltMask;
  return flags;
}

int ButtonFlagsOf(unsigned state) {
  int flags = 0;
  if ((state & GDK_BUTTON1_MASK) != 0) flags |= kLeftButton;
  if ((state & GDK_BUTTON3_MASK) != 0) flags |= kRightButton;
  if ((state & GDK_BUTTON2_MASK) != 0) flags |= kMiddleButton;
  return flags;
}

int ButtonFlag(unsigned gdk_button) {
  switch (gdk_button) {
    case 1: return kLeftButton;
    case 2: return kMiddleButton;
    case 3: return kRightButton;
    default: return 0;
  }
}

}  // namespace tovarin::platform::gtk
