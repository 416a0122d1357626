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

  SCOPED_TRACE("the write in place fails (a second hard link)");
  const std::string other = PathOf("other.kpf");
  ASSERT_EQ(unlink(other.c_str()), 0);
  ASSERT_EQ(link(path.c_str(), other.c_str()), 0);
  {
    FileSizeLimit limit(8);
    result = files_.ReplaceText(path, std::string(4096, 'x'));
  }
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error, std::generic_category().message(EFBIG));
  EXPECT_EQ(Get(path), old_text);
  EXPECT_EQ(Get(other), old_text);
  EXPECT_EQ(Names(), before);
}

struct FileIdentity {
  ino_t inode = 0;
  uid_t owner = 0;
  gid_t group = 0;
  mode_t mode = 0;
  nlink_t links = 0;
};

FileIdentity IdentityOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
  return {info.st_ino, info.st_uid, info.st_gid, info.st_mode & 07777, info.st_nlink};
}

// Saving through a symbolic link writes the file it names, in whatever folder, and leaves the
// link a link; a link to a file that is not there yet makes that file.
TEST_F(FileSystemTest, ReplaceTextFollowsSymbolicLinks) {
  fs::create_directories(dir_ / "real");
  fs::create_directories(dir_ / "links");
  Put(PathOf("real/settings.kpf"), "old");
  const struct {
    const char* name;
    const char* link;
    const char* points_to;
    const char* file;  // the file that must receive the text
  } kCases[] = {
      {"relative link", "links/a.kpf", "../real/settings.kpf", "real/settings.kpf"},
      {"absolute link", "links/b.kpf", nullptr, "real/settings.kpf"},
      {"link to a link", "links/c.kpf", "a.kpf", "real/settings.kpf"},
      {"link to a file not made yet", "links/d.kpf", "../real/new.kpf", "real/new.kpf"},
  };
  const std::string absolute = PathOf("real/settings.kpf");
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::string link = PathOf(c.link);
    ASSERT_EQ(symlink(c.points_to != nullptr ? c.points_to : absolute.c_str(), link.c_str()), 0);
    const std::string text = std::string("text of ") + c.name;
    const FileResult result = files_.ReplaceText(link, text);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(Get(PathOf(c.file)), text);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link).string(), c.points_to != nullptr ? c.points_to : absolute);
    for (const char* folder : {"real", "links"}) {  // no temporary left in either folder
      for (const auto& entry : fs::directory_iterator(dir_ / folder)) {
        EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos);
      }
    }
  }
}

// A file with a second name is written where it is: both names keep showing one file, with the
// new text.
TEST_F(FileSystemTest, ReplaceTextKeepsHardLinks) {
  const std::string path = PathOf("settings.kpf");
  const std::string other = PathOf("other name.kpf");
  Put(path, "640\r\n480\r\n10\r\n1\r\n1\r\n");
  ASSERT_EQ(link(path.c_str(), other.c_str()), 0);
  const FileIdentity before = IdentityOf(path);
  for (const std::string& text :
       {std::string("a much longer text than the old one\r\n"), std::string("x"), std::string()}) {
    const FileResult result = files_.ReplaceText(path, text);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(Get(path), text);
    EXPECT_EQ(Get(other), text);
    EXPECT_EQ(IdentityOf(other).inode, before.inode);
    EXPECT_EQ(IdentityOf(path).links, 2u);
  }
  EXPECT_EQ(Names(), (std::vector<std::string>{"other name.kpf", "settings.kpf"}));
}

TEST_F(FileSystemTest, ReplaceTextKeepsTheOwnerWhereRootMayGiveIt) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give a file to another user";
  const std::string path = PathOf("settings.kpf");
  Put(path, "old");
  ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
  ASSERT_EQ(chmod(path.c_str(), 0604), 0);
  ASSERT_TRUE(files_.ReplaceText(path, "new").ok);
  const FileIdentity after = IdentityOf(path);
  EXPECT_EQ(Get(path), "new");
  EXPECT_EQ(after.owner, 65534u);
  EXPECT_EQ(after.group, 65534u);
  EXPECT_EQ(after.mode, 0604u);
}

// Folders and owners where a new file cannot take the old one's place: the file is written in
// place, as the user nobody (who may write the file), and keeps its inode, owner and mode.
TEST_F(FileSystemTest, ReplaceTextWritesInPlaceWhereNoNewFileCanTakeItsPlace) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  ASSERT_EQ(chmod(dir_.c_str(), 0755), 0);
  const struct {
    const char* name;
    mode_t folder_mode;
    uid_t file_owner;
    mode_t file_mode;
  } kCases[] = {
      // root's folder, nobody's file: nobody may create nothing beside it.
      {"a folder where only the file is writable", 0755, 65534, 0644},
      // The sticky bit lets only the file's owner rename over it.
      {"another user's file in a sticky shared folder", 01777, 0, 0666},
      // nobody could rename over it, but not give the new file to root.
      {"another user's file in a shared folder", 0777, 0, 0666},
  };
  int n = 0;
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const fs::path folder = dir_ / ("folder" + std::to_string(n++));
    fs::create_directory(folder);
    const std::string path = (folder / "settings.kpf").string();
    Put(path, "old");
    ASSERT_EQ(chown(path.c_str(), c.file_owner, 0), 0);
    ASSERT_EQ(chmod(path.c_str(), c.file_mode), 0);
    ASSERT_EQ(chmod(folder.c_str(), c.folder_mode), 0);
    const FileIdentity before = IdentityOf(path);
    FileResult result;
    {
      EffectiveUser nobody(65534);
      ASSERT_TRUE(nobody.ok());
      result = files_.ReplaceText(path, "the new text, longer than the old");
    }
    EXPECT_TRUE(result.ok) << result.error;
    EXPECT_EQ(Get(path), "the new text, longer than the old");
    const FileIdentity after = IdentityOf(path);
    EXPECT_EQ(after.inode, before.inode);
    EXPECT_EQ(after.owner, c.file_owner);
    EXPECT_EQ(after.mode, c.file_mode);
    EXPECT_EQ(fs::directory_iterator(folder)->path().filename(), "settings.kpf");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
  }
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
