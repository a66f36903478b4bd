// The editor in the main window, against the virtual instrument: the bytes
// an edit puts on the wire on either model, and a patch full of bytes no
// control can show coming back byte for byte after it was shown, looked at
// on every page and under both models, and uploaded; files named at start
// opening in the editor or the bank manager by what they hold.
#include "app/WindowRig.h"
#include "common/ErrorReporter.h"
#include "editor/ParameterDisplayWindow.h"
#include "editor/PatchEditorView.h"
#include "library/BankManagerWindow.h"
#include "library/FakeFileDialogs.h"
#include "library/SysexFiles.h"
#include "midi/dialogs/MidiSetupDialog.h"
#include "protocol/ControlTables.h"
#include "protocol/Messages.h"
#include "support/DemoPatches.h"
#include "support/MidiFiles.h"
#include "support/Placeholder.h"
#include "support/WidgetTesting.h"
#include "widgets/LcdDisplay.h"
#include "widgets/PanelStyle.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace velmora::test {
namespace {

using Bytes = std::vector<Byte>;

Bytes& operator<<(Bytes& bytes, const Bytes& more)
{
    bytes.insert(bytes.end(), more.begin(), more.end());
    return bytes;
}

const Bytes kEditPrefix = {0xF0, 0x10, 0x06, 0x05, 0xF7};

// A patch as untidy as real ones are: odd name bytes and, in every kind of
// field, values outside what the controls can show.
PatchRecord untidyPatch()
{
    PatchRecord record{};
    const Byte name[] = {'O', 'd', 'd', 0x01, 0x7F, '~', ' ', 0x1F};
    std::copy(std::begin(name), std::end(name), record.begin());
    const std::pair<std::size_t, Byte> odd[] = {
        {8, 4},   {13, 0x83}, {19, 40},   {21, 0x81}, {25, 7},   {26, 200},   {38, 9},  {39, 63},
        {40, 0},  {57, 0xF0}, {76, 25},   {77, 90},   {83, 9},   {86, 100},   {107, 0}, {108, 12},
        {109, 9}, {110, 5},   {111, 100}, {112, 9},   {113, 30}, {114, 0xC0}, {115, 40}};
    for (const auto& [offset, value] : odd)
        record[offset] = value;
    return record;
}

TEST(EditorWindow, ShowingAnUntidyPatchChangesNoByte)
{
    ProgramFolder folder;
    WindowRig rig;
    ASSERT_TRUE(rig.window->startUp());
    EXPECT_FALSE(rig.action("aUpload")->isEnabled());
    const PatchRecord untidy = untidyPatch();
    rig.backend->withInstrument([&](VirtualInstrument& i) { i.setPatch(0, 5, untidy); });
    rig.window->parameterSender().sendProgramChange(5);
    rig.action("aDownload")->trigger();
    ASSERT_TRUE(rig.waitFor([&] { return rig.window->transfer().flags().patchLoaded; }));
    const PatchBuffer received = rig.window->records().currentPatch;
    // A Matrix-1000 keeps the data as sent and its placeholder for the name.
    const PatchRecord held = asMatrix1000Sends(untidy, 0, 5);
    ASSERT_TRUE(std::equal(held.begin(), held.end(), received.begin()));
    EXPECT_EQ(rig.window->windowTitle(), "BNK0: 05 - Velmora");
    EXPECT_TRUE(rig.action("aUpload")->isEnabled());

    // Look at every page under both models, refreshing each time.
    rig.clearLog();
    editor::PatchEditorView& view = *child<editor::PatchEditorView>(*rig.window, "tcTabs");
    for (const char* model : {"miMatrix6", "miMatrix1000"}) {
        rig.action(model)->trigger();
        for (int page = 0; page < view.count(); ++page) {
            view.setCurrentIndex(page);
            view.initControls();
        }
    }
    EXPECT_TRUE(rig.received().empty());
    EXPECT_EQ(rig.window->records().currentPatch, received);

    // Upload asks for the number; 150 goes to bank 1, slot 50, which is then played.
    whenShown<QDialog>([](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Upload To Matrix-1000");
        child<QSpinBox>(dialog, "SpinEdit1")->setValue(150);
        dialog.accept();
    });
    rig.action("aUpload")->trigger();
    rig.backend->withInstrument([&](VirtualInstrument& i) {
        EXPECT_EQ(i.patch(1, 50), asMatrix1000Sends(untidy, 1, 50));
        // The store, then the program change (the upload's check follows).
        const auto& log = i.receivedLog();
        const auto played = std::ranges::find(log, Bytes{0xC0, 50});
        ASSERT_NE(played, log.end());
        ASSERT_NE(played, log.begin());
        EXPECT_EQ((played - 1)->size(), 275u);
        EXPECT_EQ((played - 1)->at(3), 0x01);
    });
}

TEST(EditorWindow, EditsReachTheInstrumentAsEachModelNeedsThem)
{
    ProgramFolder folder;
    for (const SynthModel model : {SynthModel::Matrix1000, SynthModel::Matrix6}) {
        SCOPED_TRACE(model == SynthModel::Matrix6 ? "Matrix-6" : "Matrix-1000");
        WindowRig rig(model);
        ASSERT_TRUE(rig.window->startUp());
        rig.action(model == SynthModel::Matrix6 ? "miMatrix6" : "miMatrix1000")->trigger();
        // Initialize gives the editor a patch that whole-patch sends may send.
        rig.action("aInit")->trigger();
        EXPECT_TRUE(rig.waitFor([&] { return rig.window->pacer().idle(); }));
        rig.clearLog();

        // DCO 1 waveshape to the top of its scroll bar: 63, parameter 5.
        auto* shape = rig.window->findChild<QScrollBar*>("sbDCO1shape");
        shape->triggerAction(QAbstractSlider::SliderToMinimum);
        Bytes edit = {0xF0, 0x10, 0x06, 0x06, 0x05, 0x3F, 0xF7};
        auto expected = std::vector<Bytes>{edit};
        if (model == SynthModel::Matrix6)
            expected.insert(expected.begin(), kEditPrefix);
        // The edit waits until the cable is through with the initial patch.
        EXPECT_TRUE(rig.waitFor([&] { return rig.received().size() >= expected.size(); }));
        EXPECT_EQ(rig.received(), expected);
        EXPECT_EQ(rig.window->records().currentPatch[10], 63);

        // LFO 1 -> DCO 1 frequency at -1: 255 in the record, 7F on a
        // Matrix-1000, the whole patch to slot 99 on a Matrix-6.
        rig.clearLog();
        auto* amount = rig.window->findChild<QSlider*>("tbDCO1freqlfo1");
        amount->setFocus();
        QTest::keyClick(amount, Qt::Key_Left);
        EXPECT_EQ(rig.window->records().currentPatch[86], 255);
        // On a Matrix-6 the program change follows the store after a pause.
        const std::size_t messages = model == SynthModel::Matrix6 ? 2 : 1;
        EXPECT_TRUE(rig.waitFor([&] { return rig.received().size() >= messages; }));
        const auto log = rig.received();
        if (model == SynthModel::Matrix1000) {
            EXPECT_EQ(log, (std::vector<Bytes>{{0xF0, 0x10, 0x06, 0x06, 0x01, 0x7F, 0xF7}}));
        } else {
            ASSERT_FALSE(log.empty());
            rig.backend->withInstrument(
                [](VirtualInstrument& i) { EXPECT_EQ(i.patch(0, 99)[86], 255); });
        }
    }
}

// A slider dragged faster than the cable carries whole patches: only some
// patches go, the last is the patch the screen shows, and the parameter
// display shows what went out. With "Real-time Sends" off (kept in the
// settings file) a slider sends once, when it is let go.
TEST(EditorWindow, DragsReachTheInstrumentAtTheCablesPace)
{
    ProgramFolder folder;
    {
        WindowRig rig;
        ASSERT_TRUE(rig.window->startUp());
        rig.action("aInit")->trigger();
        auto* amount = rig.window->findChild<QSlider*>("tbVCA2env");
        amount->setSliderDown(true);
        for (int v = -63; v <= 63; ++v)
            amount->setSliderPosition(v);
        amount->setSliderDown(false);
        EXPECT_TRUE(rig.waitFor([&] { return rig.window->pacer().idle(); }));
        const auto log = rig.received();
        std::size_t patches = 0;
        for (const Bytes& m : log)
            patches += m.size() == kPatchMessageSize ? 1 : 0;
        EXPECT_LT(patches, 5u);
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log.back(), patchToEditBuffer(recordOf(rig.window->records().currentPatch)));
        auto* value = child<widgets::LcdDisplay>(*rig.window, "LCDvalue");
        EXPECT_EQ(value->text(), QStringLiteral("63"));

        QAction* realTime = rig.action("aRealTime");
        EXPECT_TRUE(realTime->isChecked());
        realTime->trigger();
        EXPECT_FALSE(realTime->isChecked());
        EXPECT_TRUE(rig.waitFor([&] { return rig.window->pacer().idle(); }));
        rig.clearLog();
        auto* cutoff = rig.window->findChild<QScrollBar*>("sbVCFfreq");
        cutoff->setSliderDown(true);
        for (int v = 10; v < 40; ++v)
            cutoff->setSliderPosition(v);
        QCoreApplication::processEvents();
        EXPECT_TRUE(rig.received().empty());
        cutoff->setSliderDown(false);
        EXPECT_TRUE(rig.waitFor([&] { return !rig.received().empty(); }));
        const Byte parameter = controls().paramNumbers[43];
        EXPECT_EQ(rig.received(), (std::vector<Bytes>{parameterEdit(parameter, 127 - 39)}));
        rig.window->close();
    }
    WindowRig again;
    ASSERT_TRUE(again.window->startUp());
    EXPECT_FALSE(again.action("aRealTime")->isChecked());
    again.window->close();
}

