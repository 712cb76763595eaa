#include "orders/OrderDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "engine/text/FormatSettings.h"
#include "orders/QuantityEdit.h"
#include "ui/Prompter.h"
#include "ui/Win1251Text.h"

namespace orders {

namespace {

QLabel* BoldLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QLineEdit* ReadOnlyMoney(QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::NoFocus);
    edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QPalette p = edit->palette();
    p.setColor(QPalette::Base, p.color(QPalette::Button));
    edit->setPalette(p);
    return edit;
}

QString Money(double value) {
    return ui::FromWin1251(text::FormatFloat("0.00", value, text::FormatSettings::Russian()));
}

}  // namespace

OrderDialog::OrderDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormOrderDlg"));
    setWindowTitle(QStringLiteral("Добавить в заказ"));
    setToolTip(QStringLiteral(
        " Используйте KeyUp/KeyDown, PgUp/PgDown для набора товара поштучно или поблочно"));
    amount_ = new QuantityEdit(this);
    priceEdit_ = ReadOnlyMoney(this);
    sumEdit_ = ReadOnlyMoney(this);
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    cancel_ = new QPushButton(QStringLiteral("Отмена"), this);
    ok_->setDefault(true);

    auto* grid = new QGridLayout;
    grid->addWidget(BoldLabel(QStringLiteral("Количество:"), this), 0, 0);
    grid->addWidget(amount_, 0, 1);
    grid->addWidget(BoldLabel(QStringLiteral("Цена:"), this), 1, 0);
    grid->addWidget(priceEdit_, 1, 1);
    grid->addWidget(BoldLabel(QStringLiteral("Сумма:"), this), 2, 0);
    grid->addWidget(sumEdit_, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    setLayout(layout);
    setFixedSize(sizeHint().expandedTo(QSize(320, 150)));

    connect(ok_, &QPushButton::clicked, this, &orders::OrderDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &orders::OrderDialog::reject);
    connect(amount_, &QLineEdit::textChanged, this, &orders::OrderDialog::UpdateSum);

    qvProductInfo_.SetSQL({"select p.ID, p.NAME, p.KOLUPAK, p.CENA", "from :TblNm p",
                           "where ID = :ID", "", " ", " ", " "});
}

OrderDialog::~OrderDialog() = default;

void OrderDialog::UseCatalog(ridov::TRidovDataset* catalog) {
    qvProductInfo_.Close();
    qvProductInfo_.QueryDatasets().Clear();
    if (catalog == nullptr) return;
    // The statement's alias p names the dataset instead of the file.
    ridov::TQueryDataset& item = qvProductInfo_.QueryDatasets().Add();
    item.SetAlias("p");
    item.SetDataSet(catalog);
}

void OrderDialog::Prepare(const std::string& catalogPath, const std::string& productId,
                          ridov::TRidovDataset* orderView) {
    productId_ = productId;
    qvProductInfo_.Close();
    qvProductInfo_.ParamByName("TblNm").SetAsString(catalogPath);
    qvProductInfo_.ParamByName("ID").SetAsString(productId);
    qvProductInfo_.Open();
    setWindowTitle(ui::FromWin1251(qvProductInfo_.FieldByName("NAME").AsString()));
    price_ = qvProductInfo_.FieldByName("CENA").AsFloat();
    priceEdit_->setText(Money(price_));
    amount_->setFocus();
    amount_->SetValue(0);
    if (orderView != nullptr && orderView->Active() &&
        orderView->Locate("ID", ridov::Variant(productId), 0))
        amount_->SetValue(orderView->FieldByName("KOL").AsInteger());
    UpdateSum();
    amount_->selectAll();
}

bool OrderDialog::Run(const std::string& catalogPath, const std::string& productId,
                      ridov::TRidovDataset* orderView) {
    Prepare(catalogPath, productId, orderView);
    return exec() == QDialog::Accepted;
}

int OrderDialog::Quantity() const {
    return amount_->Value();
}

QString OrderDialog::SumText() const {
    return sumEdit_->text();
}

QString OrderDialog::PriceText() const {
    return priceEdit_->text();
}

void OrderDialog::UpdateSum() {
    sumEdit_->setText(Money(double(amount_->Value()) * price_));
}

void OrderDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    amount_->setFocus();
    amount_->selectAll();
}

void OrderDialog::accept() {
    if (amount_->text().isEmpty()) amount_->setText(QStringLiteral("0"));
    // A line of 0 pieces orders nothing: refused for every order.
    if (Quantity() == 0) {
        ui::CurrentPrompter().Warning(
            QStringLiteral("Количеством заказываемого товара должно быть больше 0 !"));
        amount_->setFocus();
        amount_->selectAll();
        return;
    }
    QDialog::accept();
}

}  // namespace orders
