// Everything the transfer engine does to the windows goes out through this
// interface: control refreshes, captions, message boxes, the bank manager's
// grids, the progress window and the two modal dialogs. It also supplies the
// pauses between outgoing messages and the clock that the stall watch reads,
// so that tests record pauses instead of sleeping and move time by hand.
#pragma once

#include "protocol/PatchRecord.h"

#include <chrono>
#include <optional>
#include <span>
#include <string>

namespace velmora {

class TransferHost
{
public:
    using Clock = std::chrono::steady_clock;

    // What the patch-number dialog shows. `initial` below 0 shows as 0.
    struct NumberRequest
    {
        std::string caption;
        std::string label;
        int maximum = 199;
        int digits = 3;
        int initial = 0;
    };

    virtual ~TransferHost() = default;

    // Sets every editor control from the current patch (nothing is sent).
    virtual void initControls() = 0;
    virtual void setMainCaption(const std::string& caption) = 0;
    // A plain message box.
    virtual void showMessage(const std::string& text) = 0;
    // Refreshes the menu commands from the transfer flags.
    virtual void enableButtons() = 0;
    // Bank grid cell of entry `index` (column index / 10, row index % 10) and
    // split grid cell of split `index` (column index / 5, row index % 5).
    // Names are raw bytes, one per character, passed on as received.
    virtual void setBankCell(int index, const std::string& name) = 0;
    virtual void setSplitCell(int index, const std::string& name) = 0;
    virtual void setBankManagerCaption(const std::string& caption) = 0;

    // The non-modal progress window: opened with its caption and gauge
    // maximum, moved, and closed when the transfer ends or fails.
    virtual void openProgress(const std::string& caption, int maximum) = 0;
    virtual void setProgress(int position) = 0;
    virtual void closeProgress() = 0;

    // Sets the global controls from the global record.
    virtual void refreshGlobals() = 0;

    // The modal patch-number dialog: the number entered, or nullopt when
    // cancelled.
    virtual std::optional<int> askPatchNumber(const NumberRequest& request) = 0;
    // The bank upload dialog: bank 0 or 1, or nullopt when cancelled.
    virtual std::optional<int> askUploadBank() = 0;

    // Blocks the calling thread for `duration` (the pauses the instrument
    // needs between messages).
    virtual void pause(std::chrono::milliseconds duration) = 0;
    // The current time, read when SysEx arrives and by the stall watch.
    virtual Clock::time_point now() const = 0;

    // A patch arrived with the Matrix-1000's placeholder name ("BNK0: 12"):
    // the name the user's patch library knows for its content, which then
    // takes the place of the placeholder in the record. `entry` is the bank
    // entry it arrived for, or -1 for the editor. Nothing: the placeholder
    // stays (no library, or the content is not in it).
    virtual std::optional<std::string> knownName(std::span<const Byte, kPatchRecordSize> record,
                                                 int entry)
    {
        (void)record;
        (void)entry;
        return std::nullopt;
    }
};

} // namespace velmora
