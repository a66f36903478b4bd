// The two setup dialogs, driven through their real controls.
#include "midi/FakeBackend.h"
#include "midi/MidiSetup.h"
#include "midi/dialogs/MidiSetupDialog.h"
#include "midi/dialogs/SysexBuffersDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

using namespace velmora::midi;
using test::FakeBackend;

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
    static QPushButton* button(QDialog& dialog, const QString& text)
    {
        for (QPushButton* b : dialog.findChildren<QPushButton*>())
            if (b->text() == text)
                return b;
        return nullptr;
    }

    MidiDevices devices;
    FakeBackend* backend = nullptr;
    MidiSetup setup{devices, MidiRouter::Targets{}};
};

} // namespace

TEST_F(Dialogs, MidiSetupChangesPortsAndChannelsAtOnce)
{
    MidiSetupDialog dialog(setup);
    QStringList errors;
    dialog.setErrorReporter([&](QWidget*, const QString& text) { errors << text; });
    EXPECT_EQ(dialog.windowTitle(), "Midi Setup");
    EXPECT_EQ(dialog.cbInPort->currentText(), "Matrix In");
    EXPECT_EQ(dialog.cbOutPort->currentText(), "Matrix Out");
    EXPECT_EQ(dialog.seChannel->value(), 1);
    EXPECT_EQ(items(dialog.cbInPort2), (QStringList{"<none>", "Keys"}));
    EXPECT_EQ(dialog.cbChannel2->currentText(), "any");

    QTest::keyClick(dialog.cbOutPort, Qt::Key_Down);
    EXPECT_EQ(setup.output().productName(), "Synth");
    EXPECT_TRUE(setup.outputOpen());

    QTest::keyClick(dialog.cbInPort2, Qt::Key_Down);
    EXPECT_TRUE(setup.input2Open());
    EXPECT_EQ(setup.secondInputDevice(), 1);

    // Moving the instrument input to "Keys" takes it out of the keyboard list.
    QTest::keyClick(dialog.cbInPort, Qt::Key_Down);
    EXPECT_EQ(setup.input().productName(), "Keys");
    EXPECT_EQ(items(dialog.cbInPort2), (QStringList{"<none>", "Matrix In"}));

    dialog.seChannel->setValue(10);
    EXPECT_EQ(setup.routing().instrumentChannel, 9);
    QTest::keyClick(dialog.cbChannel2, Qt::Key_End);
    EXPECT_EQ(setup.routing().keyboardChannel, 16);

    // A port that cannot be opened: the device's text, and the device stays closed.
    backend->shared->refuseOpen = true;
    QTest::keyClick(dialog.cbOutPort, Qt::Key_Up);
    EXPECT_EQ(errors, QStringList{"The port is in use by another program"});
    EXPECT_FALSE(setup.outputOpen());
    backend->shared->refuseOpen = false;
    QTest::keyClick(dialog.cbOutPort, Qt::Key_Down);
    EXPECT_TRUE(setup.outputOpen());

    QTest::mouseClick(button(dialog, "&OK"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(Dialogs, SysexSetupAppliesOnOkOnly)
{
    {
        SysexBuffersDialog dialog(setup);
        EXPECT_EQ(dialog.windowTitle(), "Sysex Setup");
        EXPECT_EQ(dialog.spSize->value(), 512);
        EXPECT_EQ(dialog.spCount->value(), 128);
        QTest::keyClick(dialog.spSize, Qt::Key_Up);
        QTest::mouseClick(button(dialog, "&Cancel"), Qt::LeftButton);
        EXPECT_EQ(setup.input().sysexBufferSize(), 512);
    }
    SysexBuffersDialog dialog(setup);
    QTest::keyClick(dialog.spSize, Qt::Key_Up);
    QTest::keyClick(dialog.spCount, Qt::Key_Down);
    EXPECT_EQ(dialog.spSize->value(), 640);
    QTest::mouseClick(button(dialog, "&OK"), Qt::LeftButton);
    EXPECT_EQ(setup.input().sysexBufferSize(), 640);
    EXPECT_EQ(setup.input().sysexBufferCount(), 112);
    EXPECT_TRUE(setup.inputOpen());
}
