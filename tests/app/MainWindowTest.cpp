// The main window's start-up and its MIDI commands, through its real actions.
#include "app/WindowRig.h"
#include "midi/FakeBackend.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>
#include <gtest/gtest.h>

using namespace velmora;
using midi::test::FakeBackend;
using Bytes = std::vector<std::uint8_t>;

TEST(MainWindow, StartsWithThePortsAndRunsTheMidiCommands)
{
    test::ProgramFolder folder;
    midi::MidiDevices devices;
    auto owned = std::make_unique<FakeBackend>();
    FakeBackend& backend = *owned;
    devices.addBackend(std::move(owned));
    MainWindow window(devices);
    ASSERT_TRUE(window.startUp());
    EXPECT_EQ(window.windowTitle(), "Velmora");
    // Start-up asks the instrument for its global parameters.
    EXPECT_EQ(backend.shared->sent,
              (std::vector<Bytes>{{0xF0, 0x10, 0x06, 0x04, 0x03, 0x00, 0xF7}}));

    QAction* thru = test::child<QAction>(window, "aThru");
    thru->trigger();
    EXPECT_TRUE(window.midi().routing().thruMode);
    EXPECT_TRUE(thru->isChecked());

    // Shortcuts work while the menus are hidden.
    test::child<QAction>(window, "aHideMenu")->trigger();
    EXPECT_FALSE(window.menuBar()->actions().front()->isVisible());
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(backend.shared->sent.size(), 7u);
    EXPECT_EQ(backend.shared->sent.back(), (Bytes{0xB0, 121, 0}));

    // Thru mode passes the instrument's notes on.
    backend.inject({0x90, 60, 100});
    QCoreApplication::processEvents();
    EXPECT_EQ(backend.shared->sent.back(), (Bytes{0x90, 60, 100}));

    // A vanished output: the user is told, and the program goes on.
    backend.shared->vanished = true;
    backend.inject({0x90, 61, 100});
    QString shown;
    test::whenShown<QMessageBox>([&](QMessageBox& box) {
        shown = box.text();
        box.accept();
    });
    QCoreApplication::processEvents();
    QTest::qWait(50);
    EXPECT_EQ(shown, "The MIDI port \"Fake Out\" is no longer available");
}

TEST(MainWindow, WithoutAnInstrumentInputItSaysSoAndDoesNotStart)
{
    test::ProgramFolder folder;
    midi::MidiDevices devices;
    devices.addBackend(
        std::make_unique<FakeBackend>(std::vector<std::string>{}, std::vector<std::string>{"Out"}));
    MainWindow window(devices);
    QString shown;
    test::whenShown<QMessageBox>([&](QMessageBox& box) {
        shown = box.text();
        box.accept();
    });
    EXPECT_FALSE(window.startUp());
    EXPECT_EQ(shown, "Cannot find a Midi In port");
}

TEST(MainWindow, KeepsItsSettingsFromOneRunToTheNext)
{
    test::ProgramFolder folder;
    {
        test::WindowRig rig;
        ASSERT_TRUE(rig.window->startUp());
        // A first run starts from the defaults: a Matrix-1000, auto-play on.
        EXPECT_TRUE(rig.action("miMatrix1000")->isChecked());
        EXPECT_TRUE(rig.action("aAutoPlay")->isChecked());
        rig.action("miMatrix6")->trigger();
        rig.action("aThru")->trigger();
        rig.action("aMap")->trigger();
        rig.action("aAutoPlay")->trigger();
        // Exit keeps them, as closing the window does.
        rig.window->show();
        rig.action("aExit")->trigger();
        EXPECT_FALSE(rig.window->isVisible());
    }
    const auto saved = folder.dir().read("velmora.ini");
    const std::string text(saved.begin(), saved.end());
    for (const char* line :
         {"Model=0\n", "ThruMode=1\n", "CcMapping=1\n", "AutoPlay=0\n", "Note=60\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;

    test::WindowRig rig;
    ASSERT_TRUE(rig.window->startUp());
    // Only the built-in instrument's ports: the window says how to connect one.
    auto* hint = rig.window->findChild<QLabel*>("lblNoInterface");
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(hint->text().startsWith("No MIDI interface found"));
    EXPECT_TRUE(rig.action("miMatrix6")->isChecked());
    EXPECT_FALSE(rig.action("miMatrix1000")->isChecked());
    EXPECT_TRUE(rig.action("aThru")->isChecked());
    EXPECT_TRUE(rig.action("aMap")->isChecked());
    EXPECT_FALSE(rig.action("aAutoPlay")->isChecked());
}
