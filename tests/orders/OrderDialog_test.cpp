// The quantity dialog: its field's keys and limits, the running sum and
// the refusal of a zero quantity.
#include "orders/OrderDialog.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "app/SettingsDialog.h"
#include "orders/QuantityEdit.h"
#include "qtsupport/MainWindowFixture.h"

namespace {

TEST(QuantityEditTest, KeysStayWithinTheBoundsAndEightDigits) {
    struct Case {
        const char* start;
        Qt::Key key;
        const char* typed;
        const char* expected;
    } cases[] = {
        {"0", Qt::Key_PageDown, "", "0"},
        {"0", Qt::Key_Down, "", "0"},
        {"5", Qt::Key_PageUp, "", "6"},
        {"5", Qt::Key_Up, "", "6"},
        {"99999999", Qt::Key_Up, "", "99999999"},
        {"12345678", Qt::Key_End, "9", "12345678"},  // no ninth digit
        {"12", Qt::Key_End, "a-", "12"},             // digits only
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.start) + " " + c.typed);
        orders::QuantityEdit edit;
        edit.setText(c.start);
        QTest::keyClick(&edit, c.key);
        QTest::keyClicks(&edit, c.typed);
        EXPECT_EQ(edit.text(), c.expected);
    }
}

using OrderDialogTest = testing_support::MainWindowTest;

TEST_F(OrderDialogTest, SumFollowsTheQuantityAndZeroIsRefused) {
    orders::OrderDialog& dialog = *window->FormOrderDlg();
    dialog.Prepare(dm->vtPrice.FullTableName(), "P1", nullptr);
    EXPECT_EQ(dialog.windowTitle(), "Фильтр");
    EXPECT_EQ(dialog.Quantity(), 0);
    dialog.AmountEdit()->setText("3");
    EXPECT_EQ(dialog.SumText(), dialog.PriceText().replace("10", "31"));
    dialog.AmountEdit()->clear();
    EXPECT_EQ(dialog.Quantity(), 0);

    QSignalSpy accepted(&dialog, &QDialog::accepted);
    dialog.accept();
    EXPECT_EQ(accepted.count(), 0);
    EXPECT_EQ(dialog.AmountEdit()->text(), "0");
    EXPECT_EQ(prompter.Texts(),
              QStringList{"Количеством заказываемого товара должно быть больше 0 !"});
    dialog.AmountEdit()->setText("2");
    dialog.accept();
    EXPECT_EQ(accepted.count(), 1);
}

// The step buttons a spin box has: inside the field at its right edge, a
// click steps as Up and Down do, the focus and the keys stay with the
// field, and each button greys out at its bound.
TEST_F(OrderDialogTest, StepButtonsStepLikeTheArrowKeys) {
    orders::OrderDialog& dialog = *window->FormOrderDlg();
    dialog.Prepare(dm->vtPrice.FullTableName(), "P1", nullptr);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    orders::QuantityEdit* edit = dialog.AmountEdit();
    QToolButton* up = edit->StepUpButton();
    QToolButton* down = edit->StepDownButton();
    for (QToolButton* button : {up, down}) {
        EXPECT_TRUE(button->isVisible());
        EXPECT_TRUE(edit->rect().contains(button->geometry()));
        EXPECT_GT(button->geometry().left(), edit->width() / 2);
        EXPECT_EQ(button->focusPolicy(), Qt::NoFocus);
    }
    EXPECT_LT(up->geometry().top(), down->geometry().top());
    EXPECT_FALSE(down->isEnabled());

    QTest::mouseClick(up, Qt::LeftButton);
    QTest::mouseClick(up, Qt::LeftButton);
    EXPECT_EQ(edit->text(), "2");
    EXPECT_TRUE(down->isEnabled());
    EXPECT_EQ(dialog.SumText(), dialog.PriceText().replace("10,50", "21,00"));
    EXPECT_TRUE(edit->hasFocus());
    // The stepped value is selected: typing replaces it; the keys still step.
    QTest::keyClicks(edit, "7");
    EXPECT_EQ(edit->text(), "7");
    QTest::mouseClick(down, Qt::LeftButton);
    EXPECT_EQ(edit->text(), "6");
    QTest::keyClick(edit, Qt::Key_PageUp);
    EXPECT_EQ(edit->text(), "7");

    edit->SetValue(orders::QuantityEdit::kMaximum);
    EXPECT_FALSE(up->isEnabled());
    QTest::mouseClick(down, Qt::LeftButton);
    EXPECT_EQ(edit->Value(), orders::QuantityEdit::kMaximum - 1);
    dialog.reject();
}

TEST_F(OrderDialogTest, AddProductNeedsTheRequisites) {
    window->FormParams()->EditContacter()->setText("  ");
    window->LineEntry().AddProduct();
    EXPECT_EQ(prompter.Texts(), QStringList{"Не заполнены реквизиты покупателя в настройках!"});
    EXPECT_EQ(tabs->Count(), 0);
}

}  // namespace
