#pragma once
// WindowProcedureChain: the head of one window's chain of window procedures, as a desktop keeps
// it for each window it names (the GTK desktop and the headless one alike).
//
// The chain starts with the window's default procedure. A hook installs its own procedure with
// Replace, keeps the one Replace returns, and calls it from inside its own: the last hook
// installed sees a message first, and the default procedure last. Putting a returned procedure
// back with Replace unhooks everything installed after it.
//
//  - Replace refuses an empty procedure: it returns nullopt and the chain stays as it was.
//  - Send runs the procedure that is current when the message arrives, to its end, even when it
//    replaces itself (unhooks) or installs another while it runs; the next message goes to
//    whatever is current then.

#include <cstdint>
#include <optional>

#include "platform/host/control_host.h"

namespace tovarin::platform {

class WindowProcedureChain {
 public:
  // `initial` is the window's default procedure; it must not be empty.
  explicit WindowProcedureChain(WindowProcedure initial);

  // Installs `procedure` at the head of the chain and returns the one it replaces; nullopt,
  // changing nothing, when `procedure` is empty.
  std::optional<WindowProcedure> Replace(WindowProcedure procedure);
  // Runs the current procedure with the message and returns its result.
  std::intptr_t Send(WindowHandle window, std::uint32_t message, std::intptr_t wparam,
                     std::intptr_t lparam) const;

 private:
  WindowProcedure current_;
};

}  // namespace tovarin::platform
