// Checked uploads, the transfer pauses and live edits that a parameter edit
// does not reach, through the window over the built-in virtual instrument.
#include "app/NumberDialog.h"
#include "app/TransferPausesDialog.h"
#include "app/WindowRig.h"
#include "globals/SplitEditorDialog.h"
#include "library/BankManagerWindow.h"
#include "protocol/ControlTables.h"
#include "protocol/Messages.h"
#include "protocol/SysexCodec.h"
#include "protocol/UploadCheck.h"
#include "support/Placeholder.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include <string_view>

using namespace velmora;
using namespace std::chrono_literals;
using test::asMatrix1000Sends;
using Bytes = std::vector<Byte>;

namespace {

void answerNumber(int number)
{
    test::whenShown<NumberDialog>([number](NumberDialog& dialog) {
        auto* edit = test::child<QSpinBox>(dialog, "SpinEdit1");
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, QString::number(number));
        QTest::mouseClick(test::button<QPushButton>(dialog, "&OK"), Qt::LeftButton);
    });
}

// File > Upload to `number`. The message box the check shows, if any, is
// closed and its text returned (drawn to `shot` under VELMORA_SHOT_DIR).
QString upload(test::WindowRig& rig, int number, const char* shot = nullptr)
{
    QString told;
    answerNumber(number);
    // No box for a check that passed: the watch for one ends with this guard.
    QObject guard;
    test::whenShown<QMessageBox>(
        [&](QMessageBox& box) {
            told = box.text();
            const QString folder = qEnvironmentVariable("VELMORA_SHOT_DIR");
            if (shot != nullptr && !folder.isEmpty()) {
                EXPECT_TRUE(box.grab().save(folder + u'/' + QLatin1String(shot)));
            }
            box.button(QMessageBox::Ok)->click();
        },
        &guard);
    rig.action("aUpload")->trigger();
    return told;
}

PatchRecord currentRecord(test::WindowRig& rig)
{
    PatchRecord record{};
    std::ranges::copy(recordOf(rig.window->records().currentPatch), record.begin());
    return record;
}

} // namespace

// The store is read back: all well goes to the status line; memory protect
// on and a store the instrument missed each get a message box that says so.
TEST(CheckedUpload, SaysWhenTheStoreTookAndWhyNot)
{
    test::ProgramFolder folder;
    test::WindowRig rig;
    ASSERT_TRUE(rig.window->startUp());
    rig.window->show();
    rig.action("aInit")->trigger();
    ASSERT_TRUE(rig.action("aCheckUploads")->isChecked());
    ASSERT_TRUE(rig.window->checkUploads());
    rig.window->records().currentPatch[20] = 17;
    const PatchRecord sent = currentRecord(rig);

    EXPECT_EQ(upload(rig, 112), QString());
    rig.backend->withInstrument(
        [&](VirtualInstrument& i) { EXPECT_EQ(i.patch(1, 12), asMatrix1000Sends(sent, 1, 12)); });
    EXPECT_EQ(rig.window->statusBar()->currentMessage(),
              "Patch 112 verified: the instrument holds it as sent.");
    // The read-back left the editor's patch alone; it asked for patch 12 of
    // bank 1 with the bank lock off.
    EXPECT_EQ(currentRecord(rig), sent);
    const auto log = rig.received();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(
        std::vector(log.end() - 3, log.end()),
        (std::vector<Bytes>{bankSelect(1), bankLockOff(), request(RequestType::OnePatch, 12)}));

    // Memory protect on in the instrument: nothing taken, and the reason.
    rig.window->records().currentPatch[20] = 18;
    rig.backend->withInstrument([](VirtualInstrument& i) { i.setMemoryProtect(true); });
    const QString protectedText = upload(rig, 113, "checked-upload.png");
    EXPECT_TRUE(protectedText.startsWith("Patch 113 is not held as sent"))
        << protectedText.toStdString();
    EXPECT_TRUE(protectedText.contains("Memory protect is on in the instrument"))
        << protectedText.toStdString();

    // A store the instrument missed, memory protect off.
    rig.backend->withInstrument([](VirtualInstrument& i) {
        i.setMemoryProtect(false);
        VirtualInstrument::Faults faults;
        faults.dropStore = 0;
        i.setFaults(faults);
    });
    const QString dropped = upload(rig, 114);
    EXPECT_TRUE(dropped.startsWith("Patch 114 is not held as sent")) << dropped.toStdString();
    EXPECT_TRUE(dropped.contains("Setup > Transfer Pauses")) << dropped.toStdString();
    rig.backend->withInstrument([](VirtualInstrument& i) { i.setFaults({}); });

    // Checks off: the store alone, nothing read back.
    rig.action("aCheckUploads")->trigger();
    EXPECT_FALSE(rig.window->checkUploads());
    rig.clearLog();
    EXPECT_EQ(upload(rig, 115), QString());
    const auto unchecked = rig.received();
    ASSERT_EQ(unchecked.size(), 3u);
    EXPECT_EQ(unchecked[1][3], opcode::patchToMemory);
    rig.window->close();
}

