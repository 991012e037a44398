#pragma once
// The address rules of the shell: which typed addresses are accepted, and how the addresses
// of the start page and the bookmarks are formed.

#include <string>
#include <string_view>

namespace tovarin::shell {

// The only accepted beginning of a typed address.
inline constexpr std::string_view kAddressPrefix = "wap.";

// True when the first four characters of `typed` are exactly "wap." (letter case matters,
// nothing is trimmed). A shorter text is compared whole, so it never matches.
bool IsAcceptedAddress(std::string_view typed);

// ServicePrefix followed by `address` exactly as given: no escaping, no trimming.
std::string ServiceAddress(std::string_view service_prefix, std::string_view address);

// The simulator address of the first bookmark: `simulator_base` (scheme and host), the page
// "/simulator/crawldata_r.jsp", the query "?rf=y&url=" and the percent-encoded address of the
// portal page on `portal_host` reached with `portal_scheme`.
std::string SimulatorAddress(std::string_view simulator_base, std::string_view portal_scheme,
                             std::string_view portal_host);

// The page and query every service prefix of the rendering service ends with.
inline constexpr std::string_view kServiceEntryPage = "/tovarin/Client/Tovarin.aspx?url=";

// The simulator base that goes with an external service's prefix, for when none is given: the
// prefix without kServiceEntryPage (the service answers the simulator page beside its entry
// page, under the same path), or else the prefix's scheme and host ("http://h:8080/x?u=" gives
// "http://h:8080"). A prefix without "://" is returned unchanged.
std::string SimulatorBaseOf(std::string_view service_prefix);

}  // namespace tovarin::shell
