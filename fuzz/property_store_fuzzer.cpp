// Feeds arbitrary text to the property store parser. Whatever it accepts must write out again
// and read back to the same store: the text of the second writing equals the first.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/store/property_store.h"

using tovarin::platform::PropertyStore;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  auto parsed = PropertyStore::Parse(text);
  if (!parsed.ok()) {
    if (parsed.error().empty()) std::abort();
    return 0;
  }
  const std::string first = parsed->Serialize();
  auto again = PropertyStore::Parse(first);
  if (!again.ok()) std::abort();
  if (again->Serialize() != first) std::abort();
  if (again->Keys() != parsed->Keys()) std::abort();
  return 0;
}
