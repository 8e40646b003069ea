#include "common/textio.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace wordrep {

namespace {

// Hands `n` bytes to the descriptor, repeating after partial writes and
// interruptions.  Sets the I/O status on failure.
void write_all(TextFile &f, const char *p, std::size_t n) {
  while (n > 0) {
    const ssize_t done = ::write(f.fd, p, n);
    if (done < 0) {
      if (errno == EINTR) continue;
      if (errno == ENOSPC || errno == EPIPE)
        fail(f, f.statement_written == 0 ? err_write : err_write_part);
      else
        fail(f, err_write, errno);
      return;
    }
    f.statement_written += done;
    p += done;
    n -= static_cast<std::size_t>(done);
  }
}

void flush(TextFile &f) {
  write_all(f, f.out, f.fill);
  f.fill = 0;
}

void put_bytes(TextFile &f, const char *p, std::size_t n) {
  if (io_failed()) return;
  while (n > 0) {
    const std::size_t space = buffer_size - f.fill;
    if (n <= space) {
      std::memcpy(f.out + f.fill, p, n);
      f.fill += n;
      return;
    }
    std::memcpy(f.out + f.fill, p, space);
    f.fill = buffer_size;
    flush(f);
    if (io_failed()) return;
    p += space;
    n -= space;
    if (n > buffer_size) {
      write_all(f, p, n);
      return;
    }
  }
}

bool check_reading(TextFile &f) {
  if (f.mode != FileMode::reading) fail(f, err_not_reading);
  return !io_failed();
}

// Fetches one character from the file: the one step through which all
// reads take bytes.  A line feed arrives as a blank with the line-end flag.
int fetch(TextFile &f) {
  if (f.at_end) return no_char;
  f.line_end = false;
  if (f.in_next == f.in_length) {
    ssize_t got;
    do got = ::read(f.fd, f.in, buffer_size);
    while (got < 0 && errno == EINTR);
    if (got < 0) {
      fail(f, err_read, errno);
      return no_char;
    }
    f.in_length = static_cast<std::size_t>(got);
    f.in_next = 0;
    f.received += got;
    if (got > 0) f.final_line_end = f.in[got - 1] == '\n';
  }
  if (f.in_next == f.in_length) {
    f.at_end = true;
    f.line_end = true;
    return no_char;
  }
  const int c = f.in[f.in_next++];
  if (c == '\n') {
    f.line_end = true;
    return ' ';
  }
  return c;
}

int take(TextFile &f) {
  if (f.pending != no_char) {
    const int c = f.pending;
    f.pending = no_char;
    return c;
  }
  return fetch(f);
}

int take_with_end_test(TextFile &f) {
  const int c = take(f);
  if (f.at_end) fail(f, err_past_end);
  return c;
}

int digit_value(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  return 99;
}

} // namespace

// --- Writing ----------------------------------------------------------------

void begin_write(TextFile &f) {
  f.fill = 0;
  f.statement_written = 0;
  if (f.mode != FileMode::writing) fail(f, err_not_writing);
}

void put_item(TextFile &f, Int value) {
  char digits[24];
  char *p = digits + sizeof digits;
  // Work on the magnitude as unsigned, so the most negative value is written too.
  std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value) : value;
  do {
    *--p = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) *--p = '-';
  put_bytes(f, p, static_cast<std::size_t>(digits + sizeof digits - p));
}

void put_item(TextFile &f, const char *text) {
  put_bytes(f, text, std::strlen(text));
}

void put_item(TextFile &f, char c) {
  put_bytes(f, &c, 1);
}

void detail::end_statement(TextFile &f) {
  if (!io_failed()) flush(f);
  f.fill = 0;
  check_io(WORDREP_CALLER_PLACE);
}

// --- Reading ----------------------------------------------------------------

