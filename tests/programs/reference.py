"""The programs' reading rules and both result decoders, written again from
their description so that the fault tests can tell what a run must give on
any result text: the one Python reference the tests hold the programs to."""

PAST_END = ("attempt to read past end of file `ff'", 454)
RANGE = ("value out of range", 300)


class Stop(Exception):
    """A read broke the rules: the program stops with this error number."""

    def __init__(self, code):
        super().__init__(code)
        self.code = code


class Reader:
    """The reading rules of the programs, on the whole text of a file.

    A line feed reads as a blank and ends the line; a number leaves the
    character after it unread; the end of the text where a character is due
    is error 454; skipping a line succeeds once at the very end of a text
    whose last line has no line end.
    """

    END = None

    def __init__(self, text):
        self.text = text
        self.pos = 0
        self.held = None  # a character looked at but not read
        self.line_end_last = False  # the last character looked at ended a line
        self.ended = False  # a read has met the end of the text
        self.last_line_ended = text.endswith(b"\n")

    def _raw(self):
        if self.ended:
            return self.END
        if self.pos == len(self.text):
            self.ended = self.line_end_last = True
            return self.END
        c = self.text[self.pos:self.pos + 1]
        self.pos += 1
        self.line_end_last = c == b"\n"
        return b" " if c == b"\n" else c

    def _next(self):
        if self.held is not None:
            c, self.held = self.held, None
            return c
        return self._raw()

    def _due(self):
        c = self._next()
        if self.ended:
            raise Stop(454)
        return c

    @staticmethod
    def _digit(c):
        if c is None:
            return 99
        v = c[0]
        if 48 <= v <= 57:
            return v - 48
        if 65 <= v <= 90 or 97 <= v <= 122:
            return (v | 32) - 97 + 10
        return 99

    def read_int(self):
        c = self._due()
        while c in (b" ", b"\t"):
            c = self._due()
        sign = 1
        signed = c in (b"+", b"-")
        if signed:
            sign = -1 if c == b"-" else 1
            c = self._due()
        base, base_given = 10, False
        if c == b"$":
            c = self._due()
            if self._digit(c) >= 16:
                raise Stop(557)
            base, base_given = 16, True
        elif not (c is not None and c.isdigit()):
            raise Stop(551 if signed else 552)
        value, too_big = 0, False
        while True:
            while self._digit(c) < base:
                value = value * base + self._digit(c)
                too_big = too_big or value >= 2 ** 64
                c = self._next()
            if c != b"#":
                break
            if base_given:
                raise Stop(559)
            if not 2 <= value % 2 ** 64 <= 36:  # judged on the value wrapped to 64 bits
                raise Stop(560)
            base, value, base_given = value % 2 ** 64, 0, True
            c = self._due()
            if self._digit(c) >= base:
                raise Stop(558)
        if c is not None:
            self.held = c
        if too_big or not -2 ** 63 <= sign * value <= 2 ** 63 - 1:
            raise Stop(553)
        return sign * value

    def read_char(self):
        return self._due()

    def skip_line(self):
        if self.ended:
            if self.last_line_ended:
                raise Stop(454)
            self.last_line_ended = True
            return
        self.held = None
        if self.line_end_last:
            self.line_end_last = False
            return
        while True:
            c = self._raw()
            if c is None:
                self.last_line_ended, self.line_end_last = True, False
                return
            if self.line_end_last:
                self.line_end_last = False
                return

    def read_line(self):
        if self.ended:
            raise Stop(454)
        line = b""
        if not self.line_end_last:
            while len(line) < 255:
                c = self._next()
                if c is None:
                    break
                if self.line_end_last:
                    self.held = c
                    break
                line += c
        self.skip_line()
        return line

    def read_verdict(self):
        line = self.read_line()
        if self.ended and not self.text:
            raise Stop(454)  # no solver answered
        return line


class Outcome:
    """What a run must give: its printed text and the error it stops with."""

    def __init__(self):
        self.stdout = b""
        self.error = None  # (message, code) of the report, or None

    def stop(self, code):
        messages = {454: PAST_END[0], 300: RANGE[0], 551: "digit expected after sign",
                    552: "sign or digit expected", 553: "overflow while reading integer",
                    557: "digit expected after `$' in integer constant",
                    558: "digit expected after `#' in integer constant",
                    559: "only one base specifier allowed in integer constant",
                    560: "base out of range (2 .. 36)"}
        self.error = (messages[code], code)
        return self


def alterword_outcome(n, results):
    """alterword on a graph of n vertices whose solver answers `results` for K = 2, 3, ..."""
    out = Outcome()
    for k, result in enumerate(results, 2):
        r = Reader(result)
        try:
            if r.read_verdict() != b"sat":
                out.stdout += b"no solution for %d,\n" % k
                continue
            out.stdout += b"representing word for %d:\n" % k
            position = {}
            for _ in range(n * k):
                for _ in range(5):
                    r.read_char()
                i, j = r.read_int(), r.read_int()
                r.read_char()
                m = r.read_int()
                r.skip_line()
                if not (1 <= i <= 20 and 1 <= j <= 20):
                    raise Stop(300)
                position[i, j] = m
            for p in range(1, n * k + 1):
                for i in range(1, n + 1):
                    for j in range(1, k + 1):
                        if j > 20:
                            raise Stop(300)
                        if position.get((i, j), 0) == p:
                            out.stdout += b"%d" % i if i <= 9 else b"(%d)" % i
            out.stdout += b"\n"
            return out
        except Stop as stop:
            return out.stop(stop.code)
    raise AssertionError("the answers end before a satisfiable one")


def orientcheck_outcome(n, result):
    """orientcheck on a graph of n vertices whose solver answers `result`."""
    out = Outcome()
    r = Reader(result)

    def col(line, x):
        if not 1 <= x <= len(line):
            raise Stop(300)
        return line[x - 1]  # the character's code, 0..255

    try:
        if r.read_verdict() == b"unsat":
            out.stdout = b"Not semi-transitive\n"
            return out
        out.stdout = b"Semi-transitive by orientation:\n"
        for _ in range(n * n if n > 0 else 0):
            line = r.read_line()
            while col(line, 5) != ord("F"):
                line = r.read_line()
            x, i = 7, col(line, 7) - 48
            if col(line, 8) != ord(" "):
                x, i = 8, 10 * i + col(line, 8) - 48
            x += 2
            j = col(line, x) - 48
            if col(line, x + 1) != ord(")"):
                x += 1
                j = 10 * j + col(line, x) - 48
            x += 3
            if col(line, x) == ord("t"):
                out.stdout += b"%d %d\n" % (i, j)
        return out
    except Stop as stop:
        return out.stop(stop.code)


def model(word):
    """alterword's result for `word`: "sat", then (= (A letter copy) position) lines."""
    seen, lines = {}, [b"sat"]
    for p, letter in enumerate(word, 1):
        seen[letter] = seen.get(letter, 0) + 1
        lines.append(b"(= (A %d %d) %d)" % (letter, seen[letter], p))
    return b"\n".join(lines) + b"\n"
