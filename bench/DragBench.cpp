// A slider dragged across its range in the real main window, over JACK, to a
// velmora-instrument that takes what it receives at the pace of a MIDI cable
// (as a unit behind a buffering interface does): 127 steps at 60 Hz. For
// each case it prints the bytes that reached the instrument during and after
// the drag, what the cable could carry in the drag's time, and how long after
// the last step the instrument held the value the screen shows.
//   (a) the filter cutoff: one 7-byte parameter message a step;
//   (b) "Env 2 -> VCA 2" on a Matrix-1000: the whole patch;
//   (c) a modulation bus amount on a Matrix-6: the whole patch.
// Needs a running JACK server; says so otherwise.
#include "app/AppPaths.h"
#include "app/MainWindow.h"
#include "e2e/InstrumentProcess.h"
#include "midi/MidiBackend.h"
#include "protocol/ControlTables.h"
#include "protocol/SysexCodec.h"
#include "widgets/Tag.h"

#include <QAbstractSlider>
#include <QAction>
#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

using namespace velmora;
using namespace velmora::test;

namespace {

constexpr int kSteps = 127;
constexpr auto kStepTime = std::chrono::microseconds(1'000'000 / 60);

struct Taken
{
    Clock::time_point at;
    std::vector<Byte> bytes;
};

// "<microseconds> F0 10 ..." as velmora-instrument --stamp prints it.
std::optional<Taken> parseLine(const std::string& line)
{
    std::istringstream in(line);
    long long micros = 0;
    if (!(in >> micros))
        return std::nullopt;
    Taken taken{Clock::time_point(std::chrono::microseconds(micros)), {}};
    std::string hex;
    while (in >> hex)
        taken.bytes.push_back(static_cast<Byte>(std::stoi(hex, nullptr, 16)));
    return taken;
}

void pumpFor(Clock::duration duration)
{
    const auto until = Clock::now() + duration;
    while (Clock::now() < until) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(1ms);
    }
}

// Everything the instrument took until it has been quiet for `quiet`.
std::vector<Taken> takeUntilQuiet(InstrumentProcess& instrument, Clock::duration quiet)
{
    std::vector<Taken> taken;
    auto lastLine = Clock::now();
    while (Clock::now() - lastLine < quiet) {
        QCoreApplication::processEvents();
        if (const auto line = instrument.waitForLine(" ", 2ms)) {
            if (auto parsed = parseLine(*line))
                taken.push_back(std::move(*parsed));
            lastLine = Clock::now();
        }
    }
    return taken;
}

struct Case
{
    const char* title;
    SynthModel model;
    const char* slider;
    int from;
};

// Whether `message` leaves the instrument holding the screen's final value:
// the parameter message with the final value, or a whole patch equal to the
// window's current patch (a Matrix-6 holds it once the program change that
// follows the store has been taken).
bool carriesFinal(const Taken& message, const Case& c, const PatchRecord& current, Byte parameter,
                  Byte value)
{
    const auto& b = message.bytes;
    if (c.model == SynthModel::Matrix1000 && b.size() == 7 && b[3] == 0x06)
        return b[4] == parameter && b[5] == value;
    if (b.size() == kPatchMessageSize) {
        PatchRecord record{};
        return unpackBlock(b, record) == UnpackStatus::Ok && record == current;
    }
    if (c.model == SynthModel::Matrix6 && b.size() == 7 && b[3] == 0x06)
        return b[4] == parameter && b[5] == value;
    return false;
}

