#include "ui/QtPrompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <utility>

#include "engine/text/MessageLine.h"

namespace ui {

namespace {

Prompter* installedPrompter = nullptr;

Prompter& NativePrompter() {
    static QtPrompter native;
    return native;
}

using Button = std::pair<QMessageBox::StandardButton, const char*>;

// Shows a box with the given buttons (Russian texts) and answers the one
// pressed; closing the box answers `escape`. The first button is the
// default, which is also the answer without a display.
QMessageBox::StandardButton Ask(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                                const QString& text, std::initializer_list<Button> buttons,
                                QMessageBox::StandardButton escape) {
    if (NoDisplay()) {
        ReportToStderr(caption, text);
        return buttons.begin()->first;
    }
    QMessageBox box(icon, caption, text, QMessageBox::NoButton, parent);
    bool first = true;
    for (const auto& [which, label] : buttons) {
        QPushButton* button = box.addButton(which);
        button->setText(QString::fromUtf8(label));
        if (first) box.setDefaultButton(button);
        first = false;
    }
    box.setEscapeButton(escape);
    box.exec();
    const QMessageBox::StandardButton pressed = box.standardButton(box.clickedButton());
    return pressed == QMessageBox::NoButton ? escape : pressed;
}

}  // namespace

QString ApplicationTitle() {
    return QStringLiteral("Заявка по каталогу");
}

bool NoDisplay() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return true;
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

void ReportToStderr(const QString& caption, const QString& text) {
    // The text may be an engine message that a damaged file brought along.
    const QByteArray utf8 = text.toUtf8();
    const std::string line =
        text::MessageLine(
            caption.toStdString() + ": " + std::string(utf8.constData(), size_t(utf8.size())),
            kMaxReportLine) +
        "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

Prompter& CurrentPrompter() {
    return installedPrompter ? *installedPrompter : NativePrompter();
}

// Null puts the QtPrompter back.
Prompter* SetCurrentPrompter(Prompter* prompter) {
    Prompter* previous = &CurrentPrompter();
    installedPrompter = prompter;
    return previous;
}

QWidget* QtPrompter::Parent() const {
    return parent_ ? parent_ : QApplication::activeWindow();
}

bool QtPrompter::CanAsk() const {
    return !NoDisplay();
}

void QtPrompter::Information(const QString& text) {
    Ask(Parent(), QMessageBox::Information, ApplicationTitle(), text, {{QMessageBox::Ok, "OK"}},
        QMessageBox::Ok);
}

void QtPrompter::Warning(const QString& text) {
    Ask(Parent(), QMessageBox::Warning, ApplicationTitle(), text, {{QMessageBox::Ok, "OK"}},
        QMessageBox::Ok);
}

bool QtPrompter::ConfirmYesNo(const QString& text) {
    return Ask(Parent(), QMessageBox::Question, ApplicationTitle(), text,
               {{QMessageBox::Yes, "Да"}, {QMessageBox::No, "Нет"}},
               QMessageBox::No) == QMessageBox::Yes;
}

bool QtPrompter::ConfirmOkCancel(const QString& text) {
    return Ask(Parent(), QMessageBox::Question, ApplicationTitle(), text,
               {{QMessageBox::Ok, "OK"}, {QMessageBox::Cancel, "Отмена"}},
               QMessageBox::Cancel) == QMessageBox::Ok;
}

Prompter::Answer QtPrompter::ConfirmYesNoAll(const QString& text) {
    switch (
        Ask(Parent(), QMessageBox::Question, ApplicationTitle(), text,
            {{QMessageBox::Yes, "Да"}, {QMessageBox::No, "Нет"}, {QMessageBox::YesToAll, "Все"}},
            QMessageBox::No)) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::YesToAll:
            return Answer::All;
        default:
            return Answer::No;
    }
}

// The Help button closes a QMessageBox like any other, so the box is shown
// again after the details until OK (or Esc) ends it.
void QtPrompter::Error(const QString& text, const QString& details) {
    if (NoDisplay()) {
        // The details the Help button would show go out with the text.
        ReportToStderr(ApplicationTitle(),
                       details.isEmpty() ? text : text + QLatin1Char(' ') + details);
        return;
    }
    for (;;) {
        const QMessageBox::StandardButton pressed =
            details.isEmpty()
                ? Ask(Parent(), QMessageBox::Critical, ApplicationTitle(), text,
                      {{QMessageBox::Ok, "OK"}}, QMessageBox::Ok)
                : Ask(Parent(), QMessageBox::Critical, ApplicationTitle(), text,
                      {{QMessageBox::Ok, "OK"}, {QMessageBox::Help, "Справка"}}, QMessageBox::Ok);
        if (pressed != QMessageBox::Help) return;
        Information(details);
    }
}

void QtPrompter::Plain(const QString& caption, const QString& text) {
    Ask(Parent(), QMessageBox::NoIcon, caption, text, {{QMessageBox::Ok, "OK"}}, QMessageBox::Ok);
}

QStringList QtPrompter::OpenFileNames(const QString& caption, const QString& folder,
                                      const QString& filter) {
    if (NoDisplay()) {
        ReportToStderr(caption, folder);
        return {};
    }
    return QFileDialog::getOpenFileNames(Parent(), caption, folder, filter);
}

QString QtPrompter::SaveFileName(const QString& caption, const QString& proposedPath,
                                 const QString& filter) {
    if (NoDisplay()) {
        ReportToStderr(caption, proposedPath);
        return {};
    }
    // The program asks its own overwrite question where it needs one.
    return QFileDialog::getSaveFileName(Parent(), caption, proposedPath, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

QString QtPrompter::SaveFileNameOfType(const QString& caption, const QString& proposedPath,
                                       const QString& filters, int& typeIndex) {
    typeIndex = 0;
    if (NoDisplay()) {
        ReportToStderr(caption, proposedPath);
        return {};
    }
    const QStringList types = filters.split(QStringLiteral(";;"));
    QString chosen = types.value(0);
    const QString name = QFileDialog::getSaveFileName(Parent(), caption, proposedPath, filters,
                                                      &chosen, QFileDialog::DontConfirmOverwrite);
    typeIndex = std::max(0, int(types.indexOf(chosen)));
    return name;
}

QString QtPrompter::FolderName(const QString& caption, const QString& folder) {
    if (NoDisplay()) {
        ReportToStderr(caption, folder);
        return {};
    }
    return QFileDialog::getExistingDirectory(Parent(), caption, folder);
}

}  // namespace ui
