// Edit > Undo and Redo in the main window, against the virtual instrument: a
// drag is one step, every step comes back byte for byte (odd bytes of a real
// dump included), the instrument gets the patch put back, the menu names the
// step, and Randomize Again replaces the last draw in one step.
#include "app/WindowRig.h"
#include "library/BankManagerWindow.h"
#include "library/MergeDialog.h"
#include "library/MutateSettingsDialog.h"
#include "support/DemoPatches.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace velmora::test {
namespace {

// The sound of a patch: its record without the name, which a Matrix-1000
// does not keep.
template <typename Patch> PatchRecord soundIn(const Patch& patch)
{
    PatchRecord record{};
    std::copy_n(patch.begin() + kPatchNameLength, record.size() - kPatchNameLength,
                record.begin() + kPatchNameLength);
    return record;
}

struct HistoryRig : WindowRig
{
    HistoryRig()
    {
        EXPECT_TRUE(window->startUp());
        action("aInit")->trigger();
        EXPECT_TRUE(waitFor([&] { return window->pacer().idle(); }));
    }
    PatchBuffer patch() const { return window->records().currentPatch; }
    // The sound in the instrument's edit buffer once everything sent has
    // arrived.
    PatchRecord editBuffer()
    {
        EXPECT_TRUE(waitFor([&] { return window->pacer().idle(); }));
        PatchRecord buffer{};
        backend->withInstrument([&](VirtualInstrument& i) { buffer = i.editBuffer(); });
        return soundIn(buffer);
    }
    void undo() { action("aUndo")->trigger(); }
    QString undoText() const { return action("aUndo")->text(); }
};

TEST(History, AControlDraggedIsOneStepUndoneAndRedoneOnTheInstrument)
{
    ProgramFolder folder;
    HistoryRig rig;
    const PatchBuffer initial = rig.patch();
    auto* cutoff = rig.window->findChild<QScrollBar*>("sbVCFfreq");
    const int shown = cutoff->value();
    cutoff->setSliderDown(true);
    for (int v = 10; v < 40; ++v)
        cutoff->setSliderPosition(v);
    cutoff->setSliderDown(false);
    const PatchBuffer dragged = rig.patch();
    ASSERT_NE(dragged, initial);
    EXPECT_EQ(rig.undoText(), "Undo VCF Cutoff Frequency");

    rig.undo();
    EXPECT_EQ(rig.patch(), initial);
    EXPECT_EQ(rig.undoText(), "Undo Initialize");
    EXPECT_EQ(rig.action("aRedo")->text(), "Redo VCF Cutoff Frequency");
    // The page shows the patch put back, and so does the instrument.
    EXPECT_EQ(cutoff->value(), shown);
    EXPECT_EQ(rig.editBuffer(), soundIn(initial));
    rig.action("aRedo")->trigger();
    EXPECT_EQ(rig.patch(), dragged);
    EXPECT_EQ(rig.editBuffer(), soundIn(dragged));
}

TEST(History, DownloadsDrawsAndBankEntriesComeBackByteForByte)
{
    ProgramFolder folder;
    HistoryRig rig;
    const PatchBuffer initial = rig.patch();
    // A dump as untidy as real ones: bytes outside what the controls can show
    // (a Matrix-1000 sends its placeholder for the name).
    PatchRecord odd{'O', 'd', 'd', 0x01, 0x7F, '~', ' ', 0x1F};
    for (const auto& [offset, value] : std::initializer_list<std::pair<std::size_t, Byte>>{
             {13, 0x83}, {19, 40}, {25, 7}, {26, 200}, {77, 90}, {86, 100}, {114, 0xC0}})
        odd[offset] = value;
    rig.backend->withInstrument([&](VirtualInstrument& i) { i.setPatch(0, 7, odd); });
    rig.window->parameterSender().sendProgramChange(7);
    rig.action("aDownload")->trigger();
    ASSERT_TRUE(rig.waitFor([&] { return soundIn(rig.patch()) == soundIn(odd); }));
    const PatchBuffer received = rig.patch();
    EXPECT_EQ(rig.undoText(), "Undo Download");

    rig.action("aRandom")->trigger();
    const PatchBuffer drawn = rig.patch();
    EXPECT_EQ(rig.undoText(), "Undo Randomize");
    rig.undo();
    EXPECT_EQ(rig.patch(), received);
    EXPECT_EQ(rig.editBuffer(), soundIn(odd));
    rig.action("aRedo")->trigger();
    EXPECT_EQ(rig.patch(), drawn);

    // Compare taken back switches Compare back too: the next Compare shows
    // the downloaded patch again rather than the drawn one.
    rig.action("aCompare")->trigger();
    const PatchBuffer compared = rig.patch();
    ASSERT_NE(compared, drawn);
    rig.undo();
    EXPECT_EQ(rig.patch(), drawn);
    rig.action("aCompare")->trigger();
    EXPECT_EQ(rig.patch(), compared);

    // A double click on a bank entry puts it in the editor.
    rig.window->records().bank[5] = demo::demoPatch(5);
    rig.action("aBankManager")->trigger();
    auto* grid =
        child<QTableView>(*child<library::BankManagerWindow>(*rig.window, "frmBank"), "gridBANK");
    const QPoint entry = grid->visualRect(grid->model()->index(5, 0)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, entry);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, entry);
    ASSERT_EQ(rig.patch(), demo::demoPatch(5));
    EXPECT_EQ(rig.undoText(), "Undo Bank to Editor");

