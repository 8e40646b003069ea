#include "census/graph6.h"

#include <cstdio>

namespace census {

static constexpr std::string_view kPrefix = ">>graph6<<", kSparsePrefix = ">>sparse6<<";

static bool blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view graph6_text(std::string_view s) {
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  if (s.substr(0, kPrefix.size()) == kPrefix) s.remove_prefix(kPrefix.size());
  if (s.substr(0, kSparsePrefix.size()) == kSparsePrefix) s.remove_prefix(kSparsePrefix.size());
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

// The order announced by the size code that begins s (the characters after
// the format's mark, all of them checked) and the code's length; an error
// message naming format otherwise.
static std::string read_size(std::string_view s, const char *format, int64_t &order,
                             size_t &length) {
  for (char c : s)
    if (static_cast<unsigned char>(c) < 63 || static_cast<unsigned char>(c) > 126)
      return "invalid character " + quoted(c) + " in " + format + " string";
  if (s.empty()) return std::string("truncated ") + format + " header";
  if (s[0] != '~') {
    order = s[0] - 63;
    length = 1;
    return "";
  }
  length = s.size() >= 2 && s[1] == '~' ? 8 : 4;
  if (s.size() < length) return std::string("truncated ") + format + " header";
  order = 0;
  for (size_t i = length - (length == 8 ? 6 : 3); i < length; ++i) order = order << 6 | (s[i] - 63);
  return "";
}

// The order announced by a graph6 header and the header's length; an error
// message otherwise.
static std::string read_header(std::string_view s, int64_t &order, size_t &length) {
  if (s.empty()) return "empty graph6 string";
  if (s[0] == '&') return "digraph6 is not supported (only graph6 and sparse6)";
  return read_size(s, "graph6", order, length);
}

static std::string too_many(int64_t n) {
  return "graph has " + std::to_string(n) + " vertices; wordrep-census accepts at most " +
         std::to_string(kMaxVertices);
}

static Graph6 decode_sparse6(std::string_view s);

// out, its body decoded with edges edges: the graph, or refused over the limit.
static Graph6 decoded(Graph6 &out, int64_t n, int64_t edges) {
  out.edges = edges;
  if (n > kMaxVertices)
    out.error = too_many(n);
  else
    out.graph.n = static_cast<int>(n);
  return out;
}

Graph6 decode_graph6(std::string_view s) {
  if (!s.empty() && (s[0] == ':' || s[0] == ';')) return decode_sparse6(s);
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
  return decoded(out, n, edges);
}

// The size code of n vertices: n + 63, or "~" and n in three bytes of six
// bits (n < 2^18).
static std::string size_code(int n) {
  if (n <= 62) return std::string(1, static_cast<char>(n + 63));
  std::string out = "~";
  for (int shift = 12; shift >= 0; shift -= 6) out += static_cast<char>(((n >> shift) & 63) + 63);
  return out;
}

std::string encode_digraph6(int n, const std::vector<std::pair<int, int>> &arcs) {
  std::vector<bool> bit(static_cast<size_t>(n) * n);
  for (const auto &[u, v] : arcs) bit[static_cast<size_t>(u) * n + v] = true;
  std::string out = "&" + size_code(n);
  for (size_t start = 0; start < bit.size(); start += 6) {
    int byte = 0;
    for (size_t k = start; k < start + 6; ++k) byte = byte << 1 | (k < bit.size() && bit[k]);
    out += static_cast<char>(byte + 63);
  }
  return out;
}

// The bits of a sparse6 body, most significant first in each byte.
class BitReader {
public:
  explicit BitReader(std::string_view body) : body_(body) {}
  // The next count bits as a number; false when fewer remain.
  bool take(int count, int64_t &value) {
    if (static_cast<uint64_t>(count) > body_.size() * 6 - pos_) return false;
    value = 0;
    for (int i = 0; i < count; ++i, ++pos_)
      value = value << 1 | (((body_[pos_ / 6] - 63) >> (5 - pos_ % 6)) & 1);
    return true;
  }

private:
  std::string_view body_;
  uint64_t pos_ = 0;
};

// decode_graph6 for a sparse6 string: a loop or an edge given twice is
// refused (the census answers simple graphs), and so is the incremental form.
static Graph6 decode_sparse6(std::string_view s) {
  Graph6 out;
  if (s.substr(0, 1) == ";") {
    out.error = "incremental sparse6 (';') is not supported";
    return out;
  }
  size_t length = 0;
  out.error = read_size(s.substr(1), "sparse6", out.order, length);
  if (!out.error.empty()) return out;
  const int64_t n = out.order;
  int bits = 0; // the bits of n - 1
  for (int64_t rest = n - 1; rest > 0; rest >>= 1) ++bits;
  // Units of one bit b and bits bits x: b moves the current vertex v on by
  // one; x > v makes x current; else x v is an edge (while v < n).
  BitReader body(s.substr(1 + length));
  int64_t v = 0, b = 0, x = 0, edges = 0;
  while (body.take(1, b) && body.take(bits, x)) {
    v += b;
    if (x > v) {
      v = x;
      continue;
    }
    if (v >= n) continue; // padding
    if (x == v) {
      out.error = "sparse6 string has a loop at vertex " + std::to_string(v + 1);
      return out;
    }
    ++edges;
    if (n > kMaxVertices) continue;
    const int a = static_cast<int>(x), c = static_cast<int>(v);
    if (out.graph.adjacent(a, c)) {
      out.error = "sparse6 string gives the edge " + std::to_string(a + 1) + "-" +
                  std::to_string(c + 1) + " twice";
      return out;
    }
    out.graph.add_edge(a, c);
  }
  return decoded(out, n, edges);
}

std::string encode_graph6(const Graph &g) {
  const int n = g.n;
  std::string out = size_code(n);
  int byte = 0, used = 0;
  for (int j = 1; j < n; ++j)
    for (int i = 0; i < j; ++i) {
      byte = byte << 1 | g.adjacent(i, j);
      if (++used == 6) {
        out += static_cast<char>(byte + 63);
        byte = used = 0;
      }
    }
  if (used) out += static_cast<char>((byte << (6 - used)) + 63);
  return out;
}

} // namespace census
