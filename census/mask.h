// Vertex sets of the census: 256 bits, vertex v as bit v.
//
// A Mask is a value of four 64-bit words.  Its operators are those of an
// unsigned integer used as a bit set (&, |, ^, ~ and their assignments, ==,
// a test for emptiness); a range for walks its vertices in increasing order.
#pragma once

#include <cstdint>

namespace census {

// A set of at most 256 vertices, vertex v as bit v.
class Mask {
public:
  static constexpr int kWords = 4;
  static constexpr int kBits = 64 * kWords;

  // The empty set.
  constexpr Mask() = default;

  // Whether v is in the set.
  bool has(int v) const { return (w_[v >> 6] >> (v & 63)) & 1u; }
  // Whether the set has a vertex (a Mask tests like an integer).
  explicit operator bool() const { return (w_[0] | w_[1] | w_[2] | w_[3]) != 0; }
  // Adds v.
  Mask &add(int v) {
    w_[v >> 6] |= uint64_t{1} << (v & 63);
    return *this;
  }
  // Removes v.
  Mask &remove(int v) {
    w_[v >> 6] &= ~(uint64_t{1} << (v & 63));
    return *this;
  }
  // Number of vertices.
  int count() const {
    int c = 0;
    for (uint64_t w : w_)
      if (w) c += ones(w);
    return c;
  }
  // The smallest vertex (the set must not be empty).
  int first() const {
    int i = 0;
    while (!w_[i]) ++i;
    return 64 * i + __builtin_ctzll(w_[i]);
  }
  // The vertices 64 i .. 64 i + 63 as the bits of a word.
  uint64_t word(int i) const { return w_[i]; }
  // Removes the smallest vertex (a nonempty set): m &= m - 1 of an integer.
  void drop_first() {
    int i = 0;
    while (!w_[i]) ++i;
    w_[i] &= w_[i] - 1;
  }
  // The vertices 0 .. v-1 (0 <= v <= kBits).
  static Mask below(int v) {
    Mask m;
    for (int i = 0; i < kWords; ++i, v -= 64)
      m.w_[i] = v >= 64 ? ~uint64_t{0} : v <= 0 ? 0 : (uint64_t{1} << v) - 1;
    return m;
  }

  Mask &operator&=(const Mask &o) {
    for (int i = 0; i < kWords; ++i) w_[i] &= o.w_[i];
    return *this;
  }
  Mask &operator|=(const Mask &o) {
    for (int i = 0; i < kWords; ++i) w_[i] |= o.w_[i];
    return *this;
  }
  Mask &operator^=(const Mask &o) {
    for (int i = 0; i < kWords; ++i) w_[i] ^= o.w_[i];
    return *this;
  }
  Mask operator~() const {
    Mask m;
    for (int i = 0; i < kWords; ++i) m.w_[i] = ~w_[i];
    return m;
  }
  friend Mask operator&(Mask a, const Mask &b) { return a &= b; }
  friend Mask operator|(Mask a, const Mask &b) { return a |= b; }
  friend Mask operator^(Mask a, const Mask &b) { return a ^= b; }
  friend bool operator==(const Mask &a, const Mask &b) {
    return ((a.w_[0] ^ b.w_[0]) | (a.w_[1] ^ b.w_[1]) | (a.w_[2] ^ b.w_[2]) |
            (a.w_[3] ^ b.w_[3])) == 0;
  }
  friend bool operator!=(const Mask &a, const Mask &b) { return !(a == b); }

  // Walks the vertices in increasing order: for (int v : m).
  class Iterator;
  Iterator begin() const;
  Iterator end() const;

private:
  // The bits set in w, inline: the builtin is a library call on the baseline
  // x86-64 target, four of them a set.
  static int ones(uint64_t w) {
    w -= (w >> 1) & 0x5555555555555555u;
    w = (w & 0x3333333333333333u) + ((w >> 2) & 0x3333333333333333u);
    w = (w + (w >> 4)) & 0x0f0f0f0f0f0f0f0fu;
    return static_cast<int>((w * 0x0101010101010101u) >> 56);
  }

  uint64_t w_[kWords] = {};
};

// The vertices of a set not walked yet.
class Mask::Iterator {
public:
  explicit Iterator(const Mask &m) : rest_(m) {}
  int operator*() const { return rest_.first(); }
  Iterator &operator++() {
    rest_.drop_first();
    return *this;
  }
  // Only the end of a walk differs from an unfinished one.
  bool operator!=(const Iterator &) const { return static_cast<bool>(rest_); }

private:
  Mask rest_;
};

inline Mask::Iterator Mask::begin() const {
  return Iterator(*this);
}
inline Mask::Iterator Mask::end() const {
  return Iterator(Mask{});
}

} // namespace census
