#include "collection/PatchLibraryWindow.h"

#include "collection/PatchTableModel.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStatusBar>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>

namespace velmora::collection {

PatchLibraryWindow::PatchLibraryWindow(PatchCollection& collection, QWidget* parent)
    : QMainWindow(parent, Qt::Window), collection_(collection),
      dialogs_(createPlatformLibraryDialogs(this))
{
    setObjectName(QStringLiteral("frmPatchLibrary"));
    setWindowTitle(tr("Patch Library"));
    setAcceptDrops(true);
    buildControls();
    buildCommands();
    fillTags();
    search();
    resize(820, 520);
}

PatchLibraryWindow::~PatchLibraryWindow() = default;

void PatchLibraryWindow::buildControls()
{
    auto* central = new QWidget(this);
    search_ = new QLineEdit(central);
    search_->setObjectName(QStringLiteral("edLibrarySearch"));
    search_->setPlaceholderText(tr("Search names, tags and comments"));
    search_->setClearButtonEnabled(true);
    modelFilter_ = new QComboBox(central);
    modelFilter_->setObjectName(QStringLiteral("cbLibraryModel"));
    modelFilter_->addItem(tr("Any model"), -1);
    for (const PatchModel model : {PatchModel::Matrix1000, PatchModel::Matrix6, PatchModel::Either})
        modelFilter_->addItem(modelText(model), static_cast<int>(model));
    tagFilter_ = new QComboBox(central);
    tagFilter_->setObjectName(QStringLiteral("cbLibraryTag"));
    favourites_ = new QCheckBox(tr("&Favourites only"), central);
    favourites_->setObjectName(QStringLiteral("chkLibraryFavourites"));
    hidden_ = new QCheckBox(tr("Show hi&dden"), central);
    hidden_->setObjectName(QStringLiteral("chkLibraryHidden"));
    showAll_ = new QPushButton(tr("Show &All"), central);
    showAll_->setObjectName(QStringLiteral("btnLibraryShowAll"));
    showAll_->setToolTip(tr("Back to the full list"));
    showAll_->hide();

    auto* filters = new QHBoxLayout;
    filters->addWidget(search_, 1);
    filters->addWidget(modelFilter_);
    filters->addWidget(tagFilter_);
    filters->addWidget(favourites_);
    filters->addWidget(hidden_);
    filters->addWidget(showAll_);

    model_ = new PatchTableModel(collection_, this);
    table_ = new QTableView(central);
    table_->setObjectName(QStringLiteral("tvLibraryPatches"));
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setDragEnabled(true);
    table_->setDragDropMode(QAbstractItemView::DragOnly);
    table_->setDefaultDropAction(Qt::CopyAction);
    table_->setContextMenuPolicy(Qt::CustomContextMenu);
    table_->setWordWrap(false);
    table_->verticalHeader()->hide();
    // Every row one height: the view then never measures rows it does not show.
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    QHeaderView* header = table_->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(true);
    header->setSortIndicator(PatchTableModel::NameColumn, Qt::AscendingOrder);
    header->setSortIndicatorShown(true);
    header->setSectionsClickable(true);
    const QFontMetrics metrics(table_->font());
    table_->setColumnWidth(PatchTableModel::NameColumn,
                           metrics.horizontalAdvance(QStringLiteral("WWWWWWWWWWWW")));
    table_->setColumnWidth(PatchTableModel::ModelColumn,
                           metrics.horizontalAdvance(QStringLiteral("Matrix-1000WW")));
    table_->setColumnWidth(PatchTableModel::SourceColumn,
                           metrics.horizontalAdvance(QStringLiteral("a long bank file name.syx")));
    table_->setColumnWidth(PatchTableModel::AddedColumn,
                           metrics.horizontalAdvance(QStringLiteral("00/00/0000 00:00 WW")));
    table_->setColumnWidth(PatchTableModel::FavouriteColumn,
                           metrics.horizontalAdvance(QStringLiteral("WWW")));
    // The header's clicks sort through the query, not by the view.
    connect(header, &QHeaderView::sortIndicatorChanged, model_, &PatchTableModel::sort);
    connect(model_, &PatchTableModel::sortRequested, this, [this](SortColumn column, bool down) {
        sort_ = column;
        descending_ = down;
        search();
    });

    auto* layout = new QVBoxLayout(central);
    layout->addLayout(filters);
    layout->addWidget(table_, 1);
    setCentralWidget(central);

    counts_ = new QLabel(this);
    counts_->setObjectName(QStringLiteral("lblLibraryCounts"));
    statusBar()->addPermanentWidget(counts_);

    connect(search_, &QLineEdit::textChanged, this, &PatchLibraryWindow::search);
    search_->installEventFilter(this);
    table_->installEventFilter(this);
    connect(modelFilter_, &QComboBox::currentIndexChanged, this, &PatchLibraryWindow::search);
    connect(tagFilter_, &QComboBox::currentIndexChanged, this, &PatchLibraryWindow::search);
    connect(favourites_, &QCheckBox::toggled, this, &PatchLibraryWindow::search);
    connect(hidden_, &QCheckBox::toggled, this, &PatchLibraryWindow::search);
    connect(showAll_, &QPushButton::clicked, this, &PatchLibraryWindow::showAll);
    connect(table_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &PatchLibraryWindow::auditionCurrent);
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &PatchLibraryWindow::enableCommands);
    // A click on the row already current is heard too.
    connect(table_, &QAbstractItemView::pressed, this, &PatchLibraryWindow::auditionCurrent);
    connect(table_, &QAbstractItemView::doubleClicked, this, &PatchLibraryWindow::openInEditor);
}

