#include <windows.h>

#include <string_view>
#include <vector>

#include "platform/win32/desktop_services.h"
#include "platform/win32/unique_handle.h"
#include "win_text.h"

namespace clickora::platform::win32 {
namespace {

// Settings files are a few bytes; anything this large is not one and is not read into memory.
constexpr LONGLONG kMaxFileBytes = 16LL * 1024 * 1024;

// CreateFileW reports failure as INVALID_HANDLE_VALUE; the owner keeps null for "none".
using UniqueFile = UniqueHandle<HANDLE, &::CloseHandle>;
UniqueFile OpenFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition) {
  HANDLE file = ::CreateFileW(path.c_str(), access, share, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  return UniqueFile(file == INVALID_HANDLE_VALUE ? nullptr : file);
}

// The reason only: the message that shows it names the file itself.
FileResult Failure(DWORD code) {
  return {false, SystemErrorText(code)};
}

// Deletes the temporary file unless it has been put in place.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::wstring path) : path_(std::move(path)) {}
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    if (!path_.empty()) ::DeleteFileW(path_.c_str());
  }
  const std::wstring& Path() const { return path_; }
  void Keep() { path_.clear(); }

 private:
  std::wstring path_;
};

std::wstring FolderOf(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return L".";
  if (slash == 0 || (slash == 2 && path[1] == L':')) return path.substr(0, slash + 1);  // a root
  return path.substr(0, slash);
}

}  // namespace

FileResult Win32FileSystem::ReadText(const std::string& path, std::string& contents) {
  const UniqueFile file =
      OpenFile(Widen(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  if (!file) return Failure(::GetLastError());
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.Get(), &size)) return Failure(::GetLastError());
  if (size.QuadPart > kMaxFileBytes) return {false, "the file is too large for a settings file"};
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!bytes.empty() &&
      !::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) {
    return Failure(::GetLastError());
  }
  bytes.resize(read);
  // NOTE: a file that begins with a UTF-8 byte-order mark (as some editors write) is UTF-8, and
  // the mark must go before the text is decoded: read as the ANSI code page it would become three
  // letters that no test for the mark downstream recognises.
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (std::string_view(bytes).starts_with(kByteOrderMark)) {
    contents = CodePageToUtf8(std::string_view(bytes).substr(kByteOrderMark.size()), CP_UTF8);
    return {};
  }
  contents = CodePageToUtf8(bytes, CP_ACP);
  return {};
}

FileResult Win32FileSystem::ReplaceText(const std::string& path, std::string_view contents) {
  const std::wstring target = Widen(path);
  const std::string bytes = Utf8ToCodePage(contents, CP_ACP);
  // NOTE: Windows refuses to rename over a read-only file, but not every implementation of the
  // API does (Wine replaces it); a read-only settings file is kept as it is everywhere.
  const DWORD attributes = ::GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    return Failure(ERROR_ACCESS_DENIED);
  }

  wchar_t temporary_path[MAX_PATH + 16] = {};
  if (!::GetTempFileNameW(FolderOf(target).c_str(), L"clk", 0, temporary_path)) {
    return Failure(::GetLastError());
  }
  TemporaryFile temporary(temporary_path);
  {
    const UniqueFile file = OpenFile(temporary.Path(), GENERIC_WRITE, 0, CREATE_ALWAYS);
    if (!file) return Failure(::GetLastError());
    DWORD written = 0;
    if (!bytes.empty() && (!::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                        &written, nullptr) ||
                           written != bytes.size())) {
      return Failure(::GetLastError());
    }
    if (!::FlushFileBuffers(file.Get())) return Failure(::GetLastError());
  }
  if (!::MoveFileExW(temporary.Path().c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return Failure(::GetLastError());
  }
  temporary.Keep();
  return {};
}

}  // namespace clickora::platform::win32
