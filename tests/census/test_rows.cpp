// Census rows in CSV and JSON lines against the shared row vectors
// (tests/vectors/rows.tsv), which the Python tests read as well: each graph
// answered alone, with the options of its line, in a census of its own.
#include "census/census.h"
#include "census/rows.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Fields = std::vector<std::string>;

// The lines of the vectors of one kind, each its fields after the kind.
std::vector<Fields> cases(const std::string &kind) {
  std::ifstream in(WORDREP_ROW_VECTORS);
  EXPECT_TRUE(in) << "cannot read " << WORDREP_ROW_VECTORS;
  std::vector<Fields> out;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    Fields fields;
    std::stringstream s(line);
    for (std::string f; std::getline(s, f, '\t');) fields.push_back(f);
    if (fields[0] == kind) out.emplace_back(fields.begin() + 1, fields.end());
  }
  EXPECT_FALSE(out.empty()) << "no " << kind << " cases";
  return out;
}

// The settings of an options field ("-" for none), as the command line sets them.
census::Settings settings_of(const std::string &options) {
  census::Settings settings;
  std::stringstream s(options);
  for (std::string option; s >> option;) {
    if (option == "--orientation-format") {
      s >> option;
      settings.digraph6 = option == "digraph6";
    } else if (option == "--shortcut-length") {
      s >> settings.shortcut_length;
    } else if (option == "--time-limit") {
      s >> settings.time_limit;
    } else if (option == "--no-words") {
      settings.words = false;
    } else {
      EXPECT_EQ(option, "-") << "an option this test does not know";
    }
  }
  return settings;
}

// The graph6 line a row's first CSV field shows: \xNN back to its byte.
std::string graph6_line(const std::string &csv) {
  std::string field = csv.substr(0, csv.find(','));
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field.compare(i, 2, "\\x") == 0 && i + 4 <= field.size()) {
      out += static_cast<char>(std::stoi(field.substr(i + 2, 2), nullptr, 16));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

TEST(Rows, HeadersAsTheVectorsWriteThem) {
  for (const Fields &f : cases("header")) {
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(census::csv_header(settings_of(f[0])), f[1] + "\n") << f[0];
  }
}

TEST(Rows, EachGraphAloneGivesTheVectorsRowInBothFormats) {
  for (const Fields &f : cases("row")) {
    ASSERT_EQ(f.size(), 3u);
    const census::Settings settings = settings_of(f[0]);
    census::Census census(settings);
    const census::Answer answer = census.answer(graph6_line(f[1]));
    EXPECT_EQ(census::format_csv(answer, settings), f[1] + "\n") << f[0];
    EXPECT_EQ(census::format_jsonl(answer, settings), f[2] + "\n") << f[0];
  }
}

} // namespace