// A Matrix-6 keeps the name, in six bits: a named patch reads back as sent.
TEST(CheckedUpload, AMatrix6PatchIsReadBackWithItsName)
{
    test::ProgramFolder folder;
    test::WindowRig rig(SynthModel::Matrix6);
    ASSERT_TRUE(rig.window->startUp());
    rig.window->show();
    rig.action("miMatrix6")->trigger();
    rig.action("aInit")->trigger();
    std::ranges::copy(std::string_view("BRASS 42"), rig.window->records().currentPatch.begin());
    EXPECT_EQ(upload(rig, 42), QString());
    EXPECT_EQ(rig.window->statusBar()->currentMessage(),
              "Patch 42 verified: the instrument holds it as sent.");
    const auto log = rig.received();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), request(RequestType::OnePatch, 42));
    rig.window->close();
}

// A read-back that got no answer says so; an answer that comes after all
// (here asked for again) is kept out of the editor's patch for a while.
TEST(CheckedUpload, AnAnswerThatComesLateDoesNotLandInTheEditor)
{
    test::ProgramFolder folder;
    test::WindowRig rig;
    ASSERT_TRUE(rig.window->startUp());
    rig.action("aInit")->trigger();
    const PatchRecord sent = currentRecord(rig);
    rig.backend->withInstrument([](VirtualInstrument& i) {
        VirtualInstrument::Faults faults;
        faults.dropMessage = 0; // the read-back's answer
        i.setFaults(faults);
    });
    const QString lost = upload(rig, 30);
    EXPECT_TRUE(lost.startsWith("Patch 030 did not come back from the instrument."))
        << lost.toStdString();
    EXPECT_TRUE(lost.contains("lost on the way back")) << lost.toStdString();
    rig.window->pacer().sendLong(request(RequestType::OnePatch, 31));
    rig.backend->waitIdle();
    QTest::qWait(50);
    EXPECT_EQ(currentRecord(rig), sent);
    rig.window->close();
}

