// Feeds arbitrary bytes to the sequence file reader as a .vms file and applies
// what it reads to a sequencer, as opening the file does. The sequencer must
// then hold only what its controls can show (notes 32..127, a period of
// 0..600 ms), and the file it writes for that, through the real writer and
// reader, must open to the same pattern.
#include "perform/Sequence.h"

#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace velmora::perform;

namespace {

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "SequenceFileFuzz: %s\n", what);
        std::abort();
    }
}

bool samePattern(const Sequence& a, const Sequence& b)
{
    for (int step = 0; step < Sequence::kSteps; ++step)
        if (a.note(step) != b.note(step) || a.muted(step) != b.muted(step))
            return false;
    return a.period() == b.period();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto record = sequenceRecord(std::span<const std::uint8_t>(data, size));
    check(record.has_value() == (size >= Sequence::kFileSize), "took a file of the wrong size");
    if (!record)
        return 0;
    check(std::equal(record->begin(), record->end(), data), "the record is not the file's start");

    Sequence opened;
    opened.apply(*record);
    for (int step = 0; step < Sequence::kSteps; ++step) {
        check(opened.note(step) >= Sequence::kLowestNote &&
                  opened.note(step) <= Sequence::kHighestNote,
              "a note the step's bar cannot show");
        check(opened.muted(step) ==
                  ((*record)[static_cast<std::size_t>(Sequence::kSteps + step)] == 1),
              "a mute other than the file's");
    }
    check(opened.period() >= 0 && opened.period() <= Sequence::kLongestPeriod,
          "a period the tempo bar cannot show");

    // One folder for the whole run, removed at exit.
    static QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/velmora-vms-fuzz-XXXXXX"));
    check(folder.isValid(), "no scratch folder");
    const QString path = folder.filePath(QStringLiteral("fuzz.vms"));
    const Sequence::Record written = opened.toRecord();
    check(!writeSequenceFile(path, written), "the scratch file could not be written");
    const auto back = readSequenceFile(path);
    check(std::holds_alternative<Sequence::Record>(back), "the written file does not open");
    check(std::get<Sequence::Record>(back) == written, "the written file reads other bytes");
    Sequence reopened;
    reopened.apply(std::get<Sequence::Record>(back));
    check(samePattern(reopened, opened), "the written file opens to another pattern");
    return 0;
}
