// The patch-number and progress dialogs, through their real controls.
#include "app/NumberDialog.h"
#include "app/ProgressDialog.h"
#include "support/WidgetTesting.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

using namespace velmora;

namespace {

// Types `keys` into the dialog once it shows, then presses `button`.
void Answer(NumberDialog& dialog, const QString& keys, const QString& button)
{
    test::whenShown<NumberDialog>(
        [keys, button](NumberDialog& shown) {
            auto* number = test::child<QSpinBox>(shown, "SpinEdit1");
            QTest::keyClick(number, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(number, keys);
            QTest::mouseClick(test::button<QPushButton>(shown, button), Qt::LeftButton);
        },
        &dialog);
}

} // namespace

TEST(TransferDialogs, NumberDialogTakesANumberInItsRange)
{
    NumberDialog dialog;
    auto* number = test::child<QSpinBox>(dialog, "SpinEdit1");
    dialog.setup("Upload To Matrix-1000", "Patch # (000-199)", 199, -1);
    EXPECT_EQ(number->value(), 0);
    Answer(dialog, "150", "&OK");
    EXPECT_EQ(dialog.ask(), 150);

    dialog.setup("Download from Matrix-6(R)", "Patch # (00-99)", 99, 42);
    EXPECT_EQ(dialog.findChild<QLabel*>()->text(), "Patch # (00-99)");
    EXPECT_EQ(number->value(), 42);
    Answer(dialog, "123", "&OK"); // a third digit does not fit
    EXPECT_EQ(dialog.ask(), 12);

    Answer(dialog, "7", "&Cancel");
    EXPECT_EQ(dialog.ask(), std::nullopt);
}

TEST(TransferDialogs, ProgressShowsItsCaptionAndOffersCancel)
{
    ProgressDialog progress;
    auto* cancel = test::button<QPushButton>(progress, "&Cancel");
    auto* bar = test::child<QProgressBar>(progress, "Bar");
    EXPECT_FALSE(cancel->isVisible());
    progress.start("Receiving Patches...", 100);
    EXPECT_TRUE(progress.isVisible());
    EXPECT_EQ(progress.windowTitle(), "Receiving Patches...");
    progress.setPosition(37);
    EXPECT_EQ(bar->value(), 37);
    EXPECT_EQ(bar->maximum(), 100);

    int cancelled = 0;
    progress.setCancellable(true);
    QObject::connect(&progress, &ProgressDialog::cancelRequested, [&] { ++cancelled; });
    QTest::mouseClick(cancel, Qt::LeftButton);
    QTest::keyClick(&progress, Qt::Key_Escape);
    EXPECT_EQ(cancelled, 2);
    EXPECT_TRUE(progress.isVisible()); // the transfer decides when it closes
}
