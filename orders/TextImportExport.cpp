#include "orders/TextImportExport.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLayout>
#include <QProgressBar>
#include <QVBoxLayout>

#include "app/IgnoreQuestion.h"
#include "core/OrderFiles.h"
#include "core/OrderText.h"
#include "orders/CatalogView.h"
#include "orders/OrderTabs.h"
#include "platform/Platform.h"
#include "ui/DataGrid.h"
#include "ui/Prompter.h"

namespace orders {

namespace {

QString TextFilter() {
    return QStringLiteral("Текстовые файлы (*.txt)");
}

}  // namespace

TextImportExport::TextImportExport(core::DataModule& dm, orders::OrderTabs& tabs,
                                   orders::CatalogView& catalog)
    : dm_(dm), tabs_(tabs), catalog_(catalog), importPanel_(new QWidget(&catalog)) {
    // The import's notice in the catalog panel, behind the hidden grid.
    auto* layout = new QVBoxLayout(importPanel_);
    auto* label = new QLabel(QStringLiteral("Производится импорт прайс-листа..."), importPanel_);
    label->setObjectName(QStringLiteral("LabelImportPrice"));
    label->setAlignment(Qt::AlignCenter);
    importProgress_ = new QProgressBar(importPanel_);
    importProgress_->setRange(0, 100);
    layout->addStretch(1);
    layout->addWidget(label);
    layout->addWidget(importProgress_);
    layout->addStretch(1);
    importPanel_->hide();
    if (QLayout* catalogLayout = catalog.layout()) catalogLayout->addWidget(importPanel_);
}

void TextImportExport::ImportOrderFromTxt() {
    const QStringList files = ui::CurrentPrompter().OpenFileNames(
        QStringLiteral("Импортировать заявку"), dm_.ProgramDir, TextFilter());
    if (files.isEmpty()) return;
    const std::string order =
        core::NewOrderFileName(core::DataModule::EnginePath(dm_.OrderDir), std::string("Zakaz"));
    core::ImportOrderFromText(core::DataModule::EnginePath(files.front()), order,
                              core::DataModule::EnginePath(dm_.SettingsFile),
                              dm_.vtPrice.FullTableName(), app::AskIgnore);
    tabs_.OpenOrder(core::DataModule::FromEnginePath(order));
}

void TextImportExport::ImportOrder() {
    const QStringList files = ui::CurrentPrompter().OpenFileNames(QStringLiteral("Импорт заказа"),
                                                                  dm_.ProgramDir, TextFilter());
    if (files.isEmpty()) return;
    const std::string order =
        core::ImportOrderFromText(core::DataModule::EnginePath(files.front()), {},
                                  core::DataModule::EnginePath(dm_.SettingsFile),
                                  dm_.vtPrice.FullTableName(), app::AskIgnore);
    tabs_.OpenOrder(core::DataModule::FromEnginePath(order));
}

void TextImportExport::ImportPrice() {
    const QStringList files = ui::CurrentPrompter().OpenFileNames(
        QStringLiteral("Импорт прайс-листа"), dm_.ProgramDir, TextFilter());
    if (files.isEmpty()) return;
    try {
        ImportCatalogFromText(files.front());
    } catch (...) {
        // The catalog file is as it was: show it again before reporting.
        catalog_.OpenCatalog(dm_.CatalogFile);
        throw;
    }
    // Back as at start-up; the filter row keeps its texts.
    catalog_.OpenCatalog(dm_.CatalogFile);
}

void TextImportExport::ImportCatalogFromText(const QString& textPath) {
    ui::DataGrid* grid = catalog_.Grid();
    grid->hide();
    importProgress_->setValue(0);
    importPanel_->show();
    catalog_.repaint();
    struct Restore {
        TextImportExport* owner;
        ~Restore() {
            owner->importPanel_->hide();
            owner->catalog_.Grid()->show();
        }
    } restore{this};
    dm_.vtPrice.Close();
    core::ImportPriceListIntoTable(
        core::DataModule::EnginePath(dm_.CatalogFile), core::DataModule::EnginePath(textPath),
        app::AskIgnore, [this](long long done, long long total) {
            const int percent = total > 0 ? int(done * 100 / total) : 100;
            if (percent == importProgress_->value()) return;
            importProgress_->setValue(percent);
            // Keep the window painted; no input meanwhile.
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        });
}

void TextImportExport::ExportOrder(bool ordersShown) {
    if (!ordersShown || tabs_.Count() == 0) return;
    const QString name = ui::CurrentPrompter().SaveFileName(QStringLiteral("Экспортировать заказ"),
                                                            dm_.ProgramDir, TextFilter());
    if (name.isEmpty()) return;
    if (platform::CurrentPlatform().FileExists(core::DataModule::EnginePath(name)) &&
        !ui::CurrentPrompter().ConfirmYesNo(
            QStringLiteral("Файл '%1' уже существует. Перезаписать его ?").arg(name)))
        return;
    core::ExportTableToText(core::DataModule::EnginePath(tabs_.ActivePath()),
                            core::DataModule::EnginePath(name));
}

}  // namespace orders
