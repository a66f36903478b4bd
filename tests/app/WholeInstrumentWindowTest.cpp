// File > Back Up Instrument and Restore Instrument, and the check after a
// bank upload, through the main window over the built-in virtual instrument.
// With VELMORA_SHOT_DIR set, the backup's progress window and a check's
// result are drawn there for the documentation.
#include "app/WindowRig.h"
#include "library/FakeFileDialogs.h"
#include "protocol/Messages.h"
#include "protocol/SysexCodec.h"
#include "protocol/WholeInstrument.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>

using namespace velmora;
using Bytes = std::vector<Byte>;

namespace {

struct WholeRig : test::ProgramFolder, test::WindowRig
{
    WholeRig()
    {
        auto owned = std::make_unique<test::FakeFileDialogs>();
        dialogs = owned.get();
        window->setFileDialogs(std::move(owned));
        EXPECT_TRUE(window->startUp());
        // Start-up asks for the global record. Its answer is awaited before
        // anything else: arriving late, in the middle of a backup, it would
        // be taken for the backup's own.
        EXPECT_TRUE(waitLong([this] { return window->transfer().flags().globalReceived; }, 10));
        window->midi().applySysexBuffers(512, 256);
        window->show();
    }

    // Runs the event loop until `done` or `seconds` passed.
    template <typename Done> bool waitLong(Done done, int seconds)
    {
        QDeadlineTimer deadline(seconds * 1000);
        while (!done() && !deadline.hasExpired())
            QTest::qWait(5);
        return done();
    }

    test::FakeFileDialogs* dialogs = nullptr;
};

void shoot(QWidget& widget, const char* name)
{
    const QString folder = qEnvironmentVariable("VELMORA_SHOT_DIR");
    if (!folder.isEmpty()) {
        EXPECT_TRUE(widget.grab().save(folder + u'/' + QLatin1String(name)));
    }
}

// The next message box's text, once it showed (answered with its default).
struct MessageCatcher
{
    explicit MessageCatcher(int seconds = 30)
    {
        test::whenShown<QMessageBox>(
            [this](QMessageBox& box) {
                text = box.text();
                if (shot != nullptr)
                    shoot(box, shot);
                box.accept();
            },
            &guard, seconds * 100);
    }
    QObject guard;
    QString text;
    const char* shot = nullptr;
};

} // namespace

TEST(WholeInstrumentWindow, BacksUpAndRestoresWithTheMemoryProtectQuestion)
{
    WholeRig rig;
    const std::string path = rig.dir().path("backup.syx");
    rig.dialogs->answer(path);
    MessageCatcher saved;
    bool shot = false;
    QObject guard;
    // The progress window half-way, for the documentation.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &guard, [&] {
        auto* progress = rig.window->findChild<QDialog*>("frmWholeProgress");
        if (shot || progress == nullptr || !progress->isVisible())
            return;
        auto* bar = progress->findChild<QProgressBar*>();
        if (bar != nullptr && bar->value() >= 430 && bar->value() % 100 >= 30) {
            shoot(*progress, "backup-progress.png");
            shot = true;
        }
    });
    watch.start(1);
    rig.action("aBackUpInstrument")->trigger();
    ASSERT_TRUE(rig.waitLong([&] { return !saved.text.isEmpty(); }, 30));
    watch.stop();
    EXPECT_EQ(saved.text.toStdString(),
              "Saved " + path +
                  ".\n\nMatrix-1000 backup: banks 0 to 9 (1,000 patches) and the global "
                  "record. Memory protect is off.");
    const auto contents = readBackup(rig.dir().read("backup.syx"));
    ASSERT_TRUE(contents);
    EXPECT_EQ(contents->bankCount(), 10);
    rig.backend->withInstrument([&](VirtualInstrument& instrument) {
        for (int b : {0, 6, 9}) {
            PatchRecord record{};
            ASSERT_EQ(unpackBlock(contents->banks[std::size_t(b)][17], record), UnpackStatus::Ok);
            EXPECT_EQ(record, instrument.patch(b, 17));
        }
        EXPECT_FALSE(bankLockOf(instrument.global()));
        // Bank 0 changed since the backup, and memory protect on.
        for (int n = 0; n < 100; ++n)
            instrument.setPatch(0, n, instrument.patch(3, n));
        instrument.setMemoryProtect(true);
    });

    // Restore bank 0 only, switching memory protect off for it.
    rig.dialogs->answer(path);
    QString protectQuestion;
    MessageCatcher* result = nullptr;
    test::whenShown<QDialog>(
        [&](QDialog& dialog) {
            EXPECT_EQ(dialog.objectName(), "frmRestoreInstrument");
            shoot(dialog, "restore-instrument.png");
            test::child<QCheckBox>(dialog, "chkBank1")->setChecked(false);
            test::whenShown<QMessageBox>(
                [&](QMessageBox& box) {
                    protectQuestion = box.text();
                    for (QAbstractButton* button : box.buttons())
                        if (button->text() == "&Switch Off for the Restore")
                            button->click();
                },
                &guard, 1000);
            dialog.accept();
        },
        &guard);
    rig.action("aRestoreInstrument")->trigger();
    ASSERT_TRUE(rig.waitLong([&] { return !protectQuestion.isEmpty(); }, 10));
    EXPECT_TRUE(protectQuestion.startsWith("Memory protect is on in the instrument"));
    result = new MessageCatcher(40);
    ASSERT_TRUE(rig.waitLong([&] { return !result->text.isEmpty(); }, 40));
    EXPECT_EQ(result->text, "Restored bank 0.\nBank 0 verified: 100 of 100 patches as sent.\n"
                            "Memory protect was switched off for the restore and on again after.");
    delete result;
    rig.backend->withInstrument([&](VirtualInstrument& instrument) {
        PatchRecord record{};
        ASSERT_EQ(unpackBlock(contents->banks[0][42], record), UnpackStatus::Ok);
        EXPECT_EQ(instrument.patch(0, 42), record);
        EXPECT_TRUE(instrument.memoryProtected());
    });
}

