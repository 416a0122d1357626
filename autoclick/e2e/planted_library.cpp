// A stand-in for a DLL that someone dropped beside a program: copied under the name of a library
// that the program loads (hhctrl.ocx, winmm.dll, ...), it leaves a marker file NAME.loaded beside
// itself, naming the process, as soon as any process loads it. The tests look for that marker.
#include <windows.h>

namespace {

void LeaveMarker(HINSTANCE self) {
  wchar_t path[MAX_PATH + 8] = {};
  const DWORD length = ::GetModuleFileNameW(self, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  ::lstrcatW(path, L".loaded");
  // NOTE: under the loader lock only kernel32 is safe to call; CreateFileW and WriteFile are.
  HANDLE marker = ::CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (marker == INVALID_HANDLE_VALUE) return;
  char process[MAX_PATH + 2] = {};
  DWORD size = ::GetModuleFileNameA(nullptr, process, MAX_PATH);
  process[size++] = '\n';
  DWORD written = 0;
  ::WriteFile(marker, process, size, &written, nullptr);
  ::CloseHandle(marker);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) LeaveMarker(self);
  return TRUE;
}
