// The main window's bank manager as a user drives it: real grids, popups,
// dialogs and shortcuts, with the window's transfers talking to the virtual
// instrument and scripted file dialogs.
#include "app/WindowRig.h"
#include "globals/SplitEditorDialog.h"
#include "library/BankHistory.h"
#include "library/BankManagerWindow.h"
#include "library/FakeFileDialogs.h"
#include "library/RenamePatchDialog.h"
#include "library/SendBankDialog.h"
#include "library/SysexFiles.h"
#include "protocol/Messages.h"
#include "protocol/PatchName.h"
#include "support/DemoPatches.h"
#include "support/WidgetTesting.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QUndoStack>
#include <gtest/gtest.h>

#include <algorithm>

using namespace velmora;
using namespace velmora::library;
using Bytes = std::vector<Byte>;

namespace {

// The main window with its bank manager in front.
struct BankRig : test::ProgramFolder, test::WindowRig
{
    explicit BankRig(SynthModel model = SynthModel::Matrix1000) : test::WindowRig(model)
    {
        auto owned = std::make_unique<test::FakeFileDialogs>();
        dialogs = owned.get();
        window->setFileDialogs(std::move(owned));
        EXPECT_TRUE(window->startUp());
        // The built-in instrument answers a bank request at once, not at cable
        // speed: room for the whole answer.
        window->midi().applySysexBuffers(512, 256);
        window->show();
        action("aBankManager")->trigger();
        activate();
    }

    void activate()
    {
        bank.show();
        QApplication::setActiveWindow(&bank);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&bank));
    }
    // What the bank grid shows in a cell.
    QString cell(int column, int row) const
    {
        return bankGrid->model()->index(row, column).data().toString();
    }

    test::FakeFileDialogs* dialogs = nullptr;
    SynthRecords& records = window->records();
    BankManagerWindow& bank = *test::child<BankManagerWindow>(*window, "frmBank");
    QTableView* bankGrid = test::child<QTableView>(bank, "gridBANK");
    QTableView* splitGrid = test::child<QTableView>(bank, "SplitGrid");
    QComboBox* bankSelector = test::child<QComboBox>(bank, "cbBankSel");
};

Bank demoBank()
{
    Bank bank{};
    for (std::size_t k = 0; k < kBankPatchCount; ++k)
        bank[k] = demo::demoPatch(static_cast<std::uint32_t>(k));
    return bank;
}

QPoint cellCentre(QTableView* grid, int column, int row)
{
    return grid->visualRect(grid->model()->index(row, column)).center();
}

void click(QTableView* grid, int column, int row)
{
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCentre(grid, column, row));
}

// A click, and the second press that makes it a double click.
void doubleClick(QTableView* grid, int column, int row)
{
    click(grid, column, row);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cellCentre(grid, column, row));
}

// A right click on the cell and a click on the popup item `name`.
void popupCommand(QTableView* grid, int column, int row, const QString& name)
{
    bool chosen = false;
    QObject guard; // no answer after this function returned
    test::whenShown<QMenu>(
        [&](QMenu& menu) {
            for (QAction* action : menu.actions())
                if (action->objectName() == name) {
                    EXPECT_TRUE(action->isEnabled()) << name.toStdString();
                    QTest::mouseClick(&menu, Qt::LeftButton, {},
                                      menu.actionGeometry(action).center());
                    chosen = true;
                }
            if (!chosen)
                menu.close();
        },
        &guard);
    // The right click, and the context menu request the platform makes of it.
    const QPoint at = cellCentre(grid, column, row);
    QTest::mouseClick(grid->viewport(), Qt::RightButton, {}, at);
    QContextMenuEvent request(QContextMenuEvent::Mouse, at, grid->viewport()->mapToGlobal(at));
    QApplication::sendEvent(grid->viewport(), &request);
    EXPECT_TRUE(chosen) << name.toStdString();
}

// What the Edit menu's Undo or Redo reads, without its mnemonic.
QString stepText(const BankManagerWindow& bank, const char* name)
{
    return bank.action(QLatin1String(name))->text().remove(QLatin1Char('&'));
}

