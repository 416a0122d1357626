// readout_floor_qt: the least a Qt Widgets program can do for tapvane's read-out on Linux, as the
// native benchmark's yardstick. One window, two line edits, a precise timer at 10 ms (the shortest
// period tapvane's Linux runtime grants the read-out's 1 ms, as window timers do), and per tick one
// pointer query and one time-of-day text, written into the boxes as they are: nothing spared for
// a text that did not change or a window that cannot be seen.
#include <QApplication>
#include <QCursor>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>
#include <ctime>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QWidget window;
  window.setWindowTitle(QStringLiteral("readout floor"));
  window.resize(248, 333);
  auto* position = new QLineEdit(&window);
  position->setGeometry(8, 8, 200, 22);
  auto* time = new QLineEdit(&window);
  time->setGeometry(8, 40, 200, 22);
  QTimer timer;
  timer.setTimerType(Qt::PreciseTimer);
  timer.setInterval(10);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    const QPoint point = QCursor::pos();
    position->setText(QStringLiteral(" x : %1 , y :  %2").arg(point.x()).arg(point.y()));
    // The locale's time form, as tapvane writes it.
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char text[64] = {};
    if (localtime_r(&now, &local) != nullptr) std::strftime(text, sizeof text, "%X", &local);
    time->setText(QString::fromLocal8Bit(text));
  });
  timer.start();
  window.show();
  return QApplication::exec();
}
