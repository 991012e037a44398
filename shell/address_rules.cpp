#include "shell/address_rules.h"

namespace tovarin::shell {

bool IsAcceptedAddress(std::string_view typed) {
  // Comparing the first four bytes is comparing the first four characters: "wap." is ASCII,
  // and in UTF-8 an ASCII byte is always a whole character of its own.
  return typed.substr(0, kAddressPrefix.size()) == kAddressPrefix;
}

std::string ServiceAddress(std::string_view service_prefix, std::string_view address) {
  std::string url;
  url.reserve(service_prefix.size() + address.size());
  url.append(service_prefix);
  url.append(address);
  return url;
}

std::string SimulatorAddress(std::string_view simulator_base, std::string_view portal_scheme,
                             std::string_view portal_host) {
  std::string url(simulator_base);
  url += "/simulator/crawldata_r.jsp?rf=y&url=";
  url += portal_scheme;
  url += "%3A%2F%2F";
  url += portal_host;
  url += "%2Fg%2Fs%3Faid%3Dindex%26s_it%3D1%26g_from%3D3gindex%26%26g_f%3D1283";
  return url;
}

std::string SimulatorBaseOf(std::string_view service_prefix) {
  if (service_prefix.ends_with(kServiceEntryPage)) {
    return std::string(service_prefix.substr(0, service_prefix.size() - kServiceEntryPage.size()));
  }
  const std::size_t scheme_end = service_prefix.find("://");
  if (scheme_end == std::string_view::npos) return std::string(service_prefix);
  const std::size_t host_end = service_prefix.find_first_of("/?#", scheme_end + 3);
  return std::string(service_prefix.substr(0, host_end));
}

}  // namespace tovarin::shell
