// The patch-number and progress dialogs, through their real controls.
#include "TfrmNumber.h"
#include "TfrmProgress.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace velmora;

namespace {

// Types `keys` into the dialog once it shows, then presses `button`.
void Answer(TfrmNumber& dialog, const QString& keys, const QString& button)
{
    QTimer::singleShot(0, &dialog, [&dialog, keys, button] {
        QTest::keyClick(dialog.SpinEdit1, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(dialog.SpinEdit1, keys);
        for (QPushButton* b : dialog.findChildren<QPushButton*>())
            if (b->text() == button)
                QTest::mouseClick(b, Qt::LeftButton);
    });
}

} // namespace

TEST(TransferDialogs, NumberDialogTakesANumberInItsRange)
{
    TfrmNumber dialog;
    dialog.Setup("Upload To Matrix-1000", "Patch # (000-199)", 199, -1);
    EXPECT_EQ(dialog.SpinEdit1->value(), 0);
    Answer(dialog, "150", "&OK");
    EXPECT_EQ(dialog.Ask(), 150);

    dialog.Setup("Download from Matrix-6(R)", "Patch # (00-99)", 99, 42);
    EXPECT_EQ(dialog.Label1->text(), "Patch # (00-99)");
    EXPECT_EQ(dialog.SpinEdit1->value(), 42);
    Answer(dialog, "123", "&OK"); // a third digit does not fit
    EXPECT_EQ(dialog.Ask(), 12);

    Answer(dialog, "7", "&Cancel");
    EXPECT_EQ(dialog.Ask(), std::nullopt);
}

TEST(TransferDialogs, ProgressShowsItsCaptionAndOffersCancel)
{
    TfrmProgress progress;
    EXPECT_FALSE(progress.btnCancel->isVisible());
    progress.Start("Receiving Patches...", 100);
    EXPECT_TRUE(progress.isVisible());
    EXPECT_EQ(progress.windowTitle(), "Receiving Patches...");
    progress.SetPosition(37);
    EXPECT_EQ(progress.Bar->value(), 37);
    EXPECT_EQ(progress.Bar->maximum(), 100);

    int cancelled = 0;
    progress.SetOnCancel([&] { ++cancelled; });
    QTest::mouseClick(progress.btnCancel, Qt::LeftButton);
    QTest::keyClick(&progress, Qt::Key_Escape);
    EXPECT_EQ(cancelled, 2);
    EXPECT_TRUE(progress.isVisible()); // the transfer decides when it closes
}
