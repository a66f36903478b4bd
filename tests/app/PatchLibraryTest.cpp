// The Patch Library window as a user drives it, over a real library file in
// the test's program folder and the main window talking to the virtual
// instrument: typing in the search box, the filters, header clicks, the
// arrow keys auditioning, double clicks, drags onto the bank manager and
// the editor, Add to Library, and imports with their progress and Cancel.
#include "app/HelpBrowser.h"
#include "app/ProgressDialog.h"
#include "app/WindowRig.h"
#include "collection/CollectionData.h"
#include "collection/PatchCollection.h"
#include "collection/PatchLibraryWindow.h"
#include "collection/PatchTableModel.h"
#include "library/BankEdits.h"
#include "library/BankHistory.h"
#include "library/BankManagerWindow.h"
#include "library/PatchMime.h"
#include "library/SysexFiles.h"
#include "protocol/Messages.h"
#include "protocol/PatchName.h"
#include "support/DemoPatches.h"
#include "support/MidiFiles.h"
#include "support/TempDir.h"
#include "support/WidgetTesting.h"
#include "widgets/PanelStyle.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QUndoStack>
#include <QUrl>
#include <gtest/gtest.h>

#include <algorithm>

using namespace velmora;
using namespace velmora::collection;

// Texts in failure messages as text.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace {

// The library's questions answered by the test.
struct FakeLibraryDialogs : LibraryDialogs
{
    QStringList files;
    QString folder;
    QString bankFile;
    std::optional<QString> text;
    bool yes = true;
    QStringList told;

    QStringList importFiles(const QString&) override { return files; }
    QString importFolder(const QString&) override { return folder; }
    QString exportFolder(const QString&) override { return folder; }
    QString exportBankFile(const QString&) override { return bankFile; }
    std::optional<QString> askText(const QString&, const QString&, const QString&) override
    {
        return text;
    }
    bool askYesNo(const QString&) override { return yes; }
    void inform(const QString& message) override { told << message; }
};

const char* const kKinds[] = {"BRAS", "BASS", "STRG", "LEAD", "PADS", "ORGN"};

// Patch k of the test library: a demo patch named "BASS 007" and the like.
PatchRecord namedPatch(int k)
{
    PatchBuffer buffer = demo::demoPatch(static_cast<std::uint32_t>(k));
    const std::string name = std::string(kKinds[k % 6]) + " " +
                             QStringLiteral("%1").arg(k, 3, 10, QLatin1Char('0')).toStdString();
    library::writeName(buffer, name);
    PatchRecord record{};
    std::copy_n(buffer.begin(), kPatchRecordSize, record.begin());
    return record;
}

QString nameOf(int k)
{
    return QStringLiteral("%1 %2")
        .arg(QLatin1String(kKinds[k % 6]))
        .arg(k, 3, 10, QLatin1Char('0'));
}

// The main window, its library filled with `count` patches (even ones
// from a Matrix-1000, odd ones from a Matrix-6), and the library window.
struct LibraryRig : test::ProgramFolder, test::WindowRig
{
    explicit LibraryRig(int count = 300)
    {
        EXPECT_TRUE(window->startUp());
        window->show();
        store = window->patchCollection();
        EXPECT_NE(store, nullptr);
        std::vector<IncomingPatch> patches;
        for (int k = 0; k < count; ++k)
            patches.push_back({namedPatch(k),
                               QStringLiteral("/home/ann/banks/set%1.syx").arg(k / 100),
                               k % 2 == 0 ? PatchModel::Matrix1000 : PatchModel::Matrix6});
        EXPECT_EQ(store->add(patches).added, count);
        libraryWindow = window->showPatchLibrary();
        auto owned = std::make_unique<FakeLibraryDialogs>();
        dialogs = owned.get();
        libraryWindow->setDialogs(std::move(owned));
        QApplication::setActiveWindow(libraryWindow);
        EXPECT_TRUE(QTest::qWaitForWindowActive(libraryWindow));
    }
    ~LibraryRig() { QApplication::clipboard()->clear(); }

    int rows() const { return table->model()->rowCount(); }
    QString name(int row) const { return table->model()->index(row, 0).data().toString(); }
    QString counts() const
    {
        return test::child<QLabel>(*libraryWindow, "lblLibraryCounts")->text();
    }
    PatchId idOf(int k) const { return *store->find(namedPatch(k)); }
    // The edit-buffer messages the instrument received.
    std::vector<std::vector<Byte>> editBufferSends()
    {
        std::vector<std::vector<Byte>> sends;
        for (auto& message : received())
            if (message.size() > 5 && message[3] == 0x0D)
                sends.push_back(message);
        return sends;
    }

