// tovarin: the WAP viewer. No command line; the skin and pictures lie next to the executable.
#include <glib.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "platform/gtk/form_window_toolkit.h"
#include "shell/application.h"
#include "shell/instance_lock.h"

namespace {

// The folder of the running executable.
std::string ProgramFolder() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return ".";
  std::string folder(path, static_cast<std::size_t>(length));
  const std::size_t slash = folder.rfind('/');
  return slash == std::string::npos ? std::string(".") : folder.substr(0, slash);
}

}  // namespace

int main(int argc, char** argv) {
  // The program takes no arguments; GTK's own display options are still honoured.
  gtk_init(&argc, &argv);

  tovarin::shell::ShellSettings settings;
  settings.ServicePrefix = TOVARIN_SERVICE_PREFIX;
  settings.StartAddress = TOVARIN_START_ADDRESS;
  settings.simulator_base = TOVARIN_SIMULATOR_BASE;
  settings.HomePageUrl = TOVARIN_HOME_PAGE;
  settings.program_folder = ProgramFolder();
  settings.picture_folder = settings.program_folder + "/pictures";

  tovarin::shell::InstanceLock lock(std::string(g_get_user_runtime_dir()) + "/tovarin.lock");
  tovarin::platform::gtk::GtkFormToolkit toolkit;
  tovarin::shell::Application application(toolkit, settings, [&lock] { return lock.AnotherInstanceRunning(); });
  const int status = application.Run();
  if (!application.StartError().empty()) g_printerr("tovarin: start-up failed: %s\n", application.StartError().c_str());
  return status;
}
