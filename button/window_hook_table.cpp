#include "button/window_hook_table.h"

#include <utility>

namespace tovarin::button {

// What the replacement procedure of one window shares with the table. The procedure holds it
// by shared_ptr, so it outlives the record when the hook stays in a chain as a pass-through.
struct WindowHookTable::HookState {
  platform::WindowProcedure previous;
  MessageList before;
  MessageList after;
  WindowHookCallback* callback = nullptr;  // nullptr once unhooked: a pass-through
};

namespace {

// The replacement procedure. A named type, so that a procedure found installed on a window can
// be recognised as one of ours (std::function::target).
template <typename HookType>
struct ReplacementProcedure {
  std::shared_ptr<HookType> hook;

  std::intptr_t operator()(platform::WindowHandle window, std::uint32_t message,
                           std::intptr_t wParam, std::intptr_t lParam) const {
    // Hold the hook for the whole call: a callback may unhook the window meanwhile.
    const std::shared_ptr<HookType> self = hook;
    bool handled = false;
    std::intptr_t result = 0;
    if (self->callback != nullptr && self->before.Matches(message)) {
      self->callback->Subclass_WndProc(true, handled, result, window, message, wParam, lParam);
    }
    if (!handled && self->previous) result = self->previous(window, message, wParam, lParam);
    if (self->callback != nullptr && self->after.Matches(message)) {
      self->callback->Subclass_WndProc(false, handled, result, window, message, wParam, lParam);
    }
    return result;
  }
};

template <typename HookType>
const std::shared_ptr<HookType>* HookOf(const platform::WindowProcedure& procedure) {
  const auto* ours = procedure.target<ReplacementProcedure<HookType>>();
  return ours != nullptr ? &ours->hook : nullptr;
}

}  // namespace

WindowHookTable::WindowHookTable(platform::ControlHost& host, WindowHookCallback& callback)
    : host_(host), callback_(callback) {}

WindowHookTable::~WindowHookTable() { UnhookAll(); }

bool WindowHookTable::Hook(platform::WindowHandle window) {
  if (window == 0) return false;
  if (IsHooked(window)) return true;

  auto hook = std::make_shared<HookState>();
  hook->callback = &callback_;
  std::optional<platform::WindowProcedure> previous =
      host_.ReplaceWindowProcedure(window, ReplacementProcedure<HookState>{hook});
  if (!previous) return false;
  hook->previous = std::move(*previous);

  Record* record = Find(0);
  if (record == nullptr) {
    records_.emplace_back();
    record = &records_.back();
  }
  record->window = window;
  record->hook = std::move(hook);
  return true;
}

void WindowHookTable::Unhook(platform::WindowHandle window) {
  Record* record = Find(window);
  if (record == nullptr || window == 0) return;
  const std::shared_ptr<HookState> hook = std::move(record->hook);
  record->window = 0;
  hook->callback = nullptr;
  hook->before.Clear();
  hook->after.Clear();

  // Put back the procedure this hook replaced, skipping hooks that were removed before and
  // only pass messages on.
  platform::WindowProcedure previous = hook->previous;
  while (const auto* below = HookOf<HookState>(previous)) {
    if ((*below)->callback != nullptr) break;
    previous = (*below)->previous;
  }
  std::optional<platform::WindowProcedure> current = host_.ReplaceWindowProcedure(window, previous);
  if (!current) return;
  const auto* installed = HookOf<HookState>(*current);
  if (installed == nullptr || *installed != hook) {
    // Someone hooked the window after us: keep their procedure on top. Ours stays in their
    // chain as a pass-through.
    hook->previous = std::move(previous);
    (void)host_.ReplaceWindowProcedure(window, std::move(*current));
  }
}

void WindowHookTable::UnhookAll() {
  for (std::size_t i = records_.size(); i-- > 0;) {
    if (records_[i].window != 0) Unhook(records_[i].window);
  }
}

void WindowHookTable::AddBeforeMessage(platform::WindowHandle window, std::int64_t message) {
  if (Record* record = Find(window); record != nullptr && window != 0)
    record->hook->before.Add(message);
}

void WindowHookTable::AddAfterMessage(platform::WindowHandle window, std::int64_t message) {
  if (Record* record = Find(window); record != nullptr && window != 0)
    record->hook->after.Add(message);
}

void WindowHookTable::RemoveBeforeMessage(platform::WindowHandle window, std::int64_t message) {
  if (Record* record = Find(window); record != nullptr && window != 0)
    record->hook->before.Remove(message);
}

void WindowHookTable::RemoveAfterMessage(platform::WindowHandle window, std::int64_t message) {
  if (Record* record = Find(window); record != nullptr && window != 0)
    record->hook->after.Remove(message);
}

bool WindowHookTable::IsHooked(platform::WindowHandle window) const {
  return window != 0 && Find(window) != nullptr;
}

const MessageList* WindowHookTable::BeforeList(platform::WindowHandle window) const {
  const Record* record = Find(window);
  return record != nullptr && window != 0 ? &record->hook->before : nullptr;
}

const MessageList* WindowHookTable::AfterList(platform::WindowHandle window) const {
  const Record* record = Find(window);
  return record != nullptr && window != 0 ? &record->hook->after : nullptr;
}

WindowHookTable::Record* WindowHookTable::Find(platform::WindowHandle window) {
  for (Record& record : records_) {
    if (record.window == window) return &record;
  }
  return nullptr;
}

const WindowHookTable::Record* WindowHookTable::Find(platform::WindowHandle window) const {
  for (const Record& record : records_) {
    if (record.window == window) return &record;
  }
  return nullptr;
}

}  // namespace tovarin::button
