#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "platform/posix/posix_services.h"

namespace clickora::platform::posix {
namespace {

FileResult Failure(int error) {
  return {false, std::generic_category().message(error)};
}

// A file descriptor closed when it goes out of scope.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  int get() const { return fd_; }
  // Closes now and reports the error: for a written file, close may be where it shows.
  int Close() {
    const int result = close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

// The temporary file of a replacement, removed unless it was put in place.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    if (!kept_) unlink(path_.c_str());
  }
  const std::string& path() const { return path_; }
  void Keep() { kept_ = true; }

 private:
  std::string path_;
  bool kept_ = false;
};

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t wrote = write(fd, data.data(), data.size());
    if (wrote < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(wrote));
  }
  return true;
}

// The permissions a new file gets: those of the file it replaces, or the default that the
// process's umask leaves (mkstemp itself creates files readable by their owner only).
mode_t ModeFor(const std::string& path) {
  struct stat existing {};
  if (stat(path.c_str(), &existing) == 0) return existing.st_mode & 07777;
  // NOTE: POSIX reads the umask only by setting it; the program has one thread.
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// Zero when the file at path may be replaced, else the reason. A rename needs only the folder's
// write permission, so the target's own is checked first: a file its user may not write is
// refused, as a read-only file is on Windows. A file whose owner has no write permission counts
// as read-only to every user, root too, whom access checks never refuse.
int ReplaceRefusal(const std::string& path) {
  struct stat existing {};
  if (stat(path.c_str(), &existing) != 0) return errno == ENOENT ? 0 : errno;
  if (S_ISDIR(existing.st_mode)) return EISDIR;
  if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return errno;
  if ((existing.st_mode & S_IWUSR) == 0) return EACCES;
  return 0;
}

}  // namespace

FileResult PosixFileSystem::ReadText(const std::string& path, std::string& contents) {
  Descriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) return Failure(errno);
  std::string text;
  char buffer[16384];
  for (;;) {
    const ssize_t got = read(file.get(), buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      return Failure(errno);
    }
    if (got == 0) break;
    text.append(buffer, static_cast<std::size_t>(got));
  }
  contents = std::move(text);
  return {};
}

FileResult PosixFileSystem::ReplaceText(const std::string& path, std::string_view contents) {
  const auto slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty()) return Failure(EISDIR);
  if (const int refusal = ReplaceRefusal(path); refusal != 0) return Failure(refusal);

  std::string pattern =
      (slash == std::string::npos ? std::string() : folder) + "." + name + ".tmp-XXXXXX";
  Descriptor file(mkstemp(pattern.data()));
  if (file.get() < 0) return Failure(errno);
  TemporaryFile temporary(pattern);

  if (fchmod(file.get(), ModeFor(path)) != 0) return Failure(errno);
  if (!WriteAll(file.get(), contents)) return Failure(errno);
  if (fsync(file.get()) != 0) return Failure(errno);
  if (file.Close() != 0) return Failure(errno);
  if (rename(temporary.path().c_str(), path.c_str()) != 0) return Failure(errno);
  temporary.Keep();

  // Makes the rename itself durable. The new text is in place whatever this answers.
  Descriptor directory(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.get() >= 0) fsync(directory.get());
  return {};
}

}  // namespace clickora::platform::posix
