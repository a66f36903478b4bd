// The two patch pages driven through their real controls: the bytes each
// edit writes and sends on either model, the enabled-state rules, and that
// showing a patch never writes or sends, whatever bytes it holds.
#include "editor/PatchDrawing.h"
#include "editor/PatchPage1.h"
#include "editor/PatchPage2.h"
#include "editor/PresetNameDialog.h"
#include "editor/TrackGenPresets.h"
#include "support/DemoPatches.h"
#include "support/RecordingSink.h"
#include "support/TempDir.h"
#include "support/WidgetTesting.h"
#include "widgets/ClickGauge.h"
#include "widgets/LampButton.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <fstream>

namespace velmora::editor {
namespace {

using Bytes = test::RecordingSink::Bytes;
using Sent = std::vector<Bytes>;
using widgets::LampButton;

// What the whole-patch sends leave in the recording, in place of the dump.
const Bytes kWholePatch6 = {'6'};
const Bytes kWholePatch1000 = {'E'};
const Bytes kEditPrefix = {0xF0, 0x10, 0x06, 0x05, 0xF7};

Bytes param(Byte parameter, Byte value)
{
    return {0xF0, 0x10, 0x06, 0x06, parameter, value, 0xF7};
}

class PatchPagesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        sender.onSend6Patch = [this](const ParameterSender::Shown& shown) {
            sink.sent.push_back(kWholePatch6);
            if (shown)
                shown();
        };
        sender.onMidiSendPatch = [this](const ParameterSender::Shown& shown) {
            sink.sent.push_back(kWholePatch1000);
            if (shown)
                shown();
        };
        QObject::connect(&context, &EditorContext::repaintRequested,
                         [this](Drawing drawing) { repaints.push_back(drawing); });
        QObject::connect(&context, &EditorContext::reloadRequested, [this] { show(); });
        page1.show();
        page2.show();
        receive({});
    }

    // initPatchControls as the editor runs it.
    void show()
    {
        const PatchEditing::LoadingScope loading(editing);
        page1.refresh();
        page2.refresh();
    }
    // A patch arrives: some bytes set, the pages shown anew, the record kept.
    void receive(std::initializer_list<std::pair<std::size_t, Byte>> bytes)
    {
        for (const auto& [offset, value] : bytes)
            patch[offset] = value;
        show();
        sink.sent.clear();
        repaints.clear();
    }

