#include "WindowTransferHost.h"

#include "TfrmBank.h"
#include "TfrmNumber.h"
#include "TfrmProgress.h"

#include <QCoreApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QThread>

namespace velmora {

WindowTransferHost::WindowTransferHost(QMainWindow& window) : window_(window) {}

WindowTransferHost::~WindowTransferHost() = default;

void WindowTransferHost::InitControls()
{
    if (OnInitControls)
        OnInitControls();
}

void WindowTransferHost::SetMainCaption(const std::string& caption)
{
    // Patch names are bytes as the instrument holds them, one per character.
    window_.setWindowTitle(
        QString::fromLatin1(caption.data(), static_cast<qsizetype>(caption.size())));
}

void WindowTransferHost::ShowMessage(const std::string& text)
{
    QMessageBox::information(&window_, QStringLiteral("Velmora"), QString::fromStdString(text));
}

void WindowTransferHost::RefreshGlobals()
{
    if (OnRefreshGlobals)
        OnRefreshGlobals();
}

void WindowTransferHost::EnableButtons()
{
    if (OnEnableButtons)
        OnEnableButtons();
}

void WindowTransferHost::OpenProgress(const std::string& caption, int maximum)
{
    progress_ = std::make_unique<TfrmProgress>(&window_);
    progress_->SetOnCancel([this] {
        if (OnCancel)
            OnCancel();
    });
    progress_->Start(QString::fromStdString(caption), maximum);
}

void WindowTransferHost::SetProgress(int position)
{
    if (progress_) {
        progress_->SetPosition(position);
        // A bank upload blocks the event loop between its messages; keep
        // the bar moving on screen.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}

void WindowTransferHost::CloseProgress()
{
    progress_.reset();
}

std::optional<int> WindowTransferHost::AskPatchNumber(const NumberRequest& request)
{
    TfrmNumber dialog(&window_);
    dialog.Setup(QString::fromStdString(request.caption), QString::fromStdString(request.label),
                 request.maximum, request.initial);
    return dialog.Ask();
}

std::optional<int> WindowTransferHost::AskUploadBank()
{
    return bank_ ? bank_->AskUploadBank() : std::nullopt;
}

void WindowTransferHost::SetBankCell(int index, const std::string& name)
{
    if (bank_)
        bank_->SetBankCell(index, name);
}

void WindowTransferHost::SetSplitCell(int index, const std::string& name)
{
    if (bank_)
        bank_->SetSplitCell(index, name);
}

void WindowTransferHost::SetBankManagerCaption(const std::string& caption)
{
    if (bank_)
        bank_->SetCaption(QString::fromStdString(caption));
}

void WindowTransferHost::Pause(std::chrono::milliseconds duration)
{
    QThread::msleep(static_cast<unsigned long>(duration.count()));
}

TransferHost::Clock::time_point WindowTransferHost::Now() const
{
    return Clock::now();
}

} // namespace velmora