    PatchCollection* store = nullptr;
    PatchLibraryWindow* libraryWindow = nullptr;
    FakeLibraryDialogs* dialogs = nullptr;
    QTableView* table = nullptr;
    QLineEdit* search = nullptr;

    void find()
    {
        table = test::child<QTableView>(*libraryWindow, "tvLibraryPatches");
        search = test::child<QLineEdit>(*libraryWindow, "edLibrarySearch");
    }
};

struct Rig : LibraryRig
{
    explicit Rig(int count = 300) : LibraryRig(count) { find(); }
};

int matching(int count, const QString& text)
{
    int found = 0;
    for (int k = 0; k < count; ++k)
        found += nameOf(k).contains(text, Qt::CaseInsensitive) ? 1 : 0;
    return found;
}

void clickHeader(QTableView* table, int column)
{
    QHeaderView* header = table->horizontalHeader();
    const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
}

void clickRow(QTableView* table, int row)
{
    table->scrollTo(table->model()->index(row, 0));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                      table->visualRect(table->model()->index(row, 0)).center());
}

// A drag of `data` onto `target` at `at`, as the platform delivers one:
// enter, move, drop. True when the target took it.
bool drop(QWidget* target, const QPoint& at, QMimeData* data)
{
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    if (!move.isAccepted())
        return false;
    QDropEvent dropped(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropped);
    return dropped.isAccepted();
}

} // namespace

