#pragma once
// The events a teskbutton raises to its container, in the order the control declares them,
// with their dispatch identifiers and arguments. Every argument is passed by reference: the
// container's handler may change it and the button reads it back (KeyCode, KeyAscii).
//
//   event        id     arguments                  raised
//   Click        -600   -                          release inside, Enter, space release, access key
//   DblClick     -601   -                          second press of a left double click
//   MouseEnter   1      -                          every move while the pointer is over the button
//   MouseLeave   2      -                          when the pointer has left the button
//   MouseMove    none   Button, Shift, X, Y        declared, never raised
//   MouseUp      -607   Button, Shift, X, Y        every release unless a drop-down menu is
//   attached MouseDown    -605   Button, Shift, X, Y        left press unless a drop-down menu is
//   attached KeyDown      -602   KeyCode, Shift             every key press except Alt+space KeyUp
//   -604   KeyCode, Shift             release of the space bar only KeyPress     -603   KeyAscii
//   every character the window receives
//
// Button and Shift are Integer, X and Y Single pixels, KeyCode and KeyAscii Integer.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tovarin::button {

struct ButtonEventInfo {
  std::string_view name;
  std::optional<std::int32_t> dispatch_id;  // MouseMove has none
};

inline constexpr std::array<ButtonEventInfo, 10> kButtonEvents = {{
    {"Click", -600},
    {"DblClick", -601},
    {"MouseEnter", 1},
    {"MouseLeave", 2},
    {"MouseMove", std::nullopt},
    {"MouseUp", -607},
    {"MouseDown", -605},
    {"KeyDown", -602},
    {"KeyUp", -604},
    {"KeyPress", -603},
}};

// The dispatch identifier of the event `name` (exact spelling), or nullopt for an unknown
// event or one declared without an identifier.
constexpr std::optional<std::int32_t> EventDispatchId(std::string_view name) {
  for (const ButtonEventInfo& event : kButtonEvents) {
    if (event.name == name) return event.dispatch_id;
  }
  return std::nullopt;
}

}  // namespace tovarin::button
