#include "button/message_list.h"

#include <algorithm>

namespace tovarin::button {

void MessageList::Add(std::int64_t message) {
  if (message == kAllMessages) {
    all_ = true;
    entries_.clear();
    return;
  }
  if (all_ || message <= 0 || message > UINT32_MAX) return;
  const auto number = static_cast<std::uint32_t>(message);
  if (std::find(entries_.begin(), entries_.end(), number) != entries_.end()) return;
  const auto free_entry = std::find(entries_.begin(), entries_.end(), 0u);
  if (free_entry != entries_.end()) {
    *free_entry = number;
  } else {
    entries_.push_back(number);
  }
}

void MessageList::Remove(std::int64_t message) {
  if (message == kAllMessages) {
    Clear();
    return;
  }
  if (all_ || message <= 0 || message > UINT32_MAX) return;
  const auto number = static_cast<std::uint32_t>(message);
  const auto entry = std::find(entries_.begin(), entries_.end(), number);
  if (entry != entries_.end()) *entry = 0;
}

void MessageList::Clear() {
  all_ = false;
  entries_.clear();
}

bool MessageList::Matches(std::uint32_t message) const {
  if (all_) return true;
  if (message == 0) return false;
  return std::find(entries_.begin(), entries_.end(), message) != entries_.end();
}

int MessageList::Count() const { return all_ ? -1 : static_cast<int>(entries_.size()); }

}  // namespace tovarin::button
