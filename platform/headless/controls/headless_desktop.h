#pragma once
// HeadlessDesktop: everything the headless hosts of one test share - the virtual clock, the
// windows with the pointer and their procedures, pop-up menus, message boxes, addresses opened
// with the desktop's default handler, the visual-style answer and the reader's limits.
//
// Message boxes are answered from a queue the test fills (QueueMessageBoxAnswer); with the
// queue empty they answer 1 (OK). Every box is recorded.

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/headless/controls/address_reader.h"
#include "platform/headless/controls/headless_windows.h"
#include "platform/headless/controls/popup_menu_recorder.h"
#include "platform/headless/controls/virtual_clock.h"

namespace tovarin::platform::headless {

struct MessageBoxRecord {
  std::string text;
  std::string title;
  int icon = 0;
  int answer = 0;
};

class HeadlessDesktop {
 public:
  HeadlessDesktop();
  HeadlessDesktop(const HeadlessDesktop&) = delete;
  HeadlessDesktop& operator=(const HeadlessDesktop&) = delete;

  VirtualClock& Clock() { return clock_; }
  HeadlessWindows& Windows() { return windows_; }
  PopupMenuRecorder& Menus() { return menus_; }

  // One turn of the message loop: runs all work due now (posted messages, 0 ms timers).
  void RunPending() { clock_.RunDue(); }
  // Moves the virtual time on, running timers and posted work as they fall due.
  void Advance(std::uint64_t ms) { clock_.Advance(ms); }

  // --- Message boxes
  void QueueMessageBoxAnswer(int answer) { message_box_answers_.push_back(answer); }
  int ShowMessageBox(const std::string& text, const std::string& title, int icon);
  const std::vector<MessageBoxRecord>& MessageBoxes() const { return message_boxes_; }

  // --- Desktop handler for addresses
  void OpenAddress(const std::string& address) { opened_addresses_.push_back(address); }
  const std::vector<std::string>& OpenedAddresses() const { return opened_addresses_; }

  // --- Visual style answer (AppThemed); false by default
  void SetAppThemed(bool themed) { app_themed_ = themed; }
  bool AppThemed() const { return app_themed_; }

  // --- Leave tracking available (TrackMouseEvent); true by default
  void SetLeaveTrackingSupported(bool supported) { leave_tracking_supported_ = supported; }
  bool LeaveTrackingSupported() const { return leave_tracking_supported_; }

  // --- Limits of the asynchronous reader
  FetchOptions& ReadOptions() { return read_options_; }

 private:
  VirtualClock clock_;
  HeadlessWindows windows_;
  PopupMenuRecorder menus_;
  std::deque<int> message_box_answers_;
  std::vector<MessageBoxRecord> message_boxes_;
  std::vector<std::string> opened_addresses_;
  bool app_themed_ = false;
  bool leave_tracking_supported_ = true;
  FetchOptions read_options_;
};

}  // namespace tovarin::platform::headless
