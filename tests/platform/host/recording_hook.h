#pragma once
// RecordingHook: a window hook as a control installs it, for tests of window procedure chains.
// For every message it logs "<name> before <message>", calls the procedure it replaced, then
// logs "<name> after <message> <wparam>", and returns what the replaced procedure returned.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/host/control_host.h"

namespace tovarin::platform::testing {

struct RecordingHook {
  std::vector<std::string>* log;
  std::string name;
  WindowProcedure previous;  // set from what installing Procedure() returned
  WindowProcedure Procedure() {
    return [this](WindowHandle w, std::uint32_t m, std::intptr_t wp, std::intptr_t lp) {
      log->push_back(name + " before " + std::to_string(m));
      const std::intptr_t result = previous(w, m, wp, lp);
      log->push_back(name + " after " + std::to_string(m) + " " + std::to_string(wp));
      return result;
    };
  }
};

}  // namespace tovarin::platform::testing