    template <typename T> T* find(const char* name)
    {
        T* widget = page1.findChild<T*>(QString::fromLatin1(name));
        if (widget == nullptr)
            widget = page2.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void click(const char* name) { QTest::mouseClick(find<QWidget>(name), Qt::LeftButton); }

    test::RecordingSink sink;
    PatchBuffer patch = demo::demoPatch(11);
    ParameterSender sender{sink, patch};
    PatchEditing editing{patch, sender};
    EditorContext context{editing};
    test::TempDir dir;
    TrackGenPresets presets{QString::fromStdString(dir.path("trackgen.ini"))};
    PatchPage1 page1{context};
    PatchPage2 page2{context, presets};
    std::vector<Drawing> repaints;
};

TEST_F(PatchPagesTest, ScrollBarsStoreTheRangeMaximumAtTheTop)
{
    struct Row
    {
        const char* name;
        std::size_t offset;
        Byte parameter;
        int max;
    };
    for (const Row& row : {Row{"DCO1freq", 9, 0, 63}, Row{"VCFfreq", 26, 21, 127},
                           Row{"LFO1retrigger", 39, 83, 31}}) {
        receive({{row.offset, 5}});
        auto* bar = find<QScrollBar>((std::string("sb") + row.name).c_str());
        bar->triggerAction(QAbstractSlider::SliderToMinimum);
        EXPECT_EQ(patch[row.offset], row.max) << row.name;
        EXPECT_EQ(find<widgets::ClickGauge>((std::string("g") + row.name).c_str())->position(),
                  row.max);
        bar->triggerAction(QAbstractSlider::SliderToMaximum);
        EXPECT_EQ(patch[row.offset], 0);
        EXPECT_EQ(sink.sent, (Sent{param(row.parameter, Byte(row.max)), param(row.parameter, 0)}))
            << row.name;
    }
    receive({{81, 5}});
    find<QScrollBar>("sbTRK5")->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(patch[81], 6);
    EXPECT_EQ(repaints, std::vector{Drawing::Tracking});
}

TEST_F(PatchPagesTest, SignedBarsStoreTwosComplementAndSendAsTheModelNeeds)
{
    // What the parameter display shows.
    std::vector<std::pair<int, int>> shown;
    sender.onParameterShown = [&shown](int p, int v) { shown.emplace_back(p, v); };
    receive({{90, 0}, {19, 0}, {93, 0}});
    QTest::keyClick(find<QSlider>("tbVCFfreqenv"), Qt::Key_Left);
    EXPECT_EQ(patch[90], 255);
    EXPECT_EQ(find<QLabel>("lblVCFfreqenv")->text(), "-1");
    QTest::keyClick(find<QSlider>("tbDCO2detune"), Qt::Key_Left);
    EXPECT_EQ(patch[19], 255);
    EXPECT_EQ(find<QLabel>("lblDCO2detune")->text(), "-1");
    // "Env 2 -> VCA 2" goes as the whole patch on either model.
    QTest::keyClick(find<QSlider>("tbVCA2env"), Qt::Key_Right);
    EXPECT_EQ(patch[93], 1);
    EXPECT_EQ(sink.sent, (Sent{param(22, 0x7F), param(12, 0x7F), kWholePatch1000}));
    EXPECT_EQ(shown, (std::vector<std::pair<int, int>>{{22, -1}, {12, -1}, {29, 1}}));

    sender.setModel(SynthModel::Matrix6);
    receive({{90, 0}, {19, 0}});
    QTest::keyClick(find<QSlider>("tbVCFfreqenv"), Qt::Key_Left);
    QTest::keyClick(find<QSlider>("tbVCFfreqenv"), Qt::Key_End);
    QTest::keyClick(find<QSlider>("tbDCO2detune"), Qt::Key_Right);
    QTest::keyClick(find<QSlider>("tbVCA2env"), Qt::Key_Right);
    EXPECT_EQ(patch[90], 63);
    EXPECT_EQ(patch[19], 1);
    EXPECT_EQ(patch[93], 2);
    EXPECT_EQ(sink.sent,
              (Sent{kWholePatch6, kEditPrefix, param(22, 63), kWholePatch6, kWholePatch6}));
}

TEST_F(PatchPagesTest, MixBarStoresTheDco1ShareAndRepaintsBothOscillators)
{
    auto* mix = find<QSlider>("tbMix");
    mix->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(patch[20], 63);
    mix->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(patch[20], 0);
    EXPECT_EQ(sink.sent, (Sent{param(20, 63), param(20, 0)}));
    EXPECT_EQ(repaints, (std::vector{Drawing::Dco1, Drawing::Dco2, Drawing::Dco1, Drawing::Dco2}));
    EXPECT_EQ(page1.drawingOf(Drawing::Dco2)->objectName(), "pbDCO2");
    EXPECT_EQ(page1.drawingOf(Drawing::Env1), nullptr);
    EXPECT_EQ(page2.drawingOf(Drawing::Ramp2)->objectName(), "pbRAMP2");

    // With the output closed the edit is kept and nothing goes out.
    sink.open = false;
    mix->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(patch[20], 63);
    EXPECT_EQ(sink.sent.size(), 2u);
}

TEST_F(PatchPagesTest, CheckBoxesToggleTheirBitAndKeepTheEnabledRules)
{
    receive({{12, 1}, {18, 1}, {21, 0x81}, {57, 0}});
    click("cbDCO1vibrato");
    click("cbDCO1vibrato");
    // An exact box over a byte with a stray bit shows off; checking it
    // writes the whole byte.
    EXPECT_FALSE(find<LampButton>("cbDCO1portamento")->isChecked());
    click("cbDCO1portamento");
    EXPECT_EQ(patch[21], 1);
    click("cbDCO2noise");
    EXPECT_EQ(patch[18], 5);
    EXPECT_EQ(sink.sent, (Sent{param(7, 3), param(7, 1), param(8, 1), param(16, 5)}));
    const auto enabled = [this] {
        return std::vector{find<QWidget>("cbDCO2pulse")->isEnabled(),
                           find<QWidget>("cbDCO2saw")->isEnabled(),
                           find<QWidget>("cbDCO2click")->isEnabled()};
    };
    EXPECT_EQ(enabled(), (std::vector{false, false, false}));
    click("cbDCO2noise");
    EXPECT_EQ(enabled(), (std::vector{true, true, true}));
    receive({{18, 4}});
    EXPECT_EQ(enabled(), (std::vector{false, false, false}));
    EXPECT_TRUE(find<LampButton>("cbDCO2noise")->isChecked());

    receive({{13, 0}});
    EXPECT_FALSE(find<QWidget>("cbDCO1click")->isEnabled());
    click("cbDCO1saw");
    EXPECT_TRUE(find<QWidget>("cbDCO1click")->isEnabled());
    click("cbENV2dadr");
    EXPECT_EQ(repaints, (std::vector{Drawing::Dco1, Drawing::Env2}));
    click("rcbSYNCsoft");
    EXPECT_EQ(sink.sent.back(), param(2, 1));
}

TEST_F(PatchPagesTest, GaugeClickSendsOnlyWhatChangesTheRecord)
{
    receive({{35, 10}});
    auto* gauge = find<widgets::ClickGauge>("gLFO1freq");
    QTest::mouseClick(gauge, Qt::LeftButton, {}, QPoint(gauge->width() / 2, 0));
    EXPECT_EQ(patch[35], 63);
    EXPECT_EQ(find<QScrollBar>("sbLFO1freq")->value(), 0);
    QTest::mouseClick(gauge, Qt::LeftButton, {}, QPoint(gauge->width() / 2, 0));
    EXPECT_EQ(sink.sent, Sent{param(80, 63)});

    // A received retrigger point of 63 shows as 31; the click at the top
    // stores 31 and, the bar not moving, still tells the instrument.
    receive({{39, 63}});
    gauge = find<widgets::ClickGauge>("gLFO1retrigger");
    QTest::mouseClick(gauge, Qt::LeftButton, {}, QPoint(gauge->width() / 2, 0));
    EXPECT_EQ(patch[39], 31);
    EXPECT_EQ(sink.sent, Sent{param(83, 31)});
}

TEST_F(PatchPagesTest, SampledWaveformAloneEnablesTheSampleSource)
{
    receive({{38, 0}, {40, 5}});
    auto* source = find<QComboBox>("cbxLFO1modsrc");
    EXPECT_FALSE(source->isEnabled());
    EXPECT_EQ(source->currentIndex(), 4);
    click("rcbLFO1sampled");
    EXPECT_TRUE(source->isEnabled());
    QTest::keyClick(source, Qt::Key_Down);
    EXPECT_EQ(patch[40], 6);
    click("rcbLFO1square");
    EXPECT_FALSE(source->isEnabled());
    EXPECT_EQ(patch[40], 6);
    EXPECT_EQ(sink.sent, (Sent{param(82, 6), param(88, 6), param(82, 3)}));
}

TEST_F(PatchPagesTest, ShowingAPatchNeverWritesOrSendsWhateverItHolds)
{
    // Bytes outside every control's range: retrigger points and amounts far
    // too high, no sample source, stray bits in switch bytes, radio bytes no
    // item has.
    receive({{8, 0}, {25, 0}});
    for (const SynthModel model : {SynthModel::Matrix1000, SynthModel::Matrix6}) {
        sender.setModel(model);
        for (const Byte fill : {Byte(0x00), Byte(0x40), Byte(0x64), Byte(0x80), Byte(0xFF)}) {
            std::fill(patch.begin() + 8, patch.end() - 1, fill);
            const PatchBuffer received = patch;
            show();
            EXPECT_EQ(patch, received) << int(fill);
        }
        patch = demo::demoPatch(3);
        const std::pair<std::size_t, Byte> odd[] = {
            {39, 63},   {40, 0},    {47, 0},   {13, 0x81}, {18, 0x84}, {29, 0x82},
            {49, 0x80}, {34, 0x81}, {8, 4},    {25, 7},    {38, 9},    {83, 9},
            {86, 100},  {19, 40},   {93, 100}, {20, 100},  {76, 25},   {26, 200}};
        for (const auto& [offset, value] : odd)
            patch[offset] = value;
        const PatchBuffer received = patch;
        show();
        EXPECT_EQ(patch, received);
        EXPECT_TRUE(find<LampButton>("rcbSYNChard")->isChecked());
        // The voice-mode byte 4 leaves the last patch's item checked.
        EXPECT_TRUE(find<LampButton>("rcbVOICEreassign")->isChecked());
        EXPECT_EQ(find<QSlider>("tbDCO2detune")->value(), -31);
    }
    EXPECT_TRUE(sink.sent.empty());
}

TEST_F(PatchPagesTest, EveryPresetOperationSendsTheFivePointsInOrder)
{
    std::ofstream(dir.path("trackgen.ini")) << "[Rise]\nPoint 1=0\nPoint 2=7\nPoint 3=15\n"
                                               "Point 4=31\nPoint 5=63\n[Flat]\n";
    page2.readTrackGenPresets();
    auto* list = find<QComboBox>("cbxPreset");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->currentIndex(), -1);
    const auto points = [](std::array<Byte, 5> values) {
        Sent sent;
        for (Byte j = 0; j < 5; ++j)
            sent.push_back(param(Byte(34 + j), values[j]));
        return sent;
    };

    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(sink.sent, points({0, 7, 15, 31, 63}));
    EXPECT_EQ(find<QScrollBar>("sbTRK2")->value(), 63 - 7);
    sink.sent.clear();
    click("sbFlipTG");
    EXPECT_EQ(sink.sent, points({63, 56, 48, 32, 0}));
    sink.sent.clear();
    click("sbMirrorTG");
    EXPECT_EQ(sink.sent, points({0, 32, 48, 56, 63}));
    EXPECT_EQ(find<QScrollBar>("sbTRK2")->value(), 63 - 32);

    sink.sent.clear();
    QString question;
    test::whenShown<QMessageBox>([&question](QMessageBox& box) {
        question = box.text();
        box.button(QMessageBox::Ok)->click();
    });
    click("sbTrashTGPreset");
    EXPECT_EQ(question, "Are you sure you want to delete the \"Rise\" preset?");
    EXPECT_EQ(sink.sent, points({31, 31, 31, 31, 31}));
    EXPECT_EQ(presets.names(), QStringList{"Flat"});
    EXPECT_EQ(list->currentIndex(), -1);

    sink.sent.clear();
    test::whenShown<PresetNameDialog>([](PresetNameDialog& dialog) {
        test::child<QLineEdit>(dialog, "eName")->setText("Mine");
        QTest::keyClick(&dialog, Qt::Key_Return);
    });
    click("sbSaveTGpreset");
    EXPECT_EQ(list->count(), 2);
    EXPECT_EQ(presets.points(1), (TrackGenPresets::Curve{31, 31, 31, 31, 31}));
    EXPECT_TRUE(sink.sent.empty());
}

} // namespace
} // namespace velmora::editor
