#include <windows.h>
// aclapi.h needs the types of windows.h first.
#include <aclapi.h>

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

// The file that path names once symbolic links and junctions are followed: saving through a link
// writes the file it names and leaves the link a link. A path that names nothing yet, or that
// cannot be opened to ask, is taken as it is.
std::wstring FinalPath(const std::wstring& path) {
  const UniqueFile file([&] {
    HANDLE handle =
        ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
  }());
  if (!file) return path;
  std::wstring final_path(MAX_PATH, L'\0');
  DWORD length = ::GetFinalPathNameByHandleW(file.Get(), final_path.data(),
                                             static_cast<DWORD>(final_path.size()), 0);
  if (length >= final_path.size()) {
    final_path.resize(length + 1);
    length = ::GetFinalPathNameByHandleW(file.Get(), final_path.data(),
                                         static_cast<DWORD>(final_path.size()), 0);
  }
  if (length == 0 || length >= final_path.size()) return path;
  final_path.resize(length);
  // "\\?\C:\..." and "\\?\UNC\server\..." back to the forms every call takes.
  constexpr std::wstring_view kUnc = L"\\\\?\\UNC\\";
  constexpr std::wstring_view kLocal = L"\\\\?\\";
  if (final_path.starts_with(kUnc)) return L"\\\\" + final_path.substr(kUnc.size());
  if (final_path.starts_with(kLocal) && final_path.size() - kLocal.size() < MAX_PATH) {
    return final_path.substr(kLocal.size());
  }
  return final_path;
}

