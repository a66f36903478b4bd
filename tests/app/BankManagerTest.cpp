// The main window's bank manager as a user drives it: real grids, popups,
// dialogs and shortcuts, with the window's transfers talking to the virtual
// instrument and scripted file dialogs.
#include "DemoPatches.h"
#include "FakeFileDialogs.h"
#include "Messages.h"
#include "PatchName.h"
#include "SysexFiles.h"
#include "TfrmBank.h"
#include "TfrmRenamePatch.h"
#include "TfrmSendBank.h"
#include "TfrmSplit.h"
#include "WindowRig.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>

using namespace velmora;
using namespace velmora::library;
using Bytes = std::vector<Byte>;

namespace {

// The main window with its bank manager in front.
struct BankRig : test::ProgramFolder, test::WindowRig
{
    BankRig()
    {
        auto owned = std::make_unique<test::FakeFileDialogs>();
        dialogs = owned.get();
        window->SetFileDialogs(std::move(owned));
        EXPECT_TRUE(window->FormCreate());
        // The built-in instrument answers a bank request at once, not at cable
        // speed: room for the whole answer.
        window->Midi().ApplySysexBuffers(512, 256);
        window->show();
        window->Action("aBankManager")->trigger();
        Activate();
    }

    void Activate()
    {
        bank.show();
        QApplication::setActiveWindow(&bank);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&bank));
    }
    QString Cell(int column, int row) const { return bank.gridBANK->item(row, column)->text(); }

    test::FakeFileDialogs* dialogs = nullptr;
    SynthRecords& records = window->Records();
    TfrmBank& bank = window->BankManager();
};

Bank DemoBank()
{
    Bank bank{};
    for (std::size_t k = 0; k < kBankPatchCount; ++k)
        bank[k] = demo::DemoPatch(static_cast<std::uint32_t>(k));
    return bank;
}

QPoint CellCentre(QTableWidget* grid, int column, int row)
{
    return grid->visualItemRect(grid->item(row, column)).center();
}

void Click(QTableWidget* grid, int column, int row)
{
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, CellCentre(grid, column, row));
}

// A click, and the second press that makes it a double click.
void DoubleClick(QTableWidget* grid, int column, int row)
{
    Click(grid, column, row);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, CellCentre(grid, column, row));
}

// Runs `answer` on the modal dialog of type D as soon as it shows.
template <typename D, typename Answer> void WhenShown(Answer answer)
{
    QTimer::singleShot(10, [answer] {
        if (auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget()))
            answer(*dialog);
        else
            WhenShown<D>(answer);
    });
}

// A right click on the cell and a click on the popup item `name`.
void PopupCommand(QTableWidget* grid, int column, int row, const QString& name)
{
    bool chosen = false;
    QObject guard; // no answer after this function returned
    QTimer::singleShot(10, &guard, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_TRUE(menu);
        for (QAction* action : menu->actions())
            if (action->objectName() == name) {
                EXPECT_TRUE(action->isEnabled()) << name.toStdString();
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
                chosen = true;
            }
        if (!chosen)
            menu->close();
    });
    // The right click, and the context menu request the platform makes of it.
    const QPoint at = CellCentre(grid, column, row);
    QTest::mouseClick(grid->viewport(), Qt::RightButton, {}, at);
    QContextMenuEvent request(QContextMenuEvent::Mouse, at, grid->viewport()->mapToGlobal(at));
    QApplication::sendEvent(grid->viewport(), &request);
    EXPECT_TRUE(chosen) << name.toStdString();
}

bool SameRecord(const PatchBuffer& a, const PatchBuffer& b)
{
    return std::ranges::equal(RecordOf(a), RecordOf(b));
}

} // namespace