// What every cell of the bank grid shows, entry by entry.
QStringList cells(const BankRig& rig)
{
    QStringList texts;
    for (int k = 0; k < 100; ++k)
        texts << rig.cell(k / 10, k % 10);
    return texts;
}

bool sameRecord(const PatchBuffer& a, const PatchBuffer& b)
{
    return std::ranges::equal(recordOf(a), recordOf(b));
}

} // namespace

TEST(BankManager, ANewUserOpensPlaysRenamesCopiesAndSavesABank)
{
    test::TempDir dir;
    BankRig rig;
    Bank demo = demoBank();
    // Another tool's name: shown as it is (a zero byte as nothing), kept as it is.
    const std::string foreign{'a', '\0', '#', '\xE9', 'x', 'y', 'z', ' '};
    writeName(demo[36], foreign);
    rig.dialogs->answer(dir.write("demo.syx", bankSysex(demo)));
    QTest::keyClick(&rig.bank, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(rig.cell(3, 7), "DEMO 037");
    EXPECT_EQ(rig.cell(3, 6), QStringLiteral("a#\u00E9xyz "));
    EXPECT_EQ(rig.bank.windowTitle(), "demo.syx - Bank Manager");
    EXPECT_TRUE(rig.bank.action("aSave")->isEnabled());

    // Entry 37 sits in column 3, row 7; a double click plays it in the editor.
    rig.clearLog();
    doubleClick(rig.bankGrid, 3, 7);
    EXPECT_EQ(rig.bank.selectedEntry(), 37);
    EXPECT_TRUE(sameRecord(rig.records.currentPatch, demo[37]));
    EXPECT_TRUE(rig.window->transfer().flags().patchLoaded);
    // The editor comes to the front with the patch.
    EXPECT_TRUE(QTest::qWaitForWindowActive(rig.window.get()));
    EXPECT_EQ(rig.window->windowTitle(), "DEMO 037 - Velmora");
    EXPECT_EQ(rig.received(),
              (std::vector<Bytes>{patchToEditBuffer(recordOf(demo[37])), {0x90, 60, 100}}));

    rig.activate();
    test::whenShown<RenamePatchDialog>([](RenamePatchDialog& dialog) {
        auto* name = test::child<QLineEdit>(dialog, "eName");
        EXPECT_EQ(name->text(), "DEMO 037");
        QTest::keyClicks(name, "pad");
        QTest::mouseClick(test::child<QPushButton>(dialog, "OKBtn"), Qt::LeftButton);
    });
    popupCommand(rig.bankGrid, 3, 7, "pmiRename");
    EXPECT_EQ(rig.cell(3, 7), "PAD     ");

    popupCommand(rig.bankGrid, 3, 7, "pmiCopy");
    popupCommand(rig.bankGrid, 0, 5, "pmiPaste");
    EXPECT_EQ(rig.cell(0, 5), "PAD     ");

    // Saved without an extension, cleared, opened again: the change is there.
    rig.activate();
    rig.dialogs->answer(dir.path("mine"));
    QTest::keyClick(&rig.bank, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(rig.bank.windowTitle(), "mine.syx - Bank Manager");
    QTest::keyClick(&rig.bank, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(rig.cell(0, 5), "<empty> ");
    rig.dialogs->answer(dir.path("mine.syx"));
    QTest::keyClick(&rig.bank, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(rig.cell(0, 5), "PAD     ");
    EXPECT_EQ(rig.cell(3, 7), "PAD     ");
    EXPECT_TRUE(sameRecord(rig.records.bank[5], rig.records.bank[37]));
    EXPECT_TRUE(
        std::equal(demo[37].begin() + 8, demo[37].begin() + 134, rig.records.bank[5].begin() + 8));
    EXPECT_TRUE(sameRecord(rig.records.bank[36], demo[36]));
}

TEST(BankManager, PasteRenameAndNewKeepWhatTheyShould)
{
    BankRig rig;
    BankManagerWindow& bank = rig.bank;
    rig.records.bank[1] = demo::demoPatch(1);
    rig.records.bank[1][134] = 0x11;
    rig.records.bank[2][134] = 0x22;
    bank.setBankCell(1, "DEMO 001");
    EXPECT_FALSE(bank.action("pmiPaste")->isEnabled());

    // One copy, pasted twice: name and data, never the further byte.
    click(rig.bankGrid, 0, 1);
    bank.action("pmiCopy")->trigger();
    for (const int row : {2, 3}) {
        click(rig.bankGrid, 0, row);
        bank.action("pmiPaste")->trigger();
        EXPECT_EQ(rig.cell(0, row), "DEMO 001");
        EXPECT_TRUE(
            sameRecord(rig.records.bank[static_cast<std::size_t>(row)], rig.records.bank[1]));
    }
    EXPECT_EQ(rig.records.bank[2][134], 0x22);
    EXPECT_EQ(rig.records.bank[3][134], 0);
    EXPECT_TRUE(bank.action("aUpload")->isEnabled());

    // Characters outside the name set become blanks; Cancel changes nothing.
    test::whenShown<RenamePatchDialog>([](RenamePatchDialog& dialog) {
        // The offscreen platform activates a window after it is shown; the
        // field's focus-out (Tab) needs the dialog to be the active window.
        EXPECT_TRUE(QTest::qWaitFor([&dialog] { return dialog.isActiveWindow(); }));
        auto* name = test::child<QLineEdit>(dialog, "eName");
        QTest::keyClick(name, Qt::Key_P);
        QTest::sendKeyEvent(QTest::Click, name, Qt::Key_Eacute, QStringLiteral("\u00e9"),
                            Qt::NoModifier);
        QTest::keyClicks(name, "#d");
        // Tab leaves the field for the buttons.
        QTest::keyClick(name, Qt::Key_Tab);
        EXPECT_EQ(name->text(), "P  D    ");
        QTest::keyClick(test::child<QPushButton>(dialog, "OKBtn"), Qt::Key_Space);
    });
    bank.action("pmiRename")->trigger();
    EXPECT_EQ(rig.cell(0, 3), "P  D    ");
    EXPECT_EQ(std::string(rig.records.bank[3].begin(), rig.records.bank[3].begin() + 8),
              "P  D    ");
    test::whenShown<RenamePatchDialog>([](RenamePatchDialog& dialog) {
        QTest::keyClicks(test::child<QLineEdit>(dialog, "eName"), "other");
        QTest::mouseClick(test::child<QPushButton>(dialog, "CancelBtn"), Qt::LeftButton);
    });
    bank.action("pmiRename")->trigger();
    EXPECT_EQ(rig.cell(0, 3), "P  D    ");

    // New empties the bank but leaves the splits alone.
    rig.records.splits[3] = {'S', 'P', 'L', 'I', 'T', '3'};
    bank.setSplitCell(3, "SPLIT3");
    bank.setCaption("demo.syx - Bank Manager");
    bank.action("aNew")->trigger();
    for (int k = 0; k < 100; ++k)
        EXPECT_EQ(rig.cell(k / 10, k % 10), "<empty> ");
    EXPECT_EQ(rig.records.bank[1], PatchBuffer{});
    EXPECT_FALSE(rig.window->transfer().flags().bankLoaded);
    EXPECT_FALSE(bank.action("aSave")->isEnabled());
    EXPECT_FALSE(bank.action("aUpload")->isEnabled());
    EXPECT_EQ(bank.windowTitle(), "Bank Manager");
    EXPECT_EQ(rig.splitGrid->model()->index(3, 0).data().toString(), "SPLIT3");
    EXPECT_EQ(rig.records.splits[3][0], 'S');
}

TEST(BankManager, SelectorUploadAndDownloadTalkToTheInstrument)
{
    BankRig rig;
    BankManagerWindow& bank = rig.bank;
    rig.clearLog();
    // Typing 3 picks "300 - 399 Synth 2"; it stays after the window comes back.
    QTest::keyClicks(rig.bankSelector, "3");
    EXPECT_EQ(rig.received(), (std::vector<Bytes>{{0xF0, 0x10, 0x06, 0x0A, 0x03, 0xF7}}));
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    rig.activate();
    EXPECT_EQ(rig.bankSelector->currentText(), "300 - 399 Synth 2");

    // Upload to user bank 2: bank select 1, then the hundred entries.
    rig.records.bank = demoBank();
    rig.window->transfer().flags().bankLoaded = true;
    bank.updateGrid();
    rig.clearLog();
    test::whenShown<SendBankDialog>([](SendBankDialog& dialog) {
        QTest::mouseClick(test::child<QPushButton>(dialog, "btnBank2"), Qt::LeftButton);
    });
    // Then the bank is read back and the result told.
    QString checked;
    QObject guard;
    test::whenShown<QMessageBox>(
        [&](QMessageBox& box) {
            checked = box.text();
            box.accept();
        },
        &guard, 2000);
    QTest::keyClick(&bank, Qt::Key_U, Qt::ControlModifier);
    ASSERT_TRUE(rig.waitFor([&] { return !checked.isEmpty(); }));
    EXPECT_EQ(checked, "Bank 1 verified: 100 of 100 patches as sent.");
    const auto sent = rig.received();
    ASSERT_EQ(sent.size(), 104u);
    EXPECT_EQ(sent[0], (Bytes{0xF0, 0x10, 0x06, 0x0A, 0x01, 0xF7}));
    EXPECT_EQ(sent[100], patchToMemory(99, recordOf(rig.records.bank[99])));
    EXPECT_EQ(sent[102], request(RequestType::All));
    EXPECT_EQ(rig.bankSelector->currentText(), "100 - 199 User 2");

    rig.clearLog();
    test::whenShown<SendBankDialog>([](SendBankDialog& dialog) {
        QTest::mouseClick(test::child<QPushButton>(dialog, "btnCancel"), Qt::LeftButton);
    });
    bank.action("aUpload")->trigger();
    EXPECT_TRUE(rig.received().empty());
    EXPECT_EQ(rig.bankSelector->currentIndex(), -1);

    // Download: the instrument's bank fills the grid.
    bank.action("aDownload")->trigger();
    EXPECT_FALSE(bank.action("aSave")->isEnabled());
    ASSERT_TRUE(rig.waitFor([&] { return rig.window->transfer().flags().bankLoaded; }));
    EXPECT_TRUE(bank.action("aSave")->isEnabled()); // the bank received can be saved
    for (const int k : {0, 37, 99})
        EXPECT_EQ(rig.cell(k / 10, k % 10).toStdString(), patchNameOf(rig.records.bank[k]));
    EXPECT_EQ(bank.windowTitle(), "Bank Manager");

    // The download is one step once its splits and filler have arrived; a
    // download cancelled at once changes nothing and adds no step.
    ASSERT_TRUE(rig.waitFor([&] { return bank.history().stack().count() == 1; }));
    const Bank received = rig.records.bank;
    bank.action("aDownload")->trigger();
    rig.window->transfer().cancelReceive();
    ASSERT_TRUE(rig.waitFor([&] { return rig.window->transfer().flags().splitsReceived; }));
    EXPECT_EQ(rig.records.bank, received);
    EXPECT_EQ(bank.history().stack().count(), 1);
    rig.clearLog();
    EXPECT_EQ(stepText(bank, "aBankUndo"), "Undo Download Bank");
    bank.action("aBankUndo")->trigger();
    EXPECT_EQ(rig.records.bank, demoBank());
    EXPECT_EQ(rig.cell(3, 7), "<empty> "); // the grid had not shown that bank
    EXPECT_TRUE(rig.received().empty());
}

TEST(BankManager, SplitGridServesOnlyTheMatrix6AndReceivedSplits)
{
    BankRig rig;
    BankManagerWindow& bank = rig.bank;
    EXPECT_FALSE(rig.splitGrid->isEnabled());
    // The model is chosen in the main window; the bank manager follows when
    // it comes back to the front.
    QApplication::setActiveWindow(rig.window.get());
    rig.action("miMatrix6")->trigger();
    rig.activate();
    EXPECT_TRUE(rig.splitGrid->isEnabled());
    EXPECT_FALSE(rig.bankSelector->isEnabled());

    // A double click opens the split editor once the splits were received.
    rig.records.splits[13] = {'T', 'H', 'I', 'R', 'T', 'N'};
    for (const bool received : {false, true}) {
        rig.window->transfer().flags().splitsReceived = received;
        QString opened;
        QObject guard; // nothing shows without the splits
        test::whenShown<QDialog>(
            [&](QDialog& dialog) {
                if (dynamic_cast<globals::SplitEditorDialog*>(&dialog) != nullptr) {
                    opened = test::child<QLineEdit>(dialog, "eName")->text();
                    dialog.reject();
                }
            },
            &guard);
        doubleClick(rig.splitGrid, 2, 3);
        EXPECT_EQ(bank.selectedSplit(), 13);
        EXPECT_EQ(opened, received ? "THIRTN" : "");
    }
}

TEST(BankManager, UndoAndRedoTakeBackPastesRenamesAndOpenedBanks)
{
    test::TempDir dir;
    BankRig rig;
    BankManagerWindow& bank = rig.bank;
    EXPECT_EQ(stepText(bank, "aBankUndo"), "Undo");
    EXPECT_FALSE(bank.action("aBankUndo")->isEnabled());
    rig.records.bank[1] = demo::demoPatch(1);
    rig.records.bank[2][134] = 0x22; // the further byte, never shown
    rig.records.bank[2][60] = 0xFF;  // a value no control has
    bank.setBankCell(1, "DEMO 001");
    const PatchBuffer second = rig.records.bank[2];

    // A paste, taken back and done again from the keyboard.
    click(rig.bankGrid, 0, 1);
    bank.action("pmiCopy")->trigger();
    click(rig.bankGrid, 0, 2);
    bank.action("pmiPaste")->trigger();
    EXPECT_EQ(stepText(bank, "aBankUndo"), "Undo Paste");
    QTest::keyClick(&bank, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(rig.records.bank[2], second);
    EXPECT_EQ(rig.cell(0, 2), "<empty> ");
    EXPECT_EQ(stepText(bank, "aBankRedo"), "Redo Paste");
    QTest::keyClick(&bank, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_TRUE(sameRecord(rig.records.bank[2], rig.records.bank[1]));
    EXPECT_EQ(rig.records.bank[2][134], 0x22);
    EXPECT_EQ(rig.cell(0, 2), "DEMO 001");

    // A rename; Ctrl+Shift+Z redoes as Ctrl+Y does.
    test::whenShown<RenamePatchDialog>([](RenamePatchDialog& dialog) {
        QTest::keyClicks(test::child<QLineEdit>(dialog, "eName"), "lead");
        QTest::mouseClick(test::child<QPushButton>(dialog, "OKBtn"), Qt::LeftButton);
    });
    bank.action("pmiRename")->trigger();
    EXPECT_EQ(rig.cell(0, 2), "LEAD    ");
    EXPECT_EQ(stepText(bank, "aBankUndo"), "Undo Rename");
    bank.action("aBankUndo")->trigger();
    EXPECT_EQ(rig.cell(0, 2), "DEMO 001");
    EXPECT_EQ(rig.records.bank[2][0], 'D');
    rig.activate();
    QTest::keyClick(&bank, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(rig.cell(0, 2), "LEAD    ");

    // A bank from a file, taken back byte for byte with the cells and the
    // caption as they were, and opened again by Redo.
    const Bank before = rig.records.bank;
    const QStringList shown = cells(rig);
    Bank demo = demoBank();
    rig.dialogs->answer(dir.write("demo.syx", bankSysex(demo)));
    QTest::keyClick(&bank, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(rig.cell(3, 7), "DEMO 037");
    EXPECT_EQ(stepText(bank, "aBankUndo"), "Undo Open Bank");
    QTest::keyClick(&bank, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(rig.records.bank, before);
    EXPECT_EQ(cells(rig), shown);
    EXPECT_EQ(bank.windowTitle(), "Bank Manager");
    EXPECT_EQ(stepText(bank, "aBankUndo"), "Undo Rename");
    QTest::keyClick(&bank, Qt::Key_Y, Qt::ControlModifier);
    for (const std::size_t k : {0u, 37u, 99u})
        EXPECT_TRUE(sameRecord(rig.records.bank[k], demo[k]));
    EXPECT_EQ(rig.cell(3, 7), "DEMO 037");
    EXPECT_EQ(bank.windowTitle(), "demo.syx - Bank Manager");

    // Editor to Bank; a new step ends what Redo could repeat.
    rig.records.currentPatch = demo::demoPatch(7);
    rig.window->transfer().flags().patchLoaded = true;
    popupCommand(rig.bankGrid, 0, 0, "pmiEdit2Bank");
    EXPECT_EQ(rig.cell(0, 0), "DEMO 007");
    EXPECT_EQ(stepText(bank, "aBankUndo"), "Undo Editor to Bank");
    EXPECT_FALSE(bank.action("aBankRedo")->isEnabled());
    bank.action("aBankUndo")->trigger();
    EXPECT_EQ(rig.records.bank[0], demo[0]);
    EXPECT_EQ(rig.cell(0, 0), "DEMO 000");

    // A bank handed to the main window (a file named on the command line).
    const Bank mine = rig.records.bank;
    Bank other = demo;
    writeName(other[0], "OTHER");
    rig.window->openFile(QString::fromStdString(dir.write("other.syx", bankSysex(other))));
    EXPECT_EQ(rig.cell(0, 0), "OTHER   ");
    EXPECT_EQ(stepText(bank, "aBankUndo"), "Undo Open Bank");
    bank.action("aBankUndo")->trigger();
    EXPECT_EQ(rig.records.bank, mine);
    EXPECT_EQ(bank.windowTitle(), "demo.syx - Bank Manager");
}

TEST(BankManager, UndoTakesBackADownloadAndASplitEdit)
{
    BankRig rig(SynthModel::Matrix6);
    BankManagerWindow& bank = rig.bank;
    QApplication::setActiveWindow(rig.window.get());
    rig.action("miMatrix6")->trigger();
    rig.activate();
    rig.records.bank[5] = demo::demoPatch(5);
    rig.records.splits[2] = {'O', 'L', 'D', 'S', 'P', 'L', 0x7F};
    bank.setBankCell(5, "DEMO 005");
    bank.setSplitCell(2, "OLDSPL");
    const Bank before = rig.records.bank;
    const auto splitsBefore = rig.records.splits;
    const QStringList shown = cells(rig);

    // One step for the whole answer: the patches and then the splits.
    bank.action("aDownload")->trigger();
    ASSERT_TRUE(rig.waitFor([&] { return stepText(bank, "aBankUndo") == "Undo Download Bank"; }));
    EXPECT_TRUE(rig.window->transfer().flags().splitsReceived);
    const Bank received = rig.records.bank;
    EXPECT_NE(received, before);
    EXPECT_NE(rig.records.splits, splitsBefore);
    const QString receivedSplit = rig.splitGrid->model()->index(2, 0).data().toString();

    // A split edited and stored by OK.
    test::whenShown<globals::SplitEditorDialog>([](globals::SplitEditorDialog& dialog) {
        auto* name = test::child<QLineEdit>(dialog, "eName");
        name->selectAll();
        QTest::keyClicks(name, "mine");
        QTest::mouseClick(test::child<QPushButton>(dialog, "btnOK"), Qt::LeftButton);
    });
    doubleClick(rig.splitGrid, 0, 2);
    EXPECT_EQ(rig.splitGrid->model()->index(2, 0).data().toString(), "MINE  ");
    rig.activate();
    EXPECT_EQ(stepText(bank, "aBankUndo"), "Undo Split Edit");
    QTest::keyClick(&bank, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(rig.splitGrid->model()->index(2, 0).data().toString(), receivedSplit);

    // The download taken back: the bank, the splits and the cells as before.
    rig.clearLog();
    QTest::keyClick(&bank, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(rig.records.bank, before);
    EXPECT_EQ(rig.records.splits, splitsBefore);
    EXPECT_EQ(cells(rig), shown);
    EXPECT_EQ(rig.splitGrid->model()->index(2, 0).data().toString(), "OLDSPL");
    EXPECT_FALSE(rig.window->transfer().flags().splitsReceived);
    QTest::keyClick(&bank, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(rig.records.bank, received);
    // Undo and redo change the librarian's copy only.
    EXPECT_TRUE(rig.received().empty());
}
