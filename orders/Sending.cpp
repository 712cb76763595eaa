#include "orders/Sending.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <vector>

#include "core/ClientInfo.h"
#include "core/DataModule.h"
#include "core/Settings.h"
#include "platform/Platform.h"
#include "ui/Prompter.h"
#include "ui/Win1251Text.h"

namespace orders {

namespace {

QString Setting(const std::string& settingsFile, const char* key) {
    return ui::FromWin1251(core::ReadSetting(settingsFile, core::kClientSection, key)).trimmed();
}

QString SettingOr(const std::string& settingsFile, const char* key, const char* fallback) {
    const QString value = Setting(settingsFile, key);
    return value.isEmpty() ? QString::fromUtf8(fallback) : value;
}

bool Open(const QByteArray& target) {
    return platform::CurrentPlatform().OpenWithAssociatedProgram(target.toStdString());
}

// True when `folder` is `medium` or lies inside it, however each writes its
// separators (Windows names a medium "E:\", a folder dialog answers
// "E:/Orders") and, on Windows, whatever the case of its letters.
bool IsOnMedium(const QString& folder, const QString& medium) {
#if defined(_WIN32)
    constexpr Qt::CaseSensitivity kCase = Qt::CaseInsensitive;
#else
    constexpr Qt::CaseSensitivity kCase = Qt::CaseSensitive;
#endif
    const QString clean = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    QString root = QDir::cleanPath(QDir::fromNativeSeparators(medium));
    if (clean.compare(root, kCase) == 0) return true;
    if (!root.endsWith('/')) root += '/';
    return clean.startsWith(root, kCase);
}

}  // namespace

QString MailLink::Text() const {
    return QStringLiteral("mailto:%1?subject=%2&body=%3&attach=\"%4\"")
        .arg(recipient, subject, body, attachment);
}

QByteArray MailLink::Uri() const {
    return "mailto:" + QUrl::toPercentEncoding(recipient, "@") +
           "?subject=" + QUrl::toPercentEncoding(subject) +
           "&body=" + QUrl::toPercentEncoding(body) +
           "&attach=" + QUrl::toPercentEncoding(QLatin1Char('"') + attachment + QLatin1Char('"'));
}

QString OrderAddress(const std::string& settingsFile) {
    return SettingOr(settingsFile, kKeyOrderEmail, kDefaultOrderAddress);
}

QString WebAddress(const std::string& settingsFile) {
    return SettingOr(settingsFile, kKeyWebSite, kDefaultWebAddress);
}

MailLink OrderMail(const std::string& settingsFile, const QString& orderPath) {
    MailLink link;
    link.recipient = Setting(settingsFile, core::kKeyManager);
    if (link.recipient.isEmpty()) link.recipient = OrderAddress(settingsFile);
    link.subject = ui::FromWin1251(core::LoadClientInfo(settingsFile).summary);
    link.body =
        QStringLiteral("ВНИМАНИЕ!!! Не забудьте вложить файл заявки: \"%1\"").arg(orderPath);
    link.attachment = orderPath;
    return link;
}

MailLink EmptyMail(const std::string& settingsFile) {
    MailLink link;
    link.recipient = OrderAddress(settingsFile);
    return link;
}

QString NoMailProgramText() {
    return QStringLiteral("Почтовая программа не обнаружена.");
}

QString NoBrowserText() {
    return QStringLiteral("Интернет браузер не обнаружен.");
}

void SendOrderByMail(const std::string& settingsFile, const QString& orderPath) {
    if (orderPath.isEmpty()) return;
    if (!Open(OrderMail(settingsFile, orderPath).Uri()))
        ui::CurrentPrompter().Information(NoMailProgramText());
}

void SendEmptyMail(const std::string& settingsFile) {
    if (!Open(EmptyMail(settingsFile).Uri()))
        ui::CurrentPrompter().Information(NoMailProgramText());
}

void OpenWebSite(const std::string& settingsFile) {
    if (!Open(WebAddress(settingsFile).toUtf8()))
        ui::CurrentPrompter().Information(NoBrowserText());
}

CopyOutcome CopyOrderToRemovableMedium(const QString& orderPath) {
    if (orderPath.isEmpty()) return CopyOutcome::Cancelled;
    platform::Platform& os = platform::CurrentPlatform();
    std::vector<QString> media;
    for (const std::string& medium : os.RemovableMedia())
        media.push_back(core::DataModule::FromEnginePath(medium));
    if (media.empty()) return CopyOutcome::NoMedium;

    QString folder = media.front();
    if (media.size() > 1) {
        // The folder dialog starts where the media are mounted.
        const QString chosen = ui::CurrentPrompter().FolderName(
            QStringLiteral("Скопировать на съёмный диск"),
            QDir::toNativeSeparators(QFileInfo(media.front()).absolutePath()));
        if (chosen.isEmpty()) return CopyOutcome::Cancelled;
        bool onMedium = false;
        for (const QString& medium : media) onMedium = onMedium || IsOnMedium(chosen, medium);
        if (!onMedium) {
            ui::CurrentPrompter().Information(
                QStringLiteral("Папка '%1' не находится на съёмном диске.")
                    .arg(QDir::toNativeSeparators(chosen)));
            return CopyOutcome::Cancelled;
        }
        folder = QFileInfo(chosen).absoluteFilePath();
    }

    // In the system's own spelling, for the boxes and for the engine.
    const QString target =
        QDir::toNativeSeparators(QDir(folder).filePath(QFileInfo(orderPath).fileName()));
    const std::string source = core::DataModule::EnginePath(orderPath);
    const std::string destination = core::DataModule::EnginePath(target);
    if (os.FileExists(destination) &&
        !ui::CurrentPrompter().ConfirmYesNo(
            QStringLiteral("Файл '%1' уже существует. Перезаписать его ?").arg(target)))
        return CopyOutcome::Cancelled;
    // CopyFileReplacing takes a missing source for nothing to do.
    if (os.FileExists(source) && os.CopyFileReplacing(source, destination))
        return CopyOutcome::Copied;
    ui::CurrentPrompter().Warning(QStringLiteral("Не удалось скопировать файл '%1' на '%2'.")
                                      .arg(orderPath, QDir::toNativeSeparators(folder)));
    return CopyOutcome::Failed;
}

}  // namespace orders
