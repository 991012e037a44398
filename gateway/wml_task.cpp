#include "gateway/wml_task.h"

#include <map>

#include "gateway/charset.h"
#include "gateway/url.h"
#include "gateway/wml_variables.h"

namespace tovarin::gateway {
namespace {

using platform::Error;
using platform::Result;

constexpr std::string_view kMultipartBoundary = "----TovarinWmlFormBoundary7MA4YWxk";

void AppendPair(std::string& out, std::string_view key, std::string_view value) {
  if (!out.empty()) out += '&';
  out += key;
  out += '=';
  out += PercentEncode(value);
}

// Form data as a site expects it: names and values in its charset, URL-encoded.
std::string UrlEncodeFields(const std::vector<std::pair<std::string, std::string>>& fields,
                            std::string_view charset) {
  std::string out;
  for (const auto& [name, value] : fields) {
    if (!out.empty()) out += '&';
    out += EscapeVariableValue(name, charset);
    out += '=';
    out += EscapeVariableValue(value, charset);
  }
  return out;
}

std::string InSiteCharset(std::string_view text, std::string_view charset) {
  if (charset.empty()) return std::string(text);
  auto converted = ConvertFromUtf8(text, charset);
  return converted.ok() ? converted.value() : std::string(text);
}

std::string MultipartBody(const std::vector<std::pair<std::string, std::string>>& fields,
                          std::string_view charset) {
  std::string out;
  for (const auto& [name, value] : fields) {
    out += "--";
    out += kMultipartBoundary;
    out += "\r\nContent-Disposition: form-data; name=\"";
    for (char c : InSiteCharset(name, charset))
      out += (c == '"' || c == '\r' || c == '\n') ? '_' : c;
    out += "\"\r\n\r\n";
    out += InSiteCharset(value, charset);
    out += "\r\n";
  }
  out += "--";
  out += kMultipartBoundary;
  out += "--\r\n";
  return out;
}

std::string_view KindName(WmlTask::Kind kind) {
  switch (kind) {
    case WmlTask::Kind::kGo: return "go";
    case WmlTask::Kind::kPrev: return "prev";
    case WmlTask::Kind::kRefresh: return "refresh";
    case WmlTask::Kind::kNoop: break;
  }
  return "noop";
}

// Sets the variables a card's inputs and selects submitted.
void SetVariablesFromFields(const std::vector<std::pair<std::string, std::string>>& fields,
                            WmlContext& context) {
  std::map<std::string, std::pair<std::string, std::string>> selects;  // field → values, indexes
  for (const auto& [name, value] : fields) {
    std::string_view key = name;
    if (key.starts_with(kInputFieldPrefix)) {
      (void)context.variables.Set(key.substr(kInputFieldPrefix.size()), value);
    } else if (key.starts_with(kSelectFieldPrefix)) {
      std::size_t colon = value.find(':');
      if (colon == std::string::npos) continue;
      auto& [values, indexes] = selects[std::string(key.substr(kSelectFieldPrefix.size()))];
      if (!values.empty() || !indexes.empty()) {
        values += ';';
        indexes += ';';
      }
      indexes += value.substr(0, colon);
      values += value.substr(colon + 1);
    }
  }
  for (const auto& [key, chosen] : selects) {
    std::size_t dot = key.find('.');
    if (dot == std::string::npos) continue;
    std::string name = key.substr(0, dot);
    std::string iname = key.substr(dot + 1);
    if (!name.empty()) (void)context.variables.Set(name, chosen.first);
    if (!iname.empty()) (void)context.variables.Set(iname, chosen.second);
  }
}

// Where a go task leads with `variables` as they are: its address and postfields substituted,
// the postfields in the query (GET) or the body (POST).
Result<Navigation> GoNavigation(const WmlTask& task, std::string_view deck_url,
                                const WmlVariables& variables) {
  std::string href = EncodeQueryInCharset(
      SubstituteVariables(task.href, variables, VariableContext::kAddress, task.charset),
      task.charset);
  auto resolved = ResolveUrl(deck_url, href);
  if (!resolved) return Error{"cannot resolve the address \"" + href + "\""};
  Navigation navigation;
  navigation.kind = Navigation::Kind::kGo;
  navigation.url = std::move(*resolved);

  std::vector<std::pair<std::string, std::string>> fields;
  for (const auto& [name, value] : task.postfields) {
    fields.emplace_back(SubstituteVariables(name, variables, VariableContext::kText),
                        SubstituteVariables(value, variables, VariableContext::kText));
  }
  if (task.post) {
    navigation.post = true;
    if (task.multipart) {
      navigation.body = MultipartBody(fields, task.charset);
      navigation.content_type = "multipart/form-data; boundary=" + std::string(kMultipartBoundary);
    } else {
      navigation.body = UrlEncodeFields(fields, task.charset);
      navigation.content_type = "application/x-www-form-urlencoded";
    }
  } else if (!fields.empty()) {
    // A GET carries its postfields in the query, after any the address has, before its fragment.
    std::string fragment = UrlFragment(navigation.url);
    std::string base = UrlWithoutFragment(navigation.url);
    base += base.find('?') == std::string::npos ? '?' : '&';
    base += UrlEncodeFields(fields, task.charset);
    if (!fragment.empty()) base += "#" + fragment;
    navigation.url = std::move(base);
  }
  return navigation;
}

}  // namespace

std::string EncodeTask(const WmlTask& task) {
  std::string out;
  AppendPair(out, "t", KindName(task.kind));
  if (!task.href.empty()) AppendPair(out, "h", task.href);
  if (task.post) AppendPair(out, "m", "post");
  if (task.multipart) AppendPair(out, "e", "multipart");
  if (!task.charset.empty()) AppendPair(out, "c", task.charset);
  for (const auto& [name, value] : task.postfields) {
    AppendPair(out, "p", name);
    AppendPair(out, "pv", value);
  }
  for (const auto& [name, value] : task.setvars) {
    AppendPair(out, "s", name);
    AppendPair(out, "sv", value);
  }
  return out;
}

Result<WmlTask> DecodeTask(std::string_view encoded) {
  WmlTask task;
  bool has_kind = false;
  while (!encoded.empty()) {
    std::size_t amp = encoded.find('&');
    std::string_view piece = encoded.substr(0, amp);
    encoded = amp == std::string_view::npos ? std::string_view() : encoded.substr(amp + 1);
    std::size_t equals = piece.find('=');
    if (equals == std::string_view::npos) return Error{"task: a field has no value"};
    std::string_view key = piece.substr(0, equals);
    std::string value = PercentDecode(piece.substr(equals + 1));
    if (key == "t") {
      has_kind = true;
      if (value == "go")
        task.kind = WmlTask::Kind::kGo;
      else if (value == "prev")
        task.kind = WmlTask::Kind::kPrev;
      else if (value == "refresh")
        task.kind = WmlTask::Kind::kRefresh;
      else if (value == "noop")
        task.kind = WmlTask::Kind::kNoop;
      else
        return Error{"task: unknown kind \"" + value + "\""};
    } else if (key == "h") {
      task.href = std::move(value);
    } else if (key == "m") {
      task.post = value == "post";
    } else if (key == "e") {
      task.multipart = value == "multipart";
    } else if (key == "c") {
      task.charset = std::move(value);
    } else if (key == "p") {
      task.postfields.emplace_back(std::move(value), std::string());
    } else if (key == "pv" && !task.postfields.empty()) {
      task.postfields.back().second = std::move(value);
    } else if (key == "s") {
      task.setvars.emplace_back(std::move(value), std::string());
    } else if (key == "sv" && !task.setvars.empty()) {
      task.setvars.back().second = std::move(value);
    } else {
      return Error{"task: unexpected field \"" + std::string(key) + "\""};
    }
  }
  if (!has_kind) return Error{"task: no kind"};
  return task;
}

Result<Navigation> StartTask(const WmlTask& task, std::string_view deck_url, WmlContext& context) {
  // A task sees the variables as they were when it started: its address and postfields, and
  // every setvar's name and value, are substituted before any setvar takes effect, so the
  // variables also change together.
  std::vector<std::pair<std::string, std::string>> values;
  for (const auto& [name, value] : task.setvars) {
    values.emplace_back(SubstituteVariables(name, context.variables, VariableContext::kText),
                        SubstituteVariables(value, context.variables, VariableContext::kText));
  }
  Navigation navigation;
  switch (task.kind) {
    case WmlTask::Kind::kNoop: break;
    case WmlTask::Kind::kPrev: navigation.kind = Navigation::Kind::kPrev; break;
    case WmlTask::Kind::kRefresh:
      navigation.kind = Navigation::Kind::kRefresh;
      navigation.url = std::string(deck_url);
      break;
    case WmlTask::Kind::kGo: {
      auto go = GoNavigation(task, deck_url, context.variables);
      if (!go.ok()) return go;
      navigation = std::move(go.value());
      break;
    }
  }
  for (const auto& [name, value] : values) (void)context.variables.Set(name, value);
  return navigation;
}

Result<Navigation> ResolveTaskSubmission(
    const std::vector<std::pair<std::string, std::string>>& fields, std::string_view deck_url,
    WmlContext& context) {
  SetVariablesFromFields(fields, context);
  for (const auto& [name, value] : fields) {
    if (name != kTaskField) continue;
    auto task = DecodeTask(value);
    if (!task.ok()) return Error{task.error()};
    return StartTask(task.value(), deck_url, context);
  }
  return Navigation{};  // no task pressed: the inputs alone changed
}

}  // namespace tovarin::gateway
