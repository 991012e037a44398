#include "platform/host/control_host.h"

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

std::vector<bool> TabKeys(std::string_view keys) {
  std::vector<bool> tabs;
  while (!keys.empty()) {
    if (keys.starts_with("+{TAB}")) {
      tabs.push_back(false);
      keys.remove_prefix(6);
    } else if (keys.starts_with("{TAB}")) {
      tabs.push_back(true);
      keys.remove_prefix(5);
    } else {
      keys.remove_prefix(1);
    }
  }
  return tabs;
}

}  // namespace tovarin::platform
