// The X11 pick surface on a virtual X server of its own, under input put in through XTest: the
// click is taken and reaches no window beneath, its point comes relative to the primary screen,
// Esc and the right button cancel, and a pointer held by another client refuses the pick unless
// it is let go within the wait.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "x11_pick_surface.h"

// NOTE: after the toolkit's headers: Xlib defines macros (Bool, Status, None) that break them.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace clickora::platform::qt {
namespace {

// Xvfb on a free display of its own, for this process alone.
// NOTE: a display whose number looks free here can still be another server's abstract socket (a
// server of another mount namespace): every display is tried with a real connection before it
// is taken.
class VirtualServer final : public ::testing::Environment {
 public:
  void SetUp() override {
    for (int number = 200 + getpid() % 100; number < 400; ++number) {
      const std::string name = ":" + std::to_string(number);
      if (access(("/tmp/.X" + std::to_string(number) + "-lock").c_str(), F_OK) == 0 ||
          access(("/tmp/.X11-unix/X" + std::to_string(number)).c_str(), F_OK) == 0) {
        continue;
      }
      if (Start(name)) {
        setenv("DISPLAY", name.c_str(), 1);
        application_ = std::make_unique<QCoreApplication>(argc_, argv_);
        return;
      }
    }
    FAIL() << "no free display for Xvfb (package xvfb)";
  }
  void TearDown() override {
    application_.reset();
    Stop();
  }

 private:
  bool Start(const std::string& name) {
    pid_ = fork();
    if (pid_ < 0) return false;
    if (pid_ == 0) {
      const int devnull = open("/dev/null", O_WRONLY);
      dup2(devnull, STDOUT_FILENO);
      dup2(devnull, STDERR_FILENO);
      execlp("Xvfb", "Xvfb", name.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
             static_cast<char*>(nullptr));
      _exit(127);
    }
    for (int tries = 0; tries < 100; ++tries) {
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) break;  // it lost the display
      // Ours only when the display's lock names our server: a test started at the same moment
      // may have won the number, and its server would answer as well.
      if (LockHolder(name) == pid_) {
        if (Display* display = XOpenDisplay(name.c_str())) {
          XCloseDisplay(display);
          return true;
        }
      }
      usleep(50'000);
    }
    Stop();
    return false;
  }
  // The process id in the lock file of the display ":N", 0 when there is none.
  static pid_t LockHolder(const std::string& name) {
    std::FILE* lock = std::fopen(("/tmp/.X" + name.substr(1) + "-lock").c_str(), "r");
    if (lock == nullptr) return 0;
    long holder = 0;
    if (std::fscanf(lock, "%ld", &holder) != 1) holder = 0;
    std::fclose(lock);
    return static_cast<pid_t>(holder);
  }
  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int argc_ = 1;
  char name_[32] = "clickora_platform_x11_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QCoreApplication> application_;
};

const auto* const kServer = ::testing::AddGlobalTestEnvironment(new VirtualServer);

// The test's own client: a window beneath the pick that counts the buttons it receives, and the
// user's hand (XTest).
class Desk {
 public:
  Desk() : display_(OpenDisplay()) {
    if (display_ == nullptr) return;
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.event_mask = ButtonPressMask | ButtonReleaseMask;
    target_ =
        XCreateWindow(display_, DefaultRootWindow(display_), 100, 100, 400, 300, 0, CopyFromParent,
                      InputOutput, CopyFromParent, CWOverrideRedirect | CWEventMask, &attributes);
    XMapRaised(display_, target_);
    XSync(display_, False);
  }
  ~Desk() {
    if (display_ != nullptr) XCloseDisplay(display_);
  }
  Desk(const Desk&) = delete;
  Desk& operator=(const Desk&) = delete;

