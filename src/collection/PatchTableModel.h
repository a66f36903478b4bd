// The library's table as a model: the ids a search returned, one row each,
// and the rows' text fetched from the collection a page at a time as the
// view asks for them. Only a few pages are kept, so a result of 100,000
// patches costs its id vector and little more. Sorting is the query's: a
// click on a header asks the window to search again in that order.
#pragma once

#include "collection/PatchCollection.h"
#include "library/PatchMime.h"

#include <QAbstractTableModel>

#include <list>
#include <vector>

namespace velmora::collection {

class PatchTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        NameColumn,
        ModelColumn,
        SourceColumn,
        AddedColumn,
        FavouriteColumn,
        TagsColumn,
        DifferencesColumn, // only while similar patches are listed
    };
    static constexpr int kPageSize = 64;
    static constexpr std::size_t kPagesKept = 8;

    explicit PatchTableModel(const PatchCollection& collection, QObject* parent = nullptr);

    // A new result: the rows are fetched again as they are shown. With
    // `differences` (one per id) the Differences column shows them.
    void setIds(std::vector<PatchId> ids, std::vector<int> differences = {});
    const std::vector<PatchId>& ids() const { return ids_; }
    bool listsSimilar() const { return !differences_.empty(); }
    // The rows changed in the collection (renamed, tagged...): fetched anew.
    void refresh();

    PatchId idAt(int row) const;
    int rowOf(PatchId id) const;
    // The row's data (fetched if need be); nothing past the end.
    std::optional<PatchRow> rowAt(int row) const;
    // How many fetches from the collection were made (the tests look).
    int fetches() const { return fetches_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // A header click: the window searches again in that order.
    void sort(int column, Qt::SortOrder order) override;

    // Dragging rows: their records and names, in the table's order.
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

    // The records of `rows` with their names, in the order given.
    std::vector<library::NamedPatch> patches(const std::vector<int>& rows) const;

signals:
    void sortRequested(SortColumn column, bool descending);

private:
    struct Page
    {
        int number = 0;
        std::vector<PatchRow> rows;
    };
    const PatchRow* cached(int row) const;

    const PatchCollection& collection_;
    std::vector<PatchId> ids_;
    std::vector<int> differences_;
    // The pages fetched, the latest first.
    mutable std::list<Page> pages_;
    mutable int fetches_ = 0;
};

} // namespace velmora::collection
