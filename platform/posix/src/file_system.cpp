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

// The permissions of a new file: the default that the process's umask leaves (mkstemp itself
// creates files readable by their owner only).
mode_t NewFileMode() {
  // NOTE: POSIX reads the umask only by setting it; the program has one thread.
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// The file that path names once every symbolic link on the way to it is followed, whether it
// exists or not: saving through a link writes its target and leaves the link a link. A chain
// longer than the system follows is left to the calls that use it to report (ELOOP).
std::string FinalTarget(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat link {};
    if (lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
    std::string points_to(static_cast<std::size_t>(link.st_size > 0 ? link.st_size : 255) + 1,
                          '\0');
    const ssize_t length = readlink(path.c_str(), points_to.data(), points_to.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= points_to.size()) return path;
    points_to.resize(static_cast<std::size_t>(length));
    const auto slash = path.find_last_of('/');
    if (points_to.front() == '/' || slash == std::string::npos) {
      path = std::move(points_to);
    } else {
      path = path.substr(0, slash + 1) + points_to;
    }
  }
  return path;
}

// Errors of a file that may be written but not replaced by a new one beside it.
bool CannotMakeOrRename(int error) {
  return error == EACCES || error == EPERM || error == EBUSY || error == EROFS;
}

// Overwrites the file where it is, keeping its inode and with it every name, the owner, the mode
// and the extended attributes. The room for a longer text is taken first, so that a full disk or
// a size limit refuses the save before a byte of the old text is changed.
FileResult WriteInPlace(const std::string& path, std::string_view contents) {
  Descriptor file(open(path.c_str(), O_WRONLY | O_CLOEXEC));
  if (file.get() < 0) return Failure(errno);
  struct stat existing {};
  if (fstat(file.get(), &existing) != 0) return Failure(errno);
  const auto size = static_cast<off_t>(contents.size());
  if (size > existing.st_size) {
    if (const int error = posix_fallocate(file.get(), 0, size); error != 0) {
      // NOTE: where the file system cannot reserve, the C library writes the new room itself,
      // which may leave the file longer than it was.
      // Back to its old length; the old text is whole either way.
      [[maybe_unused]] const int ignored = ftruncate(file.get(), existing.st_size);
      return Failure(error);
    }
  }
  while (!contents.empty()) {
    const ssize_t wrote = pwrite(file.get(), contents.data(), contents.size(),
                                 size - static_cast<off_t>(contents.size()));
    if (wrote < 0) {
      if (errno == EINTR) continue;
      return Failure(errno);
    }
    contents.remove_prefix(static_cast<std::size_t>(wrote));
  }
  if (ftruncate(file.get(), size) != 0) return Failure(errno);
  if (fsync(file.get()) != 0) return Failure(errno);
  if (file.Close() != 0) return Failure(errno);
  return {};
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
  const std::string target = FinalTarget(path);
  const auto slash = target.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  if (name.empty()) return Failure(EISDIR);
  if (const int refusal = ReplaceRefusal(target); refusal != 0) return Failure(refusal);

  struct stat existing {};
  const bool exists = stat(target.c_str(), &existing) == 0;
  // Another name of the same file would keep the old text after a rename.
  if (exists && existing.st_nlink > 1) return WriteInPlace(target, contents);

  std::string pattern =
      (slash == std::string::npos ? std::string() : folder) + "." + name + ".tmp-XXXXXX";
  Descriptor file(mkstemp(pattern.data()));
  if (file.get() < 0) {
    // A folder where the user may write the file but create nothing.
    if (exists && CannotMakeOrRename(errno)) return WriteInPlace(target, contents);
    return Failure(errno);
  }
  TemporaryFile temporary(pattern);

  if (fchmod(file.get(), exists ? existing.st_mode & 07777 : NewFileMode()) != 0) {
    return Failure(errno);
  }
  // A new file of the user's would change the owner of the file replaced: where the user may not
  // give it the old owner and group, the file is written in place instead.
  if (exists && (existing.st_uid != geteuid() || existing.st_gid != getegid()) &&
      fchown(file.get(), existing.st_uid, existing.st_gid) != 0) {
    return WriteInPlace(target, contents);
  }
  if (!WriteAll(file.get(), contents)) return Failure(errno);
  if (fsync(file.get()) != 0) return Failure(errno);
  if (file.Close() != 0) return Failure(errno);
  if (rename(temporary.path().c_str(), target.c_str()) != 0) {
    // The sticky bit of a shared folder, or the file a mount point of its own.
    if (exists && CannotMakeOrRename(errno)) return WriteInPlace(target, contents);
    return Failure(errno);
  }
  temporary.Keep();

  // Makes the rename itself durable. The new text is in place whatever this answers.
  Descriptor directory(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.get() >= 0) fsync(directory.get());
  return {};
}

}  // namespace clickora::platform::posix
