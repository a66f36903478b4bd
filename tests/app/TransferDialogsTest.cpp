// The patch-number and progress dialogs, through their real controls.
#include "app/NumberDialog.h"
#include "app/ProgressDialog.h"

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
void Answer(NumberDialog& dialog, const QString& keys, const QString& button)
{
    QTimer::singleShot(0, &dialog, [&dialog, keys, button] {
        QTest::keyClick(dialog.spinEdit1, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(dialog.spinEdit1, keys);
        for (QPushButton* b : dialog.findChildren<QPushButton*>())
            if (b->text() == button)
                QTest::mouseClick(b, Qt::LeftButton);
    });
}

} // namespace

TEST(TransferDialogs, NumberDialogTakesANumberInItsRange)
{
    NumberDialog dialog;
    dialog.setup("Upload To Matrix-1000", "Patch # (000-199)", 199, -1);
    EXPECT_EQ(dialog.spinEdit1->value(), 0);
    Answer(dialog, "150", "&OK");
    EXPECT_EQ(dialog.ask(), 150);

    dialog.setup("Download from Matrix-6(R)", "Patch # (00-99)", 99, 42);
    EXPECT_EQ(dialog.label1->text(), "Patch # (00-99)");
    EXPECT_EQ(dialog.spinEdit1->value(), 42);
    Answer(dialog, "123", "&OK"); // a third digit does not fit
    EXPECT_EQ(dialog.ask(), 12);

    Answer(dialog, "7", "&Cancel");
    EXPECT_EQ(dialog.ask(), std::nullopt);
}

TEST(TransferDialogs, ProgressShowsItsCaptionAndOffersCancel)
{
    ProgressDialog progress;
    EXPECT_FALSE(progress.btnCancel->isVisible());
    progress.start("Receiving Patches...", 100);
    EXPECT_TRUE(progress.isVisible());
    EXPECT_EQ(progress.windowTitle(), "Receiving Patches...");
    progress.setPosition(37);
    EXPECT_EQ(progress.bar->value(), 37);
    EXPECT_EQ(progress.bar->maximum(), 100);

    int cancelled = 0;
    progress.setCancellable(true);
    QObject::connect(&progress, &ProgressDialog::cancelRequested, [&] { ++cancelled; });
    QTest::mouseClick(progress.btnCancel, Qt::LeftButton);
    QTest::keyClick(&progress, Qt::Key_Escape);
    EXPECT_EQ(cancelled, 2);
    EXPECT_TRUE(progress.isVisible()); // the transfer decides when it closes
}
