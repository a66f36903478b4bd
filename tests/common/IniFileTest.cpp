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
