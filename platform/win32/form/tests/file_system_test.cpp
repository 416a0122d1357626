// Settings files: exact bytes on disk, replacement through a temporary file, and failures that
// leave the target as it was.
#include <windows.h>

#include <string>

#include "check.h"
#include "platform/win32/desktop_services.h"
#include "win_text.h"

using namespace clickora::platform::win32;

namespace {

std::wstring TestFolder() {
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring folder =
      std::wstring(temp) + L"clickora-fs-" + std::to_wstring(::GetCurrentProcessId());
  ::CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

std::string RawBytes(const std::wstring& path) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  char buffer[256];
  DWORD read = 0;
  ::ReadFile(file, buffer, sizeof buffer, &read, nullptr);
  ::CloseHandle(file);
  return std::string(buffer, read);
}

void WriteRawBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(file);
}

int FilesIn(const std::wstring& folder) {
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
  int count = 0;
  if (search == INVALID_HANDLE_VALUE) return 0;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++count;
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  return count;
}

}  // namespace

TEST_CASE("a settings file is written byte for byte and read back") {
  Win32FileSystem files;
  const std::wstring folder = TestFolder();
  const std::wstring path = folder + L"\\default.kpf";
  const std::string design_values = "500\r\n500\r\n5\r\n1\r\n1\r\n";
  CHECK(files.ReplaceText(Narrow(path), design_values).ok);
  CHECK(RawBytes(path) == design_values);
  CHECK_EQ(RawBytes(path).size(), 19u);

  // Replacing an existing file, with the ANSI code page on disk and UTF-8 in memory.
  CHECK(files.ReplaceText(Narrow(path), "12\r\n").ok);
  CHECK(RawBytes(path) == "12\r\n");
  std::string contents;
  CHECK(files.ReadText(Narrow(path), contents).ok);
  CHECK(contents == "12\r\n");
  CHECK_EQ(FilesIn(folder), 1);  // no temporary file left beside it

  ::DeleteFileW(path.c_str());
  ::RemoveDirectoryW(folder.c_str());
}

TEST_CASE("a byte-order mark is skipped and the rest read as UTF-8, plain files as ANSI") {
  Win32FileSystem files;
  const std::wstring folder = TestFolder();
  const std::wstring path = folder + L"\\marked.kpf";
  struct Row {
    std::string bytes;
    std::string text;
  };
  const Row rows[] = {
      {"\xEF\xBB\xBF"
       "77\r\n88\r\n",
       "77\r\n88\r\n"},
      {"\xEF\xBB\xBF", ""},
      {"\xEF\xBB\xBF"
       "\xC3\xA9\r\n",
       "\xC3\xA9\r\n"},  // é as UTF-8 after the mark
      {"\xEF\xBB"
       "1\r\n",
       CodePageToUtf8("\xEF\xBB"
                      "1\r\n",
                      CP_ACP)},  // no whole mark
  };
  for (const Row& row : rows) {
    WriteRawBytes(path, row.bytes);
    std::string contents;
    CHECK(files.ReadText(Narrow(path), contents).ok);
    CHECK(contents == row.text);
  }
  ::DeleteFileW(path.c_str());
  ::RemoveDirectoryW(folder.c_str());
}

// A failure gives the system's reason only: the program's message names the file itself, so a
// reason that named it too would show the path twice.
TEST_CASE("failures give the reason once and leave the target untouched") {
  Win32FileSystem files;
  const std::wstring folder = TestFolder();
  const std::wstring path = folder + L"\\locked.kpf";
  CHECK(files.ReplaceText(Narrow(path), "old\r\n").ok);
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);

  const clickora::platform::FileResult locked = files.ReplaceText(Narrow(path), "new\r\n");
  CHECK(!locked.ok);
  CHECK(!locked.error.empty() && locked.error.find("locked.kpf") == std::string::npos);
  CHECK(RawBytes(path) == "old\r\n");
  CHECK_EQ(FilesIn(folder), 1);

  std::string contents = "unchanged";
  const clickora::platform::FileResult missing =
      files.ReadText(Narrow(folder + L"\\none.kpf"), contents);
  CHECK(!missing.ok && !missing.error.empty() &&
        missing.error.find("none.kpf") == std::string::npos);
  CHECK(contents == "unchanged");
  CHECK(!files.ReplaceText(Narrow(folder + L"\\*.kpf"), "x").ok);  // not a valid name
  CHECK_EQ(FilesIn(folder), 1);

  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileW(path.c_str());
  ::RemoveDirectoryW(folder.c_str());
}
