// The transfer engine's view of the main window: captions, message boxes,
// the progress window with Cancel, the patch-number and bank dialogs, and
// the bank manager's grids and the global controls.
#pragma once

#include "protocol/TransferHost.h"

#include <QObject>

#include <functional>
#include <memory>

class QMainWindow;

namespace velmora {

class ProgressDialog;
namespace library {
class BankManagerWindow;
} // namespace library

class WindowTransferHost : public QObject, public TransferHost
{
    Q_OBJECT

public:
    explicit WindowTransferHost(QMainWindow& window);
    ~WindowTransferHost() override;

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
    std::optional<std::string> knownName(std::span<const Byte, kPatchRecordSize> record,
                                         int entry) override;
    // Where knownName looks: the main window's patch library.
    using NameLookup = std::function<std::optional<std::string>(
        std::span<const Byte, kPatchRecordSize> record, int entry)>;
    void setNameLookup(NameLookup lookup) { nameLookup_ = std::move(lookup); }

signals:
    // A transfer put a new current patch in place: the editor shows it.
    void patchChanged();
    // The flags changed: the main menu's patch commands follow them.
    void flagsChanged();
    // The user cancelled in the progress window.
    void cancelRequested();
    // The global parameters arrived: their controls show them.
    void globalsChanged();
    // A whole bank was received into the records.
    void bankReceived();

private:
    QMainWindow& window_;
    std::unique_ptr<ProgressDialog> progress_;
    library::BankManagerWindow* bank_ = nullptr;
    NameLookup nameLookup_;
};

} // namespace velmora