TEST(PatchLibrary, SearchFiltersAndHeaderClicksNarrowAndOrderTheTable)
{
    Rig rig;
    EXPECT_EQ(rig.libraryWindow->windowTitle(), "Patch Library");
    EXPECT_EQ(rig.rows(), 300);
    EXPECT_EQ(rig.counts(), "300 of 300 patches");
    EXPECT_EQ(rig.name(0), "BASS 001");

    // Each key narrows the table at once.
    rig.search->setFocus();
    QTest::keyClick(rig.search, Qt::Key_B);
    EXPECT_EQ(rig.rows(), matching(300, "b"));
    QTest::keyClicks(rig.search, "ass 1");
    EXPECT_EQ(rig.rows(), matching(300, "bass 1"));
    EXPECT_EQ(rig.counts(), QStringLiteral("%1 of 300 patches").arg(matching(300, "bass 1")));
    for (int row = 0; row < rig.rows(); ++row)
        EXPECT_TRUE(rig.name(row).startsWith("BASS 1"));
    // Down goes on to the first patch found.
    QTest::keyClick(rig.search, Qt::Key_Down);
    EXPECT_TRUE(rig.table->hasFocus());
    EXPECT_EQ(rig.libraryWindow->selectedRows(), std::vector<int>{0});
    // Ctrl+F comes back to the box, its text selected: typing replaces it.
    QTest::keyClick(rig.table, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(rig.search->hasFocus());
    QTest::keyClicks(rig.search, "bass");
    EXPECT_EQ(rig.rows(), matching(300, "bass"));
    rig.search->clear();
    EXPECT_EQ(rig.rows(), 300);

    // Model, favourites, tag, hidden.
    auto* model = test::child<QComboBox>(*rig.libraryWindow, "cbLibraryModel");
    model->setCurrentIndex(model->findText("Matrix-6"));
    EXPECT_EQ(rig.rows(), 150);
    for (int row = 0; row < rig.rows(); ++row)
        EXPECT_EQ(rig.table->model()->index(row, 1).data().toString(), "Matrix-6");
    model->setCurrentIndex(0);

    const std::vector<PatchId> starred{rig.idOf(3), rig.idOf(40), rig.idOf(41)};
    ASSERT_TRUE(rig.store->setFavourite(starred, true));
    ASSERT_TRUE(rig.store->setTags(rig.idOf(7), {"warm", "pad"}));
    ASSERT_TRUE(rig.store->setTags(rig.idOf(8), {"warm"}));
    const std::vector<PatchId> hidden{rig.idOf(9), rig.idOf(10)};
    ASSERT_TRUE(rig.store->setHidden(hidden, true));
    rig.libraryWindow->refreshResults();
    EXPECT_EQ(rig.counts(), "298 of 300 patches");
    test::child<QCheckBox>(*rig.libraryWindow, "chkLibraryFavourites")->click();
    EXPECT_EQ(rig.rows(), 3);
    EXPECT_EQ(rig.table->model()->index(0, PatchTableModel::FavouriteColumn).data().toString(),
              QStringLiteral("\u2605"));
    test::child<QCheckBox>(*rig.libraryWindow, "chkLibraryFavourites")->click();
    auto* tag = test::child<QComboBox>(*rig.libraryWindow, "cbLibraryTag");
    tag->setCurrentIndex(tag->findText("warm"));
    EXPECT_EQ(rig.rows(), 2);
    tag->setCurrentIndex(0);
    // A tag is found by the search box too.
    QTest::keyClicks(rig.search, "warm");
    EXPECT_EQ(rig.rows(), 2);
    rig.search->clear();
    test::child<QCheckBox>(*rig.libraryWindow, "chkLibraryHidden")->click();
    EXPECT_EQ(rig.rows(), 300);

    // A header click sorts by that column through the query; a second
    // click turns the order round.
    clickHeader(rig.table, PatchTableModel::NameColumn);
    QStringList names;
    for (int k = 0; k < 300; ++k)
        names << nameOf(k);
    std::ranges::sort(names);
    EXPECT_EQ(rig.name(0), names.back());
    EXPECT_EQ(rig.name(299), names.front());
    clickHeader(rig.table, PatchTableModel::ModelColumn);
    EXPECT_EQ(rig.table->model()->index(0, 1).data().toString(), "Matrix-1000");
    EXPECT_EQ(rig.table->model()->index(299, 1).data().toString(), "Matrix-6");
    // The source shows the file's name; the full path is the tooltip.
    const QModelIndex source = rig.table->model()->index(0, PatchTableModel::SourceColumn);
    EXPECT_TRUE(QRegularExpression("^set[0-2]\\.syx$").match(source.data().toString()).hasMatch());
    EXPECT_TRUE(rig.table->model()
                    ->index(0, PatchTableModel::SourceColumn)
                    .data(Qt::ToolTipRole)
                    .toString()
                    .startsWith("/home/ann/banks/set"));
}

TEST(PatchLibrary, AHugeResultFetchesOnlyThePagesInView)
{
    Rig rig(5000);
    QTest::qWait(50);
    const PatchTableModel& model = rig.libraryWindow->model();
    EXPECT_EQ(rig.rows(), 5000);
    // The rows in view and little more: never all 79 pages.
    EXPECT_LE(model.fetches(), 3);
    rig.table->scrollToBottom();
    QTest::qWait(50);
    EXPECT_LE(model.fetches(), 6);
    EXPECT_EQ(rig.name(4999), model.rowAt(4999)->name);
}

TEST(PatchLibrary, SelectingRowsAuditionsThemPacedAndLeavesTheEditorAlone)
{
    Rig rig;
    ASSERT_TRUE(rig.waitFor([&] { return rig.window->pacer().idle(); }));
    rig.clearLog();
    const PatchBuffer editing = rig.window->records().currentPatch;
    const auto sentFor = [&](int row) {
        const PatchId id = rig.libraryWindow->model().idAt(row);
        return patchToEditBuffer(*rig.store->record(id));
    };

    // A click sends the patch to the edit buffer, then the test note plays
    // (Auto Play is on).
    clickRow(rig.table, 0);
    ASSERT_TRUE(rig.waitFor([&] { return rig.editBufferSends().size() == 1; }));
    EXPECT_EQ(rig.editBufferSends().front(), sentFor(0));
    ASSERT_TRUE(rig.waitFor([&] {
        const auto log = rig.received();
        return std::ranges::any_of(log, [](const auto& m) { return (m[0] & 0xF0) == 0x90; });
    }));
    EXPECT_EQ(rig.window->records().currentPatch, editing);

    // Walking slowly: one send a step.
    for (int step = 1; step <= 3; ++step) {
        rig.clearLog();
        QTest::keyClick(rig.table, Qt::Key_Down);
        ASSERT_TRUE(rig.waitFor([&] { return rig.editBufferSends().size() == 1; }));
        EXPECT_EQ(rig.editBufferSends().front(), sentFor(step));
    }
    // Walking faster than the cable carries a patch: the first goes, the
    // last one reached follows, those in between are passed over.
    ASSERT_TRUE(rig.waitFor([&] { return rig.window->pacer().idle(); }));
    rig.clearLog();
    for (int step = 0; step < 8; ++step)
        QTest::keyClick(rig.table, Qt::Key_Down);
    ASSERT_TRUE(rig.waitFor([&] { return rig.window->pacer().idle(); }));
    const auto sends = rig.editBufferSends();
    ASSERT_GE(sends.size(), 1u);
    EXPECT_LT(sends.size(), 8u);
    EXPECT_EQ(sends.back(), sentFor(11));
    EXPECT_EQ(rig.window->records().currentPatch, editing);
}

TEST(PatchLibrary, DoubleClickOrADropOpensInTheEditorAsOneUndoableStep)
{
    Rig rig;
    const PatchBuffer before = rig.window->records().currentPatch;
    const PatchId id = rig.libraryWindow->model().idAt(4);
    const PatchRecord record = *rig.store->record(id);

    clickRow(rig.table, 4);
    QTest::mouseDClick(rig.table->viewport(), Qt::LeftButton, {},
                       rig.table->visualRect(rig.table->model()->index(4, 0)).center());
    EXPECT_TRUE(std::ranges::equal(recordOf(rig.window->records().currentPatch), record));
    EXPECT_EQ(rig.window->windowTitle(), rig.name(4) + " - Velmora");
    EXPECT_TRUE(rig.window->transfer().flags().patchLoaded);
    QAction* undo = rig.action("aUndo");
    EXPECT_EQ(undo->text(), "Undo Open");
    undo->trigger();
    EXPECT_EQ(rig.window->records().currentPatch, before);

    // Enter in the table does the same.
    clickRow(rig.table, 5);
    rig.table->setFocus();
    QTest::keyClick(rig.table, Qt::Key_Return);
    EXPECT_TRUE(std::ranges::equal(recordOf(rig.window->records().currentPatch),
                                   *rig.store->record(rig.libraryWindow->model().idAt(5))));
    undo->trigger();

    // Rows dragged onto the editor: the first opens, one step.
    QMimeData* data = rig.libraryWindow->model().mimeData(
        {rig.table->model()->index(7, 0), rig.table->model()->index(8, 0)});
    EXPECT_TRUE(drop(rig.window.get(), rig.window->rect().center(), data));
    delete data;
    EXPECT_TRUE(std::ranges::equal(recordOf(rig.window->records().currentPatch),
                                   *rig.store->record(rig.libraryWindow->model().idAt(7))));
    EXPECT_EQ(undo->text(), "Undo Open");
    undo->trigger();
    EXPECT_EQ(rig.window->records().currentPatch, before);
}

TEST(PatchLibrary, DraggedOrCopiedPatchesFillBankCellsAsOneUndoableStep)
{
    Rig rig;
    rig.action("aBankManager")->trigger();
    auto& bank = *test::child<library::BankManagerWindow>(*rig.window, "frmBank");
    auto* grid = test::child<QTableView>(bank, "gridBANK");
    const auto cellAt = [grid](int entry) {
        return grid->visualRect(grid->model()->index(entry % 10, entry / 10)).center();
    };
    const auto cellText = [grid](int entry) {
        return grid->model()->index(entry % 10, entry / 10).data().toString();
    };
    SynthRecords& records = rig.window->records();
    const library::BankEntries before = records.bank;

    // Three rows dropped on entry 98: two fit, the third has no place.
    clickRow(rig.table, 0);
    QTest::mouseClick(rig.table->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                      rig.table->visualRect(rig.table->model()->index(2, 0)).center());
    ASSERT_EQ(rig.libraryWindow->selectedRows(), (std::vector<int>{0, 1, 2}));
    QMimeData* data =
        rig.libraryWindow->model().mimeData(rig.table->selectionModel()->selectedIndexes());
    EXPECT_TRUE(drop(grid->viewport(), cellAt(98), data));
    delete data;
    for (int k = 0; k < 2; ++k) {
        const PatchRecord record = *rig.store->record(rig.libraryWindow->model().idAt(k));
        EXPECT_TRUE(std::ranges::equal(recordOf(records.bank[std::size_t(98 + k)]), record));
        EXPECT_EQ(cellText(98 + k), rig.name(k));
    }
    EXPECT_EQ(bank.action("aBankUndo")->text().remove('&'), "Undo Paste");
    bank.action("aBankUndo")->trigger();
    EXPECT_EQ(records.bank, before);
    EXPECT_EQ(cellText(98), "<empty> ");

    // Copy in the library, Paste in the bank manager.
    clickRow(rig.table, 10);
    rig.libraryWindow->findChild<QAction*>("aLibraryCopy")->trigger();
    grid->setCurrentIndex(grid->model()->index(0, 2));
    bank.action("pmiPaste")->trigger();
    EXPECT_TRUE(std::ranges::equal(recordOf(records.bank[20]),
                                   *rig.store->record(rig.libraryWindow->model().idAt(10))));
    EXPECT_EQ(cellText(20), rig.name(10));
}

TEST(PatchLibrary, AddToLibraryCountsNewAndKnownPatches)
{
    Rig rig(100);
    // The editor's patch: new once, known the second time.
    rig.action("aInit")->trigger();
    QAction* add = rig.action("aAddToLibrary");
    ASSERT_TRUE(add->isEnabled());
    add->trigger();
    EXPECT_EQ(rig.window->statusBar()->currentMessage(), (AddSummary{1, 1, 0, false}).sentence());
    EXPECT_EQ(rig.counts(), "101 of 101 patches");
    add->trigger();
    EXPECT_EQ(rig.window->statusBar()->currentMessage(), (AddSummary{1, 0, 1, false}).sentence());
    EXPECT_EQ(rig.store->count(), 101);

    // The bank: half of it is in the library already.
    SynthRecords& records = rig.window->records();
    for (int k = 0; k < 100; ++k) {
        const PatchRecord record = k < 50 ? namedPatch(k) : namedPatch(1000 + k);
        std::ranges::copy(record, records.bank[std::size_t(k)].begin());
    }
    rig.window->transfer().flags().bankLoaded = true;
    rig.action("aBankManager")->trigger();
    auto& bank = *test::child<library::BankManagerWindow>(*rig.window, "frmBank");
    bank.action("aAddBankToLibrary")->trigger();
    const QString sentence = (AddSummary{100, 50, 50, false}).sentence();
    EXPECT_EQ(rig.window->statusBar()->currentMessage(), sentence);
    EXPECT_EQ(rig.libraryWindow->statusBar()->currentMessage(), sentence);
    EXPECT_EQ(rig.store->count(), 151);
    const auto added = rig.store->row(*rig.store->find(namedPatch(1050)));
    ASSERT_TRUE(added.has_value());
    EXPECT_EQ(added->source, "Matrix-1000 bank download");
}

TEST(PatchLibrary, KeysOnTheSelectionMarkRenameListSimilarAndDelete)
{
    Rig rig;
    // Patch 50 and three near copies of it, differing in 1, 2 and 3 data bytes.
    std::vector<IncomingPatch> near;
    for (int changed = 1; changed <= 3; ++changed) {
        PatchRecord record = namedPatch(50);
        for (int k = 0; k < changed; ++k)
            record[std::size_t(20 + k)] ^= 0x01;
        near.push_back({record, QStringLiteral("near.syx"), PatchModel::Either});
    }
    ASSERT_EQ(rig.store->add(near).added, 3);
    rig.libraryWindow->refreshResults();
    QTest::keyClicks(rig.search, nameOf(50));
    ASSERT_EQ(rig.rows(), 4);
    const int row = rig.libraryWindow->model().rowOf(rig.idOf(50));
    clickRow(rig.table, row);

    QTest::keyClick(rig.table, Qt::Key_D, Qt::ControlModifier);
    EXPECT_TRUE(rig.store->row(rig.idOf(50))->favourite);
    QTest::keyClick(rig.table, Qt::Key_D, Qt::ControlModifier);
    EXPECT_FALSE(rig.store->row(rig.idOf(50))->favourite);

    rig.dialogs->text = QStringLiteral("Warm Brass Swell");
    QTest::keyClick(rig.table, Qt::Key_F2);
    EXPECT_EQ(rig.store->row(rig.idOf(50))->name, "Warm Brass Swell");
    EXPECT_EQ(rig.table->model()->index(row, 0).data().toString(), "Warm Brass Swell");

    // The similar patches, closest first, with their differences; Show All
    // goes back to the full list.
    QTest::keyClick(rig.table, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(rig.rows(), 4);
    ASSERT_EQ(rig.table->model()->columnCount(), PatchTableModel::DifferencesColumn + 1);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(rig.table->model()->index(k, PatchTableModel::DifferencesColumn).data().toInt(),
                  k);
    test::child<QPushButton>(*rig.libraryWindow, "btnLibraryShowAll")->click();
    EXPECT_EQ(rig.table->model()->columnCount(), PatchTableModel::DifferencesColumn);

    // Delete asks first: No keeps the patch, Yes removes it.
    rig.search->clear();
    clickRow(rig.table, rig.libraryWindow->model().rowOf(rig.idOf(50)));
    rig.dialogs->yes = false;
    QTest::keyClick(rig.table, Qt::Key_Delete);
    EXPECT_EQ(rig.store->count(), 303);
    rig.dialogs->yes = true;
    const PatchId gone = rig.idOf(50);
    QTest::keyClick(rig.table, Qt::Key_Delete);
    EXPECT_EQ(rig.store->count(), 302);
    EXPECT_FALSE(rig.store->row(gone).has_value());
    EXPECT_EQ(rig.counts(), "302 of 302 patches");

    // F1: the window's help page.
    QTest::keyClick(rig.table, Qt::Key_F1);
    auto* help = rig.window->findChild<HelpBrowser*>();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->currentTopic(), PatchLibraryWindow::kHelpTopic);
}

TEST(PatchLibrary, ExportsWriteTheSelectionInTheTablesOrder)
{
    Rig rig(150);
    test::TempDir out;
    // Newest name first: the bank file follows the table, not the ids.
    clickHeader(rig.table, PatchTableModel::NameColumn);
    clickRow(rig.table, 0);
    QTest::mouseClick(rig.table->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                      rig.table->visualRect(rig.table->model()->index(4, 0)).center());
    rig.dialogs->bankFile = QString::fromStdString(out.path("five.syx"));
    rig.libraryWindow->findChild<QAction*>("aLibraryExportBank")->trigger();
    std::vector<Byte> expected;
    for (int row = 0; row < 5; ++row) {
        const auto message =
            library::patchSysex(*rig.store->record(rig.libraryWindow->model().idAt(row)), row);
        expected.insert(expected.end(), message.begin(), message.end());
    }
    EXPECT_EQ(out.read("five.syx"), expected);

    // One patch file each, named after the patch.
    rig.dialogs->folder = QString::fromStdString(out.path(""));
    rig.libraryWindow->findChild<QAction*>("aLibraryExportPatches")->trigger();
    EXPECT_EQ(out.read(rig.name(2).toStdString() + ".syx"),
              library::patchSysex(*rig.store->record(rig.libraryWindow->model().idAt(2)), 0));

    // More than a bank holds: said, and no file.
    QTest::keyClick(rig.table, Qt::Key_A, Qt::ControlModifier);
    ASSERT_EQ(rig.libraryWindow->selectedRows().size(), 150u);
    rig.dialogs->bankFile = QString::fromStdString(out.path("all.syx"));
    rig.libraryWindow->findChild<QAction*>("aLibraryExportBank")->trigger();
    ASSERT_EQ(rig.dialogs->told.size(), 1);
    EXPECT_TRUE(rig.dialogs->told.front().contains("150"));
    EXPECT_FALSE(std::filesystem::exists(out.path("all.syx")));
}

TEST(PatchLibrary, WithAddDownloadsOnEveryPatchAndBankReceivedIsStored)
{
    Rig rig(10);
    QAction* addDownloads = rig.action("aAddDownloads");
    EXPECT_FALSE(addDownloads->isChecked());
    addDownloads->trigger();
    EXPECT_TRUE(addDownloads->isChecked());

    rig.action("aDownload")->trigger();
    ASSERT_TRUE(rig.waitFor([&] { return rig.store->count() == 11; }));
    const auto patch = rig.store->find(recordOf(rig.window->records().currentPatch));
    ASSERT_TRUE(patch.has_value());
    EXPECT_EQ(rig.store->row(*patch)->source, "Matrix-1000 download");
    EXPECT_EQ(rig.store->row(*patch)->model, PatchModel::Matrix1000);

    // A bank: its patches that are not there yet.
    rig.window->midi().applySysexBuffers(512, 256);
    rig.action("aBankManager")->trigger();
    auto& bank = *test::child<library::BankManagerWindow>(*rig.window, "frmBank");
    bank.action("aDownload")->trigger();
    ASSERT_TRUE(rig.waitFor([&] { return rig.window->transfer().flags().bankLoaded; }));
    for (const PatchBuffer& entry : rig.window->records().bank)
        EXPECT_TRUE(rig.store->find(recordOf(entry)).has_value());
    EXPECT_TRUE(rig.window->statusBar()->currentMessage().startsWith("100 patches read"));
    EXPECT_EQ(rig.counts(), QStringLiteral("%1 of %1 patches").arg(rig.store->count()));
}

TEST(PatchLibrary, DroppedFoldersImportWithProgressAndCancelKeepsNothing)
{
    Rig rig(100);
    // A folder as owners keep them: a bank file saved after a bank select,
    // a capture of a Matrix-1000's answer to a bank request, the same
    // capture as a Standard MIDI File, and a note that is no patch file.
    test::TempDir files;
    std::filesystem::create_directories(files.path("banks"));
    std::filesystem::create_directories(files.path("captures"));
    std::vector<Byte> bank = {0xF0, 0x10, 0x06, 0x0A, 0x01, 0xF7};
    const auto patches = test::bankFile(2000);
    bank.insert(bank.end(), patches.begin(), patches.end());
    files.write("banks/brass.syx", bank);
    const auto capture = test::requestAllCapture(3000, 1);
    files.write("captures/bank1.syx", capture);
    files.write("captures/bank1.mid", test::midiFileOf(capture, 0, false));
    files.write("notes.txt", std::vector<Byte>{'h', 'i'});
    const auto folderData = [&](const std::string& folder) {
        auto* data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(QString::fromStdString(files.path(folder)))});
        return data;
    };

    bool progressShown = false;
    {
        QObject guard;
        test::whenShown<ProgressDialog>([&](ProgressDialog&) { progressShown = true; }, &guard);
        QMimeData* data = folderData("");
        EXPECT_TRUE(drop(rig.libraryWindow, rig.libraryWindow->rect().center(), data));
        delete data;
    }
    EXPECT_TRUE(progressShown);
    EXPECT_EQ(rig.libraryWindow->statusBar()->currentMessage(),
              (AddSummary{300, 200, 100, false}).sentence());
    EXPECT_EQ(rig.counts(), "300 of 300 patches");
    // The capture's patches came with placeholder names: the library keeps
    // them under the name they came with, its source the file.
    const auto captured = rig.store->row(*rig.store->find(test::demoRecord(3005)));
    ASSERT_TRUE(captured.has_value());
    EXPECT_TRUE(captured->source.endsWith("bank1.syx") || captured->source.endsWith("bank1.mid"));

    // Cancel in the progress window: nothing of the import is kept.
    files.write("banks/more.syx", test::bankFile(4000));
    {
        QObject guard;
        test::whenShown<ProgressDialog>(
            [](ProgressDialog& dialog) { test::button(dialog, "&Cancel")->click(); }, &guard);
        QMimeData* data = folderData("banks");
        EXPECT_TRUE(drop(rig.libraryWindow, rig.libraryWindow->rect().center(), data));
        delete data;
    }
    EXPECT_EQ(rig.libraryWindow->statusBar()->currentMessage(),
              "Import cancelled: nothing was added");
    EXPECT_EQ(rig.store->count(), 300);
    EXPECT_FALSE(rig.store->find(test::demoRecord(4000)).has_value());
}

