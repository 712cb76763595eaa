// The program entry: the interactive start-up with the main window of the
// orders layer.
#include <QApplication>
#include <memory>

#include "app/StartUp.h"
#include "orders/MainWindow.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);

    // The single-instance check and the hand-over of the arguments to a
    // running copy come here, before anything is shown.

    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    app::StartUp startUp(QCoreApplication::applicationDirPath(), arguments,
                         [](app::TdmZetrovo& dm) -> std::unique_ptr<app::MainWindowHost> {
                             return std::make_unique<orders::TFormMain>(dm);
                         });
    return startUp.Run();
}
