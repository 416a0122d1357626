// What the program leaves out of its start-up: the background picture drawn straight from a
// packed DIB in its resources, and system DLLs loaded only when a command needs them.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "check.h"
#include "form_graphics.h"
#include "platform/win32/system_library.h"
#include "platform/win32/timing.h"

using namespace clickora::platform::win32;

namespace {

// A packed DIB: header, then `rows` rows of `width` pixels, `extra` bytes more or fewer.
std::vector<unsigned char> PackedDib(LONG width, LONG height, WORD bits, DWORD compression,
                                     long extra = 0, DWORD colours_used = 0) {
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = bits;
  header.biCompression = compression;
  header.biClrUsed = colours_used;
  const long rows = height < 0 ? -height : height;
  const long stride = ((static_cast<long>(width) * bits + 31) / 32) * 4;
  std::vector<unsigned char> dib(sizeof header + static_cast<std::size_t>(stride * rows + extra));
  std::memcpy(dib.data(), &header, sizeof header);
  return dib;
}

// The folder a loaded module's file is in, lower case, or empty when the module is not loaded.
std::wstring FolderOfLoaded(const wchar_t* name) {
  const HMODULE module = ::GetModuleHandleW(name);
  wchar_t path[MAX_PATH] = {};
  if (module == nullptr || ::GetModuleFileNameW(module, path, MAX_PATH) == 0) return {};
  std::wstring folder(path);
  folder.erase(folder.find_last_of(L'\\'));
  for (wchar_t& c : folder) c = static_cast<wchar_t>(::towlower(c));
  return folder;
}

std::wstring SystemFolder() {
  wchar_t folder[MAX_PATH] = {};
  ::GetSystemDirectoryW(folder, MAX_PATH);
  std::wstring lower(folder);
  for (wchar_t& c : lower) c = static_cast<wchar_t>(::towlower(c));
  return lower;
}

}  // namespace

TEST_CASE("packed DIBs of 24 and 32 bits are drawn in place; anything else is refused") {
  const struct {
    const char* what;
    std::vector<unsigned char> dib;
    bool taken;
    int width, height;
  } cases[] = {
      {"24 bits, bottom-up, rows padded to words", PackedDib(645, 294, 24, BI_RGB), true, 645, 294},
      {"32 bits, top-down", PackedDib(3, -2, 32, BI_RGB), true, 3, 2},
      {"one row short of its last byte", PackedDib(645, 294, 24, BI_RGB, -1), false, 0, 0},
      {"8 bits with a palette", PackedDib(16, 16, 8, BI_RGB, 1024, 256), false, 0, 0},
      {"run-length coded", PackedDib(16, 16, 24, BI_RLE8), false, 0, 0},
      {"bit fields", PackedDib(16, 16, 32, BI_BITFIELDS, 12), false, 0, 0},
      {"no width", PackedDib(0, 16, 24, BI_RGB), false, 0, 0},
      {"no rows", PackedDib(16, 0, 24, BI_RGB), false, 0, 0},
      {"wider than any screen", PackedDib(20000, 1, 24, BI_RGB), false, 0, 0},
  };
  for (const auto& c : cases) {
    Picture picture;
    const HRESULT hr = PictureFromPackedDib(c.dib.data(), c.dib.size(), picture);
    CHECK(SUCCEEDED(hr) == c.taken);
    CHECK(picture.width == c.width);
    CHECK(picture.height == c.height);
    if (c.taken) {
      CHECK(picture.bits == c.dib.data() + sizeof(BITMAPINFOHEADER));
    } else {
      CHECK(hr == HRESULT_FROM_WIN32(ERROR_INVALID_DATA));
      CHECK(picture.info == nullptr);
    }
  }
  Picture picture;
  CHECK(PictureFromPackedDib(nullptr, 0, picture) == HRESULT_FROM_WIN32(ERROR_INVALID_DATA));
  const std::vector<unsigned char> header_only = PackedDib(1, 1, 24, BI_RGB);
  CHECK(FAILED(PictureFromPackedDib(header_only.data(), sizeof(BITMAPINFOHEADER) - 1, picture)));
}

TEST_CASE("a picture resource that is not there leaves the window without a picture") {
  Picture picture;
  CHECK(FAILED(LoadPictureResource(::GetModuleHandleW(nullptr), L"NO_SUCH_PICTURE", picture)));
  CHECK(picture.info == nullptr);
}

TEST_CASE("system libraries load from the system folder on demand and name their failure") {
  const SystemLibrary kernel(L"kernel32.dll");
  CHECK(kernel.Loaded());
  CHECK(kernel.LoadError() == 0);
  using TickFunction = DWORD(WINAPI*)();
  CHECK(kernel.Entry<TickFunction>("GetTickCount") != nullptr);
  CHECK(kernel.Entry<TickFunction>("NoSuchEntryPoint") == nullptr);

  // The dialogs' library is not loaded until it is asked for.
  CHECK(::GetModuleHandleW(L"comdlg32.dll") == nullptr);
  {
    const SystemLibrary dialogs(L"comdlg32.dll");
    CHECK(dialogs.Loaded());
    CHECK(::GetModuleHandleW(L"comdlg32.dll") != nullptr);
  }

  const SystemLibrary missing(L"clickora-no-such-library.dll");
  CHECK(!missing.Loaded());
  CHECK(missing.LoadError() == ERROR_MOD_NOT_FOUND);
  CHECK(missing.Entry<TickFunction>("GetTickCount") == nullptr);
}

TEST_CASE("the millisecond clock takes winmm.dll from the system folder at its first call") {
  SystemMillisecondClock clock;
  const DWORD before = ::GetTickCount();
  const std::uint32_t now = clock.NowMs();
  const DWORD after = ::GetTickCount();
  // Bound, not fallen back to GetTickCount: winmm.dll is loaded, from the system folder.
  CHECK(FolderOfLoaded(L"winmm.dll") == SystemFolder());
  // The same count since the system started, within the coarser tick of GetTickCount.
  CHECK(now + 100 >= before && now <= after + 100);
  const std::uint32_t later = clock.NowMs();
  CHECK(later >= now && later - now < 1000);
}
