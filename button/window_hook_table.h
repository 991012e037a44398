#pragma once
// WindowHookTable: the window hooks of one button. Each hooked window gets a replacement
// procedure (through ControlHost::ReplaceWindowProcedure) that, for every message:
//
//   1. calls back with before = true when the before-list matches (handled false, result 0;
//      the callback may set both);
//   2. unless handled, calls the window's previous procedure and takes its return value;
//   3. calls back with before = false when the after-list matches;
//   4. returns the result.
//
// Window, message and parameters are passed to the callback by reference: a callback could
// change what the previous procedure sees.
//
// Records: one per hooked window, created on demand; a cleared record (window 0) is reused
// before the table grows. Unhooking puts the previous procedure back and clears the record.
// UnhookAll walks the table from the last record to the first. The destructor unhooks all.
//
// Chains: several hooks may sit on one window (two buttons on one form each hook the form).
// When a hook is removed while another was installed over it later, putting its previous
// procedure back would also throw out the later hook and leave that one to reinstall a
// procedure that no longer exists. Instead the later hook is left on top and the removed one
// stays in the chain as a plain pass-through to its previous procedure; a pass-through is
// skipped when a hook above it is removed in turn. A callback is never reached once its hook
// is removed, so the table can die while the window lives on.

#include <cstdint>
#include <memory>
#include <vector>

#include "button/message_list.h"
#include "platform/host/control_host.h"

namespace tovarin::button {

// Receives the hooked messages.
class WindowHookCallback {
 public:
  virtual ~WindowHookCallback() = default;
  virtual void Subclass_WndProc(bool before, bool& handled, std::intptr_t& result,
                                platform::WindowHandle& window, std::uint32_t& message,
                                std::intptr_t& wParam, std::intptr_t& lParam) = 0;
};

class WindowHookTable {
 public:
  WindowHookTable(platform::ControlHost& host, WindowHookCallback& callback);
  WindowHookTable(const WindowHookTable&) = delete;
  WindowHookTable& operator=(const WindowHookTable&) = delete;
  ~WindowHookTable();

  // Installs the replacement procedure. Returns false when the host cannot hook the window
  // (or the window is 0). A window that is already hooked stays hooked as it is.
  bool Hook(platform::WindowHandle window);
  void Unhook(platform::WindowHandle window);
  void UnhookAll();

  // List operations on a hooked window (ignored for a window that is not hooked).
  void AddBeforeMessage(platform::WindowHandle window, std::int64_t message);
  void AddAfterMessage(platform::WindowHandle window, std::int64_t message);
  void RemoveBeforeMessage(platform::WindowHandle window, std::int64_t message);
  void RemoveAfterMessage(platform::WindowHandle window, std::int64_t message);

  bool IsHooked(platform::WindowHandle window) const;
  // The lists of a hooked window; nullptr when it is not hooked.
  const MessageList* BeforeList(platform::WindowHandle window) const;
  const MessageList* AfterList(platform::WindowHandle window) const;
  // Number of records, free ones included.
  std::size_t RecordCount() const { return records_.size(); }

 private:
  struct HookState;
  struct Record {
    platform::WindowHandle window = 0;
    std::shared_ptr<HookState> hook;
  };
  Record* Find(platform::WindowHandle window);
  const Record* Find(platform::WindowHandle window) const;

  platform::ControlHost& host_;
  WindowHookCallback& callback_;
  std::vector<Record> records_;
};

}  // namespace tovarin::button
