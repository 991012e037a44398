#include "platform/host/window_procedure_chain.h"

#include <utility>

namespace tovarin::platform {

WindowProcedureChain::WindowProcedureChain(WindowProcedure initial)
    : current_(std::move(initial)) {}

std::optional<WindowProcedure> WindowProcedureChain::Replace(WindowProcedure procedure) {
  if (!procedure) return std::nullopt;
  return std::exchange(current_, std::move(procedure));
}

std::intptr_t WindowProcedureChain::Send(WindowHandle window, std::uint32_t message,
                                         std::intptr_t wparam, std::intptr_t lparam) const {
  // A copy: the procedure may replace itself (unhook) while it runs, which destroys the
  // chain's own copy - and with it whatever the running procedure captured.
  const WindowProcedure procedure = current_;
  return procedure(window, message, wparam, lparam);
}

}  // namespace tovarin::platform