TEST(WholeInstrumentWindow, BankUploadIsReadBackAndTheResultSaid)
{
    WholeRig rig;
    rig.backend->withInstrument([](VirtualInstrument& instrument) {
        instrument.setFaults({-1, -1, 40});
    });
    SynthRecords& records = rig.window->records();
    rig.backend->withInstrument([&](VirtualInstrument& instrument) {
        for (int n = 0; n < 100; ++n) {
            const PatchRecord patch = instrument.patch(5, n);
            std::copy(patch.begin(), patch.end(), records.bank[std::size_t(n)].begin());
        }
    });
    rig.window->transfer().flags().bankLoaded = true;
    rig.backend->withInstrument([](VirtualInstrument& instrument) { instrument.clearLog(); });
    MessageCatcher told(40);
    told.shot = "upload-check.png";
    // The bank manager's upload, into bank 0.
    test::whenShown<QDialog>([](QDialog& dialog) {
        QTest::mouseClick(test::child<QAbstractButton>(dialog, "btnBank1"), Qt::LeftButton);
    });
    rig.action("aBankManager")->trigger();
    auto* bank = rig.window->findChild<QWidget*>("frmBank");
    ASSERT_NE(bank, nullptr);
    auto* upload = bank->findChild<QAction*>("aUpload");
    ASSERT_NE(upload, nullptr);
    upload->trigger();
    ASSERT_TRUE(rig.waitLong([&] { return !told.text.isEmpty(); }, 40));
    EXPECT_EQ(told.text, "Bank 0: 99 of 100 patches as sent; 40 differs. Messages were lost on "
                         "the way to the instrument. Give it a longer pause after each stored "
                         "patch under Setup > Transfer Pauses and upload again.");
    const auto sent = rig.received();
    ASSERT_EQ(sent.size(), 104u);
    EXPECT_EQ(sent[101], bankSelect(0));
    EXPECT_EQ(sent[102], request(RequestType::All));
    EXPECT_EQ(sent[103], (Bytes{0xF0, 0x10, 0x06, 0x0C, 0xF7}));
    // The read-back went to the check alone: the bank being edited stays.
    rig.backend->withInstrument([&](VirtualInstrument& instrument) {
        EXPECT_TRUE(std::ranges::equal(recordOf(records.bank[40]), instrument.patch(5, 40)));
        EXPECT_NE(instrument.patch(0, 40), instrument.patch(5, 40));
    });
}

TEST(WholeInstrumentWindow, CancelledBackupWritesNothingAndPutsTheLockBack)
{
    WholeRig rig;
    const std::string path = rig.dir().path("cancelled.syx");
    rig.dialogs->answer(path);
    // Cancel is clicked from the gauge's own change past 200, whatever the
    // machine's load does to timers.
    QObject guard;
    bool cancelled = false;
    QDialog* progress = nullptr;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &guard, [&] {
        if (progress != nullptr)
            return;
        progress = rig.window->findChild<QDialog*>("frmWholeProgress");
        if (progress == nullptr)
            return;
        QObject::connect(progress->findChild<QProgressBar*>(), &QProgressBar::valueChanged, &guard,
                         [&](int value) {
                             if (!cancelled && value >= 200) {
                                 cancelled = true;
                                 test::button(*progress, "&Cancel")->click();
                             }
                         });
    });
    watch.start(1);
    rig.action("aBackUpInstrument")->trigger();
    // Ends when the progress window has gone, cancelled or not.
    ASSERT_TRUE(rig.waitLong([&] { return progress != nullptr && !progress->isVisible(); }, 30));
    EXPECT_TRUE(cancelled);
    EXPECT_FALSE(std::filesystem::exists(path));
    rig.backend->withInstrument([](VirtualInstrument& instrument) {
        EXPECT_FALSE(bankLockOf(instrument.global()));
        EXPECT_EQ(instrument.receivedLog().back(), (Bytes{0xF0, 0x10, 0x06, 0x0C, 0xF7}));
    });
}
