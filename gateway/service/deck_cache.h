#pragma once
// DeckCache: the decks the service fetched in the last minute, so moving to another card of the
// deck on screen ("#card" links, prev, refresh) shows it without fetching the deck again. A
// cache, not user state: any entry may be gone at the next request, and the service then
// fetches the deck.
//
// Entries are keyed by the address without its fragment together with the user's upstream
// cookie jar after the fetch, so one user's personal deck is never shown to another. Only
// successful GET responses are stored (the caller's rule). Bounded by entry count, total bytes
// and age; the least recently used entry goes first. Time is the caller's (steady clock), so
// tests drive it.

#include <chrono>
#include <cstddef>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tovarin::gateway {

inline constexpr std::size_t kDeckCacheEntries = 64;
inline constexpr std::size_t kDeckCacheBytes = 8u << 20;
inline constexpr std::chrono::seconds kDeckCacheLifetime{60};

struct CachedDeck {
  std::string final_url;  // after redirects, without fragment
  std::string content_type;
  std::string body;
};

class DeckCache {
 public:
  using Clock = std::chrono::steady_clock;

  // The deck stored for `url` (its fragment ignored) and `jar` within the last
  // kDeckCacheLifetime, or null. Shared so a 4 MiB deck is not copied per card.
  std::shared_ptr<const CachedDeck> Find(std::string_view url, std::string_view jar,
                                         Clock::time_point now);
  // Stores (or replaces) the deck for `url` and `jar`. A deck larger than kDeckCacheBytes alone
  // is not stored.
  void Store(std::string_view url, std::string_view jar, std::shared_ptr<const CachedDeck> deck,
             Clock::time_point now);

  std::size_t size() const { return entries_.size(); }
  std::size_t bytes() const { return bytes_; }

 private:
  struct Entry {
    std::string key;
    std::shared_ptr<const CachedDeck> deck;
    std::size_t bytes = 0;
    Clock::time_point stored;
  };
  using Order = std::list<Entry>;  // most recently used first

  static std::string Key(std::string_view url, std::string_view jar);
  void Remove(Order::iterator entry);
  void Trim();

  Order order_;
  std::unordered_map<std::string, Order::iterator> entries_;
  std::size_t bytes_ = 0;
};

}  // namespace tovarin::gateway