TEST(PatchLibrary, ADamagedLibraryIsNamedOnceAndOneThatCannotOpenIsSaidOnce)
{
    // A damaged file: moved aside, its new name told once, a new library used.
    {
        test::ProgramFolder folder;
        folder.dir().write("library.sqlite", std::vector<Byte>(5000, 0x5A));
        test::WindowRig rig;
        ASSERT_TRUE(rig.window->startUp());
        QStringList told;
        test::whenShown<QMessageBox>([&](QMessageBox& box) {
            told << box.text();
            box.accept();
        });
        rig.action("aPatchLibrary")->trigger();
        ASSERT_EQ(told.size(), 1);
        EXPECT_TRUE(told.front().contains("library.sqlite.damaged-")) << told.front().toStdString();
        EXPECT_NE(rig.window->findChild<PatchLibraryWindow*>(), nullptr);
        EXPECT_NE(rig.window->patchCollection(), nullptr);
        EXPECT_EQ(told.size(), 1);
    }
    // A library from a newer Velmora: refused, said in a message once, then
    // in the status line (each download asks the library for names).
    test::ProgramFolder folder;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "newer");
        db.setDatabaseName(QString::fromStdString(folder.dir().path("library.sqlite")));
        ASSERT_TRUE(db.open());
        QSqlQuery(db).exec("CREATE TABLE later (x)");
        QSqlQuery(db).exec("PRAGMA user_version = 9");
        db.close();
    }
    QSqlDatabase::removeDatabase("newer");
    test::WindowRig rig;
    ASSERT_TRUE(rig.window->startUp());
    int boxes = 0;
    {
        QObject guard;
        test::whenShown<QMessageBox>(
            [&](QMessageBox& box) {
                ++boxes;
                EXPECT_TRUE(box.text().contains("newer Velmora"));
                box.accept();
            },
            &guard);
        EXPECT_EQ(rig.window->patchCollection(), nullptr);
        EXPECT_EQ(boxes, 1);
        EXPECT_EQ(rig.window->patchCollection(), nullptr);
        rig.action("aInit")->trigger();
        rig.action("aAddToLibrary")->trigger();
    }
    EXPECT_EQ(boxes, 1);
    EXPECT_TRUE(rig.window->statusBar()->currentMessage().contains("newer Velmora"));
}

