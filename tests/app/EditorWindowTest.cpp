// The editor in the main window, against the virtual instrument: the bytes
// an edit puts on the wire on either model, and a patch full of bytes no
// control can show coming back byte for byte after it was shown, looked at
// on every page and under both models, and uploaded.
#include "DemoPatches.h"
#include "PanelStyle.h"
#include "PatchEditorView.h"
#include "SysexFiles.h"
#include "TfrmBank.h"
#include "TfrmLCD.h"
#include "TfrmMidi.h"
#include "WindowRig.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace velmora::test {
namespace {

using Bytes = std::vector<Byte>;

const Bytes kEditPrefix = {0xF0, 0x10, 0x06, 0x05, 0xF7};

// A patch as untidy as real ones are: odd name bytes and, in every kind of
// field, values outside what the controls can show.
PatchRecord UntidyPatch()
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
    ASSERT_TRUE(rig.window->FormCreate());
    EXPECT_FALSE(rig.window->Action("aUpload")->isEnabled());
    const PatchRecord untidy = UntidyPatch();
    rig.backend->WithInstrument([&](VirtualInstrument& i) { i.SetPatch(0, 5, untidy); });
    rig.window->Sender().SendProgramChange(5);
    rig.window->Action("aDownload")->trigger();
    ASSERT_TRUE(rig.WaitFor([&] { return rig.window->Transfer().Flags().PatchLoaded; }));
    const PatchBuffer received = rig.window->Records().CurrentPatch;
    ASSERT_TRUE(std::equal(untidy.begin(), untidy.end(), received.begin()));
    // The name's bytes in the title as they are, one character each.
    EXPECT_EQ(rig.window->windowTitle(),
              QString::fromLatin1(reinterpret_cast<const char*>(untidy.data()), 8) + " - Velmora");
    EXPECT_TRUE(rig.window->Action("aUpload")->isEnabled());

    // Look at every page under both models, refreshing each time.
    rig.ClearLog();
    editor::PatchEditorView& view = rig.window->Editor();
    for (const char* model : {"miMatrix6", "miMatrix1000"}) {
        rig.window->Action(model)->trigger();
        for (int page = 0; page < view.count(); ++page) {
            view.setCurrentIndex(page);
            view.InitControls();
        }
    }
    EXPECT_TRUE(rig.Received().empty());
    EXPECT_EQ(rig.window->Records().CurrentPatch, received);

    // Upload asks for the number; 150 goes to bank 1, slot 50, which is then played.
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), "Upload To Matrix-1000");
        dialog->findChild<QSpinBox*>("SpinEdit1")->setValue(150);
        dialog->accept();
    });
    rig.window->Action("aUpload")->trigger();
    rig.backend->WithInstrument([&](VirtualInstrument& i) {
        EXPECT_EQ(i.Patch(1, 50), untidy);
        EXPECT_EQ(i.ReceivedLog().back(), (Bytes{0xC0, 50}));
    });
}

TEST(EditorWindow, EditsReachTheInstrumentAsEachModelNeedsThem)
{
    ProgramFolder folder;
    for (const Model model : {Model::Matrix1000, Model::Matrix6}) {
        SCOPED_TRACE(model == Model::Matrix6 ? "Matrix-6" : "Matrix-1000");
        WindowRig rig(model);
        ASSERT_TRUE(rig.window->FormCreate());
        rig.window->Action(model == Model::Matrix6 ? "miMatrix6" : "miMatrix1000")->trigger();
        // Initialize gives the editor a patch that whole-patch sends may send.
        rig.window->Action("aInit")->trigger();
        rig.ClearLog();

        // DCO 1 waveshape to the top of its scroll bar: 63, parameter 5.
        auto* shape = rig.window->findChild<QScrollBar*>("sbDCO1shape");
        shape->triggerAction(QAbstractSlider::SliderToMinimum);
        Bytes edit = {0xF0, 0x10, 0x06, 0x06, 0x05, 0x3F, 0xF7};
        auto expected = std::vector<Bytes>{edit};
        if (model == Model::Matrix6)
            expected.insert(expected.begin(), kEditPrefix);
        EXPECT_EQ(rig.Received(), expected);
        EXPECT_EQ(rig.window->Records().CurrentPatch[10], 63);

        // LFO 1 -> DCO 1 frequency at -1: 255 in the record, 7F on a
        // Matrix-1000, the whole patch to slot 99 on a Matrix-6.
        rig.ClearLog();
        auto* amount = rig.window->findChild<QSlider*>("tbDCO1freqlfo1");
        amount->setFocus();
        QTest::keyClick(amount, Qt::Key_Left);
        EXPECT_EQ(rig.window->Records().CurrentPatch[86], 255);
        const auto log = rig.Received();
        if (model == Model::Matrix1000) {
            EXPECT_EQ(log, (std::vector<Bytes>{{0xF0, 0x10, 0x06, 0x06, 0x01, 0x7F, 0xF7}}));
        } else {
            ASSERT_FALSE(log.empty());
            rig.backend->WithInstrument(
                [](VirtualInstrument& i) { EXPECT_EQ(i.Patch(0, 99)[86], 255); });
        }
    }
}