// The switch and both pauses are kept in the settings file; the store pause
// set is the one the transfers take.
TEST(CheckedUpload, TheSwitchAndThePausesAreKept)
{
    test::ProgramFolder folder;
    {
        test::WindowRig rig;
        ASSERT_TRUE(rig.window->startUp());
        EXPECT_EQ(rig.window->transfer().storePause(), 12ms);
        EXPECT_EQ(rig.window->globalWritePause(), 300ms);
        rig.action("aCheckUploads")->trigger();

        test::whenShown<TransferPausesDialog>([](TransferPausesDialog& dialog) {
            const QString shots = qEnvironmentVariable("VELMORA_SHOT_DIR");
            if (!shots.isEmpty()) {
                EXPECT_TRUE(dialog.grab().save(shots + QStringLiteral("/transfer-pauses.png")));
            }
            auto* store = test::child<QSpinBox>(dialog, "spStorePause");
            auto* global = test::child<QSpinBox>(dialog, "spGlobalWritePause");
            EXPECT_EQ(store->value(), 12);
            EXPECT_EQ(global->value(), 300);
            // Below the least the instrument may get: held at the bound.
            store->setValue(2);
            EXPECT_EQ(store->value(), 10);
            store->setValue(40);
            global->setValue(650);
            QTest::mouseClick(test::button<QPushButton>(dialog, "&OK"), Qt::LeftButton);
        });
        rig.action("aTransferPauses")->trigger();
        EXPECT_EQ(rig.window->transfer().storePause(), 40ms);
        EXPECT_EQ(rig.window->globalWritePause(), 650ms);

        // Cancel keeps them; Defaults puts the defaults in the boxes.
        test::whenShown<TransferPausesDialog>([](TransferPausesDialog& dialog) {
            QTest::mouseClick(test::button<QPushButton>(dialog, "&Defaults"), Qt::LeftButton);
            EXPECT_EQ(dialog.storePause(), 12);
            EXPECT_EQ(dialog.globalWritePause(), 300);
            QTest::mouseClick(test::button<QPushButton>(dialog, "&Cancel"), Qt::LeftButton);
        });
        rig.action("aTransferPauses")->trigger();
        EXPECT_EQ(rig.window->transfer().storePause(), 40ms);
        rig.window->close();
    }
    QFile ini(QString::fromStdString(folder.dir().path("velmora.ini")));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(ini.readAll());
    EXPECT_TRUE(text.contains("CheckUploads=0") || text.contains("CheckUploads=false"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("StorePause=40")) << text.toStdString();
    EXPECT_TRUE(text.contains("GlobalWritePause=650")) << text.toStdString();

    test::WindowRig again;
    ASSERT_TRUE(again.window->startUp());
    EXPECT_FALSE(again.action("aCheckUploads")->isChecked());
    EXPECT_EQ(again.window->transfer().storePause(), 40ms);
    EXPECT_EQ(again.window->globalWritePause(), 650ms);
    again.window->close();
}

// A Matrix-6 split stored by the split editor's OK is read back with all the
// instrument holds; the bank and the split table are left alone by it. A
// split lost on the way back is said to be.
TEST(CheckedUpload, ASplitStoredOnAMatrix6IsReadBack)
{
    test::ProgramFolder folder;
    test::WindowRig rig(SynthModel::Matrix6);
    ASSERT_TRUE(rig.window->startUp());
    // The built-in instrument answers a request for all at once: room for it.
    rig.window->midi().applySysexBuffers(512, 256);
    rig.window->show();
    rig.action("miMatrix6")->trigger();
    rig.action("aBankManager")->trigger();
    auto& bank = *test::child<library::BankManagerWindow>(*rig.window, "frmBank");
    bank.show();
    QApplication::setActiveWindow(&bank);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&bank));
    bank.action("aDownload")->trigger();
    ASSERT_TRUE(rig.waitFor([&] { return rig.window->transfer().flags().splitsReceived; }));
    auto* grid = test::child<QTableView>(bank, "SplitGrid");
    const QPoint cell = grid->visualRect(grid->model()->index(2, 0)).center();

    // OK, then the check; `lose` drops the split's own message of the answer
    // (100 patches and the edit buffer come first).
    const auto editSplit = [&](const char* name, bool lose) {
        test::whenShown<globals::SplitEditorDialog>([&](globals::SplitEditorDialog& dialog) {
            auto* edit = test::child<QLineEdit>(dialog, "eName");
            edit->selectAll();
            QTest::keyClicks(edit, QLatin1String(name));
            if (lose) {
                rig.backend->withInstrument([](VirtualInstrument& i) {
                    VirtualInstrument::Faults faults;
                    faults.dropMessage = 101 + 2;
                    i.setFaults(faults);
                });
            }
            QTest::mouseClick(test::child<QPushButton>(dialog, "btnOK"), Qt::LeftButton);
        });
        QString told;
        QObject guard;
        test::whenShown<QMessageBox>(
            [&](QMessageBox& box) {
                told = box.text();
                box.button(QMessageBox::Ok)->click();
            },
            &guard);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell);
        return told;
    };

    const auto before = rig.window->records().bank;
    rig.window->statusBar()->clearMessage();
    EXPECT_EQ(editSplit("mine", false), QString());
    EXPECT_EQ(rig.window->statusBar()->currentMessage(),
              "Split 2 verified: the instrument holds it as sent.");
    rig.backend->withInstrument(
        [&](VirtualInstrument& i) { EXPECT_EQ(i.split(2), rig.window->records().splits[2]); });
    EXPECT_EQ(rig.window->records().bank, before);
    EXPECT_EQ(grid->model()->index(2, 0).data().toString(), "MINE  ");

    const QString lost = editSplit("ours", true);
    EXPECT_TRUE(lost.startsWith("Split 2 did not come back from the instrument."))
        << lost.toStdString();
    EXPECT_TRUE(lost.contains("lost on the way back")) << lost.toStdString();
    EXPECT_EQ(grid->model()->index(2, 0).data().toString(), "OURS  ");
    rig.window->close();
}