// Not a check: run on demand (with --gtest_also_run_disabled_tests and
// VELMORA_SHOT_DIR set, under a display) to draw the pictures of the three
// pages for the documentation, each with a patch downloaded from the
// virtual instrument.
TEST(EditorWindow, DISABLED_DrawsThePagesForTheDocumentation)
{
    const QString folder = qEnvironmentVariable("VELMORA_SHOT_DIR");
    ASSERT_FALSE(folder.isEmpty());
    widgets::applyPanelStyle(*qApp);
    ProgramFolder programFolder;
    WindowRig rig;
    ASSERT_TRUE(rig.window->startUp());
    rig.window->show();
    rig.window->parameterSender().sendProgramChange(17);
    rig.action("aDownload")->trigger();
    ASSERT_TRUE(rig.waitFor([&] { return rig.window->transfer().flags().patchLoaded; }));
    editor::PatchEditorView& view = *child<editor::PatchEditorView>(*rig.window, "tcTabs");
    const char* names[] = {"patch-1.png", "patch-2.png", "matrix.png"};
    for (int page = 0; page < view.count(); ++page) {
        view.setCurrentIndex(page);
        QTest::qWait(100);
        EXPECT_TRUE(rig.window->grab().save(folder + u'/' + QLatin1String(names[page])));
    }
    // The parameter display after an edit, and the help on the page in view.
    rig.window->findChild<QScrollBar*>("sbVCFfreq")
        ->triggerAction(QAbstractSlider::SliderPageStepAdd);
    rig.action("aSpy")->trigger();
    rig.action("aHelp")->trigger();
    QTest::qWait(100);
    EXPECT_TRUE(child<editor::ParameterDisplayWindow>(*rig.window, "frmLCD")
                    ->grab()
                    .save(folder + "/parameter-display.png"));
    // The bank manager with the instrument's bank. The built-in instrument
    // answers at once here, not at cable speed: room for the whole answer.
    rig.window->midi().applySysexBuffers(512, 256);
    rig.action("aBankManager")->trigger();
    auto* bankManager = child<library::BankManagerWindow>(*rig.window, "frmBank");
    bankManager->action("aDownload")->trigger();
    ASSERT_TRUE(rig.waitFor([&] { return rig.window->transfer().flags().bankLoaded; }));
    QTest::qWait(100);
    EXPECT_TRUE(bankManager->grab().save(folder + "/bank-manager.png"));
    ErrorReporter errors;
    midi::MidiSetupDialog setup(rig.window->midi(), errors, rig.window.get());
    setup.show();
    QTest::qWait(100);
    EXPECT_TRUE(setup.grab().save(folder + "/midi-setup.png"));
    setup.hide();
    rig.action("aKeyboard")->trigger();
    rig.action("aSequencer")->trigger();
    QTest::qWait(100);
    const std::pair<const char*, const char*> windows[] = {{"Velmora Help", "help.png"},
                                                           {"Keyboard Emulator", "keyboard.png"},
                                                           {"Sequencer", "sequencer.png"}};
    for (QWidget* top : QApplication::topLevelWidgets()) {
        for (const auto& [title, file] : windows) {
            if (top->isVisible() && top->windowTitle() == QLatin1String(title)) {
                EXPECT_TRUE(top->grab().save(folder + u'/' + QLatin1String(file)));
            }
        }
    }
}

