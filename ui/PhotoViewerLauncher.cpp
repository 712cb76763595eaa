#include "ui/PhotoViewerLauncher.h"

#include <QGuiApplication>
#include <QScreen>

#include "platform/Platform.h"
#include "ui/JpegDecoderQt.h"
#include "ui/Prompter.h"

namespace ui {
namespace {

// Room left on the screen for the viewer's frame and caption bar.
constexpr int kFrameWidth = 16;
constexpr int kFrameHeight = 48;

QScreen* ScreenOf(QWidget* owner) {
    QScreen* screen = owner ? owner->screen() : nullptr;
    return screen ? screen : QGuiApplication::primaryScreen();
}

}  // namespace

PhotoViewerLauncher::PhotoViewerLauncher(QWidget* owner) : owner_(owner) {}

PhotoViewerLauncher::~PhotoViewerLauncher() {
    if (viewer_) delete viewer_.data();
}

QSize PhotoViewerLauncher::Bound() const {
    if (bound_.isValid()) return bound_;
    QScreen* screen = ScreenOf(owner_);
    if (!screen) return QSize();
    const QSize area = screen->availableGeometry().size();
    return QSize(std::max(1, area.width() - kFrameWidth),
                 std::max(1, area.height() - kFrameHeight));
}

PhotoViewerLauncher::Result PhotoViewerLauncher::Show(const std::string& photoPath,
                                                      const QString& caption) {
    if (photoPath.empty() || !platform::CurrentPlatform().FileExists(photoPath)) {
        return Result::NoFile;
    }
    if (viewer_) return Result::AlreadyOpen;

    // Decode before any window exists: a photo that fails leaves nothing
    // half-made that would block the next one.
    const QImage picture = LoadJpegImage(photoPath, Bound());
    if (picture.isNull()) {
        CurrentPrompter().Information(
            QStringLiteral("Не удалось открыть %1 !").arg(QString::fromStdString(photoPath)));
        return Result::Failed;
    }

    auto* viewer = new PhotoViewer(picture, owner_);
    viewer->setWindowTitle(caption);
    viewer_ = viewer;
    QObject::connect(viewer, &PhotoViewer::Closed, viewer, [this, viewer] {
        if (viewer_ == viewer) viewer_ = nullptr;
    });
    if (QScreen* screen = ScreenOf(owner_)) {
        QRect frame(QPoint(), viewer->size());
        frame.moveCenter(screen->availableGeometry().center());
        viewer->move(frame.topLeft());
    }
    viewer->show();
    viewer->raise();
    viewer->activateWindow();
    return Result::Shown;
}

}  // namespace ui
