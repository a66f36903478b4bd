#include "collection/PatchTableModel.h"

#include <QFileInfo>
#include <QLocale>

#include <algorithm>

namespace velmora::collection {
namespace {

// A source that names a file shows the file's name; "Velmora editor" or
// "Matrix-1000 bank download" show as they are.
QString sourceText(const QString& source)
{
    if (source.contains(u'/') || source.contains(u'\\'))
        return QFileInfo(source).fileName();
    return source;
}

} // namespace

PatchTableModel::PatchTableModel(const PatchCollection& collection, QObject* parent)
    : QAbstractTableModel(parent), collection_(collection)
{}

void PatchTableModel::setIds(std::vector<PatchId> ids, std::vector<int> differences)
{
    const bool columns = differences.empty() != differences_.empty();
    beginResetModel();
    ids_ = std::move(ids);
    differences_ = std::move(differences);
    if (!differences_.empty())
        differences_.resize(ids_.size());
    pages_.clear();
    endResetModel();
    if (columns)
        emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

void PatchTableModel::refresh()
{
    pages_.clear();
    if (!ids_.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

PatchId PatchTableModel::idAt(int row) const
{
    return row >= 0 && row < rowCount() ? ids_[static_cast<std::size_t>(row)] : 0;
}

int PatchTableModel::rowOf(PatchId id) const
{
    const auto found = std::find(ids_.begin(), ids_.end(), id);
    return found == ids_.end() ? -1 : static_cast<int>(found - ids_.begin());
}

const PatchRow* PatchTableModel::cached(int row) const
{
    if (row < 0 || row >= rowCount())
        return nullptr;
    const int number = row / kPageSize;
    const auto page = std::find_if(pages_.begin(), pages_.end(),
                                   [number](const Page& p) { return p.number == number; });
    if (page != pages_.end()) {
        pages_.splice(pages_.begin(), pages_, page);
    } else {
        const std::size_t first = static_cast<std::size_t>(number) * kPageSize;
        const std::size_t last = std::min(ids_.size(), first + kPageSize);
        const std::span<const PatchId> some(ids_.data() + first, last - first);
        std::vector<PatchRow> fetched = collection_.rows(some);
        ++fetches_;
        // A patch removed meanwhile leaves a gap: each id gets its row or
        // an empty one, so the rows stay where the ids are.
        std::vector<PatchRow> rows(some.size());
        std::size_t next = 0;
        for (std::size_t k = 0; k < some.size() && next < fetched.size(); ++k)
            if (fetched[next].id == some[k])
                rows[k] = std::move(fetched[next++]);
        pages_.push_front({number, std::move(rows)});
        if (pages_.size() > kPagesKept)
            pages_.pop_back();
    }
    const PatchRow& found = pages_.front().rows[static_cast<std::size_t>(row % kPageSize)];
    return found.id == 0 ? nullptr : &found;
}

std::optional<PatchRow> PatchTableModel::rowAt(int row) const
{
    if (const PatchRow* found = cached(row))
        return *found;
    return std::nullopt;
}

int PatchTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(ids_.size());
}

int PatchTableModel::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return differences_.empty() ? DifferencesColumn : DifferencesColumn + 1;
}

QVariant PatchTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() ||
        (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != Qt::TextAlignmentRole))
        return {};
    if (role == Qt::TextAlignmentRole)
        return index.column() == FavouriteColumn || index.column() == DifferencesColumn
                   ? QVariant(Qt::AlignCenter)
                   : QVariant();
    if (index.column() == DifferencesColumn)
        return role == Qt::DisplayRole ? QVariant(differences_[std::size_t(index.row())])
                                       : QVariant();
    const PatchRow* row = cached(index.row());
    if (row == nullptr)
        return {};
    if (role == Qt::ToolTipRole) {
        if (index.column() == SourceColumn)
            return row->aliases > 0 ? tr("%1\n(also read under %n other name(s) or source(s))",
                                         nullptr, row->aliases)
                                          .arg(row->source)
                                    : row->source;
        if (index.column() == NameColumn && !row->comment.isEmpty())
            return row->comment;
        return {};
    }
    switch (index.column()) {
    case NameColumn:
        return row->name;
    case ModelColumn:
        return modelText(row->model);
    case SourceColumn:
        return sourceText(row->source);
    case AddedColumn:
        return QLocale().toString(row->added.toLocalTime(), QLocale::ShortFormat);
    case FavouriteColumn:
        return row->favourite ? QStringLiteral("\u2605") : QString();
    case TagsColumn:
        return row->tags.join(QStringLiteral(", "));
    default:
        return {};
    }
}

QVariant PatchTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case NameColumn:
        return tr("Name");
    case ModelColumn:
        return tr("Model");
    case SourceColumn:
        return tr("Source");
    case AddedColumn:
        return tr("Added");
    case FavouriteColumn:
        return QStringLiteral("\u2605");
    case TagsColumn:
        return tr("Tags");
    case DifferencesColumn:
        return tr("Differences");
    default:
        return {};
    }
}

Qt::ItemFlags PatchTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

void PatchTableModel::sort(int column, Qt::SortOrder order)
{
    static constexpr SortColumn kSorts[] = {SortColumn::Name, SortColumn::Model, SortColumn::Source,
                                            SortColumn::Added, SortColumn::Favourite};
    // Tags and Differences are not orders the query knows.
    if (column < 0 || column >= int(std::size(kSorts)))
        return;
    emit sortRequested(kSorts[column], order == Qt::DescendingOrder);
}

QStringList PatchTableModel::mimeTypes() const
{
    return {QLatin1String(library::kPatchMimeType)};
}

std::vector<library::NamedPatch> PatchTableModel::patches(const std::vector<int>& rows) const
{
    std::vector<library::NamedPatch> found;
    for (const int row : rows) {
        const PatchId id = idAt(row);
        const auto record = id != 0 ? collection_.record(id) : std::nullopt;
        if (!record)
            continue;
        const auto shown = rowAt(row);
        found.push_back({*record, shown ? shown->name : QString()});
    }
    return found;
}

QMimeData* PatchTableModel::mimeData(const QModelIndexList& indexes) const
{
    std::vector<int> rows;
    for (const QModelIndex& index : indexes)
        rows.push_back(index.row());
    std::ranges::sort(rows);
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return library::patchMimeData(patches(rows));
}

} // namespace velmora::collection
