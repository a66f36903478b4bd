// The settings file: names without case, values and unknown keys kept, keys
// in the order given, and a save that cannot half-write the file.
#include "common/IniFile.h"
#include "support/TempDir.h"

#include <QFile>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace velmora;

namespace {

QString text(const std::vector<std::uint8_t>& bytes)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(bytes.data()),
                             static_cast<qsizetype>(bytes.size()));
}

} // namespace

TEST(IniFile, ReadsAsTheProfileFunctionsDoAndKeepsWhatItDoesNotKnow)
{
    test::TempDir dir;
    const std::string original = "; written by hand\n"
                                 "[midi]\n"
                                 "model = 0\n"
                                 "Device1=Midisport 2x2 Port A (ALSA)\n"
                                 "Channel=abc\n"
                                 "Future=kept\n"
                                 "[Program]\n"
                                 "AutoPlay=0\n";
    const QString path = QString::fromStdString(
        dir.write("velmora.ini", std::vector<std::uint8_t>(original.begin(), original.end())));

    IniFile ini;
    ASSERT_TRUE(ini.load(path));
    EXPECT_TRUE(ini.exists());
    EXPECT_EQ(ini.readInteger("MIDI", "Model", 2), 0);
    EXPECT_EQ(ini.readString("MIDI", "device1", ""), "Midisport 2x2 Port A (ALSA)");
    EXPECT_EQ(ini.readInteger("MIDI", "Channel", 5), 5); // not a number
    EXPECT_EQ(ini.readInteger("MIDI", "In2", -1), -1);   // missing
    EXPECT_FALSE(ini.readBool("PROGRAM", "AutoPlay", true));
    EXPECT_TRUE(ini.readBool("PROGRAM", "Missing", true));

    ini.writeInteger("MIDI", "Model", 2);
    ini.writeInteger("MIDI", "Out", 1);
    ini.writeBool("MUTATE", "Section1", true);
    ASSERT_TRUE(ini.save(path));
    EXPECT_EQ(text(dir.read("velmora.ini")), "; written by hand\n"
                                             "[midi]\n"
                                             "model=2\n"
                                             "Device1=Midisport 2x2 Port A (ALSA)\n"
                                             "Channel=abc\n"
                                             "Future=kept\n"
                                             "Out=1\n"
                                             "\n"
                                             "[Program]\n"
                                             "AutoPlay=0\n"
                                             "\n"
                                             "[MUTATE]\n"
                                             "Section1=1\n");
}