TEST(EditorWindow, FilesNamedAtStartOpenWhereTheyBelong)
{
    ProgramFolder folder;
    WindowRig rig;
    auto owned = std::make_unique<FakeFileDialogs>();
    FakeFileDialogs& dialogs = *owned;
    rig.window->setFileDialogs(std::move(owned));
    ASSERT_TRUE(rig.window->startUp());
    const QAbstractItemModel* grid = child<QTableView>(*rig.window, "gridBANK")->model();
    auto cell = [grid](int entry) { return grid->index(entry % 10, entry / 10).data().toString(); };
    auto open = [&](const std::string& name, const Bytes& bytes) {
        rig.window->openFile(QString::fromStdString(folder.dir().write(name, bytes)));
    };
    library::Bank bank{};
    for (std::size_t k = 0; k < bank.size(); ++k)
        bank[k] = demo::demoPatch(static_cast<std::uint32_t>(k));

    // Part of a bank goes where its numbers say; the other cells stay empty.
    Bytes part;
    for (int k = 40; k < 52; ++k)
        part << library::patchSysex(recordOf(bank[std::size_t(k)]), k);
    open("part.syx", part);
    EXPECT_EQ(cell(40), "DEMO 040");
    EXPECT_EQ(cell(51), "DEMO 051");
    EXPECT_EQ(cell(39), "<empty> ");
    EXPECT_EQ(cell(52), "<empty> ");
    EXPECT_EQ(dialogs.told.size(), 1);
    auto& bankManager = *child<library::BankManagerWindow>(*rig.window, "frmBank");
    EXPECT_TRUE(bankManager.isVisible());
    EXPECT_EQ(bankManager.windowTitle(), "part.syx - Bank Manager");

    // A capture that begins with its bank select: every entry is named (a
    // file handed over by a second copy takes the same way).
    Bytes capture = {0xF0, 0x10, 0x06, 0x0A, 0x00, 0xF7};
    open("bank.syx", capture << library::bankSysex(bank));
    EXPECT_TRUE(rig.window->transfer().flags().bankLoaded);
    EXPECT_EQ(cell(37), "DEMO 037");
    EXPECT_EQ(cell(99), "DEMO 099");

    // Noise is refused with a message; the bank stays as it was.
    Bytes noise(27500);
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<Byte>(i * 2654435761u >> 13);
    QString refused;
    whenShown<QMessageBox>([&](QMessageBox& box) {
        refused = box.text();
        box.accept();
    });
    const library::Bank before = rig.window->records().bank;
    open("noise.syx", noise);
    EXPECT_TRUE(refused.startsWith("noise.syx holds no patch: ")) << refused.toStdString();
    EXPECT_EQ(rig.window->records().bank, before);
    EXPECT_EQ(cell(37), "DEMO 037");

    // A bank as a Standard MIDI File.
    for (std::size_t k = 0; k < bank.size(); ++k)
        bank[k] = demo::demoPatch(static_cast<std::uint32_t>(200 + k));
    open("bank.mid", midiFileOf(library::bankSysex(bank), 1, true));
    EXPECT_EQ(cell(37), "DEMO 237");
    EXPECT_EQ(bankManager.windowTitle(), "bank.mid - Bank Manager");

    const PatchBuffer patch = demo::demoPatch(77);
    open("lead.syx", library::patchSysex(recordOf(patch), 0));
    EXPECT_TRUE(std::equal(patch.begin(), patch.begin() + kPatchRecordSize,
                           rig.window->records().currentPatch.begin()));
    EXPECT_EQ(rig.window->windowTitle(), "lead.syx - Velmora");
}

} // namespace
} // namespace velmora::test