// Not a check: run on demand (with --gtest_also_run_disabled_tests and
// VELMORA_SHOT_DIR set, under a display) to draw the pictures of the three
// pages for the documentation, each with a patch downloaded from the
// virtual instrument.
TEST(EditorWindow, DISABLED_DrawsThePagesForTheDocumentation)
{
    const QString folder = qEnvironmentVariable("VELMORA_SHOT_DIR");
    ASSERT_FALSE(folder.isEmpty());
    widgets::ApplyPanelStyle(*qApp);
    ProgramFolder programFolder;
    WindowRig rig;
    ASSERT_TRUE(rig.window->FormCreate());
    rig.window->show();
    rig.window->Sender().SendProgramChange(17);
    rig.window->Action("aDownload")->trigger();
    ASSERT_TRUE(rig.WaitFor([&] { return rig.window->Transfer().Flags().PatchLoaded; }));
    editor::PatchEditorView& view = rig.window->Editor();
    const char* names[] = {"patch-1.png", "patch-2.png", "matrix.png"};
    for (int page = 0; page < view.count(); ++page) {
        view.setCurrentIndex(page);
        QTest::qWait(100);
        EXPECT_TRUE(rig.window->grab().save(folder + u'/' + QLatin1String(names[page])));
    }
    // The parameter display after an edit, and the help on the page in view.
    rig.window->findChild<QScrollBar*>("sbVCFfreq")
        ->triggerAction(QAbstractSlider::SliderPageStepAdd);
    rig.window->Action("aSpy")->trigger();
    rig.window->Action("aHelp")->trigger();
    QTest::qWait(100);
    EXPECT_TRUE(rig.window->ParameterDisplay().grab().save(folder + "/parameter-display.png"));
    // The bank manager with the instrument's bank. The built-in instrument
    // answers at once here, not at cable speed: room for the whole answer.
    rig.window->Midi().ApplySysexBuffers(512, 256);
    rig.window->Action("aBankManager")->trigger();
    rig.window->BankManager().Action("aDownload")->trigger();
    ASSERT_TRUE(rig.WaitFor([&] { return rig.window->Transfer().Flags().BankLoaded; }));
    QTest::qWait(100);
    EXPECT_TRUE(rig.window->BankManager().grab().save(folder + "/bank-manager.png"));
    midi::TfrmMidi setup(rig.window->Midi(), rig.window.get());
    setup.show();
    QTest::qWait(100);
    EXPECT_TRUE(setup.grab().save(folder + "/midi-setup.png"));
    setup.hide();
    rig.window->Action("aKeyboard")->trigger();
    rig.window->Action("aSequencer")->trigger();
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
    ASSERT_TRUE(rig.window->FormCreate());
    library::Bank bank{};
    for (std::size_t k = 0; k < bank.size(); ++k)
        bank[k] = demo::DemoPatch(static_cast<std::uint32_t>(k));
    const std::string bankFile = folder.Dir().Write("bank.syx", library::BankSysex(bank));
    const PatchBuffer patch = demo::DemoPatch(77);
    const std::string patchFile =
        folder.Dir().Write("lead.syx", library::PatchSysex(RecordOf(patch), 0));

    rig.window->OpenFile(QString::fromStdString(bankFile));
    EXPECT_TRUE(rig.window->Transfer().Flags().BankLoaded);
    EXPECT_EQ(RecordOf(rig.window->Records().Bank[37])[0], RecordOf(bank[37])[0]);
    rig.window->OpenFile(QString::fromStdString(patchFile));
    EXPECT_TRUE(std::equal(patch.begin(), patch.begin() + kPatchRecordSize,
                           rig.window->Records().CurrentPatch.begin()));
    EXPECT_EQ(rig.window->windowTitle(), "lead.syx - Velmora");
}

} // namespace
} // namespace velmora::test
