#include "library/BankTableModel.h"

#include "library/BankEdits.h"
#include "protocol/PatchName.h"

#include <QCoreApplication>

namespace velmora::library {
namespace {

// A name's bytes as Latin-1 characters; a zero byte shows as nothing.
QString cellText(std::string_view name)
{
    QString text;
    for (const char c : name)
        if (c != '\0')
            text += QLatin1Char(c);
    return text;
}

} // namespace

BankTableModel::BankTableModel(Table table, const SynthRecords& records, QObject* parent)
    : QAbstractTableModel(parent), table_(table), records_(records),
      rows_(table == Table::Patches ? kBankRows : kSplitRows),
      filled_(table == Table::Patches ? kBankPatchCount : kSplitCount, false)
{}

int BankTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows_;
}

int BankTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : entryCount() / rows_;
}

int BankTableModel::entryAt(const QModelIndex& index) const
{
    return table_ == Table::Patches ? bankEntryAt(index.column(), index.row())
                                    : splitAt(index.column(), index.row());
}

QModelIndex BankTableModel::indexOf(int entry) const
{
    const GridCell cell = table_ == Table::Patches ? bankCellOf(entry) : splitCellOf(entry);
    return index(cell.row, cell.column);
}

QVariant BankTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const int entry = entryAt(index);
    if (const auto arriving = arriving_.find(entry); arriving != arriving_.end())
        return cellText(arriving->second);
    if (!isFilled(entry))
        return QCoreApplication::translate("velmora::library::BankManagerWindow", kEmptyCell);
    return cellText(recordName(entry));
}

Qt::ItemFlags BankTableModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

std::string BankTableModel::recordName(int entry) const
{
    const auto k = static_cast<std::size_t>(entry);
    if (table_ == Table::Patches)
        return patchNameOf(records_.bank[k]);
    const SplitRecord& split = records_.splits[k];
    return std::string(split.begin(), split.begin() + kSplitNameLength);
}

void BankTableModel::showName(int entry, const std::string& name)
{
    if (entry < 0 || entry >= entryCount())
        return;
    filled_[static_cast<std::size_t>(entry)] = true;
    if (name == recordName(entry))
        arriving_.erase(entry);
    else
        arriving_[entry] = name;
    changed(entry);
}

void BankTableModel::setFilled(int entry)
{
    if (entry < 0 || entry >= entryCount() || isFilled(entry))
        return;
    filled_[static_cast<std::size_t>(entry)] = true;
    changed(entry);
}

void BankTableModel::setFilledState(int entry, bool filled)
{
    if (entry < 0 || entry >= entryCount())
        return;
    filled_[static_cast<std::size_t>(entry)] = filled;
    arriving_.erase(entry);
    changed(entry);
}

void BankTableModel::showRecords()
{
    arriving_.clear();
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::DisplayRole});
}

void BankTableModel::clear()
{
    std::fill(filled_.begin(), filled_.end(), false);
    showRecords();
}

void BankTableModel::changed(int entry)
{
    const QModelIndex cell = indexOf(entry);
    emit dataChanged(cell, cell, {Qt::DisplayRole});
}

} // namespace velmora::library
