// The two setup dialogs, driven through their real controls.
#include "FakeBackend.h"
#include "MidiSetup.h"
#include "TfrmMidi.h"
#include "TfrmSysex.h"

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
        devices.AddBackend(std::move(owned));
        setup.InitMidiControls();
        EXPECT_EQ(setup.OpenAtStartup(), std::nullopt);
    }

    static QStringList Items(QComboBox* box)
    {
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items << box->itemText(i);
        return items;
    }
    static QPushButton* Button(QDialog& dialog, const QString& text)
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
    TfrmMidi dialog(setup);
    QStringList errors;
    dialog.SetErrorReporter([&](QWidget*, const QString& text) { errors << text; });
    EXPECT_EQ(dialog.windowTitle(), "Midi Setup");
    EXPECT_EQ(dialog.cbInPort->currentText(), "Matrix In");
    EXPECT_EQ(dialog.cbOutPort->currentText(), "Matrix Out");
    EXPECT_EQ(dialog.seChannel->value(), 1);
    EXPECT_EQ(Items(dialog.cbInPort2), (QStringList{"<none>", "Keys"}));
    EXPECT_EQ(dialog.cbChannel2->currentText(), "any");

    QTest::keyClick(dialog.cbOutPort, Qt::Key_Down);
    EXPECT_EQ(setup.Output().ProductName(), "Synth");
    EXPECT_TRUE(setup.OutputOpen());

    QTest::keyClick(dialog.cbInPort2, Qt::Key_Down);
    EXPECT_TRUE(setup.Input2Open());
    EXPECT_EQ(setup.SecondInputDevice(), 1);

    // Moving the instrument input to "Keys" takes it out of the keyboard list.
    QTest::keyClick(dialog.cbInPort, Qt::Key_Down);
    EXPECT_EQ(setup.Input().ProductName(), "Keys");
    EXPECT_EQ(Items(dialog.cbInPort2), (QStringList{"<none>", "Matrix In"}));

    dialog.seChannel->setValue(10);
    EXPECT_EQ(setup.Routing().instrumentChannel, 9);
    QTest::keyClick(dialog.cbChannel2, Qt::Key_End);
    EXPECT_EQ(setup.Routing().keyboardChannel, 16);

    // A port that cannot be opened: the device's text, and the device stays closed.
    backend->shared->refuseOpen = true;
    QTest::keyClick(dialog.cbOutPort, Qt::Key_Up);
    EXPECT_EQ(errors, QStringList{"The port is in use by another program"});
    EXPECT_FALSE(setup.OutputOpen());
    backend->shared->refuseOpen = false;
    QTest::keyClick(dialog.cbOutPort, Qt::Key_Down);
    EXPECT_TRUE(setup.OutputOpen());

    QTest::mouseClick(Button(dialog, "&OK"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(Dialogs, SysexSetupAppliesOnOkOnly)
{
    {
        TfrmSysex dialog(setup);
        EXPECT_EQ(dialog.windowTitle(), "Sysex Setup");
        EXPECT_EQ(dialog.spSize->value(), 512);
        EXPECT_EQ(dialog.spCount->value(), 128);
        QTest::keyClick(dialog.spSize, Qt::Key_Up);
        QTest::mouseClick(Button(dialog, "&Cancel"), Qt::LeftButton);
        EXPECT_EQ(setup.Input().SysexBufferSize(), 512);
    }
    TfrmSysex dialog(setup);
    QTest::keyClick(dialog.spSize, Qt::Key_Up);
    QTest::keyClick(dialog.spCount, Qt::Key_Down);
    EXPECT_EQ(dialog.spSize->value(), 640);
    QTest::mouseClick(Button(dialog, "&OK"), Qt::LeftButton);
    EXPECT_EQ(setup.Input().SysexBufferSize(), 640);
    EXPECT_EQ(setup.Input().SysexBufferCount(), 112);
    EXPECT_TRUE(setup.InputOpen());
}
