#include <objbase.h>

#include "check.h"

int main() {
  // The window tests host COM objects on this thread, as the program does.
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const int result = clickora::testing::RunAll("win32 form tests");
  ::CoUninitialize();
  return result;
}
