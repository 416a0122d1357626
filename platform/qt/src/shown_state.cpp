#include "shown_state.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdlib>
#include <optional>
#include <string>

#include "field_dump.h"

namespace clickora::platform::qt {
namespace {

ShownStateObserver* installed = nullptr;

std::optional<FieldDump> DumpNamedBy(const char* variable) {
  const char* path = std::getenv(variable);
  if (path == nullptr || *path == '\0') return std::nullopt;
  return FieldDump(path);
}

class DumpObserver final : public ShownStateObserver {
 public:
  DumpObserver(std::optional<FieldDump> fields, std::string message_path,
               std::optional<FieldDump> help)
      : fields_(std::move(fields)),
        message_path_(std::move(message_path)),
        help_(std::move(help)) {}

  void WindowText(std::string_view name, std::string_view text) override {
    if (!fields_ || !fields_->Put(name, text) || flush_pending_) return;
    // Written once the event that changed it is done, as the screen shows it: a caption that an
    // event procedure sets and replaces before it returns is never seen, and is not written.
    flush_pending_ = true;
    QTimer::singleShot(0, &context_, [this] {
      flush_pending_ = false;
      fields_->Write();
    });
  }

  void MessageBoxShown(const QMessageBox& box) override {
    if (message_path_.empty()) return;
    // Each box written whole, even when it shows what the one before showed.
    FieldDump message(message_path_);
    QString buttons;
    for (const QAbstractButton* button : box.buttons()) {
      if (!buttons.isEmpty()) buttons += u'|';
      buttons += button->text();
    }
    // A text of several lines stays one "Name=text" line.
    QString text = box.text();
    text.replace(u'\n', QStringLiteral("\\n"));
    message.Set("Caption", box.windowTitle().toStdString());
    message.Set("Text", text.toStdString());
    message.Set("Icon",
                box.icon() == QMessageBox::NoIcon && box.iconPixmap().isNull() ? "none" : "shown");
    message.Set("Buttons", buttons.toStdString());
  }

  void HelpPageShown(std::string_view title, std::string_view heading,
                     std::string_view page) override {
    if (!help_) return;
    help_->Set("Title", title);
    help_->Set("Heading", heading);
    help_->Set("Page", page);
  }

 private:
  std::optional<FieldDump> fields_;
  bool flush_pending_ = false;
  QObject context_;  // a pending write goes with the observer
  std::string message_path_;
  std::optional<FieldDump> help_;
};

}  // namespace

void InstallShownStateObserver(ShownStateObserver* observer) {
  installed = observer;
}

ShownStateObserver* InstalledShownStateObserver() {
  return installed;
}

std::unique_ptr<ShownStateObserver> DumpObserverFromEnvironment() {
  auto fields = DumpNamedBy("CLICKORA_DUMP_FIELDS");
  const char* message = std::getenv("CLICKORA_DUMP_MESSAGE");
  std::string message_path = message != nullptr ? message : "";
  auto help = DumpNamedBy("CLICKORA_DUMP_HELP");
  if (!fields && message_path.empty() && !help) return nullptr;
  return std::make_unique<DumpObserver>(std::move(fields), std::move(message_path),
                                        std::move(help));
}

}  // namespace clickora::platform::qt
