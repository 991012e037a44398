#pragma once
// PopupMenuRecorder: the pop-up menus of a headless desktop. Every pop-up call is recorded
// (menu, position, flags, default item); what the user does while the menu is open is
// scripted by the test:
//
//   1. the call is recorded;
//   2. the "while open" action runs, if one is set (e.g. the pointer moves off the button);
//   3. the nested message loop turns once (posted messages such as a leave notification are
//      delivered while the menu is open, as on the desktop);
//   4. the next queued choice is taken: an item name. If that item exists in the menu tree
//      and is visible, enabled and not a separator (its ancestors visible and enabled too),
//      its handler runs - before the pop-up call returns. No queued choice, an empty name or
//      an item that cannot be chosen closes the menu without a choice.

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/host/control_host.h"
#include "platform/host/menu.h"

namespace tovarin::platform::headless {

struct PopupRecord {
  std::string menu_name;  // the menu's own name
  std::string owner;      // display name of the control that opened it
  int x = 0;              // as given: pixels relative to the control's top-left corner
  int y = 0;
  Point screen{};  // the same point on the screen
  unsigned flags = 0;
  std::string default_item;              // name of the default item (shown in bold); empty for none
  std::vector<std::string> shown_items;  // captions of the visible items at the top level
  std::string chosen;                    // the item whose handler ran; empty when none
};

class PopupMenuRecorder {
 public:
  // The nested loop: runs posted messages while a menu is open.
  explicit PopupMenuRecorder(std::function<void()> run_nested_loop)
      : run_nested_loop_(std::move(run_nested_loop)) {}

  void QueueChoice(std::string item_name) { choices_.push_back(std::move(item_name)); }
  void SetWhileOpen(std::function<void()> action) { while_open_ = std::move(action); }

  // Shows `menu` (see above); returns the name of the chosen item, or empty.
  std::string Show(MenuItem& menu, const std::string& owner, int x, int y, Point screen,
                   unsigned flags, const MenuItem* default_item);

  const std::vector<PopupRecord>& Records() const { return records_; }
  bool IsOpen() const { return open_depth_ > 0; }

 private:
  static bool Choosable(MenuItem& root, MenuItem& item);

  std::function<void()> run_nested_loop_;
  std::function<void()> while_open_;
  std::deque<std::string> choices_;
  std::vector<PopupRecord> records_;
  int open_depth_ = 0;
};

}  // namespace tovarin::platform::headless
