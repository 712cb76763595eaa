// Shows product photos, one viewer at a time: the main window owns one
// launcher and runs ActionSlide through it.
//
// Show() does nothing when the file is missing or a viewer is already open;
// otherwise it decodes the photo (scaled down to the screen when it is
// larger) and shows a PhotoViewer, not modal. A photo that cannot be read or
// decoded gives the information box "Не удалось открыть <path> !" through
// the Prompter and leaves no viewer behind, so the next photo can be shown.
//
// Thread safety: GUI thread only.
#pragma once

#include <QPointer>
#include <QSize>
#include <QString>
#include <string>

#include "ui/PhotoViewer.h"

namespace ui {

class PhotoViewerLauncher {
  public:
    enum class Result { Shown, NoFile, AlreadyOpen, Failed };

    // `owner` (may be null) is the main window: the viewer stays above it and
    // is centred on its screen.
    explicit PhotoViewerLauncher(QWidget* owner = nullptr);
    ~PhotoViewerLauncher();
    PhotoViewerLauncher(const PhotoViewerLauncher&) = delete;
    PhotoViewerLauncher& operator=(const PhotoViewerLauncher&) = delete;

    // `photoPath` from PhotoFilePath(); `caption` from PhotoViewer::Caption().
    Result Show(const std::string& photoPath, const QString& caption);

    // The open viewer, or null. Cleared as the viewer closes.
    PhotoViewer* Viewer() const { return viewer_.data(); }
    bool IsOpen() const { return !viewer_.isNull(); }

    // The largest picture size shown; pictures beyond it are scaled down.
    // Defaults to the available area of the owner's screen less a frame.
    void SetBound(const QSize& bound) { bound_ = bound; }
    QSize Bound() const;

  private:
    QWidget* owner_;
    QPointer<PhotoViewer> viewer_;
    QSize bound_;
};

}  // namespace ui
