#include "solver/terms.h"

#include "solver/error.h"

#include <algorithm>

namespace smt {

bool is_commutative(Kind kind) {
  switch (kind) {
  case Kind::And:
  case Kind::Or:
  case Kind::Iff:
  case Kind::Xor:
  case Kind::Eq:
  case Kind::Distinct:
  case Kind::Add:
    return true;
  default:
    return false;
  }
}

static Sort sort_of(Kind kind) {
  switch (kind) {
  case Kind::Num:
  case Kind::IteInt:
  case Kind::Add:
  case Kind::Neg:
  case Kind::Mul:
    return Sort::Int;
  default:
    return Sort::Bool;
  }
}

TermStore::TermStore() : table_(1024, kNoTerm), tags_(1024, 0) {
  true_ = intern(Kind::True, Sort::Bool, 0, 0, nullptr, 0);
  false_ = intern(Kind::False, Sort::Bool, 0, 0, nullptr, 0);
}

TermStore::TermStore(const TermStore &other)
    : nodes_(other.nodes_), children_(other.children_), table_(other.table_), tags_(other.tags_),
      symbols_(other.symbols_), names_(other.names_), small_nums_(other.small_nums_),
      app_cache_(other.app_cache_), ground_apps_(other.ground_apps_),
      share_connectives_(other.share_connectives_), entries_(other.entries_), true_(other.true_),
      false_(other.false_) {
  for (uint32_t i = 0; i < names_.size(); ++i)
    symbol_index_.emplace(std::string_view(names_[i]), i);
}

uint32_t TermStore::declare(std::string name, std::vector<Sort> args, Sort result) {
  auto index = static_cast<uint32_t>(symbols_.size());
  names_.push_back(name);
  symbol_index_.emplace(std::string_view(names_.back()), index);
  symbols_.push_back(Symbol{std::move(name), std::move(args), result});
  app_cache_.emplace_back();
  return index;
}

uint32_t TermStore::find_symbol(std::string_view name) const {
  auto it = symbol_index_.find(name);
  return it == symbol_index_.end() ? UINT32_MAX : it->second;
}

bool TermStore::is_ground_app(TermId t) const {
  if (kind(t) != Kind::App) return false;
  for (uint32_t i = 0; i < num_children(t); ++i)
    if (kind(child(t, i)) != Kind::Num) return false;
  return true;
}

std::vector<char> TermStore::reachable(const std::vector<TermId> &roots) const {
  std::vector<char> reach(nodes_.size(), 0);
  for (TermId r : roots) reach[r] = 1;
  // Children always have smaller ids than their parents.
  for (TermId t = static_cast<TermId>(nodes_.size()); t-- > 0;)
    if (reach[t])
      for (uint32_t i = 0; i < num_children(t); ++i) reach[child(t, i)] = 1;
  return reach;
}

uint64_t TermStore::hash(Kind kind, uint32_t sym, int64_t value, const TermId *args,
                         size_t n) const {
  uint64_t h = static_cast<uint64_t>(kind) * 0x9E3779B97F4A7C15ull;
  h ^= (sym + 0x51ull) * 0xC2B2AE3D27D4EB4Full;
  h ^= static_cast<uint64_t>(value) * 0x165667B19E3779F9ull;
  for (size_t i = 0; i < n; ++i) h = mix(h, args[i]);
  h ^= h >> 29;
  h *= 0xBF58476D1CE4E5B9ull;
  h ^= h >> 32;
  return h;
}

bool TermStore::equal(TermId t, Kind kind, uint32_t sym, int64_t value, const TermId *args,
                      size_t n) const {
  const Node &nd = nodes_[t];
  if (nd.kind != kind || nd.sym != sym || nd.value != value || nd.count != n) return false;
  const TermId *c = children_.data() + nd.first;
  for (size_t i = 0; i < n; ++i)
    if (c[i] != args[i]) return false;
  return true;
}

void TermStore::reserve(size_t terms) {
  nodes_.reserve(terms);
  children_.reserve(terms * 3);
  size_t size = table_.size();
  while (size < terms * 2) size *= 2;
  if (size > table_.size()) rehash(size);
}

void TermStore::grow() {
  rehash(table_.size() * 2);
}

void TermStore::rehash(size_t size) {
  std::vector<TermId> bigger(size, kNoTerm);
  std::vector<uint32_t> tags(size, 0);
  size_t mask = size - 1;
  for (size_t slot = 0; slot < table_.size(); ++slot) {
    TermId t = table_[slot];
    if (t == kNoTerm) continue;
    const Node &nd = nodes_[t];
    uint64_t h = hash(nd.kind, nd.sym, nd.value, children_.data() + nd.first, nd.count);
    size_t pos = h & mask;
    while (bigger[pos] != kNoTerm) pos = (pos + 1) & mask;
    bigger[pos] = t;
    tags[pos] = static_cast<uint32_t>(h >> 32);
  }
  table_.swap(bigger);
  tags_.swap(tags);
}

size_t TermStore::probe(uint64_t h, Kind kind, uint32_t sym, int64_t value, const TermId *args,
                        size_t n) const {
  size_t mask = table_.size() - 1;
  auto tag = static_cast<uint32_t>(h >> 32);
  size_t pos = h & mask;
  while (table_[pos] != kNoTerm) {
    if (tags_[pos] == tag && equal(table_[pos], kind, sym, value, args, n)) return pos;
    pos = (pos + 1) & mask;
  }
  return pos;
}

TermId TermStore::find(Kind kind, uint32_t sym, int64_t value, const TermId *args, size_t n) const {
  return table_[probe(hash(kind, sym, value, args, n), kind, sym, value, args, n)];
}

TermId TermStore::intern(Kind kind, Sort sort, uint32_t sym, int64_t value, const TermId *args,
                         size_t n) {
  uint64_t h = hash(kind, sym, value, args, n);
  size_t pos = probe(h, kind, sym, value, args, n);
  if (table_[pos] != kNoTerm) return table_[pos];
  TermId id = append(kind, sort, sym, value, args, n);
  table_[pos] = id;
  tags_[pos] = static_cast<uint32_t>(h >> 32);
  if (++entries_ * 2 > table_.size()) grow();
  return id;
}

TermId TermStore::append(Kind kind, Sort sort, uint32_t sym, int64_t value, const TermId *args,
                         size_t n) {
  auto id = static_cast<TermId>(nodes_.size());
  nodes_.push_back(Node{kind, sort, sym, value, static_cast<uint32_t>(children_.size()),
                        static_cast<uint32_t>(n)});
  children_.insert(children_.end(), args, args + n);
  return id;
}

TermId TermStore::mk_num(int64_t value) {
  constexpr int64_t kSmall = 1024;
  if (value >= 0 && value < kSmall) {
    if (small_nums_.empty()) small_nums_.assign(kSmall, kNoTerm);
    TermId &t = small_nums_[static_cast<size_t>(value)];
    if (t == kNoTerm) t = intern(Kind::Num, Sort::Int, 0, value, nullptr, 0);
    return t;
  }
  return intern(Kind::Num, Sort::Int, 0, value, nullptr, 0);
}

TermId TermStore::mk_app(uint32_t sym, const TermId *args, size_t n) {
  // Slots: 0 for no argument, 1 + a for one, 1 + kDense + a * kDense + b for two.
  constexpr int64_t kDense = 64;
  size_t slot = SIZE_MAX;
  AppCache &cache = app_cache_[sym];
  if (n <= 2) {
    int64_t a = n > 0 ? nodes_[args[0]].value : 0, b = n > 1 ? nodes_[args[1]].value : 0;
    bool small = (n < 1 || nodes_[args[0]].kind == Kind::Num) &&
                 (n < 2 || nodes_[args[1]].kind == Kind::Num) && a >= 0 && a < kDense && b >= 0 &&
                 b < kDense;
    if (small) {
      slot = static_cast<size_t>(n == 0 ? 0 : n == 1 ? 1 + a : 1 + kDense + a * kDense + b);
      if (slot < cache.slots.size()) {
        if (cache.slots[slot] != kNoTerm) return cache.slots[slot];
      } else if (slot < size_t(kDense) + 4 * size_t(cache.made)) {
        cache.slots.resize(slot + 1, kNoTerm); // at most 4 slots per application made
      } else {
        slot = SIZE_MAX;
      }
    }
  }
  size_t before = nodes_.size();
  TermId t = intern(Kind::App, symbols_[sym].result, sym, 0, args, n);
  if (nodes_.size() != before && is_ground_app(t)) {
    ground_apps_.push_back(t);
    ++cache.made;
  }
  if (slot != SIZE_MAX) cache.slots[slot] = t;
  return t;
}

static int64_t checked_add(int64_t a, int64_t b) {
  int64_t r;
  if (__builtin_add_overflow(a, b, &r)) throw SmtError("integer overflow in constant arithmetic");
  return r;
}

static int64_t checked_mul(int64_t a, int64_t b) {
  int64_t r;
  if (__builtin_mul_overflow(a, b, &r)) throw SmtError("integer overflow in constant arithmetic");
  return r;
}

// Folds constant and trivial cases; sets done when the result is final.
TermId TermStore::fold(Kind kind, const TermId *args, size_t n, int64_t value, bool &done) {
  done = true;
  auto is_num = [&](TermId t) { return nodes_[t].kind == Kind::Num; };
  switch (kind) {
  case Kind::Not:
    if (args[0] == true_) return false_;
    if (args[0] == false_) return true_;
    if (nodes_[args[0]].kind == Kind::Not) return child(args[0], 0);
    break;
  case Kind::And:
  case Kind::Or: {
    TermId unit = kind == Kind::And ? true_ : false_;
    TermId zero = kind == Kind::And ? false_ : true_;
    scratch_.clear();
    for (size_t i = 0; i < n; ++i) {
      if (args[i] == zero) return zero;
      if (args[i] != unit) scratch_.push_back(args[i]);
    }
    if (scratch_.empty()) return unit;
    if (scratch_.size() == 1) return scratch_[0];
    if (scratch_.size() != n) {
      std::vector<TermId> kept(scratch_);
      return intern(kind, Sort::Bool, 0, 0, kept.data(), kept.size());
    }
    break;
  }
  case Kind::Implies:
    if (args[0] == false_ || args[1] == true_) return true_;
    if (args[0] == true_) return args[1];
    break;
  case Kind::IteBool:
  case Kind::IteInt:
    if (args[0] == true_) return args[1];
    if (args[0] == false_) return args[2];
    if (args[1] == args[2]) return args[1];
    break;
  case Kind::Eq:
    if (args[0] == args[1]) return true_;
    if (is_num(args[0]) && is_num(args[1])) return false_;
    break;
  case Kind::Lt:
    if (args[0] == args[1]) return false_;
    if (is_num(args[0]) && is_num(args[1]))
      return mk_bool(nodes_[args[0]].value < nodes_[args[1]].value);
    break;
  case Kind::Le:
    if (args[0] == args[1]) return true_;
    if (is_num(args[0]) && is_num(args[1]))
      return mk_bool(nodes_[args[0]].value <= nodes_[args[1]].value);
    break;
  case Kind::Distinct: {
    if (n <= 1) return true_;
    std::vector<TermId> sorted(args, args + n);
    std::sort(sorted.begin(), sorted.end());
    if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) return false_;
    break;
  }
  case Kind::Add:
  case Kind::Neg:
  case Kind::Mul:
    return fold_arith(kind, args, n, value, done);
  default:
    break;
  }
  done = false;
  return kNoTerm;
}

