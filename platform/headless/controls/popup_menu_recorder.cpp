#include "platform/headless/controls/popup_menu_recorder.h"

namespace tovarin::platform::headless {
namespace {

// The chain of items from `root` down to `target` (both included), or empty.
bool PathTo(MenuItem& root, const MenuItem* target, std::vector<MenuItem*>& path) {
  path.push_back(&root);
  if (&root == target) return true;
  for (const auto& child : root.children) {
    if (child && PathTo(*child, target, path)) return true;
  }
  path.pop_back();
  return false;
}

}  // namespace

bool PopupMenuRecorder::Choosable(MenuItem& root, MenuItem& item) {
  std::vector<MenuItem*> path;
  if (!PathTo(root, &item, path)) return false;
  // The root is the menu itself (its caption is the menu title); its items start below it.
  for (std::size_t i = 1; i < path.size(); ++i) {
    if (!path[i]->visible || !path[i]->enabled) return false;
  }
  return path.size() > 1 && !item.IsSeparator() && item.children.empty();
}

std::string PopupMenuRecorder::Show(MenuItem& menu, const std::string& owner, int x, int y,
                                    Point screen, unsigned flags, const MenuItem* default_item) {
  PopupRecord record;
  record.menu_name = menu.name;
  record.owner = owner;
  record.x = x;
  record.y = y;
  record.screen = screen;
  record.flags = flags;
  record.default_item = default_item ? default_item->name : std::string();
  for (const auto& child : menu.children) {
    if (child && child->visible) record.shown_items.push_back(child->caption);
  }
  records_.push_back(record);
  const std::size_t index = records_.size() - 1;

  ++open_depth_;
  if (while_open_) {
    const auto action = while_open_;  // the action may replace itself
    action();
  }
  if (run_nested_loop_) run_nested_loop_();
  std::string choice;
  if (!choices_.empty()) {
    choice = std::move(choices_.front());
    choices_.pop_front();
  }
  --open_depth_;

  MenuItem* item = choice.empty() ? nullptr : menu.Find(choice);
  if (item == nullptr || !Choosable(menu, *item)) return {};
  records_[index].chosen = item->name;
  if (item->on_click) {
    const auto handler = item->on_click;  // the handler may change the menu
    handler();
  }
  return item->name;
}

}  // namespace tovarin::platform::headless
