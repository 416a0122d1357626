#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace clickora::platform::qt {

// Where the Linux program finds its files: beside itself, as in the build tree, and else where an
// installation put them relative to the program's folder (fixed when the build is configured).

// The folders the control libraries are loaded from, the program folder first.
std::vector<std::string> ControlLibraryFolders(const std::string& program_folder);

// The HTML manual that stands for a compiled help file "<folder>/<name>.chm": "<folder>/<name>/
// index.html" beside it, else index.html in the installed manual's folder. The first of them
// when neither exists, for a message that names it.
std::string HtmlManualFor(std::string_view help_file);

// The folder an installation keeps the manual in, for the program in program_folder.
std::string InstalledManualFolder(const std::string& program_folder);

}  // namespace clickora::platform::qt
