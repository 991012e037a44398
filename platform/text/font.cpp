#include "platform/text/font.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/raster/units.h"

namespace tovarin::platform {

// The subscriber list lives in its own shared block so that tokens can hold it weakly: a token
// that outlives its font finds the block gone and does nothing.
struct Font::Subscription::Listeners {
  struct Entry {
    std::uint64_t id;
    std::shared_ptr<Listener> listener;
  };
  std::vector<Entry> entries;
  std::uint64_t next_id = 1;

  void Remove(std::uint64_t id) {
    std::erase_if(entries, [id](const Entry& entry) { return entry.id == id; });
  }
  bool Contains(std::uint64_t id) const {
    return std::any_of(entries.begin(), entries.end(),
                       [id](const Entry& entry) { return entry.id == id; });
  }
};

Font::Subscription::Subscription(std::weak_ptr<Listeners> listeners, std::uint64_t id)
    : listeners_(std::move(listeners)), id_(id) {}

Font::Subscription::Subscription(Subscription&& other) noexcept
    : listeners_(std::move(other.listeners_)), id_(std::exchange(other.id_, 0)) {
  other.listeners_.reset();
}

Font::Subscription& Font::Subscription::operator=(Subscription&& other) noexcept {
  if (this != &other) {
    Reset();
    listeners_ = std::move(other.listeners_);
    other.listeners_.reset();
    id_ = std::exchange(other.id_, 0);
  }
  return *this;
}

Font::Subscription::~Subscription() { Reset(); }

void Font::Subscription::Reset() {
  if (auto listeners = listeners_.lock()) listeners->Remove(id_);
  listeners_.reset();
  id_ = 0;
}

bool Font::Subscription::IsActive() const {
  auto listeners = listeners_.lock();
  return listeners && listeners->Contains(id_);
}

Font::Font() : Font(std::string(kDefaultName)) {}

Font::Font(std::string name, double size_points, int weight, bool italic, bool underline,
           bool strikethrough, int charset)
    : name_(std::move(name)), listeners_(std::make_shared<Subscription::Listeners>()) {
  // The constructor goes through the setters' conversions without notifying anyone (there is
  // no subscriber yet).
  SetSize(size_points);
  SetWeight(weight);
  italic_ = italic;
  underline_ = underline;
  strikethrough_ = strikethrough;
  SetCharset(charset);
}

Font::~Font() = default;

std::shared_ptr<Font> Font::Clone() const {
  auto copy = std::make_shared<Font>(name_);
  copy->size_currency_ = size_currency_;
  copy->weight_ = weight_;
  copy->italic_ = italic_;
  copy->underline_ = underline_;
  copy->strikethrough_ = strikethrough_;
  copy->charset_ = charset_;
  return copy;
}

bool Font::SameAttributes(const Font& other) const {
  return name_ == other.name_ && size_currency_ == other.size_currency_ &&
         weight_ == other.weight_ && italic_ == other.italic_ && underline_ == other.underline_ &&
         strikethrough_ == other.strikethrough_ && charset_ == other.charset_;
}

void Font::SetName(std::string name) {
  name_ = std::move(name);
  Notify("Name");
}

void Font::SetSize(double size_points) {
  // Currency keeps four decimals; the largest value kept is far above any usable size.
  constexpr double kMaxPoints = 1.0e6;
  double clamped = std::isfinite(size_points) ? std::clamp(size_points, 0.0, kMaxPoints) : 0.0;
  size_currency_ = Nearest(clamped * kCurrencyScale);
  Notify("Size");
}

void Font::SetSizeCurrency(std::int64_t ten_thousandths) {
  constexpr std::int64_t kMaxCurrency = std::int64_t{1000000} * kCurrencyScale;
  size_currency_ = std::clamp<std::int64_t>(ten_thousandths, 0, kMaxCurrency);
  Notify("Size");
}

void Font::SetWeight(int weight) {
  weight_ = std::clamp(weight, 0, 1000);
  Notify("Weight");
}

void Font::SetBold(bool bold) {
  weight_ = bold ? kBoldWeight : kNormalWeight;
  Notify("Bold");
}

void Font::SetItalic(bool italic) {
  italic_ = italic;
  Notify("Italic");
}

void Font::SetUnderline(bool underline) {
  underline_ = underline;
  Notify("Underline");
}

void Font::SetStrikethrough(bool strikethrough) {
  strikethrough_ = strikethrough;
  Notify("Strikethrough");
}

void Font::SetCharset(int charset) {
  charset_ = std::clamp(charset, 0, 255);
  Notify("Charset");
}

Font::Subscription Font::Subscribe(Listener listener) {
  std::uint64_t id = listeners_->next_id++;
  listeners_->entries.push_back({id, std::make_shared<Listener>(std::move(listener))});
  return Subscription(listeners_, id);
}

int Font::SubscriberCount() const { return static_cast<int>(listeners_->entries.size()); }

void Font::Notify(std::string_view attribute_name) {
  // Work on a snapshot: callbacks may subscribe or unsubscribe (even destroy their own token)
  // while we iterate. Each listener is kept alive by the snapshot while it runs; one removed
  // by an earlier callback of this round is skipped.
  auto listeners = listeners_;  // keeps the block alive should a callback destroy this font
  std::vector<Subscription::Listeners::Entry> snapshot = listeners->entries;
  for (const auto& entry : snapshot) {
    if (!listeners->Contains(entry.id)) continue;
    (*entry.listener)(attribute_name);
  }
}

}  // namespace tovarin::platform
