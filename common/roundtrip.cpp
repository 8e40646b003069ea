#include "common/roundtrip.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace wordrep {

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
  if (f.at_end && f.received == 0) fail(f, err_past_end);
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
