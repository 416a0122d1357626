// Settings files: exact bytes on disk, replacement through a temporary file that keeps what the
// file was, and failures that leave the target as it was.
#include <windows.h>
// aclapi.h and sddl.h need the types of windows.h first.
#include <aclapi.h>
#include <sddl.h>

#include <cstdio>
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

namespace {

// The access-control entries of the file's DACL in SDDL ("D:P(A;;FA;;;WD)..."), or empty.
std::wstring DaclText(const std::wstring& path) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return {};
  }
  wchar_t* text = nullptr;
  std::wstring result;
  if (::ConvertSecurityDescriptorToStringSecurityDescriptorW(
          descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr)) {
    result = text;
    ::LocalFree(text);
  }
  ::LocalFree(descriptor);
  return result;
}

bool SetDaclText(const std::wstring& path, const wchar_t* sddl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor,
                                                              nullptr)) {
    return false;
  }
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  ::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
  const DWORD status =
      ::SetNamedSecurityInfoW(const_cast<wchar_t*>(path.c_str()), SE_FILE_OBJECT,
                              DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, dacl, nullptr);
  ::LocalFree(descriptor);
  return status == ERROR_SUCCESS;
}

}  // namespace

TEST_CASE("a save keeps the file what it was: its other names, attributes and access rules") {
  Win32FileSystem files;
  const std::wstring folder = TestFolder();
  const std::wstring path = folder + L"\\kept.kpf";
  const std::wstring other = folder + L"\\other name.kpf";
  const std::string old_text = "640\r\n480\r\n10\r\n1\r\n1\r\n";

  // A second hard link shows the new text too: the file is written where it is.
  WriteRawBytes(path, old_text);
  CHECK(::CreateHardLinkW(other.c_str(), path.c_str(), nullptr));
  for (const std::string& text :
       {std::string("a longer text than the old one\r\n"), std::string("1\r\n"), std::string()}) {
    CHECK(files.ReplaceText(Narrow(path), text).ok);
    CHECK(RawBytes(path) == text);
    CHECK(RawBytes(other) == text);
  }
  CHECK_EQ(FilesIn(folder), 2);
  ::DeleteFileW(other.c_str());

  // Attributes other than read-only.
  struct Row {
    const char* what;
    DWORD attributes;
  };
  const Row rows[] = {
      {"hidden", FILE_ATTRIBUTE_HIDDEN},
      {"hidden system file", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
      {"not indexed", FILE_ATTRIBUTE_NOT_CONTENT_INDEXED},
  };
  for (const Row& row : rows) {
    WriteRawBytes(path, old_text);
    CHECK(::SetFileAttributesW(path.c_str(), row.attributes));
    const DWORD before = ::GetFileAttributesW(path.c_str());
    if ((before & row.attributes) != row.attributes) {
      std::printf("  note: this system keeps no %s attribute on a file\n", row.what);
      continue;
    }
    CHECK(files.ReplaceText(Narrow(path), "new\r\n").ok);
    CHECK(RawBytes(path) == "new\r\n");
    CHECK_EQ(::GetFileAttributesW(path.c_str()) & row.attributes, row.attributes);
    CHECK(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL));
  }
  CHECK_EQ(FilesIn(folder), 1);

  // An explicit access-control list of the file's own: everyone may read and write it.
  WriteRawBytes(path, old_text);
  CHECK(SetDaclText(path, L"D:P(A;;FRFW;;;WD)"));
  const std::wstring rules = DaclText(path);
  CHECK(rules.find(L";;;WD)") != std::wstring::npos);
  CHECK(files.ReplaceText(Narrow(path), "new\r\n").ok);
  CHECK(RawBytes(path) == "new\r\n");
  CHECK(DaclText(path) == rules);
  CHECK_EQ(FilesIn(folder), 1);

  ::DeleteFileW(path.c_str());
  ::RemoveDirectoryW(folder.c_str());
}
