// Term store: hash-consed formula and integer-term DAG of one benchmark.
//
// Every term is identified by a TermId; building a term that already exists
// returns the existing id, so equal structure means equal id.  Terms are
// immutable.  Constant arithmetic is folded while building.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace smt {

using TermId = uint32_t;
constexpr TermId kNoTerm = UINT32_MAX;

enum class Sort : uint8_t { Bool, Int };

enum class Kind : uint8_t {
  True,     // Boolean constant true
  False,    // Boolean constant false
  Num,      // integer numeral (value)
  App,      // uninterpreted function or predicate (sym) applied to children
  Not,      // Boolean negation
  And,      // n-ary conjunction
  Or,       // n-ary disjunction
  Implies,  // binary implication
  Iff,      // binary equivalence
  Xor,      // binary exclusive or
  IteBool,  // if-then-else on formulas (cond, then, else)
  IteInt,   // if-then-else on integer terms (cond, then, else)
  Eq,       // binary equality of integer terms
  Distinct, // pairwise difference of integer terms
  Lt,       // a < b
  Le,       // a <= b
  Add,      // n-ary sum
  Neg,      // unary minus
  Mul,      // numeral (value) times one child
};

// One step of a hash over a sequence: the term store's keys, symmetry's
// shapes and colours.
inline uint64_t mix(uint64_t h, uint64_t v) {
  h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
  return h * 0xBF58476D1CE4E5B9ull;
}

// True for kinds whose children may be reordered without changing meaning.
bool is_commutative(Kind kind);

// A declared function or predicate symbol.
struct Symbol {
  std::string name;
  std::vector<Sort> args; // argument sorts
  Sort result;            // Bool for predicates
};

// One node of the DAG.  Children live in the store's child array.
struct Node {
  Kind kind;
  Sort sort;
  uint32_t sym;   // symbol index for App, else 0
  int64_t value;  // numeral value for Num, factor for Mul, else 0
  uint32_t first; // index of the first child in the child array
  uint32_t count; // number of children
};

class TermStore {
public:
  TermStore();
  // A copy that grows on its own (its symbol index refers to its own names).
  TermStore(const TermStore &other);
  TermStore(TermStore &&other) = default;
  TermStore &operator=(const TermStore &) = delete;
  // Prepare for about this many terms (avoids rehashing while parsing).
  void reserve(size_t terms);

  // Declare a symbol; returns its index.  The caller checks for redeclaration.
  uint32_t declare(std::string name, std::vector<Sort> args, Sort result);
  // Index of a declared symbol, or UINT32_MAX.
  uint32_t find_symbol(std::string_view name) const;
  // The symbol with this index.
  const Symbol &symbol(uint32_t sym) const { return symbols_[sym]; }
  // The symbol's name, as a view that stays valid for the store's lifetime.
  std::string_view symbol_name(uint32_t sym) const { return names_[sym]; }
  // Number of declared symbols.
  size_t num_symbols() const { return symbols_.size(); }

  // Constants and numerals.
  TermId mk_true() const { return true_; }
  TermId mk_false() const { return false_; }
  TermId mk_bool(bool b) const { return b ? true_ : false_; }
  TermId mk_num(int64_t value);
  // Application of a declared symbol; arity and sorts are checked by the parser.
  TermId mk_app(uint32_t sym, const TermId *args, size_t n);
  // Generic constructor with folding of constant arithmetic and trivial cases.
  // Throws SmtError (without position) on arithmetic overflow.
  TermId mk(Kind kind, const TermId *args, size_t n, int64_t value = 0);
  TermId mk(Kind kind, std::initializer_list<TermId> args, int64_t value = 0) {
    return mk(kind, args.begin(), args.size(), value);
  }
  // While off, Boolean connectives are created without being shared (parsing
  // large files: they are rarely repeated, and looking them up costs a cache
  // miss each).  Numerals, applications, atoms and arithmetic are always shared.
  void share_connectives(bool on) { share_connectives_ = on; }
  // Look a node up without creating it; kNoTerm when absent.  No folding.
  TermId find(Kind kind, uint32_t sym, int64_t value, const TermId *args, size_t n) const;

  // Node access.
  const Node &node(TermId t) const { return nodes_[t]; }
  Kind kind(TermId t) const { return nodes_[t].kind; }
  Sort sort(TermId t) const { return nodes_[t].sort; }
  int64_t value(TermId t) const { return nodes_[t].value; }
  uint32_t num_children(TermId t) const { return nodes_[t].count; }
  TermId child(TermId t, uint32_t i) const { return children_[nodes_[t].first + i]; }
  const TermId *children(TermId t) const { return children_.data() + nodes_[t].first; }
  size_t size() const { return nodes_.size(); }
  // True for an App whose arguments are all numerals (a plain variable).
  bool is_ground_app(TermId t) const;
  // Per term: 1 when it is one of the roots or below one, else 0.
  std::vector<char> reachable(const std::vector<TermId> &roots) const;

  // Ground applications in order of first creation (= first occurrence in the text).
  const std::vector<TermId> &ground_apps() const { return ground_apps_; }

private:
  // Applications of one symbol to at most two small numerals, by slot; grown
  // only as far as the symbol's applications justify.
  struct AppCache {
    std::vector<TermId> slots; // kNoTerm = not cached
    uint32_t made = 0;         // distinct ground applications of the symbol
  };

  // The slot of the table holding this node, or the empty slot where it belongs.
  size_t probe(uint64_t h, Kind kind, uint32_t sym, int64_t value, const TermId *args,
               size_t n) const;
  TermId intern(Kind kind, Sort sort, uint32_t sym, int64_t value, const TermId *args, size_t n);
  uint64_t hash(Kind kind, uint32_t sym, int64_t value, const TermId *args, size_t n) const;
  bool equal(TermId t, Kind kind, uint32_t sym, int64_t value, const TermId *args, size_t n) const;
  void grow();
  void rehash(size_t size);
  TermId fold(Kind kind, const TermId *args, size_t n, int64_t value, bool &done);
  TermId fold_arith(Kind kind, const TermId *args, size_t n, int64_t value, bool &done);

  std::vector<Node> nodes_;
  std::vector<TermId> children_;
  std::vector<TermId> table_;  // open addressing, kNoTerm = empty
  std::vector<uint32_t> tags_; // high hash bits of each slot, checked before the node
  std::vector<Symbol> symbols_;
  std::deque<std::string> names_; // stable storage for the keys below
  std::unordered_map<std::string_view, uint32_t> symbol_index_;
  std::vector<TermId> small_nums_;  // numerals 0..kSmall-1, kNoTerm until built
  std::vector<AppCache> app_cache_; // per symbol
  std::vector<TermId> ground_apps_;
  std::vector<TermId> scratch_;
  TermId append(Kind kind, Sort sort, uint32_t sym, int64_t value, const TermId *args, size_t n);
  bool share_connectives_ = true;
  size_t entries_ = 0; // occupied slots of table_
  TermId true_, false_;
};

} // namespace smt
