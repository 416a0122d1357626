#include "install_layout.h"

#include <filesystem>
#include <system_error>

#ifndef CLICKORA_PRIVATE_LIBDIR_FROM_BINDIR
#error "CLICKORA_PRIVATE_LIBDIR_FROM_BINDIR: the control library folder, relative to the program's"
#endif
#ifndef CLICKORA_MANUALDIR_FROM_BINDIR
#error "CLICKORA_MANUALDIR_FROM_BINDIR: the manual's folder, relative to the program's"
#endif

namespace clickora::platform::qt {
namespace {

namespace fs = std::filesystem;

std::string Below(const std::string& folder, std::string_view relative) {
  return (fs::path(folder.empty() ? "/" : folder) / relative).lexically_normal().string();
}

bool IsFile(const std::string& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

}  // namespace

std::vector<std::string> ControlLibraryFolders(const std::string& program_folder) {
  return {program_folder, Below(program_folder, CLICKORA_PRIVATE_LIBDIR_FROM_BINDIR)};
}

std::string InstalledManualFolder(const std::string& program_folder) {
  return Below(program_folder, CLICKORA_MANUALDIR_FROM_BINDIR);
}

std::string HtmlManualFor(std::string_view help_file) {
  const fs::path chm(help_file);
  const fs::path folder = chm.parent_path();
  const std::string beside = (folder / chm.stem() / "index.html").string();
  if (IsFile(beside)) return beside;
  const std::string installed = InstalledManualFolder(folder.string()) + "/index.html";
  return IsFile(installed) ? installed : beside;
}

}  // namespace clickora::platform::qt
