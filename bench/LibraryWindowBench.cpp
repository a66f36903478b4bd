// A plain program: the Patch Library window over a library of 100,000
// patches. Prints how long the window takes to come up showing its first
// rows (the goal is under 150 ms), a keystroke in its search box, and a
// jump to the end of the table, each the median of several runs, and the
// memory the window adds. Run with QT_QPA_PLATFORM=offscreen for figures
// without a display.
#include "collection/PatchCollection.h"
#include "collection/PatchLibraryWindow.h"
#include "collection/PatchTableModel.h"
#include "library/BankEdits.h"
#include "support/DemoPatches.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace velmora;
using namespace velmora::collection;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kPatches = 100'000;
constexpr int kRuns = 7;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::ranges::sort(values);
    return values[values.size() / 2];
}

// Resident memory in kilobytes (Linux), 0 elsewhere.
long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

// Every patch different: a demo patch, its name and two data bytes from
// the number.
std::vector<IncomingPatch> patches()
{
    const char* const words[] = {"BASS", "PAD", "BRASS", "LEAD", "STRG", "ORGAN", "KEYS", "BELL"};
    std::vector<IncomingPatch> all;
    all.reserve(kPatches);
    for (int k = 0; k < kPatches; ++k) {
        PatchBuffer buffer = demo::demoPatch(static_cast<std::uint32_t>(k % 1000));
        library::writeName(buffer, std::string(words[k % 8]) + " " + std::to_string(k % 1000));
        buffer[20] = static_cast<Byte>(k & 0x3F);
        buffer[21] = static_cast<Byte>((k >> 6) & 0x3F);
        buffer[22] = static_cast<Byte>((k >> 12) & 0x3F);
        PatchRecord record{};
        std::copy_n(buffer.begin(), kPatchRecordSize, record.begin());
        all.push_back({record, QStringLiteral("/banks/set%1.syx").arg(k / 100),
                       k % 2 == 0 ? PatchModel::Matrix1000 : PatchModel::Matrix6});
    }
    return all;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QTemporaryDir folder;
    auto opened = PatchCollection::open(folder.filePath(QStringLiteral("library.sqlite")));
    if (auto* failure = std::get_if<PatchCollection::OpenFailure>(&opened)) {
        std::fprintf(stderr, "%s\n", qPrintable(failure->message));
        return 1;
    }
    PatchCollection& store = *std::get<std::unique_ptr<PatchCollection>>(opened);
    const auto filling = Clock::now();
    const AddSummary summary = store.add(patches());
    std::printf("library of %d patches filled in %.0f ms\n", summary.added, msSince(filling));

    // In the program the main window is up before the library is opened:
    // the widget styles and fonts are ready. A window of table and line edit
    // shown first does the same here, so that the figures are the library
    // window's own.
    {
        QWidget warm;
        auto* layout = new QVBoxLayout(&warm);
        layout->addWidget(new QLineEdit);
        auto* table = new QTableView;
        QStandardItemModel rows(50, 6);
        table->setModel(&rows);
        layout->addWidget(table);
        warm.show();
        warm.grab();
    }

    std::vector<double> shown;
    std::vector<double> keys;
    std::vector<double> ends;
    long added = 0; // by the first window
    for (int run = 0; run < kRuns; ++run) {
        const long before = residentKb();
        const auto start = Clock::now();
        auto window = std::make_unique<PatchLibraryWindow>(store);
        window->show();
        // Shown: laid out and the first rows painted.
        window->grab();
        shown.push_back(msSince(start));
        if (run == 0)
            added = residentKb() - before;

        auto* search = window->findChild<QLineEdit*>(QStringLiteral("edLibrarySearch"));
        const auto typed = Clock::now();
        search->setText(QStringLiteral("b"));
        window->grab();
        keys.push_back(msSince(typed));
        search->clear();

        auto* table = window->findChild<QTableView*>(QStringLiteral("tvLibraryPatches"));
        const auto jumped = Clock::now();
        table->scrollToBottom();
        window->grab();
        ends.push_back(msSince(jumped));
    }
    // The first window also has the store read its search index.
    std::printf("window shown with %d patches: first %.1f ms, then %.1f ms (median of %d)\n",
                store.count(), shown.front(), median(shown), kRuns);
    std::printf("a keystroke in the search box, table repainted: %.1f ms\n", median(keys));
    std::printf("jump to the end of the table: %.1f ms\n", median(ends));
    std::printf("memory the first window adds (with the store's search index): %ld kB\n", added);
    return 0;
}
