// Names that survive the Matrix-1000, in the real main window over JACK with
// velmora-instrument as the unit, which sends "BNKb: nn" in every patch as a
// real one does. The patches are put into the library under names of their
// own by velmora-syx while the window holds the library open; downloads then
// show the library's names, a bank saved from the Bank Manager carries them,
// and a rename in the Bank Manager is kept in the library. Skipped when no
// JACK server runs.
#include "collection/PatchCollection.h"
#include "e2e/WindowOnInstrument.h"
#include "library/BankManagerWindow.h"
#include "library/FakeFileDialogs.h"
#include "library/RenamePatchDialog.h"
#include "library/SysexFiles.h"
#include "protocol/PatchName.h"

#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTest>

using namespace velmora;
using namespace velmora::test;

namespace {

class LibraryNamesJack : public WindowOnInstrument
{
protected:
    library::BankManagerWindow& bankManager() const
    {
        return *window_->findChild<library::BankManagerWindow*>();
    }

    // Bank Manager > Download, asked again when a busy JACK cycle lost part
    // of the answer.
    bool downloadBank()
    {
        for (int attempt = 0; attempt < 3; ++attempt) {
            child<QAction>(bankManager(), "aDownload")->trigger();
            pumpUntil([this] { return !window_->transfer().receiving(); }, 40s);
            // The answer's splits and global record follow its patches.
            const bool loaded =
                window_->transfer().flags().bankLoaded &&
                pumpUntil([this] { return window_->transfer().flags().splitsReceived; }, 10s);
            pumpUntil([] { return false; }, 500ms);
            if (loaded)
                return true;
            told_.clear();
        }
        return false;
    }

    // velmora-syx on the window's library: its exit code; output in said_.
    int syx(const QStringList& arguments)
    {
        QProcess process;
        process.start(VELMORA_SYX_PATH, QStringList{"library"} + arguments.mid(0, 1) +
                                            QStringList{"--library", libraryPath()} +
                                            arguments.mid(1));
        pumpUntil([&] { return process.waitForFinished(10); }, 60s);
        said_ = QString::fromLocal8Bit(process.readAllStandardOutput() +
                                       process.readAllStandardError());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    QString libraryPath() const { return window_->patchCollection()->path(); }
    std::string bankName(int entry) const
    {
        return patchNameOf(window_->records().bank.at(static_cast<std::size_t>(entry)));
    }

    QString said_;
};

TEST_F(LibraryNamesJack, PlaceholderNamesComeFromTheLibraryAndRenamesAreKept)
{
    VELMORA_SKIP_WITHOUT_JACK();
    // At the cable's pace, as a unit answers a bank request.
    startWindow("Velmora Names", {"--pace", "cable"});
    ASSERT_FALSE(HasFatalFailure());
    // Start-up's questions answered first (a busy machine's JACK may lose
    // the answer: the downloads do not need it).
    pumpUntil([this] { return window_->transfer().flags().globalReceived; }, 5s);
    pumpUntil([] { return false; }, 500ms);
    child<QAction>(*window_, "aPatchLibrary")->trigger(); // holds the library open
    ASSERT_NE(window_->patchCollection(), nullptr);

    // With nothing in the library every name is the unit's placeholder.
    ASSERT_TRUE(downloadBank());
    for (int n = 0; n < 100; ++n)
        ASSERT_TRUE(isPlaceholderName(window_->records().bank[static_cast<std::size_t>(n)])) << n;
    EXPECT_EQ(bankName(42), "BNK0: 42");

    // The same patches as another owner's bank file has them, named,
    // imported from the command line while the window holds the library.
    library::Bank named{};
    for (std::size_t n = 0; n < kBankPatchCount; ++n) {
        named[n] = window_->records().bank[n];
        const std::string name = "SOUND " + std::to_string(n / 10) + std::to_string(n % 10);
        std::copy(name.begin(), name.end(), named[n].begin());
    }
    const std::string file = folder_.dir().path("named.syx");
    ASSERT_EQ(library::writeFileAtomically(file, library::bankSysex(named)), std::nullopt);
    ASSERT_EQ(syx({"import", QString::fromStdString(file)}), 0) << said_.toStdString();
    EXPECT_TRUE(said_.contains("100 patches read: 100 new, 0 already in the library"))
        << said_.toStdString();

    // Downloaded again: the library's names, and the Bank Manager says so.
    ASSERT_TRUE(downloadBank());
    EXPECT_EQ(bankName(0), "SOUND 00");
    EXPECT_EQ(bankName(42), "SOUND 42");
    EXPECT_EQ(bankManager().statusBar()->currentMessage(),
              "100 names from the Patch Library: the Matrix-1000 keeps none.");

    // The editor's download: the caption has the name, the status line
    // says where it came from.
    window_->parameterSender().sendProgramChange(7);
    ASSERT_TRUE(pumpUntil([this] { return window_->pacer().idle(); }, 5s));
    bool downloaded = false;
    for (int attempt = 0; attempt < 3 && !downloaded; ++attempt) {
        window_->transfer().flags().patchLoaded = false;
        child<QAction>(*window_, "aDownload")->trigger();
        downloaded = pumpUntil([this] { return window_->transfer().flags().patchLoaded; }, 5s);
    }
    ASSERT_TRUE(downloaded);
    EXPECT_EQ(window_->windowTitle().toStdString(), "SOUND 07 - Velmora");
    EXPECT_EQ(window_->statusBar()->currentMessage().toStdString(),
              "Name \"SOUND 07\" from the Patch Library (named.syx): the Matrix-1000 sent "
              "\"BNK0: 07\".");

    // A bank saved from the Bank Manager carries the names.
    auto dialogs = std::make_unique<FakeFileDialogs>();
    const std::string saved = folder_.dir().path("saved.syx");
    dialogs->answer(saved);
    window_->setFileDialogs(std::move(dialogs));
    QAction* save = child<QAction>(bankManager(), "aSave");
    ASSERT_TRUE(save->isEnabled());
    save->trigger();
    const auto file2 = library::readSysexFile(saved);
    ASSERT_TRUE(std::holds_alternative<library::SysexFile>(file2));
    const auto& contents = std::get<library::SysexFile>(file2);
    ASSERT_EQ(contents.contents.patches.size(), 100u);
    PatchRecord first{};
    unpackBlock(contents.contents.patches[42].bytes(contents.data), first);
    EXPECT_EQ(patchNameOf(first), "SOUND 42");

    // A rename in the Bank Manager is kept in the library.
    bankManager().show();
    auto* grid = child<QTableView>(bankManager(), "gridBANK");
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(2, 4)).center()); // entry 42
    ASSERT_EQ(bankManager().selectedEntry(), 42);
    whenShown<library::RenamePatchDialog>([](library::RenamePatchDialog& dialog) {
        auto* edit = child<QLineEdit>(dialog, "eName");
        edit->selectAll();
        QTest::keyClicks(edit, "MY PAD");
        QTest::keyClick(edit, Qt::Key_Tab);
        QTest::keyClick(child<QPushButton>(dialog, "OKBtn"), Qt::Key_Space);
    });
    bankManager().action("pmiRename")->trigger();
    EXPECT_EQ(bankName(42), "MY PAD  ");
    ASSERT_EQ(syx({"list", "--search", "my pad"}), 0) << said_.toStdString();
    EXPECT_TRUE(said_.contains("MY PAD")) << said_.toStdString();
    for (const std::string& text : told_)
        ADD_FAILURE() << "the window said: " << text;
}

} // namespace
