// The patch library's figures: an import of 10,000 patches from 100 bank
// files, search as the user types over 100,000 patches, and what 100,000
// patches cost in memory and on disk. A plain program that prints them.
#include "collection/CollectionFiles.h"
#include "collection/PatchCollection.h"
#include "library/SysexFiles.h"
#include "support/DemoPatches.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace velmora;
using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The process's resident memory in KiB.
long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return 0;
}

std::unique_ptr<collection::PatchCollection> open(const QString& path)
{
    auto opened = collection::PatchCollection::open(path);
    if (auto* failure = std::get_if<collection::PatchCollection::OpenFailure>(&opened)) {
        std::fprintf(stderr, "%s\n", failure->message.toLocal8Bit().constData());
        std::exit(1);
    }
    return std::move(std::get<std::unique_ptr<collection::PatchCollection>>(opened));
}

// A patch named as owners name them: a word and a number, so that typing
// narrows the results step by step.
PatchRecord namedPatch(std::uint32_t seed)
{
    static const std::array<const char*, 16> words = {
        "BRASS", "STRING", "PAD",  "BELL",  "BASS", "LEAD", "ORGAN", "SWEEP",
        "CHOIR", "PIANO",  "SYNC", "FLUTE", "STAB", "WIND", "KEYS",  "HORN"};
    const PatchBuffer buffer = demo::demoPatch(seed);
    PatchRecord record{};
    std::copy_n(buffer.begin(), kPatchRecordSize, record.begin());
    // Ten more bytes of the seed in the data, so that 100,000 seeds give
    // 100,000 different contents.
    record[kPatchNameLength + 2] = static_cast<Byte>(seed % 64);
    record[kPatchNameLength + 3] = static_cast<Byte>((seed / 64) % 64);
    record[kPatchNameLength + 4] = static_cast<Byte>((seed / 4096) % 64);
    std::string name = words[seed % words.size()];
    name += ' ' + std::to_string(seed % 1000);
    name.resize(kPatchNameLength, ' ');
    std::copy(name.begin(), name.end(), record.begin());
    return record;
}

void importFigures(const QDir& dir)
{
    const QString folder = dir.filePath(QStringLiteral("banks"));
    dir.mkpath(folder);
    for (std::uint32_t file = 0; file < 100; ++file) {
        library::Bank bank{};
        for (std::size_t k = 0; k < kBankPatchCount; ++k) {
            const PatchRecord record = namedPatch(file * 100 + static_cast<std::uint32_t>(k));
            std::copy(record.begin(), record.end(), bank[k].begin());
        }
        const auto bytes = library::bankSysex(bank);
        library::writeFileAtomically(
            QDir(folder).filePath(QStringLiteral("bank%1.syx").arg(file)).toStdString(), bytes);
    }
    auto library = open(dir.filePath(QStringLiteral("import.sqlite")));
    const auto start = Clock::now();
    const auto result = collection::importPaths(*library, {folder});
    const double ms = msSince(start);
    std::printf("import of 100 bank files: %s in %.0f ms (goal: under 3000 ms)\n",
                result.summary.sentence().toLocal8Bit().constData(), ms);
    const auto again = Clock::now();
    const auto known = collection::importPaths(*library, {folder});
    std::printf("the same files again: %s in %.0f ms\n",
                known.summary.sentence().toLocal8Bit().constData(), msSince(again));
}

void searchAndMemoryFigures(const QDir& dir)
{
    const QString path = dir.filePath(QStringLiteral("large.sqlite"));
    const long before = residentKiB();
    auto library = open(path);
    std::vector<collection::IncomingPatch> patches;
    constexpr std::uint32_t kCount = 100000;
    patches.reserve(kCount);
    for (std::uint32_t seed = 0; seed < kCount; ++seed)
        patches.push_back({namedPatch(seed),
                           QStringLiteral("/home/ann/patches/collection%1.syx").arg(seed / 100),
                           collection::PatchModel::Either});
    const auto start = Clock::now();
    const auto summary = library->add(patches);
    std::printf("adding 100,000 patches at once: %s in %.0f ms\n",
                summary.sentence().toLocal8Bit().constData(), msSince(start));
    patches.clear();
    patches.shrink_to_fit();
    // Some tags and comments, as a user adds them.
    for (collection::PatchId id = 1; id <= 2000; ++id) {
        library->setTags(id, {QStringLiteral("warm"), QStringLiteral("live set")});
        library->setComment(id, QStringLiteral("from Ann's stage bank"));
    }

    // Typing a word letter by letter, then deleting it again; each keystroke
    // is one search (the window asks for the ids, then the rows it shows).
    const QString word = QStringLiteral("string 4");
    std::vector<QString> keystrokes;
    for (qsizetype n = 1; n <= word.size(); ++n)
        keystrokes.push_back(word.left(n));
    for (qsizetype n = word.size() - 1; n >= 0; --n)
        keystrokes.push_back(word.left(n));
    std::printf("search as you type over %d patches (ms per keystroke, goal: under 30 ms):\n",
                library->count());
    double worst = 0;
    for (const collection::SortColumn sort :
         {collection::SortColumn::Name, collection::SortColumn::Added}) {
        for (const QString& text : keystrokes) {
            collection::Query query;
            query.text = text;
            query.sort = sort;
            double best = 1e9;
            std::size_t found = 0;
            for (int repeat = 0; repeat < 5; ++repeat) {
                const auto t = Clock::now();
                const auto ids = library->search(query);
                const auto shown = std::span(ids).first(std::min<std::size_t>(ids.size(), 40));
                library->rows(shown);
                best = std::min(best, msSince(t));
                found = ids.size();
            }
            worst = std::max(worst, best);
            std::printf("  %-6s \"%s\": %6zu found, %5.1f ms\n",
                        sort == collection::SortColumn::Name ? "name" : "added",
                        text.toLocal8Bit().constData(), found, best);
        }
    }
    std::printf("slowest keystroke: %.1f ms\n", worst);

    collection::Query tagged;
    tagged.tag = QStringLiteral("warm");
    const auto t = Clock::now();
    const auto tagIds = library->search(tagged);
    std::printf("tag filter: %zu found in %.1f ms\n", tagIds.size(), msSince(t));
    const auto s = Clock::now();
    const auto similar = library->similar(1, 8);
    std::printf("similar patches of one among 100,000: %zu found in %.1f ms\n", similar.size(),
                msSince(s));

    const long after = residentKiB();
    const auto fileSize = [&](const QString& suffix) { return QFileInfo(path + suffix).size(); };
    std::printf("memory with 100,000 patches: resident memory grew by %.1f MiB; database file "
                "%.1f MiB (+ %.1f MiB write-ahead log)\n",
                double(after - before) / 1024.0, double(fileSize({})) / (1024.0 * 1024.0),
                double(fileSize(QStringLiteral("-wal"))) / (1024.0 * 1024.0));
    const auto o = Clock::now();
    library.reset();
    auto reopened = open(path);
    std::printf("opening the library of 100,000 patches again (with its check): %.0f ms\n",
                msSince(o));
    // The first search reads what searches look at into memory.
    const auto f = Clock::now();
    const auto all = reopened->search({});
    std::printf("first search after opening (%zu found): %.0f ms\n", all.size(), msSince(f));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    if (!temp.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    const QDir dir(temp.path());
    importFigures(dir);
    searchAndMemoryFigures(dir);
    return 0;
}
