#include "library/BankManagerWindow.h"

#include "library/LibraryFileCommands.h"
#include "library/RenamePatchDialog.h"
#include "library/SendBankDialog.h"
#include "protocol/Messages.h"
#include "protocol/MidiSink.h"
#include "protocol/PatchName.h"
#include "protocol/Transfers.h"
#include "widgets/MenuActions.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace velmora::library {
namespace {

const QString kCaption = QStringLiteral("Bank Manager");
const QColor kGreyText{0x80, 0x80, 0x80};

// A name's bytes as Latin-1 characters; a zero byte shows as nothing.
QString cellText(const std::string& name)
{
    QString text;
    for (const char c : name)
        if (c != '\0')
            text += QLatin1Char(c);
    return text;
}

QTableWidget* makeGrid(QWidget* parent, const char* name, int columns, int rows)
{
    auto* grid = new QTableWidget(rows, columns, parent);
    grid->setObjectName(QLatin1String(name));
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    grid->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    const QFontMetrics metrics(grid->font());
    const int width = metrics.horizontalAdvance(QStringLiteral("WWWWWWWW")) + 18;
    const int height = metrics.height() + 6;
    for (int column = 0; column < columns; ++column)
        grid->setColumnWidth(column, width);
    for (int row = 0; row < rows; ++row) {
        grid->setRowHeight(row, height);
        for (int column = 0; column < columns; ++column) {
            auto* item = new QTableWidgetItem(cellText(std::string(kEmptyCell)));
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            grid->setItem(row, column, item);
        }
    }
    const int frame = 2 * grid->frameWidth();
    grid->setFixedSize(width * columns + frame, height * rows + frame);
    return grid;
}

} // namespace

BankManagerWindow::BankManagerWindow(LibraryContext& context, LibraryFileCommands& files,
                                     Transfers& transfers, MidiSink& output, QWidget* parent)
    : QMainWindow(parent, Qt::Window), context_(context), files_(files), transfers_(transfers),
      output_(output)
{
    setObjectName(QStringLiteral("frmBank"));
    setWindowTitle(kCaption);
    buildGrids();
    buildMenus();
    bankGrid_->setCurrentCell(0, 0);
    splitGrid_->setCurrentCell(0, 0);
    updateGrid();
    connect(&context_, &LibraryContext::bankChanged, this, &BankManagerWindow::showRecords);
    connect(&context_, &LibraryContext::bankCaptionChanged, this, &BankManagerWindow::setCaption);
}

void BankManagerWindow::buildGrids()
{
    auto* central = new QWidget(this);
    bankSelector_ = new QComboBox(central);
    bankSelector_->setObjectName(QStringLiteral("cbBankSel"));
    for (const std::string_view text : kBankSelectorTexts)
        bankSelector_->addItem(
            QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
    connect(bankSelector_, &QComboBox::activated, this, &BankManagerWindow::selectBank);

    bankGrid_ = makeGrid(central, "gridBANK", kBankColumns, kBankRows);
    splitGrid_ = makeGrid(central, "SplitGrid", kSplitColumns, kSplitRows);
    // A Matrix-1000 has no splits: the grid is disabled and drawn grey.
    QPalette palette = splitGrid_->palette();
    palette.setColor(QPalette::Disabled, QPalette::Text, kGreyText);
    splitGrid_->setPalette(palette);

    connect(bankGrid_, &QTableWidget::currentCellChanged, this, [this](int row, int column) {
        if (row >= 0 && column >= 0)
            selected_ = bankEntryAt(column, row);
    });
    connect(bankGrid_, &QTableWidget::cellDoubleClicked, this,
            &BankManagerWindow::openEntryInEditor);
    connect(bankGrid_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        // The popup works on the cell under the mouse.
        const QModelIndex index = bankGrid_->indexAt(at);
        if (index.isValid())
            bankGrid_->setCurrentCell(index.row(), index.column());
        popup_->exec(bankGrid_->viewport()->mapToGlobal(at));
    });
    connect(splitGrid_, &QTableWidget::currentCellChanged, this, [this](int row, int column) {
        if (row >= 0 && column >= 0)
            selectedSplit_ = splitAt(column, row);
    });
    connect(splitGrid_, &QTableWidget::cellDoubleClicked, this,
            &BankManagerWindow::openSplitEditor);
    connect(splitGrid_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const QModelIndex index = splitGrid_->indexAt(at);
        if (index.isValid())
            splitGrid_->setCurrentCell(index.row(), index.column());
        splitPopup_->exec(splitGrid_->viewport()->mapToGlobal(at));
    });

    auto* layout = new QVBoxLayout(central);
    layout->addWidget(bankSelector_, 0, Qt::AlignLeft);
    layout->addWidget(bankGrid_);
    auto* splits = new QLabel(QStringLiteral("Splits"), central);
    layout->addWidget(splits);
    layout->addWidget(splitGrid_);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setCentralWidget(central);
}

