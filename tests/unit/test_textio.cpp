// Unit tests of the text reader and writer on files with known contents.
#include "common/globals.h"
#include "common/report.h"
#include "common/textio.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>

using namespace wordrep;

namespace {

// A file holding `text`, open for reading through a TextFile.
struct Source {
  explicit Source(const std::string &text) : file("file `t'", -1, FileMode::reading) {
    char name[] = "/tmp/textio-XXXXXX";
    const int fd = mkstemp(name);
    EXPECT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    ::close(fd);
    file.fd = ::open(name, O_RDONLY);
    ::unlink(name);
    file.reset_reading();
  }
  ~Source() { ::close(file.fd); }
  TextFile file;
};

std::string line_of(TextFile &f) {
  Line s;
  read_line(f, s);
  return std::string(s.text, static_cast<std::size_t>(s.length));
}

struct IntCase {
  const char *text;
  Int value;
  char next; // the character read after the number, or 0 for none
};

TEST(ReadInt, Notations) {
  const IntCase cases[] = {
      {"0", 0, 0},
      {"-0", 0, 0},
      {"+7 ", 7, ' '},
      {"  \n\n\t 42\n", 42, ' '},
      {"-9223372036854775808", INT64_MIN, 0},
      {"9223372036854775807", INT64_MAX, 0},
      {"$ff", 255, 0},
      {"$FF", 255, 0},
      {"16#FF", 255, 0},
      {"10#12", 12, 0},
      {"2#101", 5, 0},
      {"-$10", -16, 0},
      {"36#z", 35, 0},
      {"36#Zz,", 35 * 36 + 35, ','},
      {"0x1F", 0, 'x'},
      {"12abc", 12, 'a'},
      {"5\r\n", 5, '\r'},
      {"$7fffffffffffffff", INT64_MAX, 0},
      {"-2#1000000000000000000000000000000000000000000000000000000000000000", INT64_MIN, 0},
  };
  for (const IntCase &c : cases) {
    SCOPED_TRACE(c.text);
    Source src(c.text);
    EXPECT_EQ(read_int(src.file), c.value);
    if (c.next != 0)
      EXPECT_EQ(read_char(src.file), c.next == '\n' ? ' ' : c.next);
    else
      EXPECT_EXIT(read_char(src.file), testing::ExitedWithCode(42), "past end of file `t'");
  }
}

struct ErrorCase {
  const char *text;
  const char *report; // the message and number of the report
};

TEST(ReadIntDeathTest, Errors) {
  const ErrorCase cases[] = {
      {"", "attempt to read past end of file `t' \\(error #454 at [0-9a-f]+\\)"},
      {" \n\t\n", "attempt to read past end of file `t' \\(error #454 at"},
      {"\r5", "sign or digit expected \\(error #552 at"},
      {"x", "sign or digit expected \\(error #552 at"},
      {"+ 5", "digit expected after sign \\(error #551 at"},
      {"-", "attempt to read past end of file `t' \\(error #454"},
      {"9223372036854775808", "overflow while reading integer \\(error #553"},
      {"-9223372036854775809", "overflow while reading integer \\(error #553"},
      {"18446744073709551616", "overflow while reading integer \\(error #553"},
      {"99999999999999999999999", "overflow while reading integer \\(error #553"},
      {"$g", "digit expected after `\\$' in integer constant \\(error #557"},
      {"$", "attempt to read past end of file `t' \\(error #454"},
      {"8#9", "digit expected after `#' in integer constant \\(error #558"},
      {"8#", "attempt to read past end of file `t' \\(error #454"},
      {"$1#1", "only one base specifier allowed in integer constant \\(error #559"},
      {"2#1#1", "only one base specifier allowed in integer constant \\(error #559"},
      {"1#0", "base out of range \\(2 \\.\\. 36\\) \\(error #560"},
      {"37#0", "base out of range \\(2 \\.\\. 36\\) \\(error #560"},
  };
  for (const ErrorCase &c : cases) {
    SCOPED_TRACE(c.text);
    Source src(c.text);
    EXPECT_EXIT(read_int(src.file), testing::ExitedWithCode(42), c.report);
  }
}

TEST(ReadIntDeathTest, OverflowIsReportedAfterAllDigits) {
  // A base prefix after too many digits is judged on the wrapped value first.
  Source wrapped_out_of_range("99999999999999999999#5");
  EXPECT_EXIT(read_int(wrapped_out_of_range.file), testing::ExitedWithCode(42), "#560");
  // 18446744073709551618 wraps to the base 2; the overflow is still reported.
  Source wrapped_to_two("18446744073709551618#1 ");
  EXPECT_EXIT(read_int(wrapped_to_two.file), testing::ExitedWithCode(42), "#553");
}

TEST(ReadLine, LongLinesAndLineEnds) {
  const std::string long_line(300, 'a');
  Source src(long_line + "\nsecond\r\n\nlast");
  EXPECT_EQ(line_of(src.file), std::string(255, 'a'));
  EXPECT_EQ(line_of(src.file), "second\r");
  EXPECT_EQ(line_of(src.file), "");
  EXPECT_EQ(line_of(src.file), "last");
  EXPECT_EXIT(line_of(src.file), testing::ExitedWithCode(42),
              "attempt to read past end of file `t' \\(error #454");
}

TEST(ReadLine, WithoutSkipTheLineEndStaysPending) {
  Source src("one\ntwo\n");
  Line s;
  read_line_item(src.file, s);
  EXPECT_EQ(s.length, 3);
  read_line_item(src.file, s);
  EXPECT_EQ(s.length, 0);
  skip_line(src.file);
  EXPECT_EQ(line_of(src.file), "two");
}

TEST(ReadLine, EmptyFile) {
  Source src("");
  EXPECT_EQ(line_of(src.file), ""); // the skip succeeds once by the tolerance
  EXPECT_EXIT(skip_line(src.file), testing::ExitedWithCode(42), "#454");
  EXPECT_EXIT(line_of(src.file), testing::ExitedWithCode(42), "#454");
}

TEST(ReadChar, LineEndReadsAsBlank) {
  Source src("a\nb");
  EXPECT_EQ(read_char(src.file), 'a');
  EXPECT_EQ(read_char(src.file), ' ');
  skip_line(src.file); // the line end was the last character: nothing more is skipped
  EXPECT_EQ(read_char(src.file), 'b');
  skip_line(src.file); // a last line without line end
  EXPECT_EXIT(skip_line(src.file), testing::ExitedWithCode(42), "#454");
}

TEST(SkipLine, AfterANumberAtTheEndOfTheFile) {
  for (const char *text : {"0 0", "0 0\n"}) {
    SCOPED_TRACE(text);
    Source src(text);
    EXPECT_EQ(read_int(src.file), 0);
    EXPECT_EQ(read_int(src.file), 0);
    skip_line(src.file);
    EXPECT_EXIT(read_int(src.file), testing::ExitedWithCode(42), "#454");
  }
}

TEST(ReadInt, ChunksOfManyLines) {
  // Numbers across the 16384-byte chunk boundary are read whole.
  std::string text;
  Int sum = 0;
  for (Int v = 1; v <= 5000; ++v) {
    text += std::to_string(v * 7919) + (v % 3 == 0 ? "\n" : " ");
    sum += v * 7919;
  }
  Source src(text);
  Int got = 0;
  for (int v = 1; v <= 5000; ++v) got += read_int(src.file);
  EXPECT_EQ(got, sum);
}

// A file open for writing; `contents` reads back what reached it.
struct Sink {
  Sink() : file("file `s'", -1, FileMode::writing) {
    char name[] = "/tmp/textio-XXXXXX";
    file.fd = mkstemp(name);
    path = name;
  }
  ~Sink() {
    ::close(file.fd);
    ::unlink(path.c_str());
  }
  std::string contents() const {
    std::string out;
    FILE *f = std::fopen(path.c_str(), "rb");
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
    return out;
  }
  TextFile file;
  std::string path;
};

TEST(Write, Items) {
  Sink sink;
  write(sink.file, INT64_MIN, " ", Int{0}, " ", Int{-5}, ' ', INT64_MAX, "\n");
  write(sink.file, "");
  write(sink.file, "(A ", Int{12}, " ", Int{3}, ")\n");
  EXPECT_EQ(sink.contents(), "-9223372036854775808 0 -5 9223372036854775807\n(A 12 3)\n");
}

TEST(Write, StatementsLongerThanTheBuffer) {
  Sink sink;
  const std::string big(40000, 'x');
  const std::string medium(16000, 'y');
  write(sink.file, medium.c_str(), big.c_str(), "end\n");
  EXPECT_EQ(sink.contents(), medium + big + "end\n");
}

TEST(WriteDeathTest, DeviceFull) {
  TextFile full("Output", ::open("/dev/full", O_WRONLY), FileMode::writing);
  EXPECT_EXIT(write(full, "x\n"), testing::ExitedWithCode(42),
              "^[^\n]*: error when writing to Output \\(error #466 at [0-9a-f]+\\)\n$");
}

TEST(WriteDeathTest, OtherErrorsCarryTheSystemText) {
  TextFile bad("Output", ::open("/dev/null", O_RDONLY), FileMode::writing);
  EXPECT_EXIT(write(bad, "x\n"), testing::ExitedWithCode(42),
              "error when writing to Output \\(Bad file descriptor\\) \\(error #466");
}

TEST(IndexDeathTest, OutsideOneToTwenty) {
  for (Int index : {Int{0}, Int{21}, Int{-1}, INT64_MIN}) {
    EXPECT_EXIT(check_index(index), testing::ExitedWithCode(42),
                "value out of range \\(error #300 at");
  }
  check_index(1);
  check_index(20);
}

} // namespace
