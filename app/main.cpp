// The program entry: the interactive start-up with the main window of the
// orders layer.
//
// ZAYAVKA_SCREENSHOT=FILE.png saves a picture of the main window two
// seconds after it is shown and ends the program: the demo script uses it
// to show the window on a machine without a display.
#include <QApplication>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <memory>

#include "app/StartUp.h"
#include "orders/MainWindow.h"

namespace {

void ScheduleScreenshot(app::StartUp& startUp) {
    const QString path = qEnvironmentVariable("ZAYAVKA_SCREENSHOT");
    if (path.isEmpty()) return;
    QTimer::singleShot(2000, [&startUp, path] {
        app::MainWindowHost* host = startUp.MainWindow();
        QWidget* window = host != nullptr ? host->Widget() : nullptr;
        const bool saved = window != nullptr && window->grab().save(path);
        if (!saved) std::fprintf(stderr, "zayavka: cannot save the screenshot\n");
        // exit, not quit: the window is not asked whether to close.
        QCoreApplication::exit(saved ? 0 : 1);
    });
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);

    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    app::StartUp startUp(QCoreApplication::applicationDirPath(), arguments,
                         [](app::TdmZetrovo& dm) -> std::unique_ptr<app::MainWindowHost> {
                             return std::make_unique<orders::TFormMain>(dm);
                         });
    if (std::optional<int> exitCode = startUp.Begin()) return *exitCode;
    ScheduleScreenshot(startUp);
    return QApplication::exec();
}