int runCase(const Case& c, const midi::MidiDevices& devices, InstrumentProcess& instrument,
            const std::string& name, const std::filesystem::path& folder)
{
    // The settings a user who chose the instrument's ports would have.
    const int in = indexOfJackPort(devices.inputNames(), name + " out");
    const int out = indexOfJackPort(devices.outputNames(), name + " in");
    if (in < 0 || out < 0) {
        std::printf("drag bench: the instrument's ports are not listed\n");
        return 1;
    }
    {
        std::ofstream ini(folder / "velmora.ini");
        ini << "[MIDI]\nModel="
            << (c.model == SynthModel::Matrix6 ? Settings::kMatrix6 : Settings::kMatrix1000)
            << "\nIn1=" << in << "\nDevice1=" << devices.inputName(in) << "\nOut=" << out
            << "\nDeviceOut=" << devices.outputName(out) << "\n";
    }
    MainWindow window(devices);
    if (!window.startUp()) {
        std::printf("drag bench: the window did not start\n");
        return 1;
    }
    window.show();
    auto* slider = window.findChild<QAbstractSlider*>(QLatin1String(c.slider));
    if (slider == nullptr) {
        std::printf("drag bench: no control %s\n", c.slider);
        return 1;
    }
    if (!slider->isEnabled()) {
        // A bus amount needs its bus on.
        auto* on = window.findChild<QWidget*>(QStringLiteral("cbBUS1enabled"));
        QMetaObject::invokeMethod(on, "click");
    }
    // As after a patch was opened or received: whole-patch sends go out.
    window.transfer().flags().patchLoaded = true;
    window.transfer().midiSendPatch();
    slider->setValue(c.from);
    pumpFor(1s);
    (void)takeUntilQuiet(instrument, 1500ms);

    const auto start = Clock::now();
    slider->setSliderDown(true);
    Clock::time_point lastStep;
    for (int i = 1; i <= kSteps; ++i) {
        const auto due = start + kStepTime * (i - 1);
        while (Clock::now() < due) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(200us);
        }
        lastStep = Clock::now();
        slider->setSliderPosition(c.from + i);
        QCoreApplication::processEvents();
    }
    slider->setSliderDown(false);
    const auto dragEnd = Clock::now();
    const auto taken = takeUntilQuiet(instrument, 3s);

    // What the screen ends on.
    PatchRecord current{};
    std::ranges::copy(recordOf(window.records().currentPatch), current.begin());
    const int control = widgets::tagOf(slider);
    const Byte parameter = control >= 0 ? controls().paramNumbers[std::size_t(control)] : 0;
    const Byte value =
        control >= 0
            ? Byte(window.records().currentPatch[controls().patchOffsets[std::size_t(control)]] &
                   0x7F)
            : 0;

    std::size_t bytes = 0;
    // When the instrument came to hold the final value; zero while it does not.
    Clock::time_point holds{};
    // Until when the cable was still carrying a message that was under way
    // at the last step (and not yet the final value): time no sender can save.
    Clock::time_point underWay = lastStep;
    bool endsOnFinal = false;
    for (std::size_t k = 0; k < taken.size(); ++k) {
        const Taken& m = taken[k];
        if (m.at < start)
            continue;
        bytes += m.bytes.size();
        const bool editBuffer = m.bytes.size() == 7 || (m.bytes.size() == kPatchMessageSize &&
                                                        (m.bytes[3] == 0x0D || m.bytes[3] == 0x01));
        if (!editBuffer)
            continue;
        endsOnFinal = carriesFinal(m, c, current, parameter, value);
        if (!endsOnFinal && m.at > lastStep && underWay == lastStep)
            underWay = m.at;
        if (endsOnFinal && holds == Clock::time_point{}) {
            holds = m.at;
            // A store to the Matrix-6's working slot counts once its program
            // change is taken.
            if (m.bytes[3] == 0x01) {
                holds = {};
                for (std::size_t j = k + 1; j < taken.size(); ++j)
                    if (taken[j].bytes.size() == 2 && (taken[j].bytes[0] & 0xF0) == 0xC0) {
                        holds = taken[j].at;
                        break;
                    }
            }
        } else if (!endsOnFinal) {
            holds = {};
        }
    }
    const double dragMs = std::chrono::duration<double, std::milli>(lastStep - start).count();
    const double cableBytes = dragMs / 1000.0 * 3125.0;
    std::printf("drag %s: %d steps in %.0f ms (window busy until %.0f ms), %zu bytes reached the "
                "instrument (the cable carries %.0f in that time)\n",
                c.title, kSteps, dragMs,
                std::chrono::duration<double, std::milli>(dragEnd - start).count(), bytes,
                cableBytes);
    const auto ms = [](Clock::duration d) {
        return std::chrono::duration<double, std::milli>(d).count();
    };
    if (holds != Clock::time_point{} && endsOnFinal)
        std::printf("drag %s: the instrument held the final value %.1f ms after the last step "
                    "(%.1f ms of it the cable finishing a message already under way)\n",
                    c.title, ms(holds - lastStep), ms(underWay - lastStep));
    else
        std::printf("drag %s: the instrument did NOT end on the value the screen shows\n", c.title);
    window.close();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (!jackServerRuns()) {
        std::printf("drag bench: no JACK server runs; skipped\n");
        return 0;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // A program folder of its own: the initial patch, and settings nobody keeps.
    std::string pattern = (std::filesystem::temp_directory_path() / "velmora-drag-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        return 1;
    const std::filesystem::path folder = pattern;
    std::filesystem::copy_file(VELMORA_DEFAULT_SYX, folder / "default.syx");
    AppPaths::setProgramFolderForTests(QString::fromStdString(folder.string()));

    const Case cases[] = {
        {"(a) cutoff, Matrix-1000", SynthModel::Matrix1000, "sbVCFfreq", 0},
        {"(b) Env 2 -> VCA 2, Matrix-1000", SynthModel::Matrix1000, "tbVCA2env", -63},
        {"(c) bus 1 amount, Matrix-6", SynthModel::Matrix6, "tbBUS1amount", -63},
    };
    int failures = 0;
    // Each case three times: where the last step falls against a whole patch
    // on the cable changes from run to run.
    for (int run = 0; run < 3; ++run)
        for (const Case& c : cases) {
            const std::string name = uniqueName("Velmora Drag");
            const auto instrument = startInstrument(
                name, {"--pace", "cable", "--receive", "cable", "--verbose", "--stamp", "--model",
                       c.model == SynthModel::Matrix6 ? "6" : "1000"});
            if (!instrument) {
                std::printf("drag bench: velmora-instrument did not start\n");
                return 1;
            }
            midi::MidiDevices devices;
            devices.addBackend(midi::createRtMidiBackend());
            failures += runCase(c, devices, *instrument, name, folder);
        }
    std::filesystem::remove_all(folder);
    return failures;
}
