#include "platform/headless/controls/headless_desktop.h"

namespace tovarin::platform::headless {

HeadlessDesktop::HeadlessDesktop() : windows_(clock_), menus_([this] { clock_.RunDue(); }) {}

int HeadlessDesktop::ShowMessageBox(const std::string& text, const std::string& title, int icon) {
  int answer = 1;
  if (!message_box_answers_.empty()) {
    answer = message_box_answers_.front();
    message_box_answers_.pop_front();
  }
  message_boxes_.push_back(MessageBoxRecord{text, title, icon, answer});
  return answer;
}

}  // namespace tovarin::platform::headless