TEST(BankManager, ANewUserOpensPlaysRenamesCopiesAndSavesABank)
{
    test::TempDir dir;
    BankRig rig;
    Bank demo = DemoBank();
    // Another tool's name: shown as it is (a zero byte as nothing), kept as it is.
    const std::string foreign{'a', '\0', '#', '\xE9', 'x', 'y', 'z', ' '};
    WriteName(demo[36], foreign);
    rig.dialogs->Answer(dir.Write("demo.syx", BankSysex(demo)));
    QTest::keyClick(&rig.bank, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(rig.Cell(3, 7), "DEMO 037");
    EXPECT_EQ(rig.Cell(3, 6), QStringLiteral("a#\u00E9xyz "));
    EXPECT_EQ(rig.bank.windowTitle(), "demo.syx - Bank Manager");
    EXPECT_TRUE(rig.bank.Action("aSave")->isEnabled());

    // Entry 37 sits in column 3, row 7; a double click plays it in the editor.
    rig.ClearLog();
    DoubleClick(rig.bank.gridBANK, 3, 7);
    EXPECT_EQ(rig.bank.SelectedEntry(), 37);
    EXPECT_TRUE(SameRecord(rig.records.CurrentPatch, demo[37]));
    EXPECT_TRUE(rig.window->Transfer().Flags().PatchLoaded);
    // The editor comes to the front with the patch.
    EXPECT_TRUE(QTest::qWaitForWindowActive(rig.window.get()));
    EXPECT_EQ(rig.window->windowTitle(), "DEMO 037 - Velmora");
    EXPECT_EQ(rig.Received(),
              (std::vector<Bytes>{PatchToEditBuffer(RecordOf(demo[37])), {0x90, 60, 100}}));

    rig.Activate();
    WhenShown<TfrmRenamePatch>([](TfrmRenamePatch& dialog) {
        EXPECT_EQ(dialog.eName->text(), "DEMO 037");
        QTest::keyClicks(dialog.eName, "pad");
        QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);
    });
    PopupCommand(rig.bank.gridBANK, 3, 7, "pmiRename");
    EXPECT_EQ(rig.Cell(3, 7), "PAD     ");

    PopupCommand(rig.bank.gridBANK, 3, 7, "pmiCopy");
    PopupCommand(rig.bank.gridBANK, 0, 5, "pmiPaste");
    EXPECT_EQ(rig.Cell(0, 5), "PAD     ");

    // Saved without an extension, cleared, opened again: the change is there.
    rig.Activate();
    rig.dialogs->Answer(dir.Path("mine"));
    QTest::keyClick(&rig.bank, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(rig.bank.windowTitle(), "mine.syx - Bank Manager");
    QTest::keyClick(&rig.bank, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(rig.Cell(0, 5), "<empty> ");
    rig.dialogs->Answer(dir.Path("mine.syx"));
    QTest::keyClick(&rig.bank, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(rig.Cell(0, 5), "PAD     ");
    EXPECT_EQ(rig.Cell(3, 7), "PAD     ");
    EXPECT_TRUE(SameRecord(rig.records.Bank[5], rig.records.Bank[37]));
    EXPECT_TRUE(
        std::equal(demo[37].begin() + 8, demo[37].begin() + 134, rig.records.Bank[5].begin() + 8));
    EXPECT_TRUE(SameRecord(rig.records.Bank[36], demo[36]));
}

TEST(BankManager, PasteRenameAndNewKeepWhatTheyShould)
{
    BankRig rig;
    TfrmBank& bank = rig.bank;
    rig.records.Bank[1] = demo::DemoPatch(1);
    rig.records.Bank[1][134] = 0x11;
    rig.records.Bank[2][134] = 0x22;
    bank.SetBankCell(1, "DEMO 001");
    EXPECT_FALSE(bank.Action("pmiPaste")->isEnabled());

    // One copy, pasted twice: name and data, never the further byte.
    Click(bank.gridBANK, 0, 1);
    bank.Action("pmiCopy")->trigger();
    for (const int row : {2, 3}) {
        Click(bank.gridBANK, 0, row);
        bank.Action("pmiPaste")->trigger();
        EXPECT_EQ(rig.Cell(0, row), "DEMO 001");
        EXPECT_TRUE(
            SameRecord(rig.records.Bank[static_cast<std::size_t>(row)], rig.records.Bank[1]));
    }
    EXPECT_EQ(rig.records.Bank[2][134], 0x22);
    EXPECT_EQ(rig.records.Bank[3][134], 0);
    EXPECT_TRUE(bank.Action("aUpload")->isEnabled());

    // Characters outside the name set become blanks; Cancel changes nothing.
    WhenShown<TfrmRenamePatch>([](TfrmRenamePatch& dialog) {
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
        QTest::keyClick(dialog.eName, Qt::Key_P);
        QTest::sendKeyEvent(QTest::Click, dialog.eName, Qt::Key_Eacute, QStringLiteral("\u00e9"),
                            Qt::NoModifier);
        QTest::keyClicks(dialog.eName, "#d");
        // Tab leaves the field for the buttons.
        QTest::keyClick(dialog.eName, Qt::Key_Tab);
        EXPECT_EQ(dialog.eName->text(), "P  D    ");
        QTest::keyClick(dialog.OKBtn, Qt::Key_Space);
    });
    bank.Action("pmiRename")->trigger();
    EXPECT_EQ(rig.Cell(0, 3), "P  D    ");
    EXPECT_EQ(std::string(rig.records.Bank[3].begin(), rig.records.Bank[3].begin() + 8),
              "P  D    ");
    WhenShown<TfrmRenamePatch>([](TfrmRenamePatch& dialog) {
        QTest::keyClicks(dialog.eName, "other");
        QTest::mouseClick(dialog.CancelBtn, Qt::LeftButton);
    });
    bank.Action("pmiRename")->trigger();
    EXPECT_EQ(rig.Cell(0, 3), "P  D    ");

    // New empties the bank but leaves the splits alone.
    rig.records.Splits[3] = {'S', 'P', 'L', 'I', 'T', '3'};
    bank.SetSplitCell(3, "SPLIT3");
    bank.SetCaption("demo.syx - Bank Manager");
    bank.Action("aNew")->trigger();
    for (int k = 0; k < 100; ++k)
        EXPECT_EQ(rig.Cell(k / 10, k % 10), "<empty> ");
    EXPECT_EQ(rig.records.Bank[1], PatchBuffer{});
    EXPECT_FALSE(rig.window->Transfer().Flags().BankLoaded);
    EXPECT_FALSE(bank.Action("aSave")->isEnabled());
    EXPECT_FALSE(bank.Action("aUpload")->isEnabled());
    EXPECT_EQ(bank.windowTitle(), "Bank Manager");
    EXPECT_EQ(bank.SplitGrid->item(3, 0)->text(), "SPLIT3");
    EXPECT_EQ(rig.records.Splits[3][0], 'S');
}

TEST(BankManager, SelectorUploadAndDownloadTalkToTheInstrument)
{
    BankRig rig;
    TfrmBank& bank = rig.bank;
    rig.ClearLog();
    // Typing 3 picks "300 - 399 Synth 2"; it stays after the window comes back.
    QTest::keyClicks(bank.cbBankSel, "3");
    EXPECT_EQ(rig.Received(), (std::vector<Bytes>{{0xF0, 0x10, 0x06, 0x0A, 0x03, 0xF7}}));
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    rig.Activate();
    EXPECT_EQ(bank.cbBankSel->currentText(), "300 - 399 Synth 2");

    // Upload to user bank 2: bank select 1, then the hundred entries.
    rig.records.Bank = DemoBank();
    rig.window->Transfer().Flags().BankLoaded = true;
    bank.UpdateGrid();
    rig.ClearLog();
    WhenShown<TfrmSendBank>(
        [](TfrmSendBank& dialog) { QTest::mouseClick(dialog.btnBank2, Qt::LeftButton); });
    QTest::keyClick(&bank, Qt::Key_U, Qt::ControlModifier);
    const auto sent = rig.Received();
    ASSERT_EQ(sent.size(), 101u);
    EXPECT_EQ(sent[0], (Bytes{0xF0, 0x10, 0x06, 0x0A, 0x01, 0xF7}));
    EXPECT_EQ(sent[100], PatchToMemory(99, RecordOf(rig.records.Bank[99])));
    EXPECT_EQ(bank.cbBankSel->currentText(), "100 - 199 User 2");

    rig.ClearLog();
    WhenShown<TfrmSendBank>(
        [](TfrmSendBank& dialog) { QTest::mouseClick(dialog.btnCancel, Qt::LeftButton); });
    bank.Action("aUpload")->trigger();
    EXPECT_TRUE(rig.Received().empty());
    EXPECT_EQ(bank.cbBankSel->currentIndex(), -1);

    // Download: the instrument's bank fills the grid.
    bank.Action("aDownload")->trigger();
    EXPECT_FALSE(bank.Action("aSave")->isEnabled());
    ASSERT_TRUE(rig.WaitFor([&] { return rig.window->Transfer().Flags().BankLoaded; }));
    for (const int k : {0, 37, 99})
        EXPECT_EQ(rig.Cell(k / 10, k % 10).toStdString(), PatchNameOf(rig.records.Bank[k]));
    EXPECT_EQ(bank.windowTitle(), "Bank Manager");
}

TEST(BankManager, SplitGridServesOnlyTheMatrix6AndReceivedSplits)
{
    BankRig rig;
    TfrmBank& bank = rig.bank;
    EXPECT_FALSE(bank.SplitGrid->isEnabled());
    // The model is chosen in the main window; the bank manager follows when
    // it comes back to the front.
    QApplication::setActiveWindow(rig.window.get());
    rig.window->Action("miMatrix6")->trigger();
    rig.Activate();
    EXPECT_TRUE(bank.SplitGrid->isEnabled());
    EXPECT_FALSE(bank.cbBankSel->isEnabled());

    // A double click opens the split editor once the splits were received.
    rig.records.Splits[13] = {'T', 'H', 'I', 'R', 'T', 'N'};
    for (const bool received : {false, true}) {
        rig.window->Transfer().Flags().SplitsReceived = received;
        QString opened;
        QObject guard;
        QTimer::singleShot(10, &guard, [&] {
            if (auto* dialog =
                    dynamic_cast<globals::TfrmSplit*>(QApplication::activeModalWidget())) {
                opened = dialog->eName->text();
                dialog->reject();
            }
        });
        DoubleClick(bank.SplitGrid, 2, 3);
        EXPECT_EQ(bank.SelectedSplit(), 13);
        EXPECT_EQ(opened, received ? "THIRTN" : "");
    }
}