void BankManagerWindow::buildMenus()
{
    using QKS = QKeySequence;
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    const auto wire = [this](QAction* action, void (BankManagerWindow::*handler)()) {
        connect(action, &QAction::triggered, this, handler);
    };
    wire(widgets::addMenuAction(*this, file, "aNew", "&New", QKS("Ctrl+N")),
         &BankManagerWindow::newBank);
    wire(widgets::addMenuAction(*this, file, "aOpen", "&Open...", QKS("Ctrl+O")),
         &BankManagerWindow::openFromFile);
    wire(widgets::addMenuAction(*this, file, "aSave", "&Save...", QKS("Ctrl+S")),
         &BankManagerWindow::saveToFile);
    file->addSeparator();
    wire(widgets::addMenuAction(*this, file, "aDownload", "&Download", QKS("Ctrl+D")),
         &BankManagerWindow::downloadBank);
    wire(widgets::addMenuAction(*this, file, "aUpload", "&Upload...", QKS("Ctrl+U")),
         &BankManagerWindow::uploadBank);
    file->addSeparator();
    connect(widgets::addMenuAction(*this, file, "aExit", "E&xit", QKS("Ctrl+X")),
            &QAction::triggered, this, &QWidget::close);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    connect(widgets::addMenuAction(*this, help, "aBankHelp", "Bank Manager &Help", QKS(Qt::Key_F1)),
            &QAction::triggered, this, [this] { emit helpRequested(1013); });
    connect(widgets::addMenuAction(*this, help, "aShortcuts", "&Keyboard Shortcuts"),
            &QAction::triggered, this, [this] { emit helpRequested(1018); });

    popup_ = new QMenu(this);
    popup_->setObjectName(QStringLiteral("pmBank"));
    wire(widgets::addMenuAction(*this, popup_, "pmiCopy", "&Copy"), &BankManagerWindow::copyEntry);
    QAction* paste = widgets::addMenuAction(*this, popup_, "pmiPaste", "&Paste");
    paste->setEnabled(false); // until the first Copy
    wire(paste, &BankManagerWindow::pasteEntry);
    wire(widgets::addMenuAction(*this, popup_, "pmiRename", "Rename"),
         &BankManagerWindow::renameEntry);
    popup_->addSeparator();
    wire(widgets::addMenuAction(*this, popup_, "pmiOpen", "&Open..."),
         &BankManagerWindow::openEntry);
    wire(widgets::addMenuAction(*this, popup_, "pmiSave", "&Save to disk..."),
         &BankManagerWindow::saveEntry);
    popup_->addSeparator();
    wire(widgets::addMenuAction(*this, popup_, "pmiEditor", "&Bank to &Editor"),
         &BankManagerWindow::bankToEditor);
    QAction* toBank = widgets::addMenuAction(*this, popup_, "pmiEdit2Bank", "Editor to &Bank");
    toBank->setEnabled(false); // only while a patch is loaded
    wire(toBank, &BankManagerWindow::editorToBank);
    connect(popup_, &QMenu::aboutToShow, this,
            [this, toBank] { toBank->setEnabled(context_.flags.patchLoaded); });

    splitPopup_ = new QMenu(this);
    splitPopup_->setObjectName(QStringLiteral("pmSplit"));
    wire(widgets::addMenuAction(*this, splitPopup_, "aImportSplit", "&Import Split..."),
         &BankManagerWindow::importSplit);
    wire(widgets::addMenuAction(*this, splitPopup_, "aExportSplit", "&Export Split..."),
         &BankManagerWindow::exportSplit);
}

