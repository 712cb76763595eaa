#include "update/TFormDownload.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>
#include <utility>

#include "platform/Platform.h"
#include "update/UpdateRun.h"

namespace update {

DownloadOptions DownloadOptionsFor(const std::string& programDir,
                                   const std::string& serverSetting) {
    DownloadOptions options;
    options.programDir = programDir;
    options.server = UpdateServerFromSetting(serverSetting);
    return options;
}

TFormDownload::TFormDownload(DownloadOptions options, QWidget* parent)
    : QDialog(parent), options_(std::move(options)) {
    setObjectName(QStringLiteral("FormDownload"));
    setWindowTitle(QStringLiteral("Загрузка обновлений с сайта"));
    setModal(true);

    statusLabel_ = new QLabel(this);
    statusLabel_->setObjectName(QStringLiteral("Label1"));
    progressBar_ = new QProgressBar(this);
    progressBar_->setObjectName(QStringLiteral("ProgressBar1"));
    progressBar_->setRange(0, 100);
    progressBar_->setValue(0);
    statsLabel_ = new QLabel(this);
    statsLabel_->setObjectName(QStringLiteral("Label2"));
    downloadButton_ = new QPushButton(QStringLiteral("Загрузить обновление прайса"), this);
    downloadButton_->setObjectName(QStringLiteral("Button2"));
    abortButton_ = new QPushButton(QStringLiteral("Прервать"), this);
    abortButton_->setObjectName(QStringLiteral("Button1"));
    abortButton_->setEnabled(false);
    closeButton_ = new QPushButton(QStringLiteral("Закрыть"), this);
    closeButton_->setObjectName(QStringLiteral("OKBtn"));
    closeButton_->setDefault(true);
    downloadButton_->setAutoDefault(false);
    abortButton_->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(downloadButton_);
    buttons->addWidget(abortButton_);
    buttons->addStretch();
    buttons->addWidget(closeButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(statusLabel_);
    layout->addWidget(progressBar_);
    layout->addWidget(statsLabel_);
    layout->addLayout(buttons);
    setTabOrder(downloadButton_, abortButton_);
    setTabOrder(abortButton_, closeButton_);
    statusLabel_->setMinimumWidth(420);

    UpdateRunCallbacks callbacks;
    callbacks.status = [this](const QString& text) { statusLabel_->setText(text); };
    callbacks.statistics = [this](const QString& text) {
        statsLabel_->setText(text);
        statsLabel_->repaint();
    };
    callbacks.progress = [this](int64_t maximum, int64_t position) {
        SetProgress(maximum, position);
    };
    callbacks.runningChanged = [this](bool running) { SetRunning(running); };
    callbacks.fetched = [this](const std::string& path) { HandOver(path); };
    run_ = std::make_unique<UpdateRun>(options_.programDir, options_.server, options_.timeouts,
                                       std::move(callbacks));

    connect(downloadButton_, &QPushButton::clicked, this, [this] { run_->Start(); });
    connect(abortButton_, &QPushButton::clicked, this, [this] { run_->Abort(); });
    connect(closeButton_, &QPushButton::clicked, this, [this] { close(); });

    setFixedSize(sizeHint());
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    downloadButton_->setFocus();
}

TFormDownload::~TFormDownload() = default;

void TFormDownload::showEvent(QShowEvent* event) {
    statsLabel_->clear();
    QDialog::showEvent(event);
}

void TFormDownload::closeEvent(QCloseEvent* event) {
    run_->Close();
    QDialog::closeEvent(event);
}

void TFormDownload::reject() {
    run_->Close();
    QDialog::reject();
}

void TFormDownload::SetRunning(bool running) {
    downloadButton_->setEnabled(!running);
    closeButton_->setEnabled(!running);
    abortButton_->setEnabled(running);
}

void TFormDownload::SetProgress(int64_t maximum, int64_t position) {
    if (maximum <= 0) {
        progressBar_->setRange(0, 100);
        progressBar_->setValue(0);
        return;
    }
    // QProgressBar counts in int: big files are shown in coarser steps.
    int64_t scale = maximum / INT_MAX + 1;
    int range = static_cast<int>(maximum / scale);
    int value = static_cast<int>(std::min(position, maximum) / scale);
    if (progressBar_->maximum() != range) progressBar_->setRange(0, range);
    if (progressBar_->value() != value) progressBar_->setValue(value);
}

void TFormDownload::HandOver(const std::string& path) {
    hide();
    // A failed start is not reported: the file stays in the program folder.
    (void)platform::CurrentPlatform().StartProcess(path);
    updateStarted_ = true;
    run_->Close();
    done(QDialog::Accepted);
}

}  // namespace update
