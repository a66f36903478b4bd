// File > Back Up Instrument and Restore Instrument, and the check that reads
// a bank back after the bank manager sent it. The step machines do the work;
// the window hands them the instrument's answers through the SysEx tap (so
// the patch, bank and globals being edited stay as they are), ticks them
// from a timer and shows their phase in the progress window with Cancel.
#include "app/MainWindow.h"

#include "app/AppPaths.h"
#include "app/ProgressDialog.h"
#include "library/FileDialogs.h"
#include "library/SysexFiles.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace velmora {

namespace {

// The longest the window waits between two steps (the stall watch, the
// wait for a Matrix-6's master record).
constexpr std::chrono::milliseconds kWholeTick{50};

const QString kSysexFilter = QStringLiteral("SysEx Files (*.syx)");

QString shownName(SynthModel model)
{
    return model == SynthModel::Matrix1000 ? QStringLiteral("Matrix-1000")
                                           : QStringLiteral("Matrix-6");
}

// What a restore writes, asked with a box per part; nothing when cancelled.
std::optional<RestoreChoice> askRestoreChoice(QWidget* parent, const BackupContents& backup,
                                              bool check)
{
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("frmRestoreInstrument"));
    dialog.setWindowTitle(QObject::tr("Restore Instrument"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* held = new QLabel(QString::fromStdString(backup.describe()), &dialog);
    held->setWordWrap(true);
    layout->addWidget(held);
    layout->addWidget(new QLabel(QObject::tr("Write into the instrument:"), &dialog));
    const auto box = [&](const char* name, const QString& text, bool enabled, bool on) {
        auto* tick = new QCheckBox(text, &dialog);
        tick->setObjectName(QLatin1String(name));
        tick->setEnabled(enabled);
        tick->setChecked(enabled && on);
        layout->addWidget(tick);
        return tick;
    };
    QCheckBox* bank0 = nullptr;
    QCheckBox* bank1 = nullptr;
    QCheckBox* patches = nullptr;
    QCheckBox* splits = nullptr;
    QCheckBox* master = nullptr;
    if (backup.model == SynthModel::Matrix1000) {
        bank0 = box("chkBank0", QObject::tr("Bank 0 (patches 000-099)"), backup.hasBank(0), true);
        bank1 = box("chkBank1", QObject::tr("Bank 1 (patches 100-199)"), backup.hasBank(1), true);
        auto* rom = new QLabel(QObject::tr("Banks 2 to 9 are the instrument's factory ROM and "
                                           "cannot be written."),
                               &dialog);
        rom->setWordWrap(true);
        layout->addWidget(rom);
    } else {
        patches = box("chkPatches", QObject::tr("The 100 patches"), backup.hasBank(0), true);
        splits = box("chkSplits", QObject::tr("The 50 splits"), !backup.splits.empty(), true);
        master = box("chkMaster", QObject::tr("The master record"), !backup.global.empty(), false);
        auto* warning = new QLabel(QObject::tr("Writing the master record back has not been "
                                               "tried on a real Matrix-6; leave it out unless "
                                               "you need it."),
                                   &dialog);
        warning->setWordWrap(true);
        layout->addWidget(warning);
    }
    if (check)
        layout->addWidget(new QLabel(
            QObject::tr("Each part is read back afterwards and compared with the backup."),
            &dialog));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QObject::tr("&Restore"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    RestoreChoice choice;
    choice.check = check;
    if (backup.model == SynthModel::Matrix1000) {
        if (bank0->isChecked())
            choice.banks.push_back(0);
        if (bank1->isChecked())
            choice.banks.push_back(1);
    } else {
        choice.patches = patches->isChecked();
        choice.splits = splits->isChecked();
        choice.master = master->isChecked();
    }
    return choice;
}

} // namespace

WholeTiming MainWindow::wholeTiming() const
{
    WholeTiming timing;
    timing.storePause = std::chrono::milliseconds(settings_.storePause);
    timing.globalPause = globalWritePause();
    return timing;
}

bool MainWindow::runWhole(std::unique_ptr<WholeMachine> machine, const QString& caption,
                          std::function<void(WholeMachine&)> ended,
                          std::function<void(WholeMachine&)> each)
{
    const QString title = caption;
    if (!midi_.outputOpen() || !midi_.inputOpen()) {
        QMessageBox::information(this, title,
                                 tr("The instrument's MIDI input and output must both be open: "
                                    "choose them under Setup > Midi."));
        return false;
    }
    if (transfers_.receiving() || whole_ || sysexTapSet()) {
        QMessageBox::information(this, title,
                                 tr("Velmora is busy with the instrument. Try again when that "
                                    "has ended."));
        return false;
    }
    whole_ = std::move(machine);
    wholeEnded_ = std::move(ended);
    wholeEach_ = std::move(each);
    if (wholeTimer_ == nullptr) {
        wholeTimer_ = new QTimer(this);
        wholeTimer_->setSingleShot(true);
        wholeTimer_->setTimerType(Qt::PreciseTimer);
        connect(wholeTimer_, &QTimer::timeout, this, &MainWindow::stepWhole);
    }
    if (wholeProgress_ == nullptr) {
        wholeProgress_ = new ProgressDialog(this);
        wholeProgress_->setObjectName(QStringLiteral("frmWholeProgress"));
        connect(wholeProgress_, &ProgressDialog::cancelRequested, this, [this] {
            if (whole_)
                whole_->cancel(WholeClock::now());
            wholeTimer_->start(0);
        });
    }
    setSysexTap([this](std::span<const Byte> message) {
        if (!whole_ || !whole_->take(message, WholeClock::now()))
            return false;
        // What the answer asks for next goes out at once.
        wholeTimer_->start(0);
        return true;
    });
    // Nothing else may go to the instrument while this runs.
    wholeProgress_->setWindowModality(Qt::ApplicationModal);
    wholeProgress_->setCancellable(true);
    whole_->start(WholeClock::now());
    wholeProgress_->start(title, std::max(whole_->maximum(), 1));
    stepWhole();
    return true;
}

void MainWindow::stepWhole()
{
    // A question asked from a step runs an event loop of its own: the
    // timer must not step again meanwhile.
    if (!whole_ || wholeStepping_)
        return;
    wholeStepping_ = true;
    struct Done
    {
        bool& flag;
        ~Done() { flag = false; }
    } done{wholeStepping_};
    whole_->tick(WholeClock::now());
    if (wholeEach_)
        wholeEach_(*whole_);
    if (!whole_)
        return;
    wholeProgress_->setPhase(QString::fromStdString(whole_->phase()));
    wholeProgress_->setPosition(std::min(whole_->position(), std::max(whole_->maximum(), 1)));
    if (!whole_->finished()) {
        auto wait = kWholeTick;
        if (const auto due = whole_->nextDue()) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(*due - WholeClock::now());
            wait = std::clamp(left, std::chrono::milliseconds(0), kWholeTick);
        }
        wholeTimer_->start(wait);
        return;
    }
    setSysexTap({});
    wholeTimer_->stop();
    wholeProgress_->hide();
    std::unique_ptr<WholeMachine> machine = std::move(whole_);
    const auto ended = std::move(wholeEnded_);
    wholeEnded_ = nullptr;
    wholeEach_ = nullptr;
    if (ended)
        ended(*machine);
}

void MainWindow::backUpInstrument()
{
    const SynthModel model = transfers_.model();
    const QString title = tr("Back Up Instrument");
    const auto chosen = dialogs_->save({
        .caption = title,
        .folder = AppPaths::writableFolder(),
        .fileName = tr("%1 backup.syx").arg(shownName(model)),
        .filters = kSysexFilter,
        .filterIndex = 0,
        .defaultSuffix = QStringLiteral("syx"),
    });
    if (!chosen)
        return;
    const QString path = chosen->path;
    auto job = std::make_unique<InstrumentBackup>(model, pacer_, wholeTiming());
    runWhole(std::move(job), title, [this, path, title](WholeMachine& machine) {
        auto& backup = static_cast<InstrumentBackup&>(machine);
        if (backup.status() == WholeStatus::Cancelled) {
            statusBar()->showMessage(tr("Backup cancelled; nothing was written."), 5000);
            return;
        }
        if (backup.status() != WholeStatus::Done) {
            QMessageBox::warning(this, title,
                                 QString::fromStdString(backup.problem()) + u' ' +
                                     tr("Nothing was written."));
            return;
        }
        const std::vector<Byte> bytes = backup.file();
        if (const auto error = library::writeFileAtomically(path.toStdString(), bytes)) {
            QMessageBox::warning(
                this, title,
                tr("%1 could not be written: %2").arg(path, QString::fromStdString(*error)));
            return;
        }
        QMessageBox::information(this, title,
                                 tr("Saved %1.").arg(path) + QStringLiteral("\n\n") +
                                     QString::fromStdString(backup.summary()));
    });
}

void MainWindow::restoreInstrument()
{
    const QString title = tr("Restore Instrument");
    const auto chosen = dialogs_->open({
        .caption = title,
        .folder = AppPaths::writableFolder(),
        .fileName = {},
        .filters = kSysexFilter,
        .filterIndex = 0,
        .defaultSuffix = QStringLiteral("syx"),
    });
    if (!chosen)
        return;
    QFile file(chosen->path);
    if (!file.open(QIODevice::ReadOnly)) {
        QMessageBox::warning(this, title,
                             tr("%1 could not be read: %2").arg(chosen->path, file.errorString()));
        return;
    }
    const QByteArray held = file.readAll();
    const auto contents = readBackup(std::span(reinterpret_cast<const Byte*>(held.constData()),
                                               static_cast<std::size_t>(held.size())));
    if (!contents) {
        QMessageBox::warning(
            this, title,
            tr("%1 holds no whole bank of 100 patches. Nothing was sent.").arg(chosen->path));
        return;
    }
    if (contents->model != transfers_.model()) {
        QMessageBox::warning(
            this, title,
            tr("%1 is a backup of a %2, but Velmora is set to a %3. Choose the "
               "model under Setup > Model first.")
                .arg(chosen->path, shownName(contents->model), shownName(transfers_.model())));
        return;
    }
    const auto choice = askRestoreChoice(this, *contents, checkUploads());
    if (!choice)
        return;
    if (choice->banks.empty() && !choice->patches && !choice->splits && !choice->master)
        return;
    if (contents->model == SynthModel::Matrix1000 && choice->banks.empty())
        return;
    auto job = std::make_unique<InstrumentRestore>(*contents, *choice, pacer_, wholeTiming());
    runWhole(
        std::move(job), title,
        [this, title](WholeMachine& machine) {
            auto& restore = static_cast<InstrumentRestore&>(machine);
            if (restore.status() == WholeStatus::Cancelled) {
                statusBar()->showMessage(tr("Restore cancelled."), 5000);
                return;
            }
            if (restore.status() != WholeStatus::Done) {
                QMessageBox::warning(this, title, QString::fromStdString(restore.problem()));
                return;
            }
            const QString text = QString::fromStdString(restore.summary());
            if (restore.checks().empty() || restore.verified())
                QMessageBox::information(this, title, text);
            else
                QMessageBox::warning(this, title, text);
        },
        [this, title](WholeMachine& machine) {
            auto& restore = static_cast<InstrumentRestore&>(machine);
            if (!restore.needsDecision())
                return;
            QMessageBox box(QMessageBox::Warning, title,
                            tr("Memory protect is on in the instrument: it ignores every patch "
                               "sent to it. Switch it off for the restore? Velmora switches it on "
                               "again afterwards."),
                            QMessageBox::NoButton, this);
            box.setObjectName(QStringLiteral("msgMemoryProtect"));
            QPushButton* off =
                box.addButton(tr("&Switch Off for the Restore"), QMessageBox::AcceptRole);
            QPushButton* anyway =
                box.addButton(tr("Restore &Anyway"), QMessageBox::DestructiveRole);
            box.addButton(QMessageBox::Cancel);
            box.setDefaultButton(off);
            box.exec();
            if (box.clickedButton() == off)
                restore.proceed(true, WholeClock::now());
            else if (box.clickedButton() == anyway)
                restore.proceed(false, WholeClock::now());
            else
                restore.cancel(WholeClock::now());
        });
}

void MainWindow::checkBankUpload(int bank)
{
    if (!checkUploads())
        return;
    if (!midi_.inputOpen()) {
        statusBar()->showMessage(tr("The bank was sent but not checked: the instrument's MIDI "
                                    "input is not open."),
                                 10000);
        return;
    }
    std::vector<std::vector<Byte>> sent;
    for (const PatchBuffer& entry : records_.bank)
        sent.emplace_back(entry.begin(), entry.begin() + kPatchRecordSize);
    const SynthModel model = transfers_.model();
    auto job = std::make_unique<BankReadBack>(model, bank, std::move(sent), pacer_, wholeTiming());
    const QString title = tr("Checking the Upload");
    runWhole(std::move(job), title, [this, title](WholeMachine& machine) {
        auto& readBack = static_cast<BankReadBack&>(machine);
        if (readBack.status() == WholeStatus::Cancelled)
            return;
        if (readBack.status() != WholeStatus::Done) {
            QMessageBox::warning(this, title,
                                 tr("The bank could not be read back: %1")
                                     .arg(QString::fromStdString(readBack.problem())));
            return;
        }
        const QString text = QString::fromStdString(describeCheck(readBack.check()));
        statusBar()->showMessage(text, 10000);
        if (readBack.check().passed())
            QMessageBox::information(this, title, text);
        else
            QMessageBox::warning(this, title, text);
    });
}

} // namespace velmora