Query PatchLibraryWindow::query() const
{
    Query query;
    query.text = search_->text().trimmed();
    if (const int model = modelFilter_->currentData().toInt(); model >= 0)
        query.model = static_cast<PatchModel>(model);
    query.favouritesOnly = favourites_->isChecked();
    query.tag = tagFilter_->currentIndex() > 0 ? tagFilter_->currentText() : QString();
    query.includeHidden = hidden_->isChecked();
    query.sort = sort_;
    query.descending = descending_;
    return query;
}

void PatchLibraryWindow::search()
{
    // The patch selected stays selected when it is still in the result, and
    // is not auditioned again for it.
    const PatchId current = model_->idAt(table_->currentIndex().row());
    model_->setIds(collection_.search(query()));
    showAll_->hide();
    if (const int row = current != 0 ? model_->rowOf(current) : -1; row >= 0) {
        const QSignalBlocker quiet(table_->selectionModel());
        table_->setCurrentIndex(model_->index(row, 0));
        table_->selectRow(row);
    }
    showCounts();
    enableCommands();
}

void PatchLibraryWindow::refreshResults()
{
    fillTags();
    search();
}

void PatchLibraryWindow::showCounts()
{
    const QLocale locale;
    const int total = collection_.count(true);
    const int shown = model_->rowCount();
    if (model_->listsSimilar())
        counts_->setText(tr("%1 similar").arg(patches(static_cast<std::size_t>(shown))));
    else
        counts_->setText(
            tr("%1 of %2 patches").arg(locale.toString(shown), locale.toString(total)));
}

QString PatchLibraryWindow::patches(std::size_t count)
{
    return count == 1 ? tr("1 patch") : tr("%1 patches").arg(QLocale().toString(qulonglong(count)));
}

void PatchLibraryWindow::fillTags()
{
    const QString kept = tagFilter_->currentIndex() > 0 ? tagFilter_->currentText() : QString();
    const QSignalBlocker quiet(tagFilter_);
    tagFilter_->clear();
    tagFilter_->addItem(tr("Any tag"));
    tagFilter_->addItems(collection_.allTags());
    const int at = kept.isEmpty() ? 0 : tagFilter_->findText(kept);
    tagFilter_->setCurrentIndex(std::max(0, at));
}

void PatchLibraryWindow::auditionCurrent()
{
    const PatchId id = model_->idAt(table_->currentIndex().row());
    if (!choosing_ || id == 0 || id == auditioned_)
        return;
    auditioned_ = id;
    if (const auto record = collection_.record(id))
        emit auditionRequested(*record);
}

std::vector<int> PatchLibraryWindow::selectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::ranges::sort(rows);
    return rows;
}

std::vector<PatchId> PatchLibraryWindow::selectedIds() const
{
    std::vector<PatchId> ids;
    for (const int row : selectedRows())
        ids.push_back(model_->idAt(row));
    return ids;
}

void PatchLibraryWindow::showSummary(const QString& sentence)
{
    statusBar()->showMessage(sentence);
}

bool PatchLibraryWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == table_ && event->type() == QEvent::FocusIn &&
        !table_->currentIndex().isValid() && model_->rowCount() > 0) {
        // The table makes its first row current when it gets the focus
        // without one (the window shown, the results replaced). Nobody chose
        // that patch, so it is not sent to the instrument.
        const QScopedValueRollback quiet(choosing_, false);
        table_->setCurrentIndex(model_->index(0, 0));
    }
    if (watched == search_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Down || key == Qt::Key_Return || key == Qt::Key_Enter) &&
            model_->rowCount() > 0) {
            // The patch selected before, or else the first patch found, is
            // selected (and heard).
            const QModelIndex current = table_->currentIndex();
            const int row = key == Qt::Key_Down && current.isValid() ? current.row() : 0;
            table_->setFocus();
            table_->selectRow(row);
            auditionCurrent();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void PatchLibraryWindow::focusSearch()
{
    search_->setFocus();
    search_->selectAll();
}

void PatchLibraryWindow::dragEnterEvent(QDragEnterEvent* event)
{
    // Files and folders from outside; never the window's own rows.
    if (event->mimeData()->hasUrls() && event->source() == nullptr)
        event->acceptProposedAction();
}

void PatchLibraryWindow::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasUrls() && event->source() == nullptr)
        event->acceptProposedAction();
}

void PatchLibraryWindow::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    importPaths(paths);
}

} // namespace velmora::collection
