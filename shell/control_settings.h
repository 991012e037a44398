#pragma once
// The saved settings of Form1's controls: the three teskbutton instances a1 (main menu),
// a2 (hide) and a3 (exit), and the loading animation g1 (ucAniGIF). Keys as stored; a key left
// out takes the control's default.
//
// Pictures and the animation are read from the picture folder. A picture file that cannot be
// read is left out (the button then shows none); it does not stop the program.

#include <string>

#include "platform/store/property_store.h"

namespace tovarin::shell {

// "a1", "a2" or "a3"; an empty store for any other name.
platform::PropertyStore ButtonSettings(const std::string& name, const std::string& picture_folder);
platform::PropertyStore LoadingAnimationSettings(const std::string& picture_folder);

}  // namespace tovarin::shell