TEST(IniFile, AMissingFileReadsEmptyAndAFailedSaveLeavesTheOldOne)
{
    test::TempDir dir;
    IniFile ini;
    ASSERT_TRUE(ini.load(QString::fromStdString(dir.path("none.ini"))));
    EXPECT_FALSE(ini.exists());
    EXPECT_EQ(ini.readString("MIDI", "DeviceOut", "fallback"), "fallback");

    ini.writeString("MIDI", "DeviceOut", "Velmora Virtual Matrix-1000");
    const QString path = QString::fromStdString(dir.path("velmora.ini"));
    ASSERT_TRUE(ini.save(path));
    const auto saved = dir.read("velmora.ini");

    // A folder where the file should be: the save fails with a reason.
    QString error;
    EXPECT_FALSE(ini.save(QString::fromStdString(dir.path("no/such/folder/velmora.ini")), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(dir.read("velmora.ini"), saved);
}

TEST(IniFile, AWindowsFileKeepsItsCodePageAndLineEnds)
{
    // Written by an older install on Windows: 8-bit text (0xE9 is "é" there),
    // CR LF line ends, a hexadecimal number.
    test::TempDir dir;
    const std::vector<std::uint8_t> original = {
        '[', 'M', 'I',  'D',  'I',  ']', '\r', '\n', 'D', 'e', 'v', 'i', 'c', 'e', '1',  '=', 'C',
        'a', 'f', 0xE9, '\r', '\n', 'N', 'o',  't',  'e', '=', '0', 'x', '3', 'C', '\r', '\n'};
    const QString path = QString::fromStdString(dir.write("velmora.ini", original));
    IniFile ini;
    ASSERT_TRUE(ini.load(path));
    EXPECT_EQ(ini.readString("MIDI", "Device1", ""), QStringLiteral("Caf\u00e9"));
    EXPECT_EQ(ini.readInteger("MIDI", "Note", 0), 60);
    EXPECT_EQ(ini.sectionNames(), QStringList{"MIDI"});
    ASSERT_TRUE(ini.save(path));
    const auto saved = dir.read("velmora.ini");
    EXPECT_EQ(std::count(saved.begin(), saved.end(), 0xE9), 1);
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\r'), 0);
    EXPECT_TRUE(ini.eraseSection("midi"));
    EXPECT_TRUE(ini.sectionNames().isEmpty());
}

// A file in a Windows code page stays in it while that carries the text; a
// save whose text it cannot carry, or that would read as UTF-8 afterwards,
// writes UTF-8, so the next read finds the same letters.
TEST(IniFile, AWindowsFileBecomesUtf8OnlyWhenItsCodePageWouldChangeTheText)
{
    IniFile ini;
    ini.parse("[MIDI]\nDevice1=Caf\xE9\n");
    ini.writeString("MIDI", "Device2", QStringLiteral("Port \u30E4"));
    const QByteArray saved = ini.bytes();
    EXPECT_EQ(saved, "[MIDI]\nDevice1=Caf\xC3\xA9\nDevice2=Port \xE3\x83\xA4\n");
    IniFile again;
    again.parse(saved);
    EXPECT_EQ(again.readString("MIDI", "Device1", ""), QStringLiteral("Caf\u00E9"));
    EXPECT_EQ(again.readString("MIDI", "Device2", ""), QStringLiteral("Port \u30E4"));

    // 8-bit "Ã©" followed by a no-break space (0xA0), which a value loses as
    // a blank: C3 A9 alone is UTF-8 for "é".
    IniFile blank;
    blank.parse("[MIDI]\nDevice1=\xC3\xA9\xA0\n");
    EXPECT_EQ(blank.readString("MIDI", "Device1", ""), QStringLiteral("\u00C3\u00A9"));
    again.parse(blank.bytes());
    EXPECT_EQ(again.readString("MIDI", "Device1", ""), QStringLiteral("\u00C3\u00A9"));

    // What the code page carries stays in it.
    IniFile plain;
    plain.parse("[MIDI]\nDevice1=Caf\xE9\n");
    plain.writeString("MIDI", "Device2", QStringLiteral("Se\u00F1al"));
    EXPECT_EQ(plain.bytes(), "[MIDI]\nDevice1=Caf\xE9\nDevice2=Se\xF1"
                             "al\n");
}

// Damaged lines found by fuzzing: a save must not change what a later read
// finds, nor the next save's bytes.
TEST(IniFile, DamagedLinesKeepTheirMeaningThroughASave)
{
    auto reread = [](const IniFile& ini) {
        IniFile again;
        again.parse(ini.bytes());
        return again;
    };

    // "[]" opens a nameless section: its lines stay out of the one before.
    IniFile nameless;
    nameless.parse("[One]\nPoint 1=1\n[]\nPoint 2=2\n");
    nameless.writeInteger("Two", "Point 1", 5);
    EXPECT_EQ(nameless.bytes(), "[One]\nPoint 1=1\n\n[]\nPoint 2=2\n\n[Two]\nPoint 1=5\n");
    EXPECT_EQ(reread(nameless).readString("One", "Point 2", "none"), "none");

    // A line with nothing before its "=" is no key and is kept whole; taken
    // as a key-less value it was written as "Channel=5", a key on the next
    // read that hid the one written after it.
    IniFile keyless;
    keyless.parse(" =Channel=5\n[MIDI]\n =Channel=5\n");
    EXPECT_EQ(keyless.readInteger("MIDI", "Channel", 0), 0);
    keyless.writeInteger("MIDI", "Channel", 0);
    EXPECT_EQ(keyless.bytes(), " =Channel=5\n[MIDI]\n =Channel=5\nChannel=0\n");
    EXPECT_EQ(reread(keyless).readInteger("MIDI", "Channel", 9), 0);

    // CR CR LF (line ends converted twice): no CR is left in a kept line to
    // read as another line end after the save.
    IniFile doubled;
    doubled.parse("[MIDI]\r\r\n; note\r\r\nModel=0\r\r\n");
    EXPECT_EQ(doubled.bytes(), "[MIDI]\n; note\nModel=0\n");
    EXPECT_EQ(reread(doubled).bytes(), doubled.bytes());
}
