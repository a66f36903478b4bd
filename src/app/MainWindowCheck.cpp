// Checked uploads: after File > Upload stored a patch, or the split editor
// stored a Matrix-6 split, Velmora reads back what it wrote and compares it
// with what it sent. The read-back goes through the SysEx tap, so the answers
// never reach the editor's patch, the bank or the split table. And the
// pauses the instrument is given, which the user can set.
#include "app/MainWindow.h"

#include "app/TransferPausesDialog.h"
#include "protocol/Messages.h"
#include "protocol/SysexCodec.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>

namespace velmora {

namespace {

// How long a read-back waits for the next answer it wants. One patch is
// some 90 ms on the cable; the margin covers a unit that is slow to start.
constexpr std::chrono::milliseconds kAnswerWait{2000};
// How long a passed check stays in the status line.
constexpr int kPassedShownMs = 15000;
// Matrix-1000 global record: memory protect (0 or 1).
constexpr std::size_t kMemoryProtectByte = 171;
// A Matrix-6's answer to "request all": 100 patches, its edit buffer, 50
// splits and the master record.
constexpr int kMatrix6AllMessages = 100 + 1 + 50 + 1;

// Whether `message` is a block message from the instrument with opcode `op`.
bool isDump(std::span<const Byte> message, Byte op)
{
    return message.size() > 5 && message[0] == kSysexStart && message[1] == kManufacturer &&
           message[2] == kDevice && message[3] == op;
}

QString patchLabel(SynthModel model, int number)
{
    return QCoreApplication::translate("velmora::MainWindow", "Patch %1")
        .arg(number, model == SynthModel::Matrix1000 ? 3 : 2, 10, QLatin1Char('0'));
}

} // namespace

void MainWindow::toggleCheckUploads()
{
    settings_.checkUploads = !settings_.checkUploads;
    showSwitches();
}

void MainWindow::showTransferPauses()
{
    TransferPausesDialog dialog(settings_.storePause, settings_.globalWritePause, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    settings_.storePause = dialog.storePause();
    settings_.globalWritePause = dialog.globalWritePause();
    applyPauses();
}

void MainWindow::applyPauses()
{
    transfers_.setStorePause(std::chrono::milliseconds(settings_.storePause));
}

void MainWindow::uploadPatch()
{
    std::optional<int> stored;
    if (!errors_.run([&] { stored = transfers_.storePatch(); }) || !stored)
        return;
    // What went out, kept: the editor may change the patch while the check runs.
    PatchRecord sent{};
    std::ranges::copy(recordOf(records_.currentPatch), sent.begin());
    if (settings_.checkUploads)
        checkStoredPatch(*stored, sent);
}

MainWindow::ReadBack MainWindow::readBack(int maximum, const std::function<void()>& request,
                                          const std::function<bool(std::span<const Byte>)>& take,
                                          const std::function<bool()>& done,
                                          std::chrono::milliseconds quiet)
{
    QEventLoop loop;
    QTimer silence;
    silence.setSingleShot(true);
    connect(&silence, &QTimer::timeout, &loop, &QEventLoop::quit);
    int taken = 0;
    const bool tapped = setSysexTap([&](std::span<const Byte> message) {
        if (!take(message))
            return false;
        host_.setProgress(++taken);
        silence.start(quiet);
        if (done())
            loop.quit();
        return true;
    });
    if (!tapped)
        return ReadBack::Busy;
    bool cancelled = false;
    const QMetaObject::Connection cancel =
        connect(&host_, &WindowTransferHost::cancelRequested, &loop, [&] {
            cancelled = true;
            loop.quit();
        });
    host_.openProgress(tr("Checking...").toStdString(), maximum);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    silence.start(quiet);
    const bool sent = errors_.run(request);
    if (sent && !done())
        loop.exec();
    QApplication::restoreOverrideCursor();
    disconnect(cancel);
    setSysexTap({});
    host_.closeProgress();
    if (!sent)
        return ReadBack::Failed;
    if (done())
        return ReadBack::Done;
    drainAnswer();
    return cancelled ? ReadBack::Cancelled : ReadBack::Quiet;
}

void MainWindow::drainAnswer()
{
    // The rest of an answer, were it to come after all, would otherwise land
    // in the editor, the bank or the split table as if downloaded: it is
    // swallowed until the instrument has been quiet for a while.
    auto* quiet = new QTimer(this);
    quiet->setSingleShot(true);
    connect(quiet, &QTimer::timeout, this, [this, quiet] {
        setSysexTap({});
        quiet->deleteLater();
    });
    setSysexTap([quiet](std::span<const Byte> message) {
        if (!isDump(message, opcode::patchToMemory) && !isDump(message, opcode::splitData) &&
            !isDump(message, opcode::masterData))
            return false;
        quiet->start(kAnswerWait);
        return true;
    });
    quiet->start(kAnswerWait);
}

std::optional<bool> MainWindow::readMemoryProtect()
{
    std::optional<bool> protect;
    const auto result = readBack(
        1, [this] { pacer_.sendLong(request(RequestType::Global)); },
        [&](std::span<const Byte> message) {
            if (!isDump(message, opcode::masterData) || message.size() != kGlobal1000MessageSize)
                return false;
            std::array<Byte, kGlobal1000Size> record{};
            if (unpackBlock(message, record, ChecksumRule::Global) == UnpackStatus::Ok)
                protect = record[kMemoryProtectByte] != 0;
            return true;
        },
        [&] { return protect.has_value(); }, kAnswerWait);
    if (result != ReadBack::Done && transfers_.flags().globalReceived)
        protect = records_.global[kMemoryProtectByte] != 0;
    return protect;
}

void MainWindow::checkStoredPatch(int number, const PatchRecord& sent)
{
    const SynthModel model = transfers_.model();
    const bool m1000 = model == SynthModel::Matrix1000;
    const BankedNumber where =
        m1000 ? splitPatchNumber(number) : BankedNumber{0, static_cast<Byte>(number)};
    UploadCheck check;
    check.model = model;
    check.kind = UploadCheck::Kind::Patches;
    check.bank = m1000 ? where.bank : -1;
    check.label = patchLabel(model, number).toStdString();
    if (!midi_.inputOpen() || transfers_.receiving()) {
        // No answer can come, or the receive would take it for its own.
        statusBar()->showMessage(
            !midi_.inputOpen()
                ? tr("%1 sent. Not checked: the instrument's MIDI input is not open.")
                      .arg(patchLabel(model, number))
                : tr("%1 sent. Not checked: Velmora is receiving from the instrument.")
                      .arg(patchLabel(model, number)),
            kPassedShownMs);
        return;
    }

    std::optional<PatchRecord> back;
    bool garbled = false;
    const auto result = readBack(
        1,
        [&] {
            // A Matrix-1000 answers from the selected bank: the bank the
            // store went to, with the bank lock off again.
            if (m1000) {
                pacer_.sendLong(bankSelect(where.bank));
                pacer_.sendLong(bankLockOff());
            }
            pacer_.sendLong(request(RequestType::OnePatch, where.number));
        },
        [&](std::span<const Byte> message) {
            if (!isDump(message, opcode::patchToMemory) || message.size() != kPatchMessageSize ||
                message[4] != where.number)
                return false;
            PatchRecord record{};
            if (unpackBlock(message, record) == UnpackStatus::Ok)
                back = record;
            else
                garbled = true;
            return true;
        },
        [&] { return back.has_value() || garbled; }, kAnswerWait);
    if (result == ReadBack::Busy || result == ReadBack::Failed || result == ReadBack::Cancelled) {
        if (result != ReadBack::Failed)
            statusBar()->showMessage(
                (result == ReadBack::Busy
                     ? tr("%1 sent. Not checked: Velmora is still reading from the instrument.")
                     : tr("%1 sent. Not checked: the check was cancelled."))
                    .arg(patchLabel(model, number)),
                kPassedShownMs);
        return;
    }
    check.compare(number, sent, back ? std::span<const Byte>(*back) : std::span<const Byte>());
    // Something else came back: memory protect may be why (a patch that did
    // not come back at all was lost on the way, whatever the protect says).
    if (!check.differing.empty() && m1000)
        check.memoryProtect = readMemoryProtect();
    tellCheck(check);
}

void MainWindow::checkStoredSplit(int split, const SplitRecord& sent)
{
    UploadCheck check;
    check.model = transfers_.model();
    check.kind = UploadCheck::Kind::Splits;
    check.label = tr("Split %1").arg(split).toStdString();
    if (!midi_.inputOpen() || transfers_.receiving())
        return;
    // A Matrix-6 sends a split only with everything else: the whole answer
    // is taken (and left out of the bank and the split table) until its
    // master record closes it.
    std::optional<SplitRecord> back;
    bool ended = false;
    const auto result = readBack(
        kMatrix6AllMessages, [this] { pacer_.sendLong(request(RequestType::All)); },
        [&](std::span<const Byte> message) {
            if (isDump(message, opcode::masterData)) {
                ended = true;
                return true;
            }
            if (isDump(message, opcode::splitData)) {
                SplitRecord record{};
                if (message[4] == split && message.size() == kSplitMessageSize &&
                    unpackBlock(message, record) == UnpackStatus::Ok)
                    back = record;
                return true;
            }
            return isDump(message, opcode::patchToMemory);
        },
        [&] { return ended; }, kAnswerWait);
    if (result == ReadBack::Busy || result == ReadBack::Failed || result == ReadBack::Cancelled)
        return;
    check.compare(split, sent, back ? std::span<const Byte>(*back) : std::span<const Byte>());
    tellCheck(check);
}

void MainWindow::tellCheck(const UploadCheck& check)
{
    const QString text = QString::fromStdString(describeCheck(check));
    if (check.passed()) {
        statusBar()->showMessage(text, kPassedShownMs);
        return;
    }
    statusBar()->clearMessage();
    QMessageBox::warning(this, tr("Upload Check"), text);
}

} // namespace velmora
