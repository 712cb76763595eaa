// OrderDialog (object name "FormOrderDlg"): the quantity dialog of order line entry. It looks up
// the product in the catalog file (name, price), starts from the quantity the active order already
// holds for it, shows the running sum, and refuses a quantity of 0.
//
// The dialog lives from start-up to the end and is reused: every showing
// re-reads the product and the existing quantity. The caller does the
// order side of OK (new order, edit or insert, save, stamp, refresh).
//
// Thread safety: GUI thread only.
#pragma once

#include <QDialog>
#include <string>

#include "engine/query/RidovQuery.h"

class QLineEdit;
class QPushButton;

namespace orders {

class QuantityEdit;

class OrderDialog : public QDialog {
    Q_OBJECT
  public:
    explicit OrderDialog(QWidget* parent = nullptr);
    ~OrderDialog() override;

    // The showing steps without the modal loop: looks up `productId` in the
    // catalog file `catalogPath` (caption := NAME, price := CENA), sets the
    // quantity to 0, then to the KOL of the line of `orderView` with that ID
    // when the view is open and has one (which becomes the view's current
    // line). Throws the engine's error when the catalog cannot be read.
    void Prepare(const std::string& catalogPath, const std::string& productId,
                 ridov::TRidovDataset* orderView);
    // The catalog dataset that holds the file `catalogPath` names, open in
    // memory: the product is then looked up there, never read from the
    // file again. Null (the start) reads the file.
    void UseCatalog(ridov::TRidovDataset* catalog);
    // Prepare, then the modal loop; true when closed with OK.
    bool Run(const std::string& catalogPath, const std::string& productId,
             ridov::TRidovDataset* orderView);

    const std::string& ProductID() const { return productId_; }
    int Quantity() const;
    double Price() const { return price_; }
    QuantityEdit* AmountEdit() const { return amount_; }
    QString SumText() const;
    QString PriceText() const;

    // OK: refuses a quantity of 0 with a warning and keeps the dialog open.
    void accept() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void UpdateSum();

    ridov::TRidovQuery qvProductInfo_;
    std::string productId_;
    double price_ = 0;
    QuantityEdit* amount_;
    QLineEdit* priceEdit_;
    QLineEdit* sumEdit_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

}  // namespace orders
