// The global settings window's exchanges with the instrument: the read, and
// the write with its pause and read-back. The window holds the main
// window's SysEx tap from the request to the answer (or its time-out), so
// the answer never reaches the transfer engine and a receive already
// running is never disturbed: while one runs, the window waits.
#include "globals/GlobalSettingsWindow.h"

#include "protocol/Messages.h"
#include "protocol/SysexCodec.h"
#include "protocol/UploadCheck.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace velmora::globals {
namespace {

// A global record of either model, whatever its checksum.
bool isGlobalRecord(std::span<const Byte> m)
{
    if (m.size() < kDumpHeaderSize || m[0] != kSysexStart || m[1] != kManufacturer ||
        m[2] != kDevice || m[3] != opcode::masterData)
        return false;
    return (m.size() == kGlobal1000MessageSize && m[4] == recordVersion::global1000) ||
           (m.size() == kMaster6MessageSize && m[4] == recordVersion::master6);
}

QString joined(const std::vector<std::string>& names)
{
    QStringList list;
    for (const std::string& name : names)
        list << QString::fromStdString(name);
    return list.join(QStringLiteral(", "));
}

} // namespace

bool GlobalSettingsWindow::working() const
{
    return phase_ != Phase::Idle || settle_->isActive();
}

void GlobalSettingsWindow::sendWaitingEdits()
{
    if (phase_ == Phase::Idle && settle_->isActive()) {
        settle_->stop();
        writeChanges();
    }
}

void GlobalSettingsWindow::open()
{
    show();
    raise();
    activateWindow();
    if (phase_ == Phase::Idle && !settle_->isActive())
        readFromInstrument();
}

bool GlobalSettingsWindow::takeTap()
{
    const QString busy = link_.busy ? link_.busy() : QString();
    if (!busy.isEmpty())
        return false;
    // The answer is taken here and handled after the router is done with it.
    QPointer<GlobalSettingsWindow> self(this);
    tapHeld_ = link_.setTap([self](std::span<const Byte> message) {
        if (self.isNull() || !isGlobalRecord(message))
            return false;
        std::vector<Byte> copy(message.begin(), message.end());
        QTimer::singleShot(0, self.data(), [self, copy] {
            if (!self.isNull())
                self->answered(copy);
        });
        return true;
    });
    return tapHeld_;
}

void GlobalSettingsWindow::releaseTap()
{
    if (tapHeld_)
        link_.setTap({});
    tapHeld_ = false;
}

void GlobalSettingsWindow::readFromInstrument()
{
    if (phase_ != Phase::Idle)
        return;
    if (settle_->isActive()) {
        // Edits still waiting go first; their read-back is the read.
        settle_->stop();
        writeChanges();
        return;
    }
    if (!takeTap()) {
        setStatus(tr("Velmora is busy with the instrument (a receive or another check is "
                     "running). Read again when it has ended."));
        return;
    }
    if (!link_.send(request(RequestType::Global))) {
        releaseTap();
        setStatus(tr("No global settings were read: the MIDI output is not open. Choose the "
                     "ports under Setup > Midi, then Read again. Until then only Load works."));
        return;
    }
    phase_ = Phase::Reading;
    enableControls();
    setStatus(tr("Reading the global settings from the instrument..."));
    answerWait_->start();
}

void GlobalSettingsWindow::answered(const std::vector<Byte>& message)
{
    if (phase_ == Phase::Reading) {
        answerWait_->stop();
        releaseTap();
        phase_ = Phase::Idle;
        takeRead(message);
        emit finished();
        return;
    }
    if (phase_ != Phase::ReadingBase && phase_ != Phase::ReadingBack)
        return;
    answerWait_->stop();
    Global1000 block{};
    const bool good = message.size() == kGlobal1000MessageSize &&
                      unpackBlock(message, block, ChecksumRule::Global) == UnpackStatus::Ok;
    const auto record = good ? std::optional<Global1000>(block) : std::nullopt;
    if (phase_ == Phase::ReadingBase)
        sendWrite(record);
    else
        finishWrite(record);
}

void GlobalSettingsWindow::answerMissed()
{
    if (phase_ == Phase::ReadingBase) {
        // The record read before is the base then.
        sendWrite(std::nullopt);
        return;
    }
    if (phase_ == Phase::ReadingBack) {
        finishWrite(std::nullopt);
        return;
    }
    if (phase_ != Phase::Reading)
        return;
    releaseTap();
    phase_ = Phase::Idle;
    enableControls();
    setStatus(shown_ != Shown::Nothing && fromInstrument_
                  ? tr("The instrument did not answer; the settings shown are those read "
                       "before.")
                  : tr("No global settings were read: the instrument did not answer. Check the "
                       "cables and the ports under Setup > Midi, then Read again. Until then "
                       "only Load works."));
    emit finished();
}

