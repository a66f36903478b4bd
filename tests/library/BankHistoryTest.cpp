// The bank manager's history without its window: what a step keeps, how
// much a thousand of them take, and how steps join and end.
#include "library/BankHistory.h"
#include "library/BankTableModel.h"
#include "support/DemoPatches.h"

#include <QUndoStack>
#include <gtest/gtest.h>

#include <iostream>

using namespace velmora;
using namespace velmora::library;

namespace {

struct HistoryRig
{
    SynthRecords records;
    TransferFlags flags;
    BankTableModel bankCells{BankTableModel::Table::Patches, records};
    BankTableModel splitCells{BankTableModel::Table::Splits, records};
    QString caption = QStringLiteral("Bank Manager");
    int shown = 0;
    BankHistory history{{.records = records,
                         .flags = flags,
                         .bankCells = bankCells,
                         .splitCells = splitCells,
                         .caption = [this] { return caption; },
                         .setCaption = [this](const QString& text) { caption = text; },
                         .shown = [this] { ++shown; }}};

    // A paste as the window makes it: the bytes and the cell's name.
    void paste(const PatchRecord& clipboard, int entry)
    {
        history.record(QStringLiteral("Paste"), [&] {
            pastePatch(clipboard, records.bank, entry);
            bankCells.setFilled(entry);
            flags.bankLoaded = true;
        });
    }
};

PatchRecord clipboardOf(std::uint32_t seed)
{
    PatchRecord clipboard{};
    const PatchBuffer patch = demo::demoPatch(seed);
    std::copy(patch.begin(), patch.begin() + clipboard.size(), clipboard.begin());
    return clipboard;
}

} // namespace

TEST(BankHistory, AThousandPastesKeepOnlyWhatChanged)
{
    HistoryRig rig;
    rig.records.bank[0][134] = 0x5A; // the further byte stays through everything
    for (int n = 0; n <= BankHistory::kStepLimit; ++n)
        rig.paste(clipboardOf(static_cast<std::uint32_t>(n)), n % 100);
    const BankEntries last = rig.records.bank;
    QUndoStack& stack = rig.history.stack();
    ASSERT_EQ(stack.count(), BankHistory::kStepLimit); // the oldest went

    const std::size_t kept = rig.history.footprint();
    const std::size_t wholeBanks = std::size_t(BankHistory::kStepLimit) * 2 * sizeof(BankEntries);
    std::cout << "[ memory   ] " << BankHistory::kStepLimit << " paste steps keep " << kept
              << " bytes (" << kept / std::size_t(BankHistory::kStepLimit)
              << " a step); a bank before and after each would take " << wholeBanks << '\n';
    EXPECT_LT(kept, wholeBanks / 20);

    // All undone: the bank as the first paste, which is no longer kept, left it.
    while (stack.canUndo())
        rig.history.undo();
    PatchBuffer first{};
    const PatchRecord firstPaste = clipboardOf(0);
    std::copy(firstPaste.begin(), firstPaste.end(), first.begin());
    first[134] = 0x5A;
    EXPECT_EQ(rig.records.bank[0], first);
    EXPECT_EQ(rig.records.bank[1], PatchBuffer{});
    EXPECT_FALSE(rig.bankCells.isFilled(1));
    EXPECT_TRUE(rig.bankCells.isFilled(0));
    while (stack.canRedo())
        rig.history.redo();
    EXPECT_EQ(rig.records.bank, last);
    EXPECT_EQ(rig.shown, 2 * BankHistory::kStepLimit);
}

TEST(BankHistory, StepsJoinWhileOpenAndNeedAChange)
{
    HistoryRig rig;
    QUndoStack& stack = rig.history.stack();
    // Nothing changed: no step.
    rig.history.record(QStringLiteral("Open Bank"), [] {});
    EXPECT_EQ(stack.count(), 0);

    // A command that runs another is one step under the outer name; undo
    // waits until it is over.
    rig.history.begin(QStringLiteral("Download Bank"));
    rig.paste(clipboardOf(1), 4);
    rig.records.splits[7][3] = 0x7F;
    rig.splitCells.setFilled(7);
    rig.caption = QStringLiteral("x.syx - Bank Manager");
    rig.history.undo();
    EXPECT_EQ(rig.records.splits[7][3], 0x7F);
    rig.history.end();
    ASSERT_EQ(stack.count(), 1);
    EXPECT_EQ(stack.undoText(), "Download Bank");

    rig.history.undo();
    EXPECT_EQ(rig.records.bank[4], PatchBuffer{});
    EXPECT_EQ(rig.records.splits[7], SplitRecord{});
    EXPECT_FALSE(rig.splitCells.isFilled(7));
    EXPECT_FALSE(rig.flags.bankLoaded);
    EXPECT_EQ(rig.caption, "Bank Manager");
    rig.history.redo();
    EXPECT_EQ(rig.records.splits[7][3], 0x7F);
    EXPECT_TRUE(rig.bankCells.isFilled(4));
    EXPECT_EQ(rig.caption, "x.syx - Bank Manager");
}
