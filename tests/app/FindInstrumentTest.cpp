// Setup > Find Instrument and the start-up model check, through the window
// over the built-in virtual instrument of either model.
#include "app/WindowRig.h"

#include <QAction>
#include <QLabel>
#include <QMessageBox>
#include <gtest/gtest.h>

using namespace velmora;

namespace {

// Runs Find Instrument; the message it shows is answered with `button` and
// its text returned. With VELMORA_SHOT_DIR set, the message is also drawn
// there as `shot` (for the documentation).
QString findInstrument(test::WindowRig& rig, QMessageBox::StandardButton button,
                       const char* shot = nullptr)
{
    QString text;
    test::whenShown<QMessageBox>([&](QMessageBox& box) {
        text = box.text();
        const QString folder = qEnvironmentVariable("VELMORA_SHOT_DIR");
        if (shot != nullptr && !folder.isEmpty()) {
            EXPECT_TRUE(box.grab().save(folder + u'/' + QLatin1String(shot)));
        }
        box.button(button)->click();
    });
    rig.action("aFindInstrument")->trigger();
    return text;
}

QLabel* mismatchLine(test::WindowRig& rig)
{
    return rig.window->findChild<QLabel*>("lblModelMismatch");
}

} // namespace

TEST(FindInstrument, FindsAMatrix1000AndOffersItsChannel)
{
    test::ProgramFolder folder;
    test::WindowRig rig;
    ASSERT_TRUE(rig.window->startUp());
    // The model set is the one answering: no line about it.
    ASSERT_TRUE(rig.waitFor([&] { return rig.window->transfer().flags().globalReceived; }));
    EXPECT_EQ(mismatchLine(rig), nullptr);

    EXPECT_EQ(findInstrument(rig, QMessageBox::Ok),
              "Found a Matrix-1000 on MIDI channel 1 (device inquiry reply bytes 01 02 00 00). "
              "Velmora is already set up for it.");

    // Another channel: the settings may follow it, or not.
    rig.backend->withInstrument([](VirtualInstrument& i) { i.setChannel(5); });
    const QString asked = findInstrument(rig, QMessageBox::No);
    EXPECT_TRUE(asked.startsWith("Found a Matrix-1000 on MIDI channel 6 (device inquiry reply "
                                 "bytes 01 02 00 00).\n\nVelmora is set to a Matrix-1000 on MIDI "
                                 "channel 1. Change it to a Matrix-1000 on MIDI channel 6?"))
        << asked.toStdString();
    EXPECT_EQ(rig.window->midi().routing().instrumentChannel, 0);
    findInstrument(rig, QMessageBox::Yes);
    EXPECT_EQ(rig.window->midi().routing().instrumentChannel, 5);
    EXPECT_TRUE(rig.action("miMatrix1000")->isChecked());
    // The new channel is the one program changes go out on.
    rig.clearLog();
    rig.window->parameterSender().sendProgramChange(17);
    const auto sent = rig.received();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back(), (std::vector<Byte>{0xC5, 17}));

    // A bank on its way is not cut short by the detection's global request.
    rig.window->transfer().flags().bankReceiving = true;
    rig.clearLog();
    EXPECT_TRUE(findInstrument(rig, QMessageBox::Ok).startsWith("Velmora is receiving"));
    EXPECT_TRUE(rig.received().empty());
    rig.window->transfer().flags().bankReceiving = false;
}

TEST(FindInstrument, AMatrix6IsToldAtStartUpAndYesSetsTheModel)
{
    test::ProgramFolder folder;
    test::WindowRig rig(SynthModel::Matrix6);
    rig.backend->withInstrument([](VirtualInstrument& i) { i.setChannel(2); });
    // The settings say Matrix-1000 (the default): the answer to start-up's
    // global request tells otherwise, in the status line.
    ASSERT_TRUE(rig.window->startUp());
    rig.window->show();
    ASSERT_TRUE(rig.waitFor([&] { return mismatchLine(rig) != nullptr; }));
    EXPECT_TRUE(mismatchLine(rig)->isVisible());
    EXPECT_EQ(mismatchLine(rig)->text(),
              "The instrument answering is a Matrix-6, but Velmora is set to a Matrix-1000. "
              "Choose the model under Setup > Model or use Setup > Find Instrument.");

    const QString asked = findInstrument(rig, QMessageBox::Yes, "find-instrument.png");
    EXPECT_EQ(asked, "Found a Matrix-6 on MIDI channel 3.\n\nVelmora is set to a Matrix-1000 on "
                     "MIDI channel 1. Change it to a Matrix-6 on MIDI channel 3?");
    EXPECT_TRUE(rig.action("miMatrix6")->isChecked());
    EXPECT_EQ(rig.window->midi().routing().instrumentChannel, 2);
    EXPECT_FALSE(mismatchLine(rig)->isVisible());
    // The Model menu taking it back brings the line back.
    rig.action("miMatrix1000")->trigger();
    EXPECT_TRUE(mismatchLine(rig)->isVisible());
    rig.window->close();
}

TEST(FindInstrument, NothingAnsweredNamesThePorts)
{
    test::ProgramFolder folder;
    test::WindowRig rig;
    ASSERT_TRUE(rig.window->startUp());
    // Questions that never reach the instrument get no answer.
    rig.window->midi().output().close();
    const QString text = findInstrument(rig, QMessageBox::Ok);
    EXPECT_TRUE(text.startsWith("Nothing answered on ")) << text.toStdString();
    EXPECT_TRUE(text.endsWith(". Check the cables and the ports chosen under Setup > Midi."));
    EXPECT_TRUE(text.contains("(output) and ")) << text.toStdString();
    EXPECT_TRUE(rig.action("miMatrix1000")->isChecked());
}
