#include "check.h"
#include "platform/win32/com_apartment.h"

int main() {
  // The window tests host COM objects on this thread, as the program does.
  const clickora::platform::win32::ComApartment apartment;
  return clickora::testing::RunAll("win32 form tests");
}
