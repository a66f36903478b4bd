// Feeds arbitrary bytes to the settings file reader as "velmora.ini". What the
// program reads from a file must read the same once it has written the file
// back (every setting, and the sections, its own and others'), and a second
// save of what it read from its own file must write the same bytes.
#include "app/SettingsFile.h"
#include "common/IniFile.h"

#include <cstdio>
#include <cstdlib>

using namespace velmora;

namespace {

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "SettingsFileFuzz: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray file =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    IniFile ini;
    ini.parse(file);
    const Settings read = settingsFromIni(ini);
    const QStringList sections = ini.sectionNames();
    settingsToIni(read, ini);
    const QByteArray written = ini.bytes();

    IniFile again;
    again.parse(written);
    check(settingsFromIni(again) == read, "the written file reads other settings");
    check(again.sectionNames().mid(0, sections.size()) == sections,
          "the written file lists other sections");
    settingsToIni(read, again);
    check(again.bytes() == written, "a second save writes other bytes");
    return 0;
}