void GlobalSettingsWindow::takeRead(const std::vector<Byte>& message)
{
    const bool m1000 = message.size() == kGlobal1000MessageSize;
    std::array<Byte, kMaster6Size> block{};
    const std::span<Byte> target =
        m1000 ? std::span<Byte>(block).first(kGlobal1000Size) : std::span<Byte>(block);
    if (unpackBlock(message, target, ChecksumRule::Global) != UnpackStatus::Ok) {
        enableControls();
        setStatus(tr("The global settings came back damaged (wrong checksum) and were not "
                     "taken. Read again."));
        return;
    }
    fromInstrument_ = true;
    link_.recordRead(target);
    if (!m1000) {
        master_ = block;
        shown_ = Shown::Matrix6;
        showMaster6();
        setStatus(tr("Read a Matrix-6 master record. It is shown as far as it is known and "
                     "never sent back."));
        return;
    }
    std::copy_n(block.begin(), kGlobal1000Size, base_.begin());
    edited_ = base_;
    changed_.assign(changed_.size(), false);
    mapChanged_ = false;
    shown_ = Shown::Matrix1000;
    showRecord();
    setStatus(tr("Read from the instrument. A change goes to it when the edits have settled, "
                 "and is read back."));
}

void GlobalSettingsWindow::writeChanges()
{
    if (phase_ != Phase::Idle) {
        // Sent when the write running now has been read back.
        return;
    }
    if (shown_ != Shown::Matrix1000 || !fromInstrument_ || edited_ == base_) {
        changed_.assign(changed_.size(), false);
        mapChanged_ = false;
        return;
    }
    if (!takeTap()) {
        setStatus(tr("Velmora is busy with the instrument; the change goes out when that has "
                     "ended."));
        settle_->start();
        return;
    }
    // The record is read again first, so that what changed in the unit
    // meanwhile (on its panel, or through the main window's bars) is kept.
    if (!link_.send(request(RequestType::Global))) {
        releaseTap();
        setStatus(tr("The change could not be sent: the MIDI output is not open."));
        return;
    }
    phase_ = Phase::ReadingBase;
    enableControls();
    answerWait_->start();
}

void GlobalSettingsWindow::rebase(const Global1000& unit)
{
    const Global1000 previous = edited_;
    base_ = unit;
    edited_ = unit;
    const auto settings = globalSettings();
    for (std::size_t i = 0; i < settings.size(); ++i)
        if (changed_[i])
            writeValue(edited_, settings[i], shownValue(previous, settings[i]));
    if (mapChanged_)
        copyGroupMap(previous, edited_);
    showRecord();
}

void GlobalSettingsWindow::sendWrite(const std::optional<Global1000>& unit)
{
    if (unit) {
        rebase(*unit);
        link_.recordRead(base_);
    }
    if (edited_ == base_) {
        releaseTap();
        phase_ = Phase::Idle;
        changed_.assign(changed_.size(), false);
        mapChanged_ = false;
        enableControls();
        setStatus(tr("The instrument already holds these settings: nothing was sent."));
        emit finished();
        return;
    }
    sent_ = edited_;
    changed_.assign(changed_.size(), false);
    mapChanged_ = false;
    if (!link_.send(globalData(sent_))) {
        releaseTap();
        phase_ = Phase::Idle;
        enableControls();
        setStatus(tr("The change could not be sent: the MIDI output is not open."));
        emit finished();
        return;
    }
    phase_ = Phase::Pausing;
    setStatus(tr("Sent to the instrument; reading it back..."));
    const auto pause = link_.writePause ? link_.writePause() : std::chrono::milliseconds(300);
    QTimer::singleShot(pause, this, &GlobalSettingsWindow::requestReadBack);
}

void GlobalSettingsWindow::requestReadBack()
{
    if (phase_ != Phase::Pausing)
        return;
    phase_ = Phase::ReadingBack;
    if (!link_.send(request(RequestType::Global))) {
        finishWrite(std::nullopt);
        return;
    }
    answerWait_->start();
}

void GlobalSettingsWindow::finishWrite(const std::optional<Global1000>& readBack)
{
    releaseTap();
    phase_ = Phase::Idle;
    UploadCheck check;
    check.model = SynthModel::Matrix1000;
    check.kind = UploadCheck::Kind::Global;
    check.compare(0, sent_, readBack ? std::span<const Byte>(*readBack) : std::span<const Byte>());
    QString sentence = QString::fromStdString(describeCheck(check));
    if (readBack && !check.passed())
        sentence += u' ' + tr("Not as sent: %1.").arg(joined(differingSettings(sent_, *readBack)));

    // What the unit holds is the new base (what was sent, when nothing came
    // back); changes made meanwhile stay on top of it.
    const int channelBefore = base_[11] & 0x0F;
    rebase(readBack ? *readBack : sent_);
    link_.recordRead(base_);
    const int channelAfter = base_[11] & 0x0F;
    if (channelAfter != channelBefore) {
        link_.followChannel(channelAfter);
        sentence +=
            u' ' +
            tr("Velmora now talks to the instrument on MIDI channel %1.").arg(channelAfter + 1);
    }
    setStatus(sentence);
    if (edited_ != base_)
        settle_->start();
    emit finished();
}

} // namespace velmora::globals
