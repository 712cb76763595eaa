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

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Button2 = new QPushButton(QStringLiteral("Загрузить обновление прайса"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button1 = new QPushButton(QStringLiteral("Прервать"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setEnabled(false);
    OKBtn = new QPushButton(QStringLiteral("Закрыть"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    Button2->setAutoDefault(false);
    Button1->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button2);
    buttons->addWidget(Button1);
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(ProgressBar1);
    layout->addWidget(Label2);
    layout->addLayout(buttons);
    setTabOrder(Button2, Button1);
    setTabOrder(Button1, OKBtn);
    Label1->setMinimumWidth(420);

    UpdateRunCallbacks callbacks;
    callbacks.status = [this](const QString& text) { Label1->setText(text); };
    callbacks.statistics = [this](const QString& text) {
        Label2->setText(text);
        Label2->repaint();
    };
    callbacks.progress = [this](int64_t maximum, int64_t position) {
        SetProgress(maximum, position);
    };
    callbacks.runningChanged = [this](bool running) { SetRunning(running); };
    callbacks.fetched = [this](const std::string& path) { HandOver(path); };
    run_ = std::make_unique<UpdateRun>(options_.programDir, options_.server, options_.timeouts,
                                       std::move(callbacks));

    connect(Button2, &QPushButton::clicked, this, [this] { run_->Start(); });
    connect(Button1, &QPushButton::clicked, this, [this] { run_->Abort(); });
    connect(OKBtn, &QPushButton::clicked, this, [this] { close(); });

    setFixedSize(sizeHint());
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    Button2->setFocus();
}

TFormDownload::~TFormDownload() = default;

void TFormDownload::showEvent(QShowEvent* event) {
    Label2->clear();
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
    Button2->setEnabled(!running);
    OKBtn->setEnabled(!running);
    Button1->setEnabled(running);
}

void TFormDownload::SetProgress(int64_t maximum, int64_t position) {
    if (maximum <= 0) {
        ProgressBar1->setRange(0, 100);
        ProgressBar1->setValue(0);
        return;
    }
    // QProgressBar counts in int: big files are shown in coarser steps.
    int64_t scale = maximum / INT_MAX + 1;
    int range = static_cast<int>(maximum / scale);
    int value = static_cast<int>(std::min(position, maximum) / scale);
    if (ProgressBar1->maximum() != range) ProgressBar1->setRange(0, range);
    if (ProgressBar1->value() != value) ProgressBar1->setValue(value);
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
