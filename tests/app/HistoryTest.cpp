// Edit > Undo and Redo in the main window, against the virtual instrument: a
// drag is one step, every step comes back byte for byte (odd bytes of a real
// dump included), the instrument gets the patch put back, the menu names the
// step, and Randomize Again replaces the last draw in one step.
#include "app/WindowRig.h"

#include <QAction>
#include <QScrollBar>
#include <QSlider>
#include <gtest/gtest.h>

namespace velmora::test {
namespace {

// A dump as untidy as real ones: a control character in the name and bytes
// outside what the controls can show.
PatchRecord oddPatch()
{
    PatchRecord record{};
    const Byte name[] = {'O', 'd', 'd', 0x01, 0x7F, '~', ' ', 0x1F};
    std::copy(std::begin(name), std::end(name), record.begin());
    for (const auto& [offset, value] : {std::pair<std::size_t, Byte>{13, 0x83},
                                        {19, 40},
                                        {25, 7},
                                        {26, 200},
                                        {77, 90},
                                        {86, 100},
                                        {108, 12},
                                        {114, 0xC0}})
        record[offset] = value;
    return record;
}

PatchRecord recordIn(const PatchBuffer& patch)
{
    PatchRecord record{};
    std::copy_n(patch.begin(), record.size(), record.begin());
    return record;
}

struct HistoryRig : WindowRig
{
    HistoryRig()
    {
        EXPECT_TRUE(window->startUp());
        action("aInit")->trigger();
        settle();
    }
    PatchBuffer patch() const { return window->records().currentPatch; }
    void settle()
    {
        EXPECT_TRUE(waitFor([&] { return window->pacer().idle(); }));
    }
    // The instrument's edit buffer once everything sent has arrived.
    PatchRecord editBuffer()
    {
        settle();
        PatchRecord buffer{};
        backend->withInstrument([&](VirtualInstrument& i) { buffer = i.editBuffer(); });
        return buffer;
    }
    void download(const PatchRecord& record)
    {
        backend->withInstrument([&](VirtualInstrument& i) { i.setPatch(0, 7, record); });
        window->parameterSender().sendProgramChange(7);
        const PatchBuffer before = patch();
        action("aDownload")->trigger();
        ASSERT_TRUE(waitFor([&] { return patch() != before; }));
    }
    QString undoText() const { return action("aUndo")->text(); }
    QString redoText() const { return action("aRedo")->text(); }
};

TEST(History, AControlDraggedIsOneStepUndoneAndRedoneOnTheInstrument)
{
    ProgramFolder folder;
    HistoryRig rig;
    const PatchBuffer initial = rig.patch();
    EXPECT_EQ(rig.undoText(), "Undo Initialize");

    auto* cutoff = rig.window->findChild<QScrollBar*>("sbVCFfreq");
    const int shown = cutoff->value();
    cutoff->setSliderDown(true);
    for (int v = 10; v < 40; ++v)
        cutoff->setSliderPosition(v);
    cutoff->setSliderDown(false);
    const PatchBuffer dragged = rig.patch();
    ASSERT_NE(dragged, initial);
    EXPECT_EQ(rig.undoText(), "Undo VCF Cutoff Frequency");

    // A slider's held arrow key: one more step, named after it.
    auto* amount = rig.window->findChild<QSlider*>("tbDCO1freqlfo1");
    for (int i = 0; i < 5; ++i)
        amount->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(rig.undoText(), "Undo DCO 1 Frequency by LFO 1");

    rig.action("aUndo")->trigger();
    EXPECT_EQ(rig.patch(), dragged);
    rig.action("aUndo")->trigger();
    EXPECT_EQ(rig.patch(), initial);
    EXPECT_EQ(rig.undoText(), "Undo Initialize");
    EXPECT_EQ(rig.redoText(), "Redo VCF Cutoff Frequency");
    // The page shows the patch put back, and so does the instrument.
    EXPECT_EQ(rig.editBuffer(), recordIn(initial));
    EXPECT_EQ(cutoff->value(), shown);

    rig.action("aRedo")->trigger();
    EXPECT_EQ(rig.patch(), dragged);
    EXPECT_EQ(rig.editBuffer(), recordIn(dragged));
    // An edit after an undo starts a step of its own and ends the redo.
    rig.action("aUndo")->trigger();
    cutoff->setValue(cutoff->value() + 1);
    EXPECT_FALSE(rig.action("aRedo")->isEnabled());
    rig.action("aUndo")->trigger();
    EXPECT_EQ(rig.patch(), initial);
}

TEST(History, DownloadsAndDrawsComeBackByteForByte)
{
    ProgramFolder folder;
    HistoryRig rig;
    const PatchBuffer initial = rig.patch();
    const PatchRecord odd = oddPatch();
    rig.download(odd);
    const PatchBuffer received = rig.patch();
    ASSERT_TRUE(std::equal(odd.begin(), odd.end(), received.begin()));
    EXPECT_EQ(rig.undoText(), "Undo Download");

    rig.action("aRandom")->trigger();
    const PatchBuffer drawn = rig.patch();
    ASSERT_NE(drawn, received);
    EXPECT_EQ(rig.undoText(), "Undo Randomize");
    rig.action("aUndo")->trigger();
    EXPECT_EQ(rig.patch(), received);
    EXPECT_EQ(rig.editBuffer(), odd);
    rig.action("aRedo")->trigger();
    EXPECT_EQ(rig.patch(), drawn);

    // Compare taken back switches Compare back as well: the next Compare
    // shows the downloaded patch again rather than the drawn one.
    rig.action("aCompare")->trigger();
    const PatchBuffer compared = rig.patch();
    ASSERT_NE(compared, drawn);
    EXPECT_EQ(rig.undoText(), "Undo Compare");
    rig.action("aUndo")->trigger();
    EXPECT_EQ(rig.patch(), drawn);
    rig.action("aCompare")->trigger();
    EXPECT_EQ(rig.patch(), compared);
    rig.action("aUndo")->trigger();

    rig.action("aUndo")->trigger();
    rig.action("aUndo")->trigger();
    EXPECT_EQ(rig.patch(), initial);
    EXPECT_EQ(rig.editBuffer(), recordIn(initial));
    EXPECT_EQ(rig.redoText(), "Redo Download");
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
    const PatchBuffer second = rig.patch();
    EXPECT_NE(second, first);
    EXPECT_EQ(rig.editBuffer(), recordIn(second));
    EXPECT_EQ(rig.undoText(), "Undo Randomize");
    EXPECT_FALSE(rig.action("aRedo")->isEnabled());
    rig.action("aUndo")->trigger();
    EXPECT_EQ(rig.patch(), initial);
    EXPECT_EQ(rig.undoText(), "Undo Initialize");

    // Mutate draws again as Mutate; an edit after it leaves nothing to redraw.
    rig.action("aMutate")->trigger();
    if (rig.patch() != initial) {
        EXPECT_TRUE(again->isEnabled());
        again->trigger();
        EXPECT_EQ(rig.undoText(), "Undo Mutate");
    }
    rig.window->findChild<QScrollBar*>("sbVCFfreq")->setValue(5);
    EXPECT_FALSE(again->isEnabled());
}

} // namespace
} // namespace velmora::test
