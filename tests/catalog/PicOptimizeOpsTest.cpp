#include "catalog/PicOptimizeOps.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

TEST(PicOptimizeOps, DefaultsAndTheUnitTakenAtTheFirstShowing)
{
    TfrmPicOptimizeOps dialog;
    EXPECT_EQ(dialog.windowTitle(), "Picture Optimze");
    EXPECT_EQ(dialog.cbSide->count(), 3);
    EXPECT_EQ(dialog.cbSide->itemText(0) + dialog.cbSide->itemText(1) + dialog.cbSide->itemText(2), "FrontSideTop");
    EXPECT_EQ(dialog.cbSide->currentText(), "Front");
    EXPECT_EQ(dialog.cbUnit->itemText(0) + "," + dialog.cbUnit->itemText(1), "cm,inches");
    EXPECT_EQ(dialog.edWidth->text() + dialog.edHeight->text() + dialog.edDepth->text(), "");
    EXPECT_EQ(dialog.cbBLScale->text(), "Bilinear Scaling");
    EXPECT_TRUE(dialog.cbBLScale->isChecked());
    EXPECT_EQ(dialog.Button1->text(), "&Optimize");
    EXPECT_EQ(dialog.Button2->text(), "&Cancel");

    // The main window reads its unit after the dialog is made: the caller's unit counts until the
    // first showing, the user's choice after it.
    dialog.SetUnitBeforeFirstShowing(true);
    EXPECT_EQ(dialog.cbUnit->currentText(), "inches");
    dialog.show();
    dialog.Button1->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    dialog.SetUnitBeforeFirstShowing(false);
    EXPECT_EQ(dialog.cbUnit->currentText(), "inches");
}
