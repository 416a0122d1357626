// The one platform object of tapvane.exe: what it does when COM does not start on its thread.
#include <objbase.h>

#include <string>
#include <thread>

#include "check.h"
#include "platform/win32/win32_platform.h"

using namespace clickora::platform;

TEST_CASE("a platform on a thread without an apartment fails every form, saying why") {
  // A thread that is already in the multithreaded apartment cannot enter a single-threaded
  // one, which is how COM refuses to start for the program.
  bool refused = false;
  std::string error;
  std::thread worker([&] {
    const HRESULT entered = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    {
      win32::Win32Platform platform;
      FormDesign design;
      design.name = "frmEmpty";
      CreateFormResult created = platform.runtime().CreateForm(design);
      refused = created.window == nullptr;
      error = created.error;
    }
    if (SUCCEEDED(entered)) ::CoUninitialize();
  });
  worker.join();
  CHECK(refused);
  CHECK(error.find("COM") != std::string::npos);
  CHECK(error.find("0x80010106") != std::string::npos);  // RPC_E_CHANGED_MODE, the reason
}
