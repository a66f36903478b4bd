// The two setup dialogs, driven through their real controls.
#include "common/ErrorReporter.h"
#include "midi/FakeBackend.h"
#include "midi/MidiSetup.h"
#include "midi/dialogs/MidiSetupDialog.h"
#include "midi/dialogs/SysexBuffersDialog.h"
#include "support/WidgetTesting.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

using namespace velmora::midi;
using test::FakeBackend;
using velmora::test::button;
using velmora::test::child;

namespace {

struct Dialogs : ::testing::Test
{
    Dialogs()
    {
        auto owned = std::make_unique<FakeBackend>(std::vector<std::string>{"Matrix In", "Keys"},
                                                   std::vector<std::string>{"Matrix Out", "Synth"});
        backend = owned.get();
        devices.addBackend(std::move(owned));
        setup.initMidiControls();
        EXPECT_EQ(setup.openAtStartup(), std::nullopt);
    }

    static QStringList items(QComboBox* box)
    {
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items << box->itemText(i);
        return items;
    }
    MidiDevices devices;
    FakeBackend* backend = nullptr;
    MidiSetup setup{devices, MidiRouter::Targets{}};
    velmora::ErrorReporter sysexErrors;
};

} // namespace

TEST_F(Dialogs, MidiSetupChangesPortsAndChannelsAtOnce)
{
    velmora::ErrorReporter reporter;
    QStringList errors;
    QObject::connect(&reporter, &velmora::ErrorReporter::errorReported,
                     [&](const QString& text) { errors << text; });
    MidiSetupDialog dialog(setup, reporter);
    auto* cbInPort = child<QComboBox>(dialog, "cbInPort");
    auto* cbOutPort = child<QComboBox>(dialog, "cbOutPort");
    auto* seChannel = child<QSpinBox>(dialog, "seChannel");
    auto* cbInPort2 = child<QComboBox>(dialog, "cbInPort2");
    auto* cbChannel2 = child<QComboBox>(dialog, "cbChannel2");
    EXPECT_EQ(dialog.windowTitle(), "Midi Setup");
    EXPECT_EQ(cbInPort->currentText(), "Matrix In");
    EXPECT_EQ(cbOutPort->currentText(), "Matrix Out");
    EXPECT_EQ(seChannel->value(), 1);
    EXPECT_EQ(items(cbInPort2), (QStringList{"<none>", "Keys"}));
    EXPECT_EQ(cbChannel2->currentText(), "any");

    QTest::keyClick(cbOutPort, Qt::Key_Down);
    EXPECT_EQ(setup.output().productName(), "Synth");
    EXPECT_TRUE(setup.outputOpen());

    QTest::keyClick(cbInPort2, Qt::Key_Down);
    EXPECT_TRUE(setup.input2Open());
    EXPECT_EQ(setup.secondInputDevice(), 1);

    // Moving the instrument input to "Keys" takes it out of the keyboard list.
    QTest::keyClick(cbInPort, Qt::Key_Down);
    EXPECT_EQ(setup.input().productName(), "Keys");
    EXPECT_EQ(items(cbInPort2), (QStringList{"<none>", "Matrix In"}));

    seChannel->setValue(10);
    EXPECT_EQ(setup.routing().instrumentChannel, 9);
    QTest::keyClick(cbChannel2, Qt::Key_End);
    EXPECT_EQ(setup.routing().keyboardChannel, 16);

    // A port that cannot be opened: the device's text, and the device stays closed.
    backend->shared->refuseOpen = true;
    QTest::keyClick(cbOutPort, Qt::Key_Up);
    EXPECT_EQ(errors, QStringList{"The port is in use by another program"});
    EXPECT_FALSE(setup.outputOpen());
    backend->shared->refuseOpen = false;
    QTest::keyClick(cbOutPort, Qt::Key_Down);
    EXPECT_TRUE(setup.outputOpen());

    QTest::mouseClick(button(dialog, "&OK"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(Dialogs, SysexSetupAppliesOnOkOnly)
{
    {
        SysexBuffersDialog dialog(setup, sysexErrors);
        auto* spSize = child<QSpinBox>(dialog, "spSize");
        auto* spCount = child<QSpinBox>(dialog, "spCount");
        EXPECT_EQ(dialog.windowTitle(), "Sysex Setup");
        EXPECT_EQ(spSize->value(), 512);
        EXPECT_EQ(spCount->value(), 128);
        QTest::keyClick(spSize, Qt::Key_Up);
        QTest::mouseClick(button(dialog, "&Cancel"), Qt::LeftButton);
        EXPECT_EQ(setup.input().sysexBufferSize(), 512);
    }
    SysexBuffersDialog dialog(setup, sysexErrors);
    auto* spSize = child<QSpinBox>(dialog, "spSize");
    auto* spCount = child<QSpinBox>(dialog, "spCount");
    QTest::keyClick(spSize, Qt::Key_Up);
    QTest::keyClick(spCount, Qt::Key_Down);
    EXPECT_EQ(spSize->value(), 640);
    QTest::mouseClick(button(dialog, "&OK"), Qt::LeftButton);
    EXPECT_EQ(setup.input().sysexBufferSize(), 640);
    EXPECT_EQ(setup.input().sysexBufferCount(), 112);
    EXPECT_TRUE(setup.inputOpen());
}
