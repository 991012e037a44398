#include "platform/control_host.h"

namespace tovarin::platform {

void SiteNewControl(Control& control) {
  control.OnInitialize();
  control.OnInitNew();
  control.OnResize();
}

Status SiteSavedControl(Control& control, const PropertyStore& store) {
  control.OnInitialize();
  Status status = control.OnReadProperties(store);
  control.OnResize();
  return status;
}

}  // namespace tovarin::platform
