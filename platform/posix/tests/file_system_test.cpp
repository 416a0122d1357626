#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "platform/posix/posix_services.h"

#include "platform/posix/temporary_folder.h"

namespace clickora::platform::posix {
namespace {

namespace fs = std::filesystem;

class FileSystemTest : public ::testing::Test {
 protected:
  std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }
  static void Put(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  static std::string Get(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  PosixFileSystem files_;
  posix::testing::TemporaryFolder folder_{"posix-files"};
  const fs::path dir_ = folder_.path();
};

TEST_F(FileSystemTest, ReplaceTextPutsTheWholeTextInPlace) {
  const struct {
    const char* name;
    const char* old_text;  // nullptr: no file yet
    std::string new_text;
  } kCases[] = {
      {"new file", nullptr, "1\r\n2\r\n3\r\n4\r\n5\r\n"},
      {"longer text", "old", "100\r\n200\r\n5\r\n1\r\n\xe0\xb8\x81\r\n"},
      {"shorter text", "a much longer old text\r\n", "x"},
      {"empty text", "old", ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::string path = PathOf("settings.kpf");
    fs::remove(path);
    if (c.old_text != nullptr) Put(path, c.old_text);
    const FileResult result = files_.ReplaceText(path, c.new_text);
    EXPECT_TRUE(result.ok) << result.error;
    EXPECT_EQ(Get(path), c.new_text);
    EXPECT_EQ(Names(), std::vector<std::string>{"settings.kpf"});  // no temporary left
  }
}

TEST_F(FileSystemTest, ReplaceTextKeepsThePermissions) {
  const std::string path = PathOf("settings.kpf");
  Put(path, "old");
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(files_.ReplaceText(path, "new").ok);
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
}

// Read-only targets are refused although their folder lets a rename replace them, and are left
// as they were. Root passes every access check, so a file whose owner may not write it is
// read-only to root as well.
TEST_F(FileSystemTest, ReplaceTextRefusesAReadOnlyFile) {
  const struct {
    const char* name;
    mode_t mode;
    bool refused;
  } kCases[] = {
      {"read-only for all", 0444, true},         {"read-only for the owner", 0400, true},
      {"no permissions at all", 0000, true},     {"others may write, the owner not", 0466, true},
      {"write-only for the owner", 0200, false}, {"writable for the owner", 0644, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::string path = PathOf("settings.kpf");
    Put(path, "old");
    ASSERT_EQ(chmod(path.c_str(), c.mode), 0);
    const FileResult result = files_.ReplaceText(path, "new");
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, c.mode);
    ASSERT_EQ(chmod(path.c_str(), 0600), 0);  // for reading it back, also as another user
    EXPECT_EQ(result.ok, !c.refused) << result.error;
    EXPECT_EQ(Get(path), c.refused ? "old" : "new");
    if (c.refused) {
      EXPECT_EQ(result.error, std::generic_category().message(EACCES));
    }
    EXPECT_EQ(Names(), std::vector<std::string>{"settings.kpf"});
  }
}

// The effective user of the process, switched for one scope; needs root.
class EffectiveUser {
 public:
  explicit EffectiveUser(uid_t user) : ok_(seteuid(user) == 0) {}
  EffectiveUser(const EffectiveUser&) = delete;
  EffectiveUser& operator=(const EffectiveUser&) = delete;
  ~EffectiveUser() {
    if (ok_) {
      EXPECT_EQ(seteuid(0), 0);
    }
  }
  bool ok() const { return ok_; }

 private:
  bool ok_;
};

TEST_F(FileSystemTest, ReplaceTextRefusesAnotherUsersFileInASharedFolder) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  // The folder lets anyone rename over the file; the file itself is root's alone.
  ASSERT_EQ(chmod(dir_.c_str(), 0777), 0);
  const std::string path = PathOf("settings.kpf");
  Put(path, "old");
  ASSERT_EQ(chmod(path.c_str(), 0644), 0);
  FileResult result;
  {
    EffectiveUser nobody(65534);
    ASSERT_TRUE(nobody.ok());
    result = files_.ReplaceText(path, "new");
  }
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error, std::generic_category().message(EACCES));
  EXPECT_EQ(Get(path), "old");
  EXPECT_EQ(Names(), std::vector<std::string>{"settings.kpf"});
}

// Lets a test make writes fail with EFBIG, which holds for root too.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    old_handler_ = signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit limited = old_;
    limited.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limited);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    signal(SIGXFSZ, old_handler_);
  }

 private:
  rlimit old_{};
  sighandler_t old_handler_;
};

TEST_F(FileSystemTest, FailedReplacementLeavesTheOldFileWhole) {
  const std::string old_text = "640\r\n480\r\n10\r\n1\r\n1\r\n";
  const struct {
    const char* name;
    std::string path;
    std::function<void()> arrange;  // run before the write
    int error;
  } kCases[] = {
      {"folder missing", PathOf("missing/settings.kpf"), nullptr, ENOENT},
      {"target is a folder", PathOf("folder"),
       [this] { fs::create_directories(dir_ / "folder/x"); }, EISDIR},
      {"path ends in a separator", PathOf("folder") + "/", nullptr, EISDIR},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    if (c.arrange) c.arrange();
    Put(PathOf("other.kpf"), old_text);
    const auto before = Names();
    const FileResult result = files_.ReplaceText(c.path, "new text");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, std::generic_category().message(c.error));
    EXPECT_EQ(Names(), before);  // no temporary left behind
    EXPECT_EQ(Get(PathOf("other.kpf")), old_text);
  }

  SCOPED_TRACE("the write itself fails");
  const std::string path = PathOf("settings.kpf");
  Put(path, old_text);
  const auto before = Names();
  FileResult result;
  {
    FileSizeLimit limit(8);
    result = files_.ReplaceText(path, std::string(4096, 'x'));
  }
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error, std::generic_category().message(EFBIG));
  EXPECT_EQ(Get(path), old_text);
  EXPECT_EQ(Names(), before);
}

TEST_F(FileSystemTest, ReadText) {
  Put(PathOf("settings.kpf"), "1,2\r\n3\r\n");
  fs::create_directory(dir_ / "folder");
  const struct {
    std::string path;
    bool ok;
    std::string contents;
    int error;
  } kCases[] = {
      {PathOf("settings.kpf"), true, "1,2\r\n3\r\n", 0},
      {PathOf("missing.kpf"), false, "untouched", ENOENT},
      {PathOf("folder"), false, "untouched", EISDIR},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.path);
    std::string contents = "untouched";
    const FileResult result = files_.ReadText(c.path, contents);
    EXPECT_EQ(result.ok, c.ok);
    EXPECT_EQ(contents, c.contents);
    if (!c.ok) {
      EXPECT_EQ(result.error, std::generic_category().message(c.error));
    }
  }
}

}  // namespace
}  // namespace clickora::platform::posix
