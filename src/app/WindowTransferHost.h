// The transfer engine's view of the main window: captions, message boxes,
// the progress window with Cancel, the patch-number and bank dialogs, and
// the bank manager's grids and the global controls.
#pragma once

#include "TransferHost.h"

#include <functional>
#include <memory>

class QMainWindow;

namespace velmora {

class TfrmProgress;
namespace library {
class TfrmBank;
} // namespace library

class WindowTransferHost : public TransferHost
{
public:
    explicit WindowTransferHost(QMainWindow& window);
    ~WindowTransferHost() override;

    // What the main window does on these; empty by default.
    std::function<void()> OnInitControls;
    std::function<void()> OnEnableButtons;
    std::function<void()> OnCancel;
    std::function<void()> OnRefreshGlobals;

    void InitControls() override;
    void SetMainCaption(const std::string& caption) override;
    void ShowMessage(const std::string& text) override;
    void EnableButtons() override;
    // The bank manager that shows the bank and the splits.
    void SetBankManager(library::TfrmBank* bank) { bank_ = bank; }

    void SetBankCell(int index, const std::string& name) override;
    void SetSplitCell(int index, const std::string& name) override;
    void SetBankManagerCaption(const std::string& caption) override;
    void OpenProgress(const std::string& caption, int maximum) override;
    void SetProgress(int position) override;
    void CloseProgress() override;
    void RefreshGlobals() override;
    std::optional<int> AskPatchNumber(const NumberRequest& request) override;
    std::optional<int> AskUploadBank() override;
    void Pause(std::chrono::milliseconds duration) override;
    Clock::time_point Now() const override;

    TfrmProgress* Progress() const { return progress_.get(); }

private:
    QMainWindow& window_;
    std::unique_ptr<TfrmProgress> progress_;
    library::TfrmBank* bank_ = nullptr;
};

} // namespace velmora