    for (int step = 0; step < 4; ++step)
        rig.undo();
    EXPECT_EQ(rig.patch(), initial);
    EXPECT_EQ(rig.editBuffer(), soundIn(initial));
}

TEST(History, RandomizeAgainReplacesTheLastDrawInOneStep)
{
    ProgramFolder folder;
    HistoryRig rig;
    QAction* again = rig.action("aRandomizeAgain");
    EXPECT_FALSE(again->isEnabled());
    const PatchBuffer initial = rig.patch();
    rig.action("aRandom")->trigger();
    const PatchBuffer first = rig.patch();
    ASSERT_TRUE(again->isEnabled());
    again->trigger();
    EXPECT_NE(rig.patch(), first);
    EXPECT_EQ(rig.editBuffer(), soundIn(rig.patch()));
    EXPECT_EQ(rig.undoText(), "Undo Randomize");
    EXPECT_FALSE(rig.action("aRedo")->isEnabled());
    rig.undo();
    EXPECT_EQ(rig.patch(), initial);

    // After an edit there is no draw to replace.
    rig.action("aRandom")->trigger();
    rig.window->findChild<QScrollBar*>("sbVCFfreq")->setValue(5);
    EXPECT_FALSE(again->isEnabled());
}

// Edit > Merge... through its dialog: a bank entry chosen, the amount at the
// far end, the patch takes the entry's values and keeps its name, the
// instrument gets it, and Undo puts the patch back. Locked groups survive a
// Randomize chosen from the menu, set in the Mutate setup and kept in the
// settings file.
TEST(History, MergeAndLockedGroupsAreStepsOfTheirOwn)
{
    ProgramFolder folder;
    {
        HistoryRig rig;
        const PatchBuffer before = rig.patch();
        PatchBuffer entry = before;
        for (std::size_t offset = 8; offset < 104; ++offset)
            entry[offset] = static_cast<Byte>(offset % 32);
        rig.window->records().bank[7] = entry;
        whenShown<library::MergeDialog>([](library::MergeDialog& dialog) {
            child<QComboBox>(dialog, "cbxMergeWith")->setCurrentIndex(7);
            child<QSlider>(dialog, "tbMergeAmount")->setValue(100);
            EXPECT_EQ(child<QLabel>(dialog, "lblMergeAmount")->text(), "100 %");
            QTest::mouseClick(child<QPushButton>(dialog, "btnMerge"), Qt::LeftButton);
        });
        rig.action("aMerge")->trigger();
        const PatchBuffer merged = rig.patch();
        EXPECT_TRUE(std::equal(before.begin(), before.begin() + 8, merged.begin()));
        EXPECT_TRUE(std::equal(entry.begin() + 8, entry.begin() + 104, merged.begin() + 8));
        EXPECT_EQ(rig.editBuffer(), soundIn(merged));
        EXPECT_EQ(rig.undoText(), "Undo Merge");
        rig.undo();
        EXPECT_EQ(rig.patch(), before);

        whenShown<library::MutateSettingsDialog>([](library::MutateSettingsDialog& dialog) {
            QTest::mouseClick(child<QCheckBox>(dialog, "cbLock5"), Qt::LeftButton);
            QTest::mouseClick(button(dialog, "&OK"), Qt::LeftButton);
        });
        rig.action("aSetMutator")->trigger();
        for (int draw = 0; draw < 3; ++draw) {
            const PatchBuffer kept = rig.patch();
            rig.action("aRandom")->trigger();
            for (std::size_t offset = 0; offset < kPatchRecordSize; ++offset)
                if (library::lockGroupOf(offset) == 4u) { // the envelopes
                    EXPECT_EQ(rig.patch()[offset], kept[offset]) << offset;
                }
        }
        rig.window->close();
    }
    std::ifstream ini(folder.dir().path("velmora.ini"));
    const std::string text((std::istreambuf_iterator<char>(ini)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("Lock5=1"), std::string::npos);
}

} // namespace
} // namespace velmora::test
