#include "roundtrip.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace wordrep {

namespace {

// Closes an open file, dropping whatever was left unread in it.
void drop(TextFile &f) {
  if (f.mode == FileMode::closed) return;
  ::close(f.fd);
  f.fd = -1;
  f.mode = FileMode::closed;
}

int open_retrying(const char *name, int flags) {
  int fd;
  do fd = ::open(name, flags | O_CLOEXEC, 0666);
  while (fd < 0 && errno == EINTR);
  return fd;
}

// Closes `f` if open and opens it by name, with `flags`, or with `fallback`
// when that is refused; sets the status to `failure` when both are.  The
// first open of a name that was a directory when bound fails with 401.
bool open_named(TextFile &f, int flags, int fallback, Int failure) {
  drop(f);
  const bool first = !f.opened_before;
  f.opened_before = true;
  if (first && f.directory_at_bind) {
    set_io_status(err_open_directory, &f);
    return false;
  }
  int fd = open_retrying(f.name.c_str(), flags);
  if (fd < 0 && fallback != flags) fd = open_retrying(f.name.c_str(), fallback);
  if (fd < 0) {
    set_io_status(failure, &f, errno);
    return false;
  }
  f.fd = fd;
  return true;
}

} // namespace

[[gnu::noinline]] void bind(TextFile &f, const char *name) {
  f.name = name;
  f.description = std::string("file `") + name + "'";
  struct stat info;
  f.directory_at_bind = ::stat(name, &info) == 0 && S_ISDIR(info.st_mode);
  f.opened_before = false;
  check_io(WORDREP_CALLER_PLACE);
}

[[gnu::noinline]] void open_write(TextFile &f) {
  if (open_named(f, O_RDWR | O_CREAT | O_TRUNC, O_WRONLY | O_CREAT | O_TRUNC, err_open_write)) {
    f.mode = FileMode::writing;
    f.fill = 0;
  }
  check_io(WORDREP_CALLER_PLACE);
}

[[gnu::noinline]] void open_read(TextFile &f) {
  if (open_named(f, O_RDONLY, O_RDONLY, err_open_read)) {
    f.mode = FileMode::reading;
    f.reset_reading();
  }
  check_io(WORDREP_CALLER_PLACE);
}

[[gnu::noinline]] void close_file(TextFile &f) {
  if (f.mode != FileMode::closed) {
    const int failed = ::close(f.fd);
    const int error = errno;
    f.fd = -1;
    f.mode = FileMode::closed;
    if (failed != 0) set_io_status(err_close, &f, error);
  }
  check_io(WORDREP_CALLER_PLACE);
}

[[gnu::noinline]] Int run_command(const char *command_line) {
  errno = 0;
  const int status = std::system(command_line);
  Int code = 0;
  if (status == -1 || errno != 0)
    set_io_status(err_execute, nullptr, errno);
  else if (WIFEXITED(status))
    code = WEXITSTATUS(status);
  else
    set_io_status(err_execute, nullptr);
  check_io(WORDREP_CALLER_PLACE);
  return code;
}

[[gnu::noinline]] void read_verdict(TextFile &f, Line &s) {
  read_line_item(f, s);
  skip_line_item(f);
  // An empty result means that no solver answered: stop rather than take
  // the missing verdict for an answer.
  if (f.at_end && f.received == 0) set_io_status(err_past_end, &f);
  check_io(WORDREP_CALLER_PLACE);
}

// Error 488 when "ff" is still the file the benchmark went to (held open
// as `benchmark` meanwhile, so its inode cannot be reused): the commands
// could not put a result in its place, say because the shell could not
// create "r", and the benchmark must not be taken for the solver's answer.
[[gnu::noinline]] static void check_result_replaced(TextFile &f, int benchmark) {
  struct stat now, before;
  if (benchmark >= 0 && ::fstat(f.fd, &now) == 0 && ::fstat(benchmark, &before) == 0 &&
      now.st_dev == before.st_dev && now.st_ino == before.st_ino)
    set_io_status(err_execute, nullptr);
  if (benchmark >= 0) ::close(benchmark);
  check_io(WORDREP_CALLER_PLACE);
}

void round_trip(void (*write_benchmark)()) {
  open_write(R);
  write_benchmark();
  const int benchmark = ::fcntl(R.fd, F_DUPFD_CLOEXEC, 3);
  close_file(R);
  I = run_command(solver_command);
  I = run_command(rename_command);
  open_read(R);
  check_result_replaced(R, benchmark);
  read_verdict(R, S);
}

void truncate_result(TextFile &f) {
  open_write(f);
  close_file(f);
}

} // namespace wordrep
