// Edit > Undo in the real main window, over JACK, with velmora-instrument as
// the instrument: the patch Undo puts back reaches the instrument whole, and
// a Download afterwards finds it there byte for byte. On a Matrix-1000 the
// step undone is a Randomize (the patch goes to the edit buffer); on a
// Matrix-6 a bus amount moved on its slider (the patch goes to slot 99, then
// the program change to it). The instrument's --verbose log tells what it
// took. Skipped when no JACK server runs.
#include "app/NumberDialog.h"
#include "e2e/WindowOnInstrument.h"
#include "protocol/SysexCodec.h"

#include <QAbstractSlider>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <sstream>

using namespace velmora;
using namespace velmora::test;

namespace {

using Message = std::vector<Byte>;

constexpr Byte kWorkingSlot = 99;

class UndoJack : public WindowOnInstrument
{
protected:
    void start(SynthModel model)
    {
        model_ = model;
        startWindow("Velmora Undo", {"--verbose"}, model);
    }

    void TearDown() override
    {
        // The one message a lost JACK cycle may bring; the download then
        // asked again.
        for (const std::string& text : told_)
            EXPECT_EQ(text.rfind("The instrument did not answer the patch request.", 0), 0u)
                << "the window said: " << text;
        stopWindow();
    }

    void trigger(const char* name) { child<QAction>(*window_, name)->trigger(); }

    PatchRecord current() const
    {
        PatchRecord record{};
        std::ranges::copy(recordOf(window_->records().currentPatch), record.begin());
        return record;
    }

    // File > Download; on a Matrix-6 the dialog is answered with `number`.
    // Asked again when a JACK cycle lost the request or the answer.
    bool download(int number)
    {
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (model_ == SynthModel::Matrix6)
                whenShown<NumberDialog>(
                    [number](NumberDialog& dialog) {
                        auto* edit = child<QSpinBox>(dialog, "SpinEdit1");
                        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
                        QTest::keyClicks(edit, QString::number(number));
                        QTest::mouseClick(button<QPushButton>(dialog, "&OK"), Qt::LeftButton);
                    },
                    window_.get());
            trigger("aDownload");
            if (pumpUntil([this] { return window_->transfer().flags().patchLoaded; }, 5s)) {
                settle();
                return true;
            }
        }
        return false;
    }

    // Runs the event loop until the pacer has sent everything and the
    // instrument has been quiet for a second (or 30 s went by); the messages
    // it took meanwhile.
    std::vector<Message> settle()
    {
        pumpUntil([this] { return window_->pacer().idle(); }, 10s);
        return takenUntilQuiet(*instrument_);
    }

    // The last whole patch among `taken` that the instrument plays from: its
    // edit buffer on a Matrix-1000; slot 99 on a Matrix-6, once the program
    // change to it followed.
    std::optional<PatchRecord> lastPlayedPatch(const std::vector<Message>& taken) const
    {
        std::optional<PatchRecord> last;
        for (std::size_t k = 0; k < taken.size(); ++k) {
            const Message& m = taken[k];
            if (m.size() != kPatchMessageSize)
                continue;
            const bool played = model_ == SynthModel::Matrix1000
                                    ? m[3] == 0x0D
                                    : m[3] == 0x01 && m[4] == kWorkingSlot &&
                                          k + 1 < taken.size() &&
                                          taken[k + 1] == Message{0xC0, kWorkingSlot};
            PatchRecord record{};
            if (played && unpackBlock(m, record) == UnpackStatus::Ok)
                last = record;
        }
        return last;
    }

    // Edit > Undo of the step just made, until the instrument took the patch
    // before it: a JACK cycle missed on a busy machine loses that cycle's
    // MIDI, so the step is redone and undone again then.
    void undoUntilTaken(const PatchRecord& before)
    {
        std::optional<PatchRecord> taken;
        for (int attempt = 0; attempt < 3 && taken != before; ++attempt) {
            if (attempt > 0) {
                trigger("aRedo");
                settle();
            }
            trigger("aUndo");
            taken = lastPlayedPatch(settle());
        }
        EXPECT_EQ(current(), before);
        ASSERT_TRUE(taken) << "the instrument took no whole patch after Undo";
        EXPECT_EQ(*taken, before);
    }

    SynthModel model_ = SynthModel::Matrix1000;
};

TEST_F(UndoJack, UndoOfRandomizePutsTheDownloadedPatchBackInTheMatrix1000)
{
    VELMORA_SKIP_WITHOUT_JACK();
    start(SynthModel::Matrix1000);
    ASSERT_TRUE(download(0));
    const PatchRecord downloaded = current();

    trigger("aRandom");
    const auto randomized = lastPlayedPatch(settle());
    ASSERT_NE(current(), downloaded);
    EXPECT_EQ(randomized, current());

    undoUntilTaken(downloaded);
    // What the instrument holds now, asked for again.
    ASSERT_TRUE(download(0));
    EXPECT_EQ(current(), downloaded);
}

TEST_F(UndoJack, UndoOfABusAmountPutsThePatchBackInSlot99OfTheMatrix6)
{
    VELMORA_SKIP_WITHOUT_JACK();
    start(SynthModel::Matrix6);
    ASSERT_TRUE(download(5)); // and the window puts it in slot 99
    auto* amount = child<QAbstractSlider>(*window_, "tbBUS1amount");
    if (!amount->isEnabled()) {
        // A bus amount needs its bus on.
        QMetaObject::invokeMethod(child<QWidget>(*window_, "cbBUS1enabled"), "click");
        settle();
    }
    ASSERT_TRUE(amount->isEnabled());
    const PatchRecord before = current();

    amount->setValue(amount->value() == 20 ? 30 : 20);
    const auto moved = lastPlayedPatch(settle());
    ASSERT_NE(current(), before);
    EXPECT_EQ(moved, current());

    undoUntilTaken(before);
    // Slot 99 as the instrument holds it now.
    ASSERT_TRUE(download(kWorkingSlot));
    EXPECT_EQ(current(), before);
}

} // namespace
