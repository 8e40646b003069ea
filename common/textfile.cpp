#include "common/textfile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace wordrep {

namespace {

// The files bound to a name, which `finish_program` closes if still open.
std::vector<TextFile *> bound_files;

// The one close of a descriptor: `f` is closed afterwards whatever close(2)
// gives; returns 0, or the error number of a failed close.
int release(TextFile &f) {
  if (f.mode == FileMode::closed) return 0;
  const int error = ::close(f.fd) == 0 ? 0 : errno;
  f.fd = -1;
  f.mode = FileMode::closed;
  return error;
}

int open_retrying(const char *name, int flags) {
  int fd;
  do fd = ::open(name, flags | O_CLOEXEC, 0666);
  while (fd < 0 && errno == EINTR);
  return fd;
}

// Drops an open `f` and opens it by name, with `flags`, or with `fallback`
// when that is refused; sets the status to `failure` when both are.  The
// first open of a name that was a directory when bound fails with 401.
bool open_named(TextFile &f, int flags, int fallback, Int failure) {
  release(f);
  const bool first = !f.opened_before;
  f.opened_before = true;
  if (first && f.directory_at_bind) {
    fail(f, err_open_directory);
    return false;
  }
  int fd = open_retrying(f.name.c_str(), flags);
  if (fd < 0 && fallback != flags) fd = open_retrying(f.name.c_str(), fallback);
  if (fd < 0) {
    fail(f, failure, errno);
    return false;
  }
  f.fd = fd;
  return true;
}

// The lock's descriptor is kept at or above this, out of the way of the
// descriptors the run opens for its files.
constexpr int lock_descriptor_floor = 10;

// Locks the working directory for the rest of the process, once; waits
// while another process holds the lock.  The descriptor is never closed and
// is inherited by the commands' shells (and so by the solver and mv): the
// lock ends when the process and every command it started have ended, so a
// killed run's solver still holds the directory until it is done with "ff"
// and "r".  Without it the run goes on as before.
void lock_working_directory() {
  static bool tried = false;
  if (tried) return;
  tried = true;
  int fd = open_retrying(".", O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  const int moved = ::fcntl(fd, F_DUPFD, lock_descriptor_floor);
  if (moved >= 0) {
    ::close(fd);
    fd = moved;
  } else {
    ::fcntl(fd, F_SETFD, 0); // kept across exec all the same
  }
  int locked;
  do locked = ::flock(fd, LOCK_EX);
  while (locked != 0 && errno == EINTR);
  if (locked != 0) ::close(fd);
}

} // namespace

TextFile::TextFile(const char *description_, int fd_, FileMode mode_)
    : description(description_), fd(fd_), mode(mode_) {}

void TextFile::reset_reading() {
  in_length = in_next = 0;
  pending = no_char;
  line_end = at_end = final_line_end = false;
  received = 0;
}

void fail(const TextFile &f, Int code, int sys_errno) {
  const std::string &text = code == err_open_directory ? f.name : f.description;
  set_io_status(code, text.c_str(), sys_errno);
}

TextFile Input("Input", 0, FileMode::reading);
TextFile Output("Output", 1, FileMode::writing);

[[gnu::noinline]] void bind(TextFile &f, const char *name) {
  lock_working_directory();
  f.name = name;
  f.description = std::string("file `") + name + "'";
  struct stat info;
  f.directory_at_bind = ::stat(name, &info) == 0 && S_ISDIR(info.st_mode);
  f.opened_before = false;
  if (std::find(bound_files.begin(), bound_files.end(), &f) == bound_files.end())
    bound_files.push_back(&f);
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
  if (const int error = release(f)) fail(f, err_close, error);
  check_io(WORDREP_CALLER_PLACE);
}

int finish_program() {
  for (TextFile *f : bound_files) release(*f);
  return 0;
}

} // namespace wordrep
