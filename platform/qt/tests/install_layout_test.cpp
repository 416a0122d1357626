#include "install_layout.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/posix/temporary_folder.h"

namespace clickora::platform::qt {
namespace {

namespace fs = std::filesystem;

class InstallLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(root_ / "bin"); }
  void Touch(const fs::path& file) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "<html></html>";
  }
  std::string Bin() const { return (root_ / "bin").string(); }

  posix::testing::TemporaryFolder folder_{"install-layout"};
  const fs::path root_ = folder_.path();
};

TEST_F(InstallLayoutTest, ControlLibrariesComeFromTheProgramFolderThenTheInstalledOne) {
  const std::vector<std::string> folders = ControlLibraryFolders(Bin());
  ASSERT_EQ(folders.size(), 2u);
  EXPECT_EQ(folders[0], Bin());
  EXPECT_EQ(folders[1],
            (root_ / "bin" / CLICKORA_PRIVATE_LIBDIR_FROM_BINDIR).lexically_normal().string());
  EXPECT_EQ(folders[1].find(".."), std::string::npos) << folders[1];
  // The root folder is reported as the empty text; its neighbours are still absolute paths.
  EXPECT_EQ(ControlLibraryFolders("")[1].front(), '/');
}

TEST_F(InstallLayoutTest, TheHtmlManualStandsForTheHelpFile) {
  const std::string chm = Bin() + "/manual.chm";
  const std::string beside = Bin() + "/manual/index.html";
  const std::string installed = InstalledManualFolder(Bin()) + "/index.html";
  EXPECT_EQ(installed,
            (root_ / "bin" / CLICKORA_MANUALDIR_FROM_BINDIR / "index.html").lexically_normal());
  const struct {
    const char* name;
    bool beside, installed;
    std::string expected;
  } kCases[] = {
      {"neither: the one beside, for the message", false, false, beside},
      {"installed only", false, true, installed},
      {"beside only", true, false, beside},
      {"both: the one beside, as in a build tree", true, true, beside},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(root_ / "bin/manual");
    fs::remove(installed);
    if (c.beside) Touch(beside);
    if (c.installed) Touch(installed);
    EXPECT_EQ(HtmlManualFor(chm), c.expected);
  }
}

}  // namespace
}  // namespace clickora::platform::qt
