// The settings file: what is read, what is written, and what an older
// installation's settings turn into; and how the device settings reach the
// MIDI devices.
#include "app/SettingsStore.h"
#include "common/IniFile.h"
#include "midi/FakeBackend.h"
#include "midi/MidiSetup.h"
#include "support/TempDir.h"

#include <QFile>
#include <QMap>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace velmora;
using velmora::test::TempDir;

namespace {

class FakeLegacy : public LegacySettings
{
public:
    bool hasSection(const QString& subkey) override { return values.contains(subkey); }
    std::optional<QString> value(const QString& subkey, const QString& name) override
    {
        ++reads;
        const auto section = values.find(subkey);
        if (section == values.end() || !section->contains(name))
            return std::nullopt;
        return section->value(name);
    }
    void deleteSections() override
    {
        values.remove(QStringLiteral("MIDI"));
        values.remove(QStringLiteral("PROGRAM"));
    }

    QMap<QString, QMap<QString, QString>> values;
    int reads = 0;
};

QString fileText(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

Settings readFile(const TempDir& dir, const std::string& text)
{
    dir.write("velmora.ini", std::vector<std::uint8_t>(text.begin(), text.end()));
    FakeLegacy legacy;
    Settings settings;
    const auto result =
        readSettings(QString::fromStdString(dir.path("velmora.ini")), legacy, settings);
    EXPECT_EQ(result.source, SettingsReadResult::Source::File);
    return settings;
}

} // namespace

TEST(SettingsStore, RoundTripWritesEveryKeyInOrderAndKeepsUnknownLines)
{
    TempDir dir;
    const std::string text = "; my notes\n[MIDI]\nModel=0\nFavourite=Strings 7\n[Mine]\nA=1\n";
    dir.write("velmora.ini", std::vector<std::uint8_t>(text.begin(), text.end()));
    Settings written;
    written.model = Settings::kMatrix6;
    written.in1 = 1, written.device1 = "In B", written.in2 = 2, written.device2 = "Keys";
    written.out = 3, written.deviceOut = "Out D", written.channel = 15, written.channel2 = 16;
    written.bufferCount = 64, written.bufferSize = 1024, written.thruMode = true;
    written.ccMapping = true, written.autoPlay = false, written.note = 48;
    written.chord1 = 1, written.chord2 = 2, written.chord3 = 127;
    written.patchPath = "/p/", written.bankPath = "/b/", written.sequencePath = "/s/";
    written.splitPath = "/x/", written.addDownloads = true;
    written.mutate = {1, 2, 3, 4, 5, 6, 7, 8, 10};
    written.checkUploads = false, written.storePause = 40, written.globalWritePause = 500;
    const QString path = QString::fromStdString(dir.path("velmora.ini"));
    ASSERT_FALSE(writeSettings(path, written));

    FakeLegacy legacy;
    Settings read;
    readSettings(path, legacy, read);
    EXPECT_EQ(read, written);
    EXPECT_EQ(legacy.reads, 0);

    const QString expected =
        "; my notes\n[MIDI]\nModel=0\nFavourite=Strings 7\nIn1=1\nDevice1=In B\nIn2=2\n"
        "Device2=Keys\nOut=3\nDeviceOut=Out D\nChannel=15\nChannel2=16\nBufferCount=64\n"
        "BufferSize=1024\nThruMode=1\nCcMapping=1\n\n[Mine]\nA=1\n\n[PROGRAM]\nAutoPlay="
        "0\nRealTimeSends=1\nCheckUploads=0\nStorePause=40\nGlobalWritePause=500\n"
        "Note=48\nChord1=1\nChord2=2\nChord3=127\n\n[DIRECTORIES]\nPatchPath=/p/\n"
        "BankPath=/b/\nSequencePath=/s/\nSplitPath=/x/"
        "\n\n[LIBRARY]\nAddDownloads=1\n\n[MUTATE]\nSection1=1\nSection2=2\n"
        "Section3=3\nSection4=4\nSection5=5\nSection6=6\nSection7=7\nSection8=8\nSection9=10\n"
        "Lock1=0\nLock2=0\nLock3=0\nLock4=0\nLock5=0\nLock6=0\nLock7=0\nLock8=0\nLock9=0\n";
    EXPECT_EQ(fileText(dir.path("velmora.ini")), expected);
}

TEST(SettingsStore, WithoutAFileTheLegacySettingsAreTakenOverOnce)
{
    TempDir dir;
    const QString path = QString::fromStdString(dir.path("velmora.ini"));
    FakeLegacy legacy;
    legacy.values["MIDI"] = {{"ID_IN", "1"},    {"DEV_IN", "In B"},     {"ID_IN2", "2"},
                             {"ID_OUT", "0x1"}, {"CHANNEL", "4"},       {"CHANNEL2", "3"},
                             {"THRU", "1"},     {"BufferSize", "2048"}, {"CCMAP", "junk"}};
    legacy.values["PROGRAM"] = {{"NOTE", "50"}, {"NOTE3", "72"}, {"BankPath", "C:\\Banks\\"}};
    Settings settings;
    settings.note = 0;
    EXPECT_EQ(readSettings(path, legacy, settings).source, SettingsReadResult::Source::Legacy);
    Settings expected;
    expected.in1 = 1, expected.device1 = "In B", expected.in2 = 2, expected.out = 1;
    expected.channel = 4, expected.channel2 = 3, expected.thruMode = true;
    expected.bufferSize = 2048, expected.note = 50, expected.chord3 = 72;
    expected.bankPath = "C:\\Banks\\";
    EXPECT_EQ(settings, expected);
    // Removed only once the file holds them.
    EXPECT_TRUE(legacy.values.isEmpty());
    Settings again;
    readSettings(path, legacy, again);
    EXPECT_EQ(again, expected);
}

TEST(SettingsStore, NothingStoredStartsFromTheDefaultsAndAFileHidesTheLegacyOnes)
{
    TempDir dir;
    const QString path = QString::fromStdString(dir.path("velmora.ini"));
    FakeLegacy empty;
    Settings settings;
    settings.model = 7;
    EXPECT_EQ(readSettings(path, empty, settings).source, SettingsReadResult::Source::Defaults);
    EXPECT_EQ(settings, Settings{});
    EXPECT_FALSE(QFile::exists(path));

    // A file exists: the legacy settings are neither read nor removed.
    readFile(dir, "[PROGRAM]\nNote=61\n");
    FakeLegacy legacy;
    legacy.values["MIDI"] = {{"ID_IN", "1"}};
    readSettings(path, legacy, settings);
    EXPECT_EQ(settings.note, 61);
    EXPECT_EQ(legacy.reads, 0);
    EXPECT_TRUE(legacy.values.contains("MIDI"));
}

TEST(SettingsStore, ValuesAreReadAsTheProfileFunctionsDo)
{
    TempDir dir;
    // Names without case and hexadecimal numbers are the file's own rules,
    // tested with IniFile; here the values and ranges of the settings.
    Settings s = readFile(dir, "[MIDI]\nBufferSize=9999999\n"
                               "[PROGRAM]\nChord1=  64 \nChord2=sixty\nChord3=200\n"
                               "StorePause=3\nGlobalWritePause=60000\n"
                               "[MUTATE]\nSection4=300\nSection9=-1\n");
    EXPECT_EQ(s.chord1, 64);      // blanks around a value
    EXPECT_EQ(s.chord2, 65);      // no number: the default
    EXPECT_EQ(s.chord3, 69);      // no MIDI note: the default
    EXPECT_EQ(s.bufferSize, 512); // beyond what the SysEx setup offers: the default
    // Pauses shorter than the instrument may get or absurdly long: the defaults.
    EXPECT_EQ(s.storePause, 12);
    EXPECT_EQ(s.globalWritePause, 300);
    EXPECT_EQ(s.mutate[3], 44); // the low byte of 300
    EXPECT_EQ(s.mutate[8], 255);
}

TEST(SettingsStore, CorruptFilesReadWithoutHarm)
{
    TempDir dir;
    EXPECT_EQ(readFile(dir, "\x7f"
                            "ELF garbage ][ = = [[\n=\n[\n]]]\n"),
              Settings{});
    // A line cut short: "Note=6" still is a number, "Chor" is no key at all.
    Settings cut = readFile(dir, "[PROGRAM]\nAutoPlay=0\nNote=6\nChor");
    EXPECT_EQ(cut.note, 6);
    EXPECT_FALSE(cut.autoPlay);
    EXPECT_EQ(cut.chord1, 60);
    // Binary bytes, NUL among them, in a file that is no UTF-8.
    using namespace std::string_literals;
    const std::string odd = "\xfe\xff\x00\x80"s;
    Settings bin = readFile(dir, "[MIDI]\nChannel=\0\xff\x01"s + "3\nModel=0\n" + odd +
                                     "\n[PROGRAM]\nNote=\x80\0\n"s);
    EXPECT_EQ(bin.channel, 0);
    EXPECT_EQ(bin.model, 0);
    EXPECT_EQ(bin.note, 60);
    // The lines the program does not know survive a save, byte for byte.
    ASSERT_FALSE(writeSettings(QString::fromStdString(dir.path("velmora.ini")), bin));
    const auto bytes = dir.read("velmora.ini");
    const std::vector<std::uint8_t> kept(odd.begin(), odd.end());
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), kept.begin(), kept.end()), bytes.end());
}