// A Matrix-1000 that takes parameter edits as stock 1.11 does: Envelope 1
// sustain (53) would change Envelope 2's amplitude and VCA 2 by Envelope 2
// (29) would not change at all. Dragged, both go as whole patches and the
// instrument ends up holding what the screen shows; no parameter edit of
// either goes out.
TEST(CheckedUpload, UnreachedParametersGoAsTheWholePatch)
{
    test::ProgramFolder folder;
    test::WindowRig rig;
    rig.backend->withInstrument([](VirtualInstrument& i) { i.setEdits111(true); });
    ASSERT_TRUE(rig.window->startUp());
    rig.action("aInit")->trigger();
    ASSERT_TRUE(rig.waitFor([&] { return rig.window->pacer().idle(); }));
    rig.clearLog();

    // Each drag on its own, a step every 5 ms (faster than whole patches
    // cross the cable), and then the cable left to settle.
    const auto drag = [&](QAbstractSlider* control, int from, int to) {
        rig.clearLog();
        control->setSliderDown(true);
        for (int v = from; v != to; v += from < to ? 1 : -1) {
            control->setSliderPosition(v);
            QTest::qWait(5);
        }
        control->setSliderDown(false);
        EXPECT_TRUE(rig.waitFor([&] { return rig.window->pacer().idle(); }));
        QTest::qWait(100); // the last patch's own bytes
        std::size_t patches = 0;
        for (const Bytes& m : rig.received()) {
            const bool edit = m.size() == 7 && m[3] == opcode::parameter;
            EXPECT_FALSE(edit && (m[4] == 53 || m[4] == 29)) << int(m[4]);
            patches += m.size() == kPatchMessageSize && m[3] == opcode::patchToEditBuffer ? 1 : 0;
        }
        // Latest wins: a drag does not flood the cable with patches.
        EXPECT_GE(patches, 2u);
        EXPECT_LT(patches, static_cast<std::size_t>(std::abs(to - from)));
        const PatchRecord screen = currentRecord(rig);
        rig.backend->withInstrument([&](VirtualInstrument& i) {
            EXPECT_TRUE(samePatchAsSent(SynthModel::Matrix1000, screen, i.editBuffer()));
        });
    };
    auto* sustain = test::child<QScrollBar>(*rig.window, "sbENV1sustain");
    drag(sustain, sustain->minimum(), sustain->maximum() - 10);
    drag(test::child<QSlider>(*rig.window, "tbVCA2env"), 40, -50);
    const PatchRecord screen = currentRecord(rig);

    // The instrument as set up really misses such edits: sent as parameter
    // edits, the sustain lands on Envelope 2's amplitude.
    rig.window->parameterSender().sendParameter(53, 9);
    ASSERT_TRUE(rig.waitFor([&] { return rig.window->pacer().idle(); }));
    rig.backend->withInstrument([&](VirtualInstrument& i) {
        EXPECT_EQ(i.editBuffer()[53], screen[53]);
        EXPECT_EQ(i.editBuffer()[64], 9);
    });
    rig.window->close();
}
