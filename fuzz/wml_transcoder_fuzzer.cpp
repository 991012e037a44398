// Transcodes any bytes as a page of a chosen type and checks what must hold for every page we
// answer: nothing in the HTML runs as script, and the context stays within its bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "gateway/limits.h"
#include "gateway/transcoder.h"
#include "tests/gateway/fake_service_links.h"

namespace {

constexpr const char* kTypes[] = {"text/vnd.wap.wml", "application/vnd.wap.wmlc",
                                  "application/vnd.wap.xhtml+xml", "",
                                  "text/vnd.wap.wml; charset=gb2312"};

std::string Lower(const std::string& text) {
  std::string lower = text;
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const char* type = kTypes[data[0] % (sizeof kTypes / sizeof kTypes[0])];
  tovarin::gateway::FakeServiceLinks links;
  tovarin::gateway::WmlContext context;
  (void)context.variables.Set("user", "fuzz<script>");
  tovarin::gateway::TranscodeRequest request{std::span<const std::uint8_t>(data + 1, size - 1),
                                             type, "http://wap.example.com/deck.wml#c2",
                                             tovarin::gateway::EntryDirection::kForward, &links};
  auto result = tovarin::gateway::Transcode(request, context);
  if (result.kind == tovarin::gateway::TranscodeResult::Kind::kHtml) {
    std::string lower = Lower(result.body);
    if (lower.find("<script") != std::string::npos) std::abort();
    if (result.body.size() > tovarin::gateway::kMaxOutputBytes + (1u << 20)) std::abort();
  }
  if (context.Serialize().size() > tovarin::gateway::kMaxContextBytes) std::abort();
  return 0;
}
