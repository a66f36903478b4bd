// Setup > Global Settings in the real main window, over JACK, with
// velmora-instrument as a Matrix-1000 that holds a record shaped like the
// factory record captured from a real unit (its plain sum is 19 hex, where
// the end-around sum would give 18). The window reads it, one edit goes out
// as one global dump, and the unknown bytes come back as they were. The
// instrument's --verbose log tells what it took. Skipped when no JACK server
// runs.
#include "e2e/WindowOnInstrument.h"
#include "globals/GlobalSettingsWindow.h"
#include "protocol/Messages.h"
#include "protocol/SysexCodec.h"
#include "support/CapturedGlobal.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include <sstream>

using namespace velmora;
using namespace velmora::test;

namespace {

using Message = std::vector<Byte>;

class GlobalSettingsJack : public WindowOnInstrument
{
protected:
    void SetUp() override
    {
        if (!jackServerRuns())
            return;
        startWindow("Velmora Globals", {"--verbose"});
        ASSERT_FALSE(HasFatalFailure());
        settle();
        globals_ = window_->findChild<globals::GlobalSettingsWindow*>();
        ASSERT_NE(globals_, nullptr);
    }

    void TearDown() override
    {
        for (const std::string& text : told_)
            ADD_FAILURE() << "the window said: " << text;
        stopWindow();
    }

    // Runs the event loop until the window is done and the instrument has
    // been quiet for a second; the messages it took meanwhile.
    std::vector<Message> settle()
    {
        pumpUntil([this] { return globals_ == nullptr || !globals_->working(); }, 10s);
        pumpUntil([this] { return window_->pacer().idle(); }, 10s);
        return takenUntilQuiet(*instrument_);
    }

    // Puts the captured record into the instrument as a global write and
    // opens Setup > Global Settings, which reads it. Asked again when a JACK
    // cycle lost a message on a busy machine.
    bool readCapture()
    {
        for (int attempt = 0; attempt < 3; ++attempt) {
            window_->pacer().sendLong(globalData(test::capturedFactoryGlobal()));
            settle();
            child<QAction>(*window_, "aGlobalSettings")->trigger();
            settle();
            if (globals_->record() == test::capturedFactoryGlobal())
                return true;
        }
        return false;
    }

    QString status() const { return child<QLabel>(*globals_, "lblGlobalStatus")->text(); }

    globals::GlobalSettingsWindow* globals_ = nullptr;
};

TEST_F(GlobalSettingsJack, ARealShapedMatrix1000GlobalDumpIsAccepted)
{
    VELMORA_SKIP_WITHOUT_JACK();
    // Only the plain sum tells this record apart.
    const Message dump = globalData(test::capturedFactoryGlobal());
    ASSERT_EQ(dump[dump.size() - 2], 0x19);
    ASSERT_EQ(globalChecksum(test::capturedFactoryGlobal()), 0x18);

    ASSERT_TRUE(readCapture()) << status().toStdString();
    EXPECT_TRUE(status().startsWith("Read from the instrument")) << status().toStdString();
    // The main window keeps it too.
    const globals::Global1000 capture = test::capturedFactoryGlobal();
    EXPECT_TRUE(std::equal(capture.begin(), capture.end(), window_->records().global.begin()));
    EXPECT_EQ(child<QSlider>(*globals_, "tbVibratoSpeed")->value(), 40);
    EXPECT_EQ(child<QSlider>(*globals_, "tbBendRange")->value(), 2);
    EXPECT_EQ(child<QSlider>(*window_, "tbBEND")->value(), 2);
}

TEST_F(GlobalSettingsJack, AGlobalEditRoundTripBringsTheUnknownBytesBackUnchanged)
{
    VELMORA_SKIP_WITHOUT_JACK();
    ASSERT_TRUE(readCapture()) << status().toStdString();

    auto* amplitude = child<QSlider>(*globals_, "tbVibratoAmplitude");
    amplitude->setSliderDown(true);
    for (int v = 1; v <= 20; ++v)
        amplitude->setSliderPosition(v);
    amplitude->setSliderDown(false);
    const std::vector<Message> taken = settle();

    std::vector<Message> writes;
    for (const Message& m : taken)
        if (m.size() > 4 && m[3] == opcode::masterData)
            writes.push_back(m);
    ASSERT_EQ(writes.size(), 1u);
    globals::Global1000 sent{};
    ASSERT_EQ(unpackBlock(writes[0], sent), UnpackStatus::Ok);
    globals::Global1000 expected = test::capturedFactoryGlobal();
    expected[5] = 20;
    EXPECT_EQ(sent, expected);
    EXPECT_EQ(taken.back(), request(RequestType::Global));
    EXPECT_EQ(status(), "The global settings verified: the instrument holds them as sent.");

    // Read again: every byte as sent, the unknown ones as the unit had them.
    child<QPushButton>(*globals_, "btnRead")->click();
    settle();
    EXPECT_EQ(globals_->record(), expected);
    for (std::size_t unknown : {0, 9, 10, 15, 16, 21, 23, 27, 28, 31, 33, 161, 162, 163})
        EXPECT_EQ(globals_->record()[unknown], test::capturedFactoryGlobal()[unknown])
            << "byte " << unknown;
}

} // namespace
