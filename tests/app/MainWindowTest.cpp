// The main window's start-up and its MIDI commands, through its real actions.
#include "FakeBackend.h"
#include "TfrmMain.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace velmora;
using midi::test::FakeBackend;
using Bytes = std::vector<std::uint8_t>;

TEST(MainWindow, StartsWithThePortsAndRunsTheMidiCommands)
{
    midi::MidiDevices devices;
    auto owned = std::make_unique<FakeBackend>();
    FakeBackend& backend = *owned;
    devices.AddBackend(std::move(owned));
    TfrmMain window(devices);
    ASSERT_TRUE(window.FormCreate());
    EXPECT_EQ(window.windowTitle(), "Velmora");

    QAction* thru = window.Action("aThru");
    thru->trigger();
    EXPECT_TRUE(window.Midi().Routing().thruMode);
    EXPECT_TRUE(thru->isChecked());

    // Shortcuts work while the menus are hidden.
    window.Action("aHideMenu")->trigger();
    EXPECT_FALSE(window.menuBar()->actions().front()->isVisible());
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(backend.shared->sent.size(), 6u);
    EXPECT_EQ(backend.shared->sent.back(), (Bytes{0xB0, 121, 0}));

    // Thru mode passes the instrument's notes on.
    backend.Inject({0x90, 60, 100});
    QCoreApplication::processEvents();
    EXPECT_EQ(backend.shared->sent.back(), (Bytes{0x90, 60, 100}));

    // A vanished output: the user is told, and the program goes on.
    backend.shared->vanished = true;
    backend.Inject({0x90, 61, 100});
    QString shown;
    QTimer::singleShot(10, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->text();
            box->accept();
        }
    });
    QCoreApplication::processEvents();
    QTest::qWait(50);
    EXPECT_EQ(shown, "The MIDI port \"Fake Out\" is no longer available");
}

TEST(MainWindow, WithoutAnInstrumentInputItSaysSoAndDoesNotStart)
{
    midi::MidiDevices devices;
    devices.AddBackend(
        std::make_unique<FakeBackend>(std::vector<std::string>{}, std::vector<std::string>{"Out"}));
    TfrmMain window(devices);
    QString shown;
    QTimer::singleShot(10, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->text();
            box->accept();
        }
    });
    EXPECT_FALSE(window.FormCreate());
    EXPECT_EQ(shown, "Cannot find a Midi In port");
}

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
