// Checked uploads in the real main window, over JACK, with velmora-instrument
// as the instrument: File > Upload reads the stored patch back and says
// whether the instrument holds it. A store the instrument misses
// (--drop-store) and memory protect switched on by a global write are both
// caught and named. And live edits of the parameters stock firmware misses
// reach an instrument that misses them (--edits 1.11). Skipped when no JACK
// server runs.
#include "app/NumberDialog.h"
#include "e2e/WindowOnInstrument.h"
#include "protocol/Messages.h"
#include "protocol/SysexCodec.h"

#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>

using namespace velmora;
using namespace velmora::test;

namespace {

constexpr std::size_t kMemoryProtect = 171;

class CheckedUploadJack : public WindowOnInstrument
{
protected:
    // The instrument with `options` and the main window on its ports.
    void start(const std::vector<std::string>& options)
    {
        startWindow("Velmora Check", options);
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_TRUE(pumpUntil([this] { return window_->transfer().flags().globalReceived; }, 10s));
        child<QAction>(*window_, "aInit")->trigger();
    }

    // File > Upload to `number` with a patch of its own; what the check
    // said: a message box's text, or else the status line.
    QString upload(int number)
    {
        window_->records().currentPatch[20] = static_cast<Byte>(number & 0x3F);
        whenShown<NumberDialog>(
            [number](NumberDialog& dialog) {
                auto* edit = child<QSpinBox>(dialog, "SpinEdit1");
                QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
                QTest::keyClicks(edit, QString::number(number));
                QTest::mouseClick(button<QPushButton>(dialog, "&OK"), Qt::LeftButton);
            },
            window_.get());
        told_.clear();
        window_->statusBar()->clearMessage();
        child<QAction>(*window_, "aUpload")->trigger();
        pumpUntil([this] { return !told_.empty(); }, 500ms);
        return told_.empty() ? window_->statusBar()->currentMessage()
                             : QString::fromStdString(told_.front());
    }
};

TEST_F(CheckedUploadJack, CatchesADroppedStoreAndMemoryProtectAndSaysSo)
{
    VELMORA_SKIP_WITHOUT_JACK();
    start({"--drop-store", "1"}); // the second store received is missed
    EXPECT_EQ(upload(110), "Patch 110 verified: the instrument holds it as sent.");

    const QString dropped = upload(111);
    EXPECT_TRUE(dropped.startsWith("Patch 111 is not held as sent: the instrument gave back "
                                   "something else."))
        << dropped.toStdString();
    EXPECT_TRUE(dropped.contains("Messages were lost on the way to the instrument"))
        << dropped.toStdString();

    // Memory protect on, written as the instrument's own global record.
    std::array<Byte, kGlobal1000Size> global{};
    std::copy_n(window_->records().global.begin(), kGlobal1000Size, global.begin());
    global[kMemoryProtect] = 1;
    window_->pacer().sendLong(blockMessage(opcode::masterData, 0x03, global));
    const QString protectedText = upload(112);
    EXPECT_TRUE(protectedText.startsWith("Patch 112 is not held as sent"))
        << protectedText.toStdString();
    EXPECT_TRUE(protectedText.contains("Memory protect is on in the instrument, so it ignored"))
        << protectedText.toStdString();

    // Off again: stores take again.
    global[kMemoryProtect] = 0;
    window_->pacer().sendLong(blockMessage(opcode::masterData, 0x03, global));
    EXPECT_EQ(upload(113), "Patch 113 verified: the instrument holds it as sent.");
}

// Envelope 1 sustain and VCA 2 by Envelope 2 dragged on a Matrix-1000 that
// takes parameter edits as stock 1.11 does: no parameter edit of either goes
// out, and the edit buffer, asked for afterwards, holds what the screen shows.
TEST_F(CheckedUploadJack, DragsOfParametersStockFirmwareMissesReachItWhole)
{
    VELMORA_SKIP_WITHOUT_JACK();
    start({"--edits", "1.11", "--verbose"});
    ASSERT_TRUE(pumpUntil([this] { return window_->pacer().idle(); }, 10s));

    // Each drag on its own, a step every 5 ms, and then what the instrument
    // took, from its --verbose lines, until it is quiet.
    const auto drag = [this](QAbstractSlider* control, int from, int to) {
        control->setSliderDown(true);
        for (int v = from; v != to; v += from < to ? 1 : -1) {
            control->setSliderPosition(v);
            pumpUntil([] { return false; }, 5ms);
        }
        control->setSliderDown(false);
        ASSERT_TRUE(pumpUntil([this] { return window_->pacer().idle(); }, 10s));
        std::size_t patches = 0;
        for (const auto& m : takenUntilQuiet(*instrument_)) {
            const bool edit = m.size() > 4 && m[3] == 0x06;
            EXPECT_FALSE(edit && m[4] == 53) << "parameter 53 went as an edit";
            EXPECT_FALSE(edit && m[4] == 29) << "parameter 29 went as an edit";
            patches += m.size() > 3 && m[3] == 0x0D ? 1 : 0;
        }
        EXPECT_GE(patches, 1u);
    };
    auto* sustain = child<QScrollBar>(*window_, "sbENV1sustain");
    drag(sustain, sustain->minimum(), sustain->maximum() - 10);
    drag(child<QSlider>(*window_, "tbVCA2env"), 30, -40);
    PatchRecord screen{};
    std::ranges::copy(recordOf(window_->records().currentPatch), screen.begin());

    // The edit buffer as the instrument holds it, downloaded (asked again if
    // a lost JACK cycle took the request or the answer).
    bool downloaded = false;
    for (int attempt = 0; attempt < 3 && !downloaded; ++attempt) {
        child<QAction>(*window_, "aDownload")->trigger();
        downloaded = pumpUntil([this] { return window_->transfer().flags().patchLoaded; }, 5s);
    }
    ASSERT_TRUE(downloaded);
    PatchRecord held{};
    std::ranges::copy(recordOf(window_->records().currentPatch), held.begin());
    // The name bytes are the instrument's own placeholder.
    EXPECT_TRUE(std::equal(screen.begin() + kPatchNameLength, screen.end(),
                           held.begin() + kPatchNameLength));
    EXPECT_EQ(held[53], screen[53]);
    EXPECT_EQ(held[93], screen[93]);
}

} // namespace
