#pragma once
// FormTimer: a form's periodic timer (Timer1). While enabled it calls its tick handler every
// interval on the GUI thread; a disabled timer costs nothing (no wake-ups). Enabling a timer
// that is already enabled keeps it running on its current schedule.

#include <functional>

namespace tovarin::platform {

class FormTimer {
 public:
  virtual ~FormTimer() = default;
  virtual unsigned IntervalMs() const = 0;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
};

}  // namespace tovarin::platform
