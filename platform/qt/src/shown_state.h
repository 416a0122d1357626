#pragma once

#include <memory>
#include <string_view>

class QMessageBox;

namespace clickora::platform::qt {

// Test support: what the runtime shows, told as it changes to one observer, so that a test on a
// virtual display reads the window without screen scraping. The program installs none.
class ShownStateObserver {
 public:
  virtual ~ShownStateObserver() = default;

  // A text of the program's window changed: a field ("Text4"), a button's "Command4.Caption",
  // "Command4.Enabled" ("True"/"False") or "Command4.ToolTip", the "Form.Caption", or the
  // "Message" of a message box about to show.
  virtual void WindowText(std::string_view name, std::string_view text) = 0;
  // A message box is up (its own loop is running).
  virtual void MessageBoxShown(const QMessageBox& box) = 0;
  // The help window shows a page: its title, its first top-level heading and its file name.
  virtual void HelpPageShown(std::string_view title, std::string_view heading,
                             std::string_view page) = 0;
};

// Installed once, before the first window; null uninstalls. The runtime tells the observer
// installed when a thing happens, none when there is none.
void InstallShownStateObserver(ShownStateObserver* observer);
ShownStateObserver* InstalledShownStateObserver();

// The one place the environment's test hooks are read: files named by CLICKORA_DUMP_FIELDS (the
// window's texts), CLICKORA_DUMP_MESSAGE (the last message box: Caption, Text, Icon, Buttons) and
// CLICKORA_DUMP_HELP (Title, Heading and Page of the help), each rewritten whole as "Name=text"
// lines in name order after every change. Null when none is set.
std::unique_ptr<ShownStateObserver> DumpObserverFromEnvironment();

}  // namespace clickora::platform::qt