  // NOTE: Xvfb refuses a connection now and then when one comes right after another has closed:
  // the test's connection is tried a few times.
  static Display* OpenDisplay() {
    for (int tries = 0; tries < 20; ++tries) {
      if (Display* display = XOpenDisplay(nullptr)) return display;
      usleep(50'000);
    }
    return nullptr;
  }
  bool Open() const { return display_ != nullptr; }
  void MoveTo(int x, int y) {
    XTestFakeMotionEvent(display_, -1, x, y, 0);
    XSync(display_, False);
  }
  void Button(unsigned button, bool down) {
    XTestFakeButtonEvent(display_, button, down ? True : False, 0);
    XSync(display_, False);
  }
  void ClickAt(int x, int y, unsigned button = 1) {
    MoveTo(x, y);
    Button(button, true);
    Button(button, false);
  }
  void Key(KeySym key) {
    const KeyCode code = XKeysymToKeycode(display_, key);
    XTestFakeKeyEvent(display_, code, True, 0);
    XTestFakeKeyEvent(display_, code, False, 0);
    XSync(display_, False);
  }
  // The button events the window beneath has received so far.
  int TargetButtons() {
    XSync(display_, False);
    XEvent event;
    while (XCheckWindowEvent(display_, target_, ButtonPressMask | ButtonReleaseMask, &event)) {
      ++buttons_;
    }
    return buttons_;
  }
  // Another program's active grab of the pointer, as a drag or a menu of its own holds it.
  bool GrabPointer() {
    return XGrabPointer(display_, target_, False, ButtonPressMask, GrabModeAsync, GrabModeAsync, 0,
                        0, CurrentTime) == GrabSuccess;
  }
  void UngrabPointer() {
    XUngrabPointer(display_, CurrentTime);
    XSync(display_, False);
  }

 private:
  Display* display_;
  ::Window target_ = 0;
  int buttons_ = 0;
};

// Runs the toolkit's events until done says so, for at most ms milliseconds.
bool PumpUntil(const std::function<bool()>& done, int ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

struct Pick {
  explicit Pick(Point origin = {}) : surface([origin] { return origin; }) {}
  void Begin() {
    outcome.reset();
    surface.Begin([this](const PickOutcome& done) { outcome = done; });
  }
  bool Wait(int ms = 3000) {
    return PumpUntil([this] { return outcome.has_value(); }, ms);
  }
  X11PickSurface surface;
  std::optional<PickOutcome> outcome;
};

TEST(X11PickSurface, TakesTheClickAndGivesItsPointFromThePrimaryScreen) {
  Desk desk;
  ASSERT_TRUE(desk.Open());
  const struct {
    const char* name;
    Point origin;  // the primary screen's top-left on the root window
    Point expected;
  } cases[] = {{"primary at the root's origin", {0, 0}, {300, 200}},
               {"a screen left of and above the primary", {400, 250}, {-100, -50}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Pick pick(c.origin);
    pick.Begin();
    EXPECT_FALSE(pick.outcome.has_value());  // the pointer is the pick's now
    desk.ClickAt(300, 200);
    ASSERT_TRUE(pick.Wait());
    EXPECT_EQ(pick.outcome->kind, PickOutcome::Kind::kPicked);
    EXPECT_EQ(pick.outcome->point, c.expected);
    EXPECT_EQ(desk.TargetButtons(), 0);  // neither press nor release reached the window
  }
  // The grab went with the pick: the next click is the window's own.
  desk.ClickAt(300, 200);
  EXPECT_TRUE(PumpUntil([&] { return desk.TargetButtons() == 2; }, 3000));
}

TEST(X11PickSurface, EscAndTheRightButtonCancel) {
  Desk desk;
  ASSERT_TRUE(desk.Open());
  Pick pick;
  for (const bool escape : {true, false}) {
    SCOPED_TRACE(escape ? "Esc" : "right button");
    pick.Begin();
    if (escape) {
      desk.Key(XK_Escape);
    } else {
      desk.ClickAt(250, 250, 3);
    }
    ASSERT_TRUE(pick.Wait());
    EXPECT_EQ(pick.outcome->kind, PickOutcome::Kind::kCancelled);
    EXPECT_EQ(desk.TargetButtons(), 0);
  }
  // Other keys and the middle button neither pick nor cancel.
  pick.Begin();
  desk.Key(XK_F8);
  desk.ClickAt(250, 250, 2);
  EXPECT_FALSE(pick.Wait(300));
  desk.ClickAt(120, 130);
  ASSERT_TRUE(pick.Wait());
  EXPECT_EQ(pick.outcome->kind, PickOutcome::Kind::kPicked);
  EXPECT_EQ(pick.outcome->point, (Point{120, 130}));
}

TEST(X11PickSurface, APointerHeldByAnotherClientRefusesThePick) {
  Desk desk;
  ASSERT_TRUE(desk.Open());
  ASSERT_TRUE(desk.GrabPointer());
  Pick pick;
  pick.Begin();
  ASSERT_TRUE(pick.Wait(5000));
  EXPECT_EQ(pick.outcome->kind, PickOutcome::Kind::kRefused);
  EXPECT_EQ(pick.outcome->detail, "AlreadyGrabbed");
  desk.UngrabPointer();
  desk.ClickAt(300, 200);
  EXPECT_TRUE(PumpUntil([&] { return desk.TargetButtons() == 2; }, 3000));  // nothing left over

  // A press still held when the pick begins (the second press of the double-click that asked
  // for it) only delays it: once let go, the pick takes the next click.
  desk.MoveTo(200, 150);
  desk.Button(1, true);
  pick.Begin();
  PumpUntil([] { return false; }, 200);
  desk.Button(1, false);
  PumpUntil([] { return false; }, 200);
  EXPECT_FALSE(pick.outcome.has_value());
  desk.ClickAt(450, 350);
  ASSERT_TRUE(pick.Wait());
  EXPECT_EQ(pick.outcome->kind, PickOutcome::Kind::kPicked);
  EXPECT_EQ(pick.outcome->point, (Point{450, 350}));
}

}  // namespace
}  // namespace clickora::platform::qt