TEST(SettingsStore, AFolderThatCannotBeWrittenIsReported)
{
    TempDir dir;
    std::string path;
    if (geteuid() == 0) {
        // Permissions do not bind root: a folder that is a file cannot hold one.
        dir.write("file", {1});
        path = dir.path("file") + "/velmora.ini";
    } else {
        std::filesystem::create_directory(dir.dir() / "ro");
        chmod((dir.dir() / "ro").c_str(), 0555);
        path = (dir.dir() / "ro" / "velmora.ini").string();
    }
    const QString qpath = QString::fromStdString(path);
    EXPECT_EQ(writeSettings(qpath, Settings{}), "Unable to write to " + qpath);
    chmod((dir.dir() / "ro").c_str(), 0755);
}

TEST(SettingsStore, DeviceSettingsReachTheDevicesAndComeBack)
{
    midi::MidiDevices devices;
    devices.addBackend(
        std::make_unique<midi::test::FakeBackend>(std::vector<std::string>{"In A", "In B", "Keys"},
                                                  std::vector<std::string>{"Out A", "Out B"}));
    midi::MidiSetup midi(devices, {});
    midi.initMidiControls();

    // An installed name wins over the number; "In2" equal to "In1" leaves the
    // second input where "Device2" puts it, and is kept as stored.
    Settings s;
    s.in1 = 0, s.device1 = "In B", s.in2 = 1, s.device2 = "Keys", s.out = 1;
    s.channel = 5, s.channel2 = 2, s.thruMode = true, s.bufferCount = 48, s.bufferSize = 1024;
    EXPECT_TRUE(applyDeviceSettings(midi, s).isEmpty());
    EXPECT_EQ(midi.input().deviceID(), 1);
    EXPECT_EQ(midi.input2().deviceID(), 2);
    EXPECT_EQ(midi.secondInputDevice(), 1);
    EXPECT_EQ(midi.output().productName(), "Out B");
    EXPECT_EQ(midi.routing().instrumentChannel, 5);
    EXPECT_EQ(midi.input().sysexBufferSize(), 1024);
    Settings taken;
    takeDeviceSettings(midi, taken);
    EXPECT_EQ(taken.in1, 1);
    EXPECT_EQ(taken.in2, 1);
    EXPECT_EQ(taken.device2, "Keys");
    EXPECT_EQ(taken.deviceOut, "Out B");
    EXPECT_EQ(taken.bufferCount, 48);
    EXPECT_TRUE(taken.thruMode);

    // Ports that are not there today: start-up goes on, the user is told.
    Settings gone;
    gone.in1 = 9, gone.deviceOut = "Old Out", gone.device2 = "Old Keys";
    const QStringList warnings = applyDeviceSettings(midi, gone);
    ASSERT_EQ(warnings.size(), 2) << warnings.join('\n').toStdString();
    EXPECT_TRUE(warnings[0].contains("Invalid device ID"));
    EXPECT_TRUE(warnings[1].contains("Old Out not installed"));
    EXPECT_EQ(gone.in1, 1); // stays where it was
    EXPECT_EQ(gone.deviceOut, "Out A");
}