Int read_int_item(TextFile &f) {
  if (io_failed() || !check_reading(f)) return 0;
  int c;
  do c = take_with_end_test(f);
  while (!io_failed() && (c == ' ' || c == '\t'));
  if (io_failed()) return 0;

  bool negative = false, sign = false;
  if (c == '+' || c == '-') {
    negative = c == '-';
    sign = true;
    c = take_with_end_test(f);
    if (io_failed()) return 0;
  }
  std::uint64_t base = 10;
  bool base_given = false;
  if (c == '$') {
    c = take_with_end_test(f);
    if (io_failed()) return 0;
    if (digit_value(c) >= 16) {
      fail(f, err_hex_digit);
      return 0;
    }
    base = 16;
    base_given = true;
  } else if (!(c >= '0' && c <= '9')) {
    fail(f, sign ? err_sign_digit : err_digit);
    return 0;
  }

  std::uint64_t value = 0;
  bool overflow = false;
  for (;;) {
    while (c != no_char && static_cast<std::uint64_t>(digit_value(c)) < base) {
      const std::uint64_t digit = static_cast<std::uint64_t>(digit_value(c));
      if (value > (UINT64_MAX - digit) / base) overflow = true;
      value = value * base + digit;
      c = take(f);
    }
    if (c != '#') break;
    if (base_given) {
      fail(f, err_base_twice);
      return 0;
    }
    if (value < 2 || value > 36) {
      fail(f, err_base_range);
      return 0;
    }
    base = value;
    value = 0;
    c = take_with_end_test(f);
    if (io_failed()) return 0;
    if (static_cast<std::uint64_t>(digit_value(c)) >= base) {
      fail(f, err_base_digit);
      return 0;
    }
    base_given = true;
  }
  f.pending = c; // no_char at the end of the file: nothing pending

  const std::uint64_t limit = negative ? std::uint64_t{1} << 63 : (std::uint64_t{1} << 63) - 1;
  if (value > limit) overflow = true;
  if (overflow) {
    fail(f, err_overflow);
    return 0;
  }
  return negative ? static_cast<Int>(0 - value) : static_cast<Int>(value);
}

void read_line_item(TextFile &f, Line &s) {
  s.length = 0;
  if (io_failed() || !check_reading(f)) return;
  if (f.at_end) {
    fail(f, err_past_end);
    return;
  }
  if (f.line_end) return;
  while (s.length < line_capacity) {
    const int c = take(f);
    if (c == no_char) return;
    if (f.line_end) {
      f.pending = c;
      return;
    }
    s.text[s.length++] = static_cast<char>(c);
  }
}

void skip_line_item(TextFile &f) {
  if (!io_failed() && f.at_end && !f.final_line_end) {
    f.final_line_end = true; // a last line without its line end
    return;
  }
  if (io_failed() || !check_reading(f)) return;
  if (f.at_end) {
    fail(f, err_past_end);
    return;
  }
  for (;;) {
    if (f.at_end) {
      f.final_line_end = true;
      f.pending = no_char;
      f.line_end = false;
      return;
    }
    if (f.line_end) {
      f.pending = no_char;
      f.line_end = false;
      return;
    }
    f.pending = fetch(f);
    if (io_failed()) return; // a failing read must not loop forever
  }
}

[[gnu::noinline]] Int read_int(TextFile &f) {
  const Int value = read_int_item(f);
  check_io(WORDREP_CALLER_PLACE);
  return value;
}

[[gnu::noinline]] char read_char(TextFile &f) {
  int c = ' ';
  if (!io_failed() && check_reading(f)) {
    c = take_with_end_test(f);
    if (io_failed()) c = ' ';
  }
  check_io(WORDREP_CALLER_PLACE);
  return static_cast<char>(c);
}

[[gnu::noinline]] void skip_line(TextFile &f) {
  skip_line_item(f);
  check_io(WORDREP_CALLER_PLACE);
}

[[gnu::noinline]] void read_line(TextFile &f, Line &s) {
  read_line_item(f, s);
  skip_line_item(f);
  check_io(WORDREP_CALLER_PLACE);
}

char Line::at(Int x) const {
  check_bounds(x, 1, length);
  return text[x - 1];
}

bool Line::equals(const char *word) const {
  const std::size_t n = std::strlen(word);
  return static_cast<std::size_t>(length) == n && std::memcmp(text, word, n) == 0;
}

} // namespace wordrep
