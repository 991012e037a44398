#pragma once
// Font: a font object shared by reference (std::shared_ptr<Font>). It holds the attributes of
// a classic font object - name, size, weight, italic, underline, strikethrough, character set -
// and raises a change notification to every subscriber whenever a setter runs, so that every
// holder of the same object (a button and the code that handed it the font) sees the change.
//
// Units and edge semantics:
//  - Name is UTF-8 ("Tahoma", "宋体"); it is stored as given, an empty name is allowed (the
//    text layer then uses the default sans-serif face).
//  - Size is in points. Like the classic font object it is held as a currency value, a
//    fixed-point number with four decimal places: SetSize(10.5) stores 105000 ten-thousandths,
//    SetSize(8.123456) stores 8.1235. Sizes below 0 are stored as 0.
//  - Weight is 0..1000 (400 normal, 700 bold); values outside are clamped. Bold() is true
//    for weights above 550, as the classic font object answers; SetBold(true) sets 700,
//    SetBold(false) 400.
//  - Charset is the classic character-set number (0 ANSI, 2 symbol, 134 GB2312, ...), 0..255.
//
// Notifications: every setter call notifies, also when the value does not change (the classic
// object does the same; holders only redraw). The attribute names passed are "Name", "Size",
// "Bold", "Weight", "Italic", "Underline", "Strikethrough" and "Charset". Subscribers run in
// the order they subscribed. A subscriber may unsubscribe itself or others while being
// notified; one removed during a notification is not called afterwards. Subscribing from a
// notification is allowed; the new subscriber is called from the next notification on.
//
// Subscriptions are RAII tokens: destroying the token removes the callback, so a holder that
// dies can never be called back. A token may outlive its font (it then does nothing).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tovarin::platform {

class Font {
 public:
  using Listener = std::function<void(std::string_view attribute_name)>;

  // The subscription token. Move-only; Reset() or destruction unsubscribes.
  class Subscription {
   public:
    Subscription() = default;
    Subscription(Subscription&& other) noexcept;
    Subscription& operator=(Subscription&& other) noexcept;
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription();

    void Reset();
    bool IsActive() const;

   private:
    friend class Font;
    struct Listeners;
    Subscription(std::weak_ptr<Listeners> listeners, std::uint64_t id);
    std::weak_ptr<Listeners> listeners_;
    std::uint64_t id_ = 0;
  };

  // The ambient default of a new form: "MS Sans Serif", 8.25 points, normal weight.
  static constexpr std::string_view kDefaultName = "MS Sans Serif";
  static constexpr double kDefaultSize = 8.25;
  static constexpr int kNormalWeight = 400;
  static constexpr int kBoldWeight = 700;
  // Currency values count ten-thousandths.
  static constexpr std::int64_t kCurrencyScale = 10000;

  Font();
  explicit Font(std::string name, double size_points = kDefaultSize, int weight = kNormalWeight,
                bool italic = false, bool underline = false, bool strikethrough = false,
                int charset = 0);
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;
  ~Font();

  static std::shared_ptr<Font> Create(std::string name, double size_points = kDefaultSize) {
    return std::make_shared<Font>(std::move(name), size_points);
  }

  // A new object with the same attributes and no subscribers.
  std::shared_ptr<Font> Clone() const;
  // True when every attribute is equal (subscribers are not compared).
  bool SameAttributes(const Font& other) const;

  const std::string& Name() const { return name_; }
  double Size() const { return static_cast<double>(size_currency_) / kCurrencyScale; }
  std::int64_t SizeCurrency() const { return size_currency_; }
  int Weight() const { return weight_; }
  bool Bold() const { return weight_ > 550; }
  bool Italic() const { return italic_; }
  bool Underline() const { return underline_; }
  bool Strikethrough() const { return strikethrough_; }
  int Charset() const { return charset_; }

  void SetName(std::string name);
  void SetSize(double size_points);
  void SetSizeCurrency(std::int64_t ten_thousandths);
  void SetWeight(int weight);
  void SetBold(bool bold);
  void SetItalic(bool italic);
  void SetUnderline(bool underline);
  void SetStrikethrough(bool strikethrough);
  void SetCharset(int charset);

  // Registers `listener`; it is called with the attribute name after every setter call.
  [[nodiscard]] Subscription Subscribe(Listener listener);
  int SubscriberCount() const;

 private:
  void Notify(std::string_view attribute_name);

  std::string name_;
  std::int64_t size_currency_ = 0;
  int weight_ = kNormalWeight;
  bool italic_ = false;
  bool underline_ = false;
  bool strikethrough_ = false;
  int charset_ = 0;
  std::shared_ptr<Subscription::Listeners> listeners_;
};

}  // namespace tovarin::platform
