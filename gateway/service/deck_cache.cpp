#include "gateway/service/deck_cache.h"

#include <iterator>
#include <utility>

#include "gateway/url.h"

namespace tovarin::gateway {

std::string DeckCache::Key(std::string_view url, std::string_view jar) {
  std::string key = UrlWithoutFragment(url);
  key += '\n';  // cannot occur in a URL
  key += jar;
  return key;
}

std::shared_ptr<const CachedDeck> DeckCache::Find(std::string_view url, std::string_view jar,
                                                  Clock::time_point now) {
  auto found = entries_.find(Key(url, jar));
  if (found == entries_.end()) return nullptr;
  Order::iterator entry = found->second;
  if (now - entry->stored > kDeckCacheLifetime || now < entry->stored) {
    Remove(entry);
    return nullptr;
  }
  order_.splice(order_.begin(), order_, entry);
  return entry->deck;
}

void DeckCache::Store(std::string_view url, std::string_view jar,
                      std::shared_ptr<const CachedDeck> deck, Clock::time_point now) {
  if (!deck) return;
  std::string key = Key(url, jar);
  std::size_t bytes =
      key.size() + deck->final_url.size() + deck->content_type.size() + deck->body.size();
  if (auto found = entries_.find(key); found != entries_.end()) Remove(found->second);
  if (bytes > kDeckCacheBytes) return;
  order_.push_front(Entry{key, std::move(deck), bytes, now});
  entries_.emplace(std::move(key), order_.begin());
  bytes_ += bytes;
  Trim();
}

void DeckCache::Remove(Order::iterator entry) {
  bytes_ -= entry->bytes;
  entries_.erase(entry->key);
  order_.erase(entry);
}

void DeckCache::Trim() {
  while (!order_.empty() && (order_.size() > kDeckCacheEntries || bytes_ > kDeckCacheBytes)) {
    Remove(std::prev(order_.end()));
  }
}

}  // namespace tovarin::gateway