QAction* BankManagerWindow::action(const QString& objectName) const
{
    return findChild<QAction*>(objectName);
}

void BankManagerWindow::showCell(int index, const std::string& name)
{
    const GridCell cell = bankCellOf(index);
    bankGrid_->item(cell.row, cell.column)->setText(cellText(name));
}

void BankManagerWindow::showSplitCell(int index, const std::string& name)
{
    const GridCell cell = splitCellOf(index);
    splitGrid_->item(cell.row, cell.column)->setText(cellText(name));
}

void BankManagerWindow::setBankCell(int index, const std::string& name)
{
    if (index < 0 || index >= static_cast<int>(kBankPatchCount))
        return;
    filled_[static_cast<std::size_t>(index)] = true;
    showCell(index, name);
}

void BankManagerWindow::setSplitCell(int index, const std::string& name)
{
    if (index < 0 || index >= static_cast<int>(kSplitCount))
        return;
    splitFilled_[static_cast<std::size_t>(index)] = true;
    showSplitCell(index, name);
}

void BankManagerWindow::setCaption(const QString& caption)
{
    setWindowTitle(caption);
}

std::optional<int> BankManagerWindow::askUploadBank()
{
    SendBankDialog dialog(this);
    return dialog.ask();
}

void BankManagerWindow::updateGrid()
{
    const bool loaded = context_.flags.bankLoaded;
    action(QStringLiteral("aSave"))->setEnabled(loaded);
    action(QStringLiteral("aUpload"))->setEnabled(loaded);
    if (transfers_.model() == SynthModel::Matrix6) {
        bankSelector_->setEnabled(false);
        bankSelector_->setFocusPolicy(Qt::NoFocus);
        splitGrid_->setEnabled(true);
        bankGrid_->setFocus();
    } else {
        bankSelector_->setEnabled(true);
        bankSelector_->setFocusPolicy(Qt::StrongFocus);
        const int bank = context_.flags.bankChoice;
        bankSelector_->setCurrentIndex(bank >= 0 && bank < bankSelector_->count() ? bank : -1);
        splitGrid_->setEnabled(false);
    }
}

void BankManagerWindow::showRecords()
{
    if (running_ == Scope::WholeBank)
        filled_.fill(true);
    else if (running_ == Scope::OneEntry)
        filled_[static_cast<std::size_t>(selected_)] = true;
    else if (running_ == Scope::OneSplit)
        splitFilled_[static_cast<std::size_t>(selectedSplit_)] = true;
    const SynthRecords& records = context_.records;
    for (std::size_t k = 0; k < kBankPatchCount; ++k)
        if (filled_[k])
            showCell(static_cast<int>(k), patchNameOf(records.bank[k]));
    for (std::size_t s = 0; s < kSplitCount; ++s)
        if (splitFilled_[s])
            showSplitCell(static_cast<int>(s),
                          std::string(records.splits[s].begin(),
                                      records.splits[s].begin() + kSplitNameLength));
    updateGrid();
}

void BankManagerWindow::clearBank()
{
    library::clearBank(context_.records.bank);
    filled_.fill(false);
    for (int k = 0; k < static_cast<int>(kBankPatchCount); ++k)
        showCell(k, std::string(kEmptyCell));
    context_.flags.bankLoaded = false;
    setCaption(kCaption);
}

void BankManagerWindow::fileCommand(Scope scope, const std::function<void()>& command)
{
    const SynthRecords before = context_.records;
    running_ = scope;
    context_.errors.run(command);
    running_.reset();
    // Whatever the command changed holds something now, even if it did not
    // ask for the grids to be shown again.
    const SynthRecords& after = context_.records;
    for (std::size_t k = 0; k < kBankPatchCount; ++k)
        filled_[k] = filled_[k] || before.bank[k] != after.bank[k];
    for (std::size_t s = 0; s < kSplitCount; ++s)
        splitFilled_[s] = splitFilled_[s] || before.splits[s] != after.splits[s];
    showRecords();
}

void BankManagerWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        updateGrid();
}

void BankManagerWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    updateGrid();
}

} // namespace velmora::library
