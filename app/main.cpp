// The program entry: the interactive start-up with the main window of the
// orders layer.
//
// ZAYAVKA_SCREENSHOT=FILE.png saves a picture of the main window two
// seconds after it is shown and ends the program: the demo script uses it
// to show the window on a machine without a display. ZAYAVKA_HANDOVER_LOG
// (below) records what later starts handed over. ZAYAVKA_PAINTED_MARK
// (below) times a start.
#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/InstanceServer.h"
#include "app/StartUp.h"
#include "core/DataModule.h"
#include "orders/MainWindow.h"
#include "orders/ProgramStart.h"
#include "platform/CommandLine.h"
#include "platform/Platform.h"

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

// ZAYAVKA_HANDOVER_LOG=FILE appends a line "<argument> TAB <open orders>"
// to FILE for every argument a later start handed over, after it was
// opened: tests of the single instance read it.
void LogHandOvers(app::StartUp& startUp) {
    const QString path = qEnvironmentVariable("ZAYAVKA_HANDOVER_LOG");
    app::InstanceServer* server = startUp.HandOverServer();
    orders::MainWindow* window = orders::ProgramWindow(startUp);
    if (path.isEmpty() || server == nullptr || window == nullptr) return;
    server->onArgument = [deliver = server->onArgument, window, path](const QString& argument) {
        deliver(argument);
        QFile log(path);
        if (log.open(QIODevice::Append))
            log.write((argument + '\t' + QString::number(window->OrderTabCount()) + '\n').toUtf8());
    };
}

// ZAYAVKA_PAINTED_MARK=FILE writes the wall-clock time (nanoseconds since
// 1970) at which the main window is first painted to FILE and ends the
// program: scripts/side-by-side.sh times real starts with it.
void MarkFirstPaint(app::StartUp& startUp) {
    const QString path = qEnvironmentVariable("ZAYAVKA_PAINTED_MARK");
    app::MainWindowHost* host = startUp.MainWindow();
    if (path.isEmpty() || host == nullptr || host->Widget() == nullptr) return;
    struct FirstPaint : QObject {
        QString path;
        bool seen = false;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() != QEvent::Paint || seen) return QObject::eventFilter(watched, event);
            seen = true;
            // After the paint pass this event belongs to.
            QTimer::singleShot(0, [file = path] {
                const auto now = std::chrono::system_clock::now().time_since_epoch();
                QFile mark(file);
                if (mark.open(QIODevice::WriteOnly))
                    mark.write(QByteArray::number(
                        qint64(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count())));
                QCoreApplication::exit(0);
            });
            return false;
        }
    };
    auto* filter = new FirstPaint;
    filter->setParent(host->Widget());
    filter->path = path;
    host->Widget()->installEventFilter(filter);
}

}  // namespace

int main(int argc, char** argv) {
    // One running copy per program file: a later start hands its arguments
    // to the running copy and ends here, before Qt is even set up.
    const std::vector<std::string> startArguments = platform::CommandLineArguments(argc, argv);
    if (std::optional<int> exitCode = app::CheckSingleInstance(startArguments)) return *exitCode;

    // An interactive start reads the catalog beside the window system's
    // set-up; batch switches leave it alone.
    const bool batch = std::any_of(startArguments.begin(), startArguments.end(),
                                   [](const std::string& a) { return a.starts_with('-'); });
    if (!batch) core::DataModule::ReadCatalogAhead(platform::CurrentPlatform().ProgramFilePath());

    QApplication application(argc, argv);

    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    std::unique_ptr<app::StartUp> startUp =
        orders::MakeProgramStart(QCoreApplication::applicationDirPath(), arguments);
    startUp->SetInstanceListener(platform::CurrentPlatform().TakeInstanceListener());
    if (std::optional<int> exitCode = startUp->Begin()) return *exitCode;
    ScheduleScreenshot(*startUp);
    MarkFirstPaint(*startUp);
    LogHandOvers(*startUp);
    return QApplication::exec();
}
