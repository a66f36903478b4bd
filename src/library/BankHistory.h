// The bank manager's own history of changes to the bank and the split table,
// apart from any history of the editor's current patch. A change is taken
// as a step between begin(name) and end(): begin keeps a copy of what the
// bank, the split table and the grids hold; end compares and pushes a step
// that keeps only the entries and splits that changed (their bytes before
// and after, and whether their cells showed a name), so a thousand single
// pastes take a few hundred kilobytes rather than a bank copy each. Undo and
// redo put those bytes back exactly, the odd bytes too, and the grids show
// them as they showed them then.
//
// The bank in Velmora is the librarian's copy: undo and redo change that
// copy and what the grids show, and send nothing to the instrument.
#pragma once

#include "library/BankEdits.h"
#include "protocol/SynthRecords.h"
#include "protocol/TransferFlags.h"

#include <QObject>
#include <QString>

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

class QUndoStack;

namespace velmora::library {

class BankTableModel;

class BankHistory : public QObject
{
    Q_OBJECT

public:
    // The most steps kept; the oldest go first.
    static constexpr int kStepLimit = 1000;

    // What the steps change and show.
    struct Target
    {
        SynthRecords& records;
        TransferFlags& flags;
        BankTableModel& bankCells;
        BankTableModel& splitCells;
        // The bank manager's caption (the file the bank came from).
        std::function<QString()> caption;
        std::function<void(const QString&)> setCaption;
        // After a step was put back or done again: the grids and the menus
        // show the records.
        std::function<void()> shown;
    };

    explicit BankHistory(Target target, QObject* parent = nullptr);
    ~BankHistory() override;

    QUndoStack& stack() { return *stack_; }

    // Starts the step `name` ("Paste", "Open Bank"...). While a step is open,
    // a further begin joins it (one command that runs another is one step).
    void begin(const QString& name);
    // Ends the open step: what changed since begin becomes a step; nothing
    // changed, no step.
    void end();
    // begin, `change`, end.
    void record(const QString& name, const std::function<void()>& change);
    bool isOpen() const { return open_.has_value(); }
    // A step is being undone or redone (no new step may start).
    bool applying() const { return applying_; }

    void undo();
    void redo();

    // The bytes the kept steps take, measured from what they store: each
    // step object, its changed entries and splits and its texts (Qt's own
    // part of each command adds some tens of bytes more).
    std::size_t footprint() const;

    // What begin keeps: the whole bank and split table, the cells that show
    // a name, and the flags and caption a step puts back.
    struct Snapshot
    {
        BankEntries bank{};
        std::array<SplitRecord, kSplitCount> splits{};
        std::vector<bool> bankFilled;
        std::vector<bool> splitFilled;
        bool bankLoaded = false;
        bool splitsReceived = false;
        QString caption;
    };

private:
    friend class BankStep;
    Snapshot take() const;

    Target target_;
    QUndoStack* stack_;
    std::optional<Snapshot> open_;
    QString openName_;
    int depth_ = 0;
    bool applying_ = false;
};

} // namespace velmora::library
