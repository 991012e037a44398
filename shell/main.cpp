// tovarin: the WAP viewer. No command line; its data (skin, pictures, font configuration) is
// found from the executable's own location: next to it in the build tree, PREFIX/share/tovarin
// when installed as PREFIX/bin/tovarin (shell/data_folder.h).
//
// Every address is shown through the rendering service. By default the program runs that
// service itself, in its own process and GLib main loop: on 127.0.0.1, on a port the system
// picks, under a secret path made afresh for every run, so other programs and users on the
// machine cannot use it as a proxy. A non-empty environment variable TOVARIN_SERVICE_PREFIX, or
// else the build setting of the same name, names an external service instead (with
// TOVARIN_SIMULATOR_BASE beside it; without one, the simulator is looked for beside the
// service's entry page).
#include <glib.h>
#include <gtk/gtk.h>
#include <sys/random.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gateway/service/gateway_server.h"
#include "platform/gtk/form_window_toolkit.h"
#include "shell/address_rules.h"
#include "shell/application.h"
#include "shell/data_folder.h"
#include "shell/form2.h"
#include "shell/instance_lock.h"

namespace {

namespace gateway = tovarin::gateway;
namespace platform = tovarin::platform;
namespace shell = tovarin::shell;

constexpr const char* kServicePrefixVariable = "TOVARIN_SERVICE_PREFIX";
constexpr const char* kSimulatorBaseVariable = "TOVARIN_SIMULATOR_BASE";
// The secret path is "/" and twice this many hex digits.
constexpr std::size_t kSecretBytes = 16;

// The environment variable the text layer reads its font configuration's folder from.
constexpr const char* kAssetsFolderVariable = "TOVARIN_ASSETS_DIR";
// fontconfig's configuration file for the whole process.
constexpr const char* kFontConfigurationVariable = "FONTCONFIG_FILE";

// An external rendering service: where typed addresses go, and its simulator.
struct ExternalService {
  std::string prefix;
  std::string simulator_base;
};

// The external service the environment or else the build names; nullopt when neither does.
std::optional<ExternalService> ExternalServiceSetting() {
  const char* prefix = g_getenv(kServicePrefixVariable);
  const char* simulator = g_getenv(kSimulatorBaseVariable);
  if (prefix == nullptr || *prefix == '\0') {
    prefix = TOVARIN_SERVICE_PREFIX;
    simulator = TOVARIN_SIMULATOR_BASE;
  }
  if (*prefix == '\0') return std::nullopt;
  ExternalService service{prefix, simulator != nullptr ? simulator : ""};
  if (service.simulator_base.empty())
    service.simulator_base = shell::SimulatorBaseOf(service.prefix);
  return service;
}

// "/" and 32 hex digits from getrandom(2).
platform::Result<std::string> SecretPathPrefix() {
  std::array<unsigned char, kSecretBytes> bytes{};
  std::size_t filled = 0;
  while (filled < bytes.size()) {
    const ssize_t got = getrandom(bytes.data() + filled, bytes.size() - filled, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      return platform::Error{std::string("no random bytes for the service's path: ") +
                             std::strerror(errno)};
    }
    filled += static_cast<std::size_t>(got);
  }
  constexpr char kHex[] = "0123456789abcdef";
  std::string prefix = "/";
  for (const unsigned char byte : bytes) {
    prefix += kHex[byte >> 4];
    prefix += kHex[byte & 0x0F];
  }
  return prefix;
}

// The portals of the "网址" menu, for the service's offline start page.
std::vector<gateway::Bookmark> PortalBookmarks() {
  std::vector<gateway::Bookmark> bookmarks;
  for (const shell::BookmarkPortal& portal : shell::kBookmarkPortals) {
    bookmarks.emplace_back(portal.caption, std::string("http://") + portal.host);
  }
  return bookmarks;
}

// The embedded service, listening on the thread-default main context (GTK's).
platform::Result<std::unique_ptr<gateway::GatewayServer>> StartEmbeddedService(
    const std::string& start_address) {
  auto secret = SecretPathPrefix();
  if (!secret.ok()) return platform::Error{secret.error()};
  gateway::GatewayOptions options;
  options.path_prefix = std::move(secret).value();
  options.start_address = start_address;
  options.bookmarks = PortalBookmarks();
  options.log_requests = false;
  return gateway::GatewayServer::Listen(std::move(options), "127.0.0.1", 0);
}

}  // namespace

int main(int argc, char** argv) {
  shell::ShellSettings settings;
  settings.StartAddress = TOVARIN_START_ADDRESS;
  settings.HomePageUrl = TOVARIN_HOME_PAGE;
  const std::string executable = shell::RunningExecutable();
  settings.program_folder =
      executable.empty() ? std::string(".") : shell::DataFolderFor(executable);
  settings.picture_folder = settings.program_folder + "/pictures";
  // The program's font configuration (fonts/fonts.conf in the data folder) maps the font names
  // the windows ask for ("宋体" is AR PL UMing, "Tahoma" is Wine's Tahoma). The text layer of
  // the controls loads it itself (an explicit TOVARIN_ASSETS_DIR still wins); the toolkit's own
  // widgets (the address box, the close mark, menus, message boxes) and the view's pages take it
  // as the process's fontconfig configuration, set before GTK starts fontconfig. Without the
  // file the machine's configuration stays, so a broken install still shows readable text.
  g_setenv(kAssetsFolderVariable, settings.program_folder.c_str(), FALSE);
  const std::string font_configuration = settings.program_folder + "/fonts/fonts.conf";
  if (g_file_test(font_configuration.c_str(), G_FILE_TEST_IS_REGULAR)) {
    g_setenv(kFontConfigurationVariable, font_configuration.c_str(), TRUE);
  }

  // The program takes no arguments; GTK's own display options are still honoured.
  gtk_init(&argc, &argv);

  platform::gtk::GtkFormToolkit toolkit;
  // Declared before the application, so the forms and their view are gone before the service
  // stops; it stops before main returns (no thread or process of it outlives the program).
  std::unique_ptr<gateway::GatewayServer> service;
  if (std::optional<ExternalService> external = ExternalServiceSetting()) {
    settings.ServicePrefix = external->prefix;
    settings.simulator_base = external->simulator_base;
  } else {
    auto started = StartEmbeddedService(settings.StartAddress);
    if (!started.ok()) {
      toolkit.MessageBox(shell::kStartErrorText, shell::kStartErrorTitle, platform::kIconCritical);
      g_printerr("tovarin: start-up failed: the rendering service: %s\n", started.error().c_str());
      return 1;
    }
    service = std::move(started).value();
    settings.ServicePrefix = service->ServicePrefix();
    settings.simulator_base = service->BaseUrl();
  }

  tovarin::shell::InstanceLock lock(std::string(g_get_user_runtime_dir()) + "/tovarin.lock");
  tovarin::shell::Application application(toolkit, settings,
                                          [&lock] { return lock.AnotherInstanceRunning(); });
  const int status = application.Run();
  if (!application.StartError().empty())
    g_printerr("tovarin: start-up failed: %s\n", application.StartError().c_str());
  return status;
}
