// The handles an HTTP client gives out. Each names one entry (a session, a connection or
// a request) and remembers the handle it was opened within. Closing a handle closes what
// was opened within it first, newest first, so an entry is always released before the
// entry it depends on. Handle values count up and are never reused: a handle that was
// closed, or never given out, is simply unknown, and can never reach a later entry.
#pragma once

#include <iterator>
#include <map>
#include <set>
#include <utility>

#include "web/http_client.h"

namespace ximing {

// `Entry` releases what it holds in its destructor.
template <typename Entry>
class HandleTable {
 public:
  HandleTable() = default;
  HandleTable(const HandleTable&) = delete;
  HandleTable& operator=(const HandleTable&) = delete;
  ~HandleTable() {
    while (!slots_.empty()) slots_.erase(std::prev(slots_.end()));
  }

  // A new handle for `entry`, opened within `parent` (0 for none).
  HttpHandle add(HttpHandle parent, Entry entry) {
    const HttpHandle handle = ++last_;
    slots_.emplace(handle, Slot{parent, std::move(entry)});
    return handle;
  }

  // The entry of `handle`; null when the handle is unknown.
  Entry* find(HttpHandle handle) {
    const auto it = slots_.find(handle);
    return it == slots_.end() ? nullptr : &it->second.entry;
  }

  // Releases `handle` and everything opened within it; an unknown handle is ignored.
  void close(HttpHandle handle) {
    const auto first = slots_.find(handle);
    if (first == slots_.end()) return;
    // A child is always newer than its parent, so one pass in handle order finds
    // every descendant.
    std::set<HttpHandle> doomed{handle};
    for (auto it = std::next(first); it != slots_.end(); ++it) {
      if (doomed.count(it->second.parent)) doomed.insert(it->first);
    }
    for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) slots_.erase(*it);
  }

 private:
  struct Slot {
    HttpHandle parent;
    Entry entry;
  };
  std::map<HttpHandle, Slot> slots_;
  HttpHandle last_ = 0;
};

}  // namespace ximing
