#pragma once
// TrayIcon: an icon in the desktop's notification area with a tooltip. While the object
// exists and is shown the icon is in the tray; destroying it (or hiding it) removes the icon.
// A mouse press on the icon raises the button event with the button (1 left, 2 right, 4
// middle) and the icon's identifier. Whether a desktop shows the icon at all is up to the
// desktop: InNotificationArea tells.

#include <functional>
#include <string>

namespace tovarin::platform {

struct TrayIconSettings {
  bool in_tray = true;
  std::string icon_path;  // the picture shown
  std::string tool_tip;
  int id = 1;  // passed with every button event
};

class TrayIcon {
 public:
  virtual ~TrayIcon() = default;
  virtual bool InTray() const = 0;
  virtual void SetInTray(bool in_tray) = 0;
  virtual const std::string& ToolTip() const = 0;
  virtual void SetOnButton(std::function<void(int button, int id)> handler) = 0;
  // Whether a notification area holds the icon now, so the user can reach it. False while the
  // icon is not in the tray, and on a desktop that shows no tray icons at all.
  virtual bool InNotificationArea() const = 0;
};

}  // namespace tovarin::platform
