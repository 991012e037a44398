#pragma once
// WML tasks (go, prev, refresh, noop) as they travel through the page we write, and what the
// service does when the user starts one.
//
// A card is written as one HTML form. Each task the user can start (a link, a soft key, a
// menu option) is a submit button whose value is the task, encoded by EncodeTask with its
// variable references still unresolved, because the card's inputs set variables only when the
// user goes on. The service hands the submitted fields to ResolveTaskSubmission, which sets the
// variables from the inputs, applies the task's setvars, substitutes the references and says
// where to go. The browser context is the user's own, so a task is trusted no further than a
// typed address: the service checks the scheme of every address it resolves to.
//
// Form fields of a card:
//   kTaskField            the encoded task of the button pressed
//   "v." + name           an input's value for variable `name`
//   "s." + name + "." + iname
//                         a select's choice: option value "INDEX:VALUE" (1-based index), once
//                         per chosen option; either name may be empty

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "gateway/wml_context.h"
#include "platform/result.h"

namespace tovarin::gateway {

inline constexpr std::string_view kTaskField = "wml.task";
inline constexpr std::string_view kInputFieldPrefix = "v.";
inline constexpr std::string_view kSelectFieldPrefix = "s.";

struct WmlTask {
  enum class Kind { kGo, kPrev, kRefresh, kNoop };

  Kind kind = Kind::kNoop;
  std::string href;        // go: as written, references unresolved
  bool post = false;       // go: method="post"
  bool multipart = false;  // go: enctype="multipart/form-data"
  std::string charset;     // go: accept-charset, else the deck's charset
  std::vector<std::pair<std::string, std::string>> postfields;  // name, value as written
  std::vector<std::pair<std::string, std::string>> setvars;     // name, value as written

  bool operator==(const WmlTask&) const = default;
};

std::string EncodeTask(const WmlTask& task);
[[nodiscard]] platform::Result<WmlTask> DecodeTask(std::string_view encoded);

// Where a started task leads.
struct Navigation {
  enum class Kind { kGo, kPrev, kRefresh, kNone };

  Kind kind = Kind::kNone;
  std::string url;  // kGo: absolute (may be of any scheme: the service checks);
                    // kRefresh: the card to show again
  bool post = false;
  std::string body;          // post body
  std::string content_type;  // of the post body
};

// Applies `task` in `context` from the deck at `deck_url`: setvars first (their values
// substituted), then the href and postfields substituted and resolved. Fails for an address
// that cannot be resolved.
[[nodiscard]] platform::Result<Navigation> StartTask(const WmlTask& task, std::string_view deck_url,
                                                     WmlContext& context);

// The service's entry for a submitted card: `fields` are the form's fields in order (decoded).
// Sets variables from the inputs and selects, then starts the task in kTaskField.
[[nodiscard]] platform::Result<Navigation> ResolveTaskSubmission(
    const std::vector<std::pair<std::string, std::string>>& fields, std::string_view deck_url,
    WmlContext& context);

}  // namespace tovarin::gateway
