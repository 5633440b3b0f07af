// The yardstick for start-up: a Qt Widgets program with one window of the
// main window's size, built like Sondrel. Prints the time from launch to the
// window shown and the CPU time used until then, then, after half a second of
// idling, its resident memory. With the argument "label" the window also shows
// one line of text: the yardstick with the fonts and text shaping that any
// window with words in it needs, and that the empty window never loads.

#include <optional>

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include "bench/StartupProbe.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle("Minimal");
    window.resize(420, 400);
    std::optional<QLabel> label; // made only when asked for: the empty window has no child
    if (argc > 1 && QByteArrayView(argv[1]) == "label") {
        label.emplace(QStringLiteral("Drag and drop audio file(s) here."), &window);
        label->move(10, 10);
    }
    window.show();
    double shown = -1;
    double cpu = 0;
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (shown < 0 && window.windowHandle() != nullptr && window.windowHandle()->isExposed()) {
            shown = sondrel::bench::MillisecondsSinceLaunch();
            cpu = sondrel::bench::CpuMilliseconds();
            QTimer::singleShot(500, [&] {
                sondrel::bench::Report(shown, cpu);
                QApplication::quit();
            });
        }
    });
    poll.start();
    return QApplication::exec();
}
