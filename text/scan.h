// Scanning helpers shared by the two searches (findText and findTextFrom). Internal to
// text/: the searches differ in their rules, and these only make them fast.
//
// Both searches first find a raw match of the bytes and then ask whether it begins a
// character. A service answer can be megabytes long with the match at its end, so
// neither step may walk the text byte by byte from its start.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace ximing::scan {

inline unsigned char byteAt(std::string_view t, std::size_t i) {
  return static_cast<unsigned char>(t[i]);
}

inline unsigned char foldAscii(unsigned char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c;
}

// Whether `pos` begins a character, given that `known` (at most `pos`) does, where a
// byte of `leadFrom` or above begins a two-byte character.
//
// A byte below `leadFrom` never begins a two-byte character, so the byte after it
// always begins one, whether it stood alone or ended a two-byte character. From the
// last such place before `pos` (or from `known`) on, every byte is a first byte or a
// second byte in turn, so `pos` begins a character exactly when an even number of
// bytes lies between. Only the run of high bytes just before `pos` is looked at, and a
// caller that moves `known` up to each place it has decided reads every byte at most
// once.
inline bool beginsCharacter(std::string_view t, std::size_t known, std::size_t pos,
                            unsigned char leadFrom) {
  std::size_t k = pos;
  while (k > known && byteAt(t, k - 1) >= leadFrom) --k;
  return (pos - k) % 2 == 0;
}

// How common a byte is in the texts searched (the service's JSON answers: letters,
// digits, quotes, commas, colons, blanks, two-byte characters); higher is more common.
// Letters count without case. Unlisted ASCII bytes are the rarest.
inline int commonness(unsigned char c) {
  constexpr std::string_view kRareToCommon = "ZQXJKVBPGWYFMUCLDHRSNIOATE0123456789:,\" ";
  if (c >= 0x80) return static_cast<int>(kRareToCommon.size()) + 1;
  const std::size_t i = kRareToCommon.find(static_cast<char>(foldAscii(c)));
  return i == std::string_view::npos ? 0 : static_cast<int>(i) + 1;
}

// Finds `s` in `t` with ASCII letters matching in either case, one match after
// another. It scans with memchr for the least common byte of `s` and compares the rest
// only where that byte is, so that it reads the text about as fast as an exact search
// does. A letter is scanned for in both cases, a window at a time, so that the second
// scan finds the window still in the cache. Each scan remembers what it found until
// the search moves past it, so no byte is scanned twice for the same value.
class FoldedSearch {
 public:
  FoldedSearch(std::string_view t, std::string_view s) : t_(t), s_(s) {
    for (std::size_t k = 1; k < s.size(); ++k) {
      if (commonness(byteAt(s, k)) < commonness(byteAt(s, anchor_))) anchor_ = k;
    }
    const unsigned char a = foldAscii(byteAt(s, anchor_));
    upper_.byte = static_cast<char>(a);
    twoCases_ = a >= 'A' && a <= 'Z';
    lower_.byte = static_cast<char>(twoCases_ ? a + 32 : a);
  }

  // The index of the first match at or after `from`, or npos. `from` never decreases
  // from one call to the next.
  std::size_t next(std::size_t from) {
    while (from + s_.size() <= t_.size()) {
      const std::size_t p = nextAnchor(from + anchor_);
      if (p == std::string_view::npos) return p;
      const std::size_t i = p - anchor_;
      if (i + s_.size() > t_.size()) return std::string_view::npos;
      std::size_t k = 0;
      while (k < s_.size() && foldAscii(byteAt(t_, i + k)) == foldAscii(byteAt(s_, k))) ++k;
      if (k == s_.size()) return i;
      from = i + 1;
    }
    return std::string_view::npos;
  }

 private:
  static constexpr std::size_t kWindow = 16 * 1024;

  // The first byte value `byte` in a range of the text, remembering what it has seen:
  // `at` is the first `byte` at or after the last start asked for (npos: none before
  // `scannedTo`).
  struct ByteScan {
    char byte = 0;
    std::size_t at = std::string_view::npos;
    std::size_t scannedTo = 0;

    // The first `byte` in [from, limit), or npos; `from` never decreases.
    std::size_t find(std::string_view t, std::size_t from, std::size_t limit) {
      if (at != std::string_view::npos && at >= from)
        return at < limit ? at : std::string_view::npos;
      const std::size_t begin = std::max(from, scannedTo);
      if (begin >= limit) return std::string_view::npos;
      at = t.substr(0, limit).find(byte, begin);
      scannedTo = at == std::string_view::npos ? limit : at + 1;
      return at;
    }
  };

  // Where the anchor byte, in either case, next stands at or after `from`, or npos.
  std::size_t nextAnchor(std::size_t from) {
    if (!twoCases_) return upper_.find(t_, from, t_.size());
    // Windows are aligned, so that the scan that finds nothing covers each one once.
    for (std::size_t limit = from - from % kWindow; limit < t_.size();) {
      limit = std::min(t_.size(), limit + kWindow);
      const std::size_t p = std::min(upper_.find(t_, from, limit), lower_.find(t_, from, limit));
      if (p != std::string_view::npos) return p;
    }
    return std::string_view::npos;
  }

  std::string_view t_;
  std::string_view s_;
  std::size_t anchor_ = 0;
  bool twoCases_ = false;
  ByteScan upper_;
  ByteScan lower_;
};

}  // namespace ximing::scan
