#include "solver/smt2.h"

#include <unordered_set>

namespace smt {

namespace {

// SMT-LIB 2 words a user symbol must not collide with.
bool reserved(const std::string &name) {
  static const std::unordered_set<std::string> words = {
      "assert", "check-sat", "declare-fun", "define-fun", "distinct", "exists", "forall",
      "ite",    "let",       "not",         "and",        "or",       "xor",    "true",
      "false",  "Int",       "Bool",        "par",        "as",       "_",      "!",
      "div",    "mod",       "abs",         "to_real",    "to_int",   "is_int", "Real"};
  return words.count(name) > 0;
}

std::string symbol_text(const std::string &name) {
  bool simple = !name.empty() && !(name[0] >= '0' && name[0] <= '9');
  for (char c : name) {
    bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              std::string("~!@$%^&*_-+=<>.?/").find(c) != std::string::npos;
    simple = simple && ok;
  }
  if (simple && !reserved(name)) return name;
  std::string quoted = "|";
  for (char c : name)
    if (c != '|' && c != '\\') quoted += c;
  return quoted + "|";
}

// The SMT-LIB 2 name of an operator kind.
const char *op_name(Kind kind) {
  switch (kind) {
  case Kind::Not:
    return "not";
  case Kind::And:
    return "and";
  case Kind::Or:
    return "or";
  case Kind::Implies:
    return "=>";
  case Kind::Iff:
  case Kind::Eq:
    return "=";
  case Kind::Xor:
    return "xor";
  case Kind::IteBool:
  case Kind::IteInt:
    return "ite";
  case Kind::Distinct:
    return "distinct";
  case Kind::Lt:
    return "<";
  case Kind::Le:
    return "<=";
  case Kind::Add:
    return "+";
  case Kind::Neg:
    return "-";
  default:
    return "?"; // constants, numerals, applications and multiples are printed apart
  }
}

class Writer {
public:
  explicit Writer(const Benchmark &bench) : b_(bench), s_(bench.store), refs_(s_.size(), 0) {}

  std::string run() {
    size_t n = s_.size();
    std::vector<char> reach = s_.reachable(b_.assertions);
    for (TermId t = 0; t < n; ++t)
      if (reach[t])
        for (uint32_t i = 0; i < s_.num_children(t); ++i) ++refs_[s_.child(t, i)];
    bool uf = false;
    for (size_t i = 0; i < s_.num_symbols(); ++i) uf = uf || !s_.symbol(i).args.empty();
    out_ += "(set-option :produce-models true)\n";
    out_ += uf ? "(set-logic QF_UFLIA)\n" : "(set-logic QF_LIA)\n";
    for (size_t i = 0; i < s_.num_symbols(); ++i) {
      const Symbol &sym = s_.symbol(i);
      out_ += "(declare-fun " + symbol_text(sym.name) + " (";
      for (size_t j = 0; j < sym.args.size(); ++j) out_ += j ? " Int" : "Int";
      out_ += sym.result == Sort::Bool ? ") Bool)\n" : ") Int)\n";
    }
    // Shared compound subterms become definitions, in dependency order.
    names_.assign(n, std::string());
    for (TermId t = 0; t < n; ++t) {
      if (!reach[t] || refs_[t] < 2 || !compound(t)) continue;
      std::string body;
      print(t, body);
      names_[t] = "_t" + std::to_string(t);
      out_ += "(define-fun " + names_[t] + (s_.sort(t) == Sort::Bool ? " () Bool " : " () Int ") +
              body + ")\n";
    }
    for (TermId a : b_.assertions) {
      out_ += "(assert ";
      print(a, out_);
      out_ += ")\n";
    }
    out_ += "(check-sat)\n";
    const auto &apps = s_.ground_apps();
    if (!apps.empty()) {
      out_ += "(get-value (";
      for (size_t i = 0; i < apps.size(); ++i) {
        if (i) out_ += ' ';
        print(apps[i], out_);
      }
      out_ += "))\n";
    }
    return out_;
  }

private:
  bool compound(TermId t) const {
    Kind k = s_.kind(t);
    return k != Kind::True && k != Kind::False && k != Kind::Num && k != Kind::App &&
           k != Kind::Eq && k != Kind::Lt && k != Kind::Le && k != Kind::Not;
  }

  static void print_int(int64_t v, std::string &o) {
    std::string digits = std::to_string(v);
    o += v < 0 ? "(- " + digits.substr(1) + ")" : digits;
  }

  // The term, or its name when it is defined; an application of a symbol or
  // an operator as "(head child ...)".
  void print(TermId t, std::string &o) const {
    if (!names_.empty() && !names_[t].empty()) {
      o += names_[t];
      return;
    }
    switch (s_.kind(t)) {
    case Kind::True:
      o += "true";
      return;
    case Kind::False:
      o += "false";
      return;
    case Kind::Num:
      print_int(s_.value(t), o);
      return;
    case Kind::Mul:
      o += "(* ";
      print_int(s_.value(t), o);
      o += ' ';
      print(s_.child(t, 0), o);
      o += ')';
      return;
    case Kind::App:
      if (s_.num_children(t) > 0) break;
      o += symbol_text(s_.symbol(s_.node(t).sym).name);
      return;
    default:
      break;
    }
    o += '(';
    if (s_.kind(t) == Kind::App)
      o += symbol_text(s_.symbol(s_.node(t).sym).name);
    else
      o += op_name(s_.kind(t));
    for (uint32_t i = 0; i < s_.num_children(t); ++i) {
      o += ' ';
      print(s_.child(t, i), o);
    }
    o += ')';
  }

  const Benchmark &b_;
  const TermStore &s_;
  std::vector<uint32_t> refs_;
  std::vector<std::string> names_;
  std::string out_;
};

} // namespace

std::string to_smt2(const Benchmark &bench) {
  return Writer(bench).run();
}

} // namespace smt
