#pragma once
// SkinLibrary: gives the program's windows, menus and plain controls their look from a skin
// file. One call at start-up.

#include <string_view>

#include "platform/result.h"

namespace tovarin::platform {

class SkinLibrary {
 public:
  virtual ~SkinLibrary() = default;
  // Loads the skin file `skin_path` and applies it to every window of the program, those that
  // exist and those made later. `password` is the skin's password, empty for none. A missing,
  // unreadable or invalid skin file is an error and changes nothing.
  virtual Status SkinH_AttachEx(std::string_view skin_path, std::string_view password) = 0;
};

}  // namespace tovarin::platform
