#pragma once
// The fixed addresses and file places the shell works with. The program fills them from its
// build settings and its own folder; tests fill them with their own values.

#include <string>

namespace tovarin::shell {

struct ShellSettings {
  // The rendering service's scheme and host, the page "/tovarin/Client/Tovarin.aspx" and the
  // query "?url="; put in front of every address the window navigates to through the service.
  std::string ServicePrefix;
  // The bare host name of a portal's WAP site, appended to ServicePrefix for the start page.
  std::string StartAddress;
  // Scheme and host of the mobile-site simulator that the first bookmark goes through.
  std::string simulator_base;
  // The maker's home page, opened in the desktop's browser by the menu item "主页".
  std::string HomePageUrl;
  // The folder of the program's executable (the skin file lies under it).
  std::string program_folder;
  // The folder of the generated pictures (skin picture, strips, button and about pictures,
  // program icon, loading animation).
  std::string picture_folder;
};

}  // namespace tovarin::shell
