// The transfer engine's view of the main window: captions, message boxes,
// the progress window with Cancel, the patch-number and bank dialogs, and
// the bank manager's grids and the global controls.
#pragma once

#include "protocol/TransferHost.h"

#include <functional>
#include <memory>

class QMainWindow;

namespace velmora {

class ProgressDialog;
namespace library {
class BankManagerWindow;
} // namespace library

class WindowTransferHost : public TransferHost
{
public:
    explicit WindowTransferHost(QMainWindow& window);
    ~WindowTransferHost() override;

    // What the main window does on these; empty by default.
    std::function<void()> onInitControls;
    std::function<void()> onEnableButtons;
    std::function<void()> onCancel;
    std::function<void()> onRefreshGlobals;

    void initControls() override;
    void setMainCaption(const std::string& caption) override;
    void showMessage(const std::string& text) override;
    void enableButtons() override;
    // The bank manager that shows the bank and the splits.
    void setBankManager(library::BankManagerWindow* bank) { bank_ = bank; }

    void setBankCell(int index, const std::string& name) override;
    void setSplitCell(int index, const std::string& name) override;
    void setBankManagerCaption(const std::string& caption) override;
    void openProgress(const std::string& caption, int maximum) override;
    void setProgress(int position) override;
    void closeProgress() override;
    void refreshGlobals() override;
    std::optional<int> askPatchNumber(const NumberRequest& request) override;
    std::optional<int> askUploadBank() override;
    void pause(std::chrono::milliseconds duration) override;
    Clock::time_point now() const override;

    ProgressDialog* progress() const { return progress_.get(); }

private:
    QMainWindow& window_;
    std::unique_ptr<ProgressDialog> progress_;
    library::BankManagerWindow* bank_ = nullptr;
};

} // namespace velmora