// Not a check: run on demand (with --gtest_also_run_disabled_tests and
// VELMORA_SHOT_DIR set) to draw the library window with a few hundred
// patches, a search, and the bank manager receiving dragged patches.
TEST(PatchLibrary, DISABLED_DrawsTheLibraryForTheDocumentation)
{
    const QString folder = qEnvironmentVariable("VELMORA_SHOT_DIR");
    ASSERT_FALSE(folder.isEmpty());
    widgets::applyPanelStyle(*qApp);
    test::ProgramFolder programFolder;
    test::WindowRig rig;
    ASSERT_TRUE(rig.window->startUp());
    rig.window->show();
    PatchCollection* store = rig.window->patchCollection();
    ASSERT_NE(store, nullptr);

    // Names and files as a collection gathered over the years looks.
    const char* const first[] = {"FAT", "OLD", "HOT", "DRY", "AIR",
                                 "VOX", "SYN", "DIM", "ICE", "SUB"};
    const char* const second[] = {"BASS", "PAD",  "BRAS", "LEAD", "STRG", "ORGN", "KEYS",
                                  "PLUK", "BELL", "SWP",  "FLUT", "CHOR", "HORN"};
    const char* const files[] = {
        "/home/ann/Matrix/factory-bank-1.syx", "/home/ann/Matrix/factory-bank-2.syx",
        "/home/ann/Downloads/brass-and-leads.syx", "/home/ann/Downloads/m1000-pads.mid",
        "/home/ann/Matrix/live-set-2019.syx"};
    std::vector<IncomingPatch> patches;
    for (int k = 0; k < 412; ++k) {
        PatchBuffer buffer = demo::demoPatch(static_cast<std::uint32_t>(5000 + k));
        library::writeName(buffer, std::string(first[k % 10]) + " " + second[(k / 10) % 13]);
        PatchRecord record{};
        std::copy_n(buffer.begin(), kPatchRecordSize, record.begin());
        const PatchModel models[] = {PatchModel::Matrix1000, PatchModel::Either,
                                     PatchModel::Matrix6, PatchModel::Either};
        patches.push_back({record, QLatin1String(files[(k / 7) % 5]), models[(k / 3) % 4]});
    }
    const AddSummary summary = store->add(patches);
    PatchLibraryWindow* window = rig.window->showPatchLibrary();
    ASSERT_NE(window, nullptr);
    std::vector<PatchId> starred;
    for (int k = 0; k < 412; k += 9)
        starred.push_back(*store->find(patches[std::size_t(k)].record));
    store->setFavourite(starred, true);
    for (int k = 0; k < 412; k += 13)
        store->setTags(*store->find(patches[std::size_t(k)].record),
                       {k % 2 == 0 ? QStringLiteral("warm") : QStringLiteral("live")});
    window->refreshResults();
    window->showSummary(summary.sentence());
    window->resize(900, 560);
    auto* table = test::child<QTableView>(*window, "tvLibraryPatches");
    table->selectRow(3);
    QTest::qWait(100);
    EXPECT_TRUE(window->grab().save(folder + "/patch-library.png"));

    auto* search = test::child<QLineEdit>(*window, "edLibrarySearch");
    QTest::keyClicks(search, "bass");
    table->selectRow(1);
    QTest::qWait(100);
    EXPECT_TRUE(window->grab().save(folder + "/patch-library-search.png"));

    // Three of the found patches dropped on the bank manager's entry 12.
    rig.window->midi().applySysexBuffers(512, 256);
    rig.action("aBankManager")->trigger();
    auto* bank = test::child<library::BankManagerWindow>(*rig.window, "frmBank");
    bank->action("aDownload")->trigger();
    ASSERT_TRUE(rig.waitFor([&] { return rig.window->transfer().flags().bankLoaded; }));
    auto* grid = test::child<QTableView>(*bank, "gridBANK");
    table->selectionModel()->select(
        QItemSelection(table->model()->index(0, 0), table->model()->index(2, 0)),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QMimeData* data = window->model().mimeData(
        {table->model()->index(0, 0), table->model()->index(1, 0), table->model()->index(2, 0)});
    EXPECT_TRUE(
        drop(grid->viewport(), grid->visualRect(grid->model()->index(2, 1)).center(), data));
    delete data;
    QTest::qWait(100);
    // The two windows side by side, as they stand on the screen.
    const QPixmap from = window->grab();
    const QPixmap into = bank->grab();
    QPixmap both(from.width() + into.width() + 16, std::max(from.height(), into.height()));
    both.fill(QColor(0x50, 0x50, 0x50));
    QPainter painter(&both);
    painter.drawPixmap(0, 0, from);
    painter.drawPixmap(from.width() + 16, 0, into);
    painter.end();
    EXPECT_TRUE(both.save(folder + "/bank-drop.png"));
}
