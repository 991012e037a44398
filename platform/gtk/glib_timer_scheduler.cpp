#include "platform/gtk/glib_timer_scheduler.h"

#include <glib.h>

#include <utility>

#include "platform/glib/callback_guard.h"
#include "platform/glib/glib_holders.h"

namespace tovarin::platform::gtk {
namespace {

using Tick = std::function<bool()>;

gboolean Dispatch(gpointer data) {
  bool again = false;
  glib::GuardCallback([&] { again = (*static_cast<Tick*>(data))(); });
  return again ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

}  // namespace

std::uint64_t GlibTimerScheduler::Start(unsigned interval_ms, std::function<bool()> tick) {
  return g_timeout_add_full(G_PRIORITY_DEFAULT, interval_ms, &Dispatch,
                            glib::BoxUserData<Tick>(std::move(tick)), &glib::DeleteUserData<Tick>);
}

void GlibTimerScheduler::Stop(std::uint64_t source) { g_source_remove(static_cast<guint>(source)); }

}  // namespace tovarin::platform::gtk
