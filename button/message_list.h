#pragma once
// MessageList: the message numbers for which a window hook calls back, before or after the
// window's previous procedure.
//
// Rules:
//  - a new list is empty (count 0);
//  - kAllMessages makes it stand for every message (count -1); removing kAllMessages empties
//    it again;
//  - adding a message that is already listed does nothing; a cleared entry (0) is reused
//    before the list grows;
//  - removing a message clears its entry to 0 (the entry stays, to be reused);
//  - message 0 marks a free entry and is never matched nor added.

#include <cstdint>
#include <vector>

namespace tovarin::button {

class MessageList {
 public:
  static constexpr std::int64_t kAllMessages = -1;

  void Add(std::int64_t message);
  void Remove(std::int64_t message);
  void Clear();

  bool Matches(std::uint32_t message) const;
  // -1 while the list stands for every message, otherwise the number of entries (cleared
  // entries included).
  int Count() const;
  const std::vector<std::uint32_t>& Entries() const { return entries_; }

 private:
  bool all_ = false;
  std::vector<std::uint32_t> entries_;
};

}  // namespace tovarin::button
