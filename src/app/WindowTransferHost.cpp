#include "app/WindowTransferHost.h"

#include "app/NumberDialog.h"
#include "app/ProgressDialog.h"
#include "library/BankManagerWindow.h"

#include <QCoreApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QThread>

namespace velmora {

WindowTransferHost::WindowTransferHost(QMainWindow& window) : window_(window) {}

WindowTransferHost::~WindowTransferHost() = default;

void WindowTransferHost::initControls()
{
    emit patchChanged();
}

void WindowTransferHost::setMainCaption(const std::string& caption)
{
    // Patch names are bytes as the instrument holds them, one per character.
    window_.setWindowTitle(
        QString::fromLatin1(caption.data(), static_cast<qsizetype>(caption.size())));
}

void WindowTransferHost::showMessage(const std::string& text)
{
    QMessageBox::information(&window_, tr("Velmora"), QString::fromStdString(text));
}

void WindowTransferHost::refreshGlobals()
{
    emit globalsChanged();
}

void WindowTransferHost::enableButtons()
{
    emit flagsChanged();
}

void WindowTransferHost::openProgress(const std::string& caption, int maximum)
{
    progress_ = std::make_unique<ProgressDialog>(&window_);
    progress_->setCancellable(true);
    connect(progress_.get(), &ProgressDialog::cancelRequested, this,
            &WindowTransferHost::cancelRequested);
    progress_->start(QString::fromStdString(caption), maximum);
}

void WindowTransferHost::setProgress(int position)
{
    if (progress_) {
        progress_->setPosition(position);
        // A bank upload blocks the event loop between its messages; keep
        // the bar moving on screen.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}

void WindowTransferHost::closeProgress()
{
    progress_.reset();
    // A bank download is one step of the bank manager's history once over.
    if (bank_)
        bank_->receiveEnded();
}

std::optional<int> WindowTransferHost::askPatchNumber(const NumberRequest& request)
{
    NumberDialog dialog(&window_);
    dialog.setup(QString::fromStdString(request.caption), QString::fromStdString(request.label),
                 request.maximum, request.initial);
    return dialog.ask();
}

std::optional<int> WindowTransferHost::askUploadBank()
{
    return bank_ ? bank_->askUploadBank() : std::nullopt;
}

void WindowTransferHost::setBankCell(int index, const std::string& name)
{
    if (bank_)
        bank_->setBankCell(index, name);
}

void WindowTransferHost::setSplitCell(int index, const std::string& name)
{
    if (bank_)
        bank_->setSplitCell(index, name);
}

void WindowTransferHost::setBankManagerCaption(const std::string& caption)
{
    // The transfer engine names the bank manager afresh once a whole bank
    // has arrived, and only then: its Save and Upload now have a bank.
    if (bank_) {
        bank_->setCaption(QString::fromStdString(caption));
        bank_->updateGrid();
    }
    emit bankReceived();
}

void WindowTransferHost::pause(std::chrono::milliseconds duration)
{
    QThread::msleep(static_cast<unsigned long>(duration.count()));
}

TransferHost::Clock::time_point WindowTransferHost::now() const
{
    return Clock::now();
}

std::optional<std::string>
WindowTransferHost::knownName(std::span<const Byte, kPatchRecordSize> record, int entry)
{
    return nameLookup_ ? nameLookup_(record, entry) : std::nullopt;
}

} // namespace velmora