// Folds constant sums, negations and multiples; sets done when the result is final.
TermId TermStore::fold_arith(Kind kind, const TermId *args, size_t n, int64_t value, bool &done) {
  done = true;
  auto is_num = [&](TermId t) { return nodes_[t].kind == Kind::Num; };
  switch (kind) {
  case Kind::Add: {
    int64_t sum = 0;
    bool all = true;
    for (size_t i = 0; i < n; ++i) {
      if (is_num(args[i]))
        sum = checked_add(sum, nodes_[args[i]].value);
      else
        all = false;
    }
    if (all) return mk_num(sum);
    if (n == 1) return args[0];
    break;
  }
  case Kind::Neg:
    if (is_num(args[0])) {
      if (nodes_[args[0]].value == INT64_MIN)
        throw SmtError("integer overflow in constant arithmetic");
      return mk_num(-nodes_[args[0]].value);
    }
    break;
  case Kind::Mul:
    if (is_num(args[0])) return mk_num(checked_mul(value, nodes_[args[0]].value));
    if (value == 1) return args[0];
    if (value == 0) return mk_num(0);
    break;
  default:
    break;
  }
  done = false;
  return kNoTerm;
}

TermId TermStore::mk(Kind kind, const TermId *args, size_t n, int64_t value) {
  bool done = false;
  TermId folded = fold(kind, args, n, value, done);
  if (done) return folded;
  bool connective = kind == Kind::Not || kind == Kind::And || kind == Kind::Or ||
                    kind == Kind::Implies || kind == Kind::Iff || kind == Kind::Xor ||
                    kind == Kind::IteBool;
  if (connective && !share_connectives_) return append(kind, Sort::Bool, 0, value, args, n);
  return intern(kind, sort_of(kind), 0, value, args, n);
}

} // namespace smt
