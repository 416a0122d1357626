#include <QApplication>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdlib>

#include "control_library.h"
#include "dbus_keep_awake.h"
#include "dbus_session_state.h"
#include "desktop_pick_surface.h"
#include "desktop_pointer_input.h"
#include "install_layout.h"
#include "kde_global_hot_key.h"
#include "platform/posix/posix_services.h"
#include "platform/qt/qt_platform.h"
#include "qt_program_services.h"
#include "qt_timer_service.h"
#include "qt_window.h"
#include "shown_state.h"
#include "sway_global_hot_key.h"
#include "x11_global_hot_key.h"
#include "x11_target_integrity.h"

namespace clickora::platform::qt {
namespace {

// An asset of the program: compiled into it under ":/assets", or else a file beside it.
QPixmap LoadAsset(std::string_view name) {
  const QString file = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
  const QString embedded = QStringLiteral(":/assets/") + file;
  if (QFile::exists(embedded)) return QPixmap(embedded);
  return QPixmap(QString::fromStdString(posix::ProgramFolder()) + u'/' + file);
}

// The primary screen's top-left corner in the root window, in device pixels.
// NOTE: the toolkit keeps a screen's position in device pixels even when it scales the screen's
// size for high DPI, so that neighbouring screens stay adjacent; the corner needs no scaling.
Point PrimaryOrigin() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return {};
  const QPoint origin = screen->geometry().topLeft();
  return {origin.x(), origin.y()};
}

// NOTE: the design names Windows faces. Where they are missing, fontconfig's own nearest match
// for "Comic Sans MS" can be a calligraphic italic face; these keep the fields plainly legible.
void SubstituteWindowsFaces() {
  QFont::insertSubstitutions(QStringLiteral("Comic Sans MS"),
                             {QStringLiteral("Comic Neue"), QStringLiteral("DejaVu Sans"),
                              QStringLiteral("Liberation Sans")});
  QFont::insertSubstitutions(QStringLiteral("Tahoma"),
                             {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
}

// The stop key: on sway bound over its IPC and on KDE Plasma set through its shortcut service,
// so that it works whichever window has the focus, native ones too; elsewhere an X11 grab.
std::unique_ptr<GlobalHotKey> MakeStopKey() {
  const char* sway = std::getenv("SWAYSOCK");
  if (sway != nullptr && *sway != '\0') return std::make_unique<SwayGlobalHotKey>(sway);
  // KDE Plasma's shortcut service, on a Wayland session only: on X11 the grab works everywhere.
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if (wayland != nullptr && *wayland != '\0' && KdeGlobalHotKey::Offered()) {
    return std::make_unique<KdeGlobalHotKey>();
  }
  return std::make_unique<X11GlobalHotKey>();
}

class QtFormRuntime final : public FormRuntime {
 public:
  QtFormRuntime(QtProgramServices& program, TimerService& timers, ControlLibraries& controls)
      : program_(program), timers_(timers), controls_(controls) {}

  CreateFormResult CreateForm(const FormDesign& design) override {
    std::string error;
    auto window =
        std::make_unique<QtWindow>(design, program_, timers_, controls_, &LoadAsset, error);
    if (!error.empty()) return {nullptr, error};
    return {std::move(window), {}};
  }

  int Run(Window& window, FormEventSink& sink) override {
    auto& form = dynamic_cast<QtWindow&>(window);
    form.SetSink(&sink);
    form.Raise("Form", "Load");
    form.StartTimers();
    form.Show();
    const int code = QApplication::exec();
    form.SetSink(nullptr);
    return code;
  }

 private:
  QtProgramServices& program_;
  TimerService& timers_;
  ControlLibraries& controls_;
};

}  // namespace

struct QtPlatform::Impl {
  Impl(int& argc, char** argv) : application(argc, argv) {
    InstallShownStateObserver(test_hooks.get());
    // A key bound in sway or set in KDE's shortcut service outlives the process otherwise.
    program.AtEnd([this] { stop_key->Release(); });
  }
  ~Impl() { InstallShownStateObserver(nullptr); }

  // Test support, read from the environment once, before any window.
  std::unique_ptr<ShownStateObserver> test_hooks = DumpObserverFromEnvironment();

  QApplication application;
  posix::MonotonicClock clock;
  QtTimerService timers;
  QtProgramServices program;
  std::unique_ptr<PointerInput> pointer = MakeDesktopPointerInput(&PrimaryOrigin, program);
  posix::LocalTimeOfDay time_of_day;
  posix::PosixFileSystem files;
  std::unique_ptr<GlobalHotKey> stop_key = MakeStopKey();
  DesktopPickSurface pick{&PrimaryOrigin};
  DBusKeepAwake keep_awake;
  DBusSessionState session;
  X11TargetIntegrity target_integrity;
  Services services{clock,     timers, program,    *pointer, time_of_day,     files,
                    *stop_key, pick,   keep_awake, session,  target_integrity};
  ControlLibraries controls{ControlLibraryFolders(posix::ProgramFolder()), clock, timers};
  QtFormRuntime runtime{program, timers, controls};
};

QtPlatform::QtPlatform(int& argc, char** argv) : impl_(std::make_unique<Impl>(argc, argv)) {
  SubstituteWindowsFaces();
}

QtPlatform::~QtPlatform() = default;

void QtPlatform::SetApplicationTitle(std::string_view title) {
  impl_->program.SetApplicationTitle(title);
}

void QtPlatform::RegisterControlClass(std::string_view class_name, std::string_view library_file) {
  impl_->controls.Register(class_name, library_file);
}

Services& QtPlatform::services() {
  return impl_->services;
}

FormRuntime& QtPlatform::runtime() {
  return impl_->runtime;
}

}  // namespace clickora::platform::qt
