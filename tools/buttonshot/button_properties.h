#pragma once
// The public properties of a teskbutton by name, for the command line: assigning one from text
// (through the button's own assignment rules) and reading one back as text.
//
// Value syntax: colours as decimal OLE values or hexadecimal 0xBBGGRR (system colours
// 0x800000nn); Booleans true/false (or -1/0); numbers as decimal integers; pictures as @PATH
// (BMP, ICO, PNG or GIF; a lone "@" empties the property); Font as NAME or NAME,SIZE; strings
// as they are. Names are matched without regard to letter case.

#include <string>
#include <string_view>

#include "button/teskbutton.h"
#include "platform/result.h"

namespace tovarin::tools {

// Assigns `value` to the property `name`; fails with a message for unknown or read-only names
// and for values that do not parse.
platform::Status AssignProperty(button::teskbutton& button, std::string_view name,
                                std::string_view value);

// The property as a "Name=Value" line, the value in the syntax above (colours in hexadecimal,
// pictures as "WxH bitmap"/"WxH icon" or "none", fonts as NAME,SIZE); fails for unknown names.
platform::Result<std::string> ReadProperty(const button::teskbutton& button, std::string_view name);

}  // namespace tovarin::tools