// The number of names the file has (hard links); 1 where it cannot be told.
DWORD LinkCount(const std::wstring& path) {
  const UniqueFile file = OpenFile(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  BY_HANDLE_FILE_INFORMATION information{};
  if (!file || !::GetFileInformationByHandle(file.Get(), &information)) return 1;
  return information.nNumberOfLinks;
}

// Zero once every byte is written, else the error.
DWORD WriteAll(HANDLE file, const std::string& bytes) {
  DWORD written = 0;
  if (bytes.empty()) return 0;
  if (!::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
    return ::GetLastError();
  }
  return written == bytes.size() ? 0 : ERROR_WRITE_FAULT;
}

// Gives the new file the attributes and the access rules of the one it replaces before the
// replacement.
// NOTE: Windows' ReplaceFileW keeps both itself; Wine's renames the new file over the old one and
// keeps neither, so they travel with the new file. A failure here leaves that to ReplaceFileW.
void CarryOver(const std::wstring& from, const std::wstring& to, DWORD attributes) {
  constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                          FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  if (attributes & kKept) ::SetFileAttributesW(to.c_str(), attributes & kKept);
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetNamedSecurityInfoW(from.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
    return;
  }
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  ::GetSecurityDescriptorControl(descriptor, &control, &revision);
  // A file whose rules all come from its folder gets them from its folder again.
  const SECURITY_INFORMATION inheritance = (control & SE_DACL_PROTECTED)
                                               ? PROTECTED_DACL_SECURITY_INFORMATION
                                               : UNPROTECTED_DACL_SECURITY_INFORMATION;
  ::SetNamedSecurityInfoW(const_cast<wchar_t*>(to.c_str()), SE_FILE_OBJECT,
                          DACL_SECURITY_INFORMATION | inheritance, nullptr, nullptr, dacl, nullptr);
  ::LocalFree(descriptor);
}

// The whole file from its start: bytes, then the end of the file after them. Zero or the error.
DWORD Overwrite(HANDLE file, const std::string& bytes) {
  if (!::SetFilePointerEx(file, LARGE_INTEGER{}, nullptr, FILE_BEGIN)) return ::GetLastError();
  if (const DWORD error = WriteAll(file, bytes); error != 0) return error;
  return ::SetEndOfFile(file) ? 0 : ::GetLastError();
}

// Overwrites the file where it is, keeping everything it was. The room for a longer text is
// taken first, so that a full disk refuses the save before a byte of the old text is changed;
// a write that fails all the same puts the old text back where the file may be read.
FileResult WriteInPlace(const std::wstring& path, const std::string& bytes) {
  UniqueFile file = OpenFile(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING);
  bool restorable = static_cast<bool>(file);
  if (!file) file = OpenFile(path, GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING);
  if (!file) return Failure(::GetLastError());
  LARGE_INTEGER old_size{};
  if (!::GetFileSizeEx(file.Get(), &old_size)) return Failure(::GetLastError());
  std::string old_bytes;
  if (restorable && old_size.QuadPart <= kMaxFileBytes) {
    old_bytes.resize(static_cast<std::size_t>(old_size.QuadPart));
    DWORD read = 0;
    restorable =
        old_bytes.empty() || (::ReadFile(file.Get(), old_bytes.data(),
                                         static_cast<DWORD>(old_bytes.size()), &read, nullptr) &&
                              read == old_bytes.size());
  } else {
    restorable = false;
  }
  LARGE_INTEGER new_size{};
  new_size.QuadPart = static_cast<LONGLONG>(bytes.size());
  if (new_size.QuadPart > old_size.QuadPart) {
    if (!::SetFilePointerEx(file.Get(), new_size, nullptr, FILE_BEGIN) ||
        !::SetEndOfFile(file.Get())) {
      const DWORD error = ::GetLastError();
      ::SetFilePointerEx(file.Get(), old_size, nullptr, FILE_BEGIN);
      ::SetEndOfFile(file.Get());
      return Failure(error);
    }
  }
  if (const DWORD error = Overwrite(file.Get(), bytes); error != 0) {
    if (restorable) Overwrite(file.Get(), old_bytes);
    return Failure(error);
  }
  if (!::FlushFileBuffers(file.Get())) return Failure(::GetLastError());
  return {};
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
  const std::wstring target = FinalPath(Widen(path));
  const std::string bytes = Utf8ToCodePage(contents, CP_ACP);
  // NOTE: Windows refuses to rename over a read-only file, but not every implementation of the
  // API does (Wine replaces it); a read-only settings file is kept as it is everywhere.
  const DWORD attributes = ::GetFileAttributesW(target.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & FILE_ATTRIBUTE_READONLY)) return Failure(ERROR_ACCESS_DENIED);
  // Another name of the same file would keep the old text after a replacement.
  if (exists && LinkCount(target) > 1) return WriteInPlace(target, bytes);

  wchar_t temporary_path[MAX_PATH + 16] = {};
  if (!::GetTempFileNameW(FolderOf(target).c_str(), L"clk", 0, temporary_path)) {
    const DWORD error = ::GetLastError();
    // A folder where the user may write the file but create nothing.
    if (exists && error == ERROR_ACCESS_DENIED) return WriteInPlace(target, bytes);
    return Failure(error);
  }
  TemporaryFile temporary(temporary_path);
  {
    const UniqueFile file = OpenFile(temporary.Path(), GENERIC_WRITE, 0, CREATE_ALWAYS);
    if (!file) {
      // NOTE: Wine's GetTempFileNameW names a file that it could not create.
      const DWORD error = ::GetLastError();
      if (exists && error == ERROR_ACCESS_DENIED) return WriteInPlace(target, bytes);
      return Failure(error);
    }
    if (const DWORD error = WriteAll(file.Get(), bytes); error != 0) return Failure(error);
    if (!::FlushFileBuffers(file.Get())) return Failure(::GetLastError());
  }
  if (!exists) {
    if (!::MoveFileExW(temporary.Path().c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return Failure(::GetLastError());
    }
    temporary.Keep();
    return {};
  }
  CarryOver(target, temporary.Path(), attributes);
  // ReplaceFileW keeps what the file replaced was: its security, attributes, creation time and
  // named streams.
  if (::ReplaceFileW(target.c_str(), temporary.Path().c_str(), nullptr,
                     REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
    temporary.Keep();
    return {};
  }
  const DWORD error = ::GetLastError();
  switch (error) {
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT_2:
      // The old file is gone or moved aside and the new one still has its temporary name: it is
      // put in place as it is, or else kept under that name rather than lost.
      if (!::MoveFileExW(temporary.Path().c_str(), target.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD move_error = ::GetLastError();
        temporary.Keep();
        return Failure(move_error);
      }
      temporary.Keep();
      return {};
    case ERROR_UNABLE_TO_REMOVE_REPLACED:
    case ERROR_ACCESS_DENIED:
      // A file that may be written but not deleted or renamed.
      return WriteInPlace(target, bytes);
    default:
      return Failure(error);
  }
}

}  // namespace clickora::platform::win32
