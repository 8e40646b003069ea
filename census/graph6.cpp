#include "census/graph6.h"

#include <cstdio>

namespace census {

static constexpr std::string_view kPrefix = ">>graph6<<";

static bool blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view graph6_text(std::string_view s) {
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  if (s.substr(0, kPrefix.size()) == kPrefix) s.remove_prefix(kPrefix.size());
  return s;
}

// A character as a message shows it: 'c', or '\xNN' when not printable.
static std::string quoted(char c) {
  char buf[16];
  auto u = static_cast<unsigned char>(c);
  if (u >= 32 && u < 127 && c != '\'' && c != '\\')
    std::snprintf(buf, sizeof buf, "'%c'", c);
  else
    std::snprintf(buf, sizeof buf, "'\\x%02x'", u);
  return buf;
}

// The order announced by the header and the header's length; an error
// message otherwise.
static std::string read_header(std::string_view s, int64_t &order, size_t &length) {
  if (s.empty()) return "empty graph6 string";
  if (s[0] == ':' || s[0] == ';') return "sparse6 is not supported (only graph6)";
  if (s[0] == '&') return "digraph6 is not supported (only graph6)";
  for (char c : s)
    if (static_cast<unsigned char>(c) < 63 || static_cast<unsigned char>(c) > 126)
      return "invalid character " + quoted(c) + " in graph6 string";
  if (s[0] != '~') {
    order = s[0] - 63;
    length = 1;
    return "";
  }
  length = s.size() >= 2 && s[1] == '~' ? 8 : 4;
  if (s.size() < length) return "truncated graph6 header";
  order = 0;
  for (size_t i = length - (length == 8 ? 6 : 3); i < length; ++i) order = order << 6 | (s[i] - 63);
  return "";
}

static std::string too_many(int64_t n) {
  return "graph has " + std::to_string(n) + " vertices; wordrep-census accepts at most " +
         std::to_string(kMaxVertices);
}

Graph6 decode_graph6(std::string_view s) {
  Graph6 out;
  size_t start = 0;
  out.error = read_header(s, out.order, start);
  if (!out.error.empty()) return out;
  const int64_t n = out.order;
  if (n > (int64_t{1} << 20)) { // no line of the census is that long
    out.error = too_many(n);
    return out;
  }
  const uint64_t bits = static_cast<uint64_t>(n) * static_cast<uint64_t>(n - (n > 0)) / 2;
  const uint64_t bytes = (bits + 5) / 6;
  std::string_view body = s.substr(start);
  if (body.size() != bytes) {
    out.error = "graph6 string for " + std::to_string(n) + " vertices must have " +
                std::to_string(bytes) + " bytes after the size, not " + std::to_string(body.size());
    return out;
  }
  // Bits in column order x(0,1), x(0,2), x(1,2), x(0,3), ..., six to a byte.
  int64_t edges = 0;
  uint64_t k = 0;
  bool padding = false;
  for (int64_t j = 1; j < n; ++j)
    for (int64_t i = 0; i < j; ++i, ++k) {
      int set = ((body[k / 6] - 63) >> (5 - k % 6)) & 1;
      if (!set) continue;
      ++edges;
      if (n <= kMaxVertices) out.graph.add_edge(static_cast<int>(i), static_cast<int>(j));
    }
  for (; k < bytes * 6; ++k) padding |= ((body[k / 6] - 63) >> (5 - k % 6)) & 1;
  if (padding) {
    out.error = "graph6 padding bits are not zero";
    return out;
  }
  out.edges = edges;
  if (n > kMaxVertices) {
    out.error = too_many(n);
    return out;
  }
  out.graph.n = static_cast<int>(n);
  return out;
}

std::string encode_digraph6(int n, const std::vector<std::pair<int, int>> &arcs) {
  std::vector<bool> bit(static_cast<size_t>(n) * n);
  for (const auto &[u, v] : arcs) bit[static_cast<size_t>(u) * n + v] = true;
  std::string out = "&";
  if (n <= 62) {
    out += static_cast<char>(n + 63);
  } else { // "~" and n in three bytes of six bits (n < 2^18)
    out += '~';
    for (int shift = 12; shift >= 0; shift -= 6) out += static_cast<char>(((n >> shift) & 63) + 63);
  }
  for (size_t start = 0; start < bit.size(); start += 6) {
    int byte = 0;
    for (size_t k = start; k < start + 6; ++k) byte = byte << 1 | (k < bit.size() && bit[k]);
    out += static_cast<char>(byte + 63);
  }
  return out;
}

} // namespace census
