// The bank manager's grids as a table model: the bank of 100 patches in ten
// columns of ten, or the table of 50 splits in ten columns of five. Each
// cell shows the name its entry holds in the records, once something was put
// into the entry; before that it reads "<empty> ".
#pragma once

#include "protocol/SynthRecords.h"

#include <QAbstractTableModel>

#include <map>
#include <string>
#include <vector>

namespace velmora::library {

class BankTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum class Table
    {
        Patches,
        Splits
    };

    BankTableModel(Table table, const SynthRecords& records, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The entry (or split) at a cell, and the cell of an entry.
    int entryAt(const QModelIndex& index) const;
    QModelIndex indexOf(int entry) const;
    int entryCount() const { return static_cast<int>(filled_.size()); }

    bool isFilled(int entry) const { return filled_.at(static_cast<std::size_t>(entry)); }
    // The entry holds something from now on and shows its name. `name` is
    // what it holds: the records' name, or one that is on its way there (a
    // bank being received goes into the records only once all of it has
    // arrived; a split's new name is stored after it is shown). Such a name
    // shows until the records are shown again.
    void showName(int entry, const std::string& name);
    // Marks the entry as holding something without showing anything new.
    void setFilled(int entry);
    // Which entries hold something, and one entry's state put back (the
    // bank manager's undo and redo).
    const std::vector<bool>& filledEntries() const { return filled_; }
    void setFilledState(int entry, bool filled);
    // Every entry that holds something shows its name from the records again.
    void showRecords();
    // Every entry reads "<empty> " again.
    void clear();

private:
    std::string recordName(int entry) const;
    void changed(int entry);

    Table table_;
    const SynthRecords& records_;
    int rows_;
    std::vector<bool> filled_;
    // Names shown that the records do not hold (yet), by entry.
    std::map<int, std::string> arriving_;
};

} // namespace velmora::library
