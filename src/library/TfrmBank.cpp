#include "TfrmBank.h"

#include "FileStuff.h"
#include "Messages.h"
#include "MidiSink.h"
#include "PatchName.h"
#include "TfrmRenamePatch.h"
#include "TfrmSendBank.h"
#include "Transfers.h"

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
QString CellText(const std::string& name)
{
    QString text;
    for (const char c : name)
        if (c != '\0')
            text += QLatin1Char(c);
    return text;
}

template <typename Hook, typename... Args> void Call(const Hook& hook, const Args&... args)
{
    if (hook)
        hook(args...);
}

QTableWidget* MakeGrid(QWidget* parent, const char* name, int columns, int rows)
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
            auto* item = new QTableWidgetItem(CellText(std::string(kEmptyCell)));
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            grid->setItem(row, column, item);
        }
    }
    const int frame = 2 * grid->frameWidth();
    grid->setFixedSize(width * columns + frame, height * rows + frame);
    return grid;
}

} // namespace

TfrmBank::TfrmBank(LibraryContext& context, FileStuff& files, Transfers& transfers,
                   MidiSink& output, QWidget* parent)
    : QMainWindow(parent, Qt::Window), context_(context), files_(files), transfers_(transfers),
      output_(output)
{
    setObjectName(QStringLiteral("frmBank"));
    setWindowTitle(kCaption);
    BuildGrids();
    BuildMenus();
    gridBANK->setCurrentCell(0, 0);
    SplitGrid->setCurrentCell(0, 0);
    UpdateGrid();
}

void TfrmBank::BuildGrids()
{
    auto* central = new QWidget(this);
    cbBankSel = new QComboBox(central);
    cbBankSel->setObjectName(QStringLiteral("cbBankSel"));
    for (const std::string_view text : kBankSelectorTexts)
        cbBankSel->addItem(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
    connect(cbBankSel, &QComboBox::activated, this, &TfrmBank::cbBankSelChange);

    gridBANK = MakeGrid(central, "gridBANK", kBankColumns, kBankRows);
    SplitGrid = MakeGrid(central, "SplitGrid", kSplitColumns, kSplitRows);
    // A Matrix-1000 has no splits: the grid is disabled and drawn grey.
    QPalette palette = SplitGrid->palette();
    palette.setColor(QPalette::Disabled, QPalette::Text, kGreyText);
    SplitGrid->setPalette(palette);

    connect(gridBANK, &QTableWidget::currentCellChanged, this, [this](int row, int column) {
        if (row >= 0 && column >= 0)
            selected_ = BankEntryAt(column, row);
    });
    connect(gridBANK, &QTableWidget::cellDoubleClicked, this, &TfrmBank::gridBANKDblClick);
    connect(gridBANK, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        // The popup works on the cell under the mouse.
        const QModelIndex index = gridBANK->indexAt(at);
        if (index.isValid())
            gridBANK->setCurrentCell(index.row(), index.column());
        popup_->exec(gridBANK->viewport()->mapToGlobal(at));
    });
    connect(SplitGrid, &QTableWidget::currentCellChanged, this, [this](int row, int column) {
        if (row >= 0 && column >= 0)
            selectedSplit_ = SplitAt(column, row);
    });
    connect(SplitGrid, &QTableWidget::cellDoubleClicked, this, &TfrmBank::SplitGridDblClick);
    connect(SplitGrid, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const QModelIndex index = SplitGrid->indexAt(at);
        if (index.isValid())
            SplitGrid->setCurrentCell(index.row(), index.column());
        splitPopup_->exec(SplitGrid->viewport()->mapToGlobal(at));
    });

    auto* layout = new QVBoxLayout(central);
    layout->addWidget(cbBankSel, 0, Qt::AlignLeft);
    layout->addWidget(gridBANK);
    auto* splits = new QLabel(QStringLiteral("Splits"), central);
    layout->addWidget(splits);
    layout->addWidget(SplitGrid);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setCentralWidget(central);
}

QAction* TfrmBank::AddAction(QMenu* menu, const char* name, const QString& caption,
                             const QKeySequence& shortcut)
{
    auto* action = new QAction(caption, this);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(shortcut);
    menu->addAction(action);
    addAction(action);
    return action;
}

void TfrmBank::BuildMenus()
{
    using QKS = QKeySequence;
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    const auto wire = [this](QAction* action, void (TfrmBank::*handler)()) {
        connect(action, &QAction::triggered, this, handler);
    };
    wire(AddAction(file, "aNew", "&New", QKS("Ctrl+N")), &TfrmBank::aNewExecute);
    wire(AddAction(file, "aOpen", "&Open...", QKS("Ctrl+O")), &TfrmBank::aOpenExecute);
    wire(AddAction(file, "aSave", "&Save...", QKS("Ctrl+S")), &TfrmBank::aSaveExecute);
    file->addSeparator();
    wire(AddAction(file, "aDownload", "&Download", QKS("Ctrl+D")), &TfrmBank::aDownloadExecute);
    wire(AddAction(file, "aUpload", "&Upload...", QKS("Ctrl+U")), &TfrmBank::aUploadExecute);
    file->addSeparator();
    connect(AddAction(file, "aExit", "E&xit", QKS("Ctrl+X")), &QAction::triggered, this,
            &QWidget::close);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    connect(AddAction(help, "aBankHelp", "Bank Manager &Help", QKS(Qt::Key_F1)),
            &QAction::triggered, this, [this] { Call(OnHelp, 1013); });
    connect(AddAction(help, "aShortcuts", "&Keyboard Shortcuts"), &QAction::triggered, this,
            [this] { Call(OnHelp, 1018); });

    popup_ = new QMenu(this);
    popup_->setObjectName(QStringLiteral("pmBank"));
    wire(AddAction(popup_, "pmiCopy", "&Copy"), &TfrmBank::pmiCopyClick);
    QAction* paste = AddAction(popup_, "pmiPaste", "&Paste");
    paste->setEnabled(false); // until the first Copy
    wire(paste, &TfrmBank::pmiPasteClick);
    wire(AddAction(popup_, "pmiRename", "Rename"), &TfrmBank::aRenameExecute);
    popup_->addSeparator();
    wire(AddAction(popup_, "pmiOpen", "&Open..."), &TfrmBank::pmiOpenClick);
    wire(AddAction(popup_, "pmiSave", "&Save to disk..."), &TfrmBank::pmiSaveClick);
    popup_->addSeparator();
    wire(AddAction(popup_, "pmiEditor", "&Bank to &Editor"), &TfrmBank::pmiEditorClick);
    QAction* toBank = AddAction(popup_, "pmiEdit2Bank", "Editor to &Bank");
    toBank->setEnabled(false); // only while a patch is loaded
    wire(toBank, &TfrmBank::pmiEdit2BankClick);
    connect(popup_, &QMenu::aboutToShow, this,
            [this, toBank] { toBank->setEnabled(context_.flags.PatchLoaded); });

    splitPopup_ = new QMenu(this);
    splitPopup_->setObjectName(QStringLiteral("pmSplit"));
    wire(AddAction(splitPopup_, "aImportSplit", "&Import Split..."),
         &TfrmBank::aImportSplitExecute);
    wire(AddAction(splitPopup_, "aExportSplit", "&Export Split..."),
         &TfrmBank::aExportSplitExecute);
}

QAction* TfrmBank::Action(const QString& objectName) const
{
    return findChild<QAction*>(objectName);
}

void TfrmBank::ShowCell(int index, const std::string& name)
{
    const GridCell cell = BankCellOf(index);
    gridBANK->item(cell.row, cell.column)->setText(CellText(name));
}

void TfrmBank::ShowSplitCell(int index, const std::string& name)
{
    const GridCell cell = SplitCellOf(index);
    SplitGrid->item(cell.row, cell.column)->setText(CellText(name));
}

void TfrmBank::SetBankCell(int index, const std::string& name)
{
    if (index < 0 || index >= static_cast<int>(kBankPatchCount))
        return;
    filled_[static_cast<std::size_t>(index)] = true;
    ShowCell(index, name);
}

void TfrmBank::SetSplitCell(int index, const std::string& name)
{
    if (index < 0 || index >= static_cast<int>(kSplitCount))
        return;
    splitFilled_[static_cast<std::size_t>(index)] = true;
    ShowSplitCell(index, name);
}

void TfrmBank::SetCaption(const QString& caption)
{
    setWindowTitle(caption);
}

std::optional<int> TfrmBank::AskUploadBank()
{
    TfrmSendBank dialog(this);
    return dialog.Ask();
}

void TfrmBank::UpdateGrid()
{
    const bool loaded = context_.flags.BankLoaded;
    Action(QStringLiteral("aSave"))->setEnabled(loaded);
    Action(QStringLiteral("aUpload"))->setEnabled(loaded);
    if (transfers_.GetModel() == Model::Matrix6) {
        cbBankSel->setEnabled(false);
        cbBankSel->setFocusPolicy(Qt::NoFocus);
        SplitGrid->setEnabled(true);
        gridBANK->setFocus();
    } else {
        cbBankSel->setEnabled(true);
        cbBankSel->setFocusPolicy(Qt::StrongFocus);
        const int bank = context_.flags.BankChoice;
        cbBankSel->setCurrentIndex(bank >= 0 && bank < cbBankSel->count() ? bank : -1);
        SplitGrid->setEnabled(false);
    }
}

void TfrmBank::ShowRecords()
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
            ShowCell(static_cast<int>(k), PatchNameOf(records.Bank[k]));
    for (std::size_t s = 0; s < kSplitCount; ++s)
        if (splitFilled_[s])
            ShowSplitCell(static_cast<int>(s),
                          std::string(records.Splits[s].begin(),
                                      records.Splits[s].begin() + kSplitNameLength));
    UpdateGrid();
}

void TfrmBank::ClearBank()
{
    library::ClearBank(context_.records.Bank);
    filled_.fill(false);
    for (int k = 0; k < static_cast<int>(kBankPatchCount); ++k)
        ShowCell(k, std::string(kEmptyCell));
    context_.flags.BankLoaded = false;
    SetCaption(kCaption);
}

void TfrmBank::FileCommand(Scope scope, const std::function<void()>& command)
{
    const SynthRecords before = context_.records;
    running_ = scope;
    Guard(command);
    running_.reset();
    // Whatever the command changed holds something now, even if it did not
    // ask for the grids to be shown again.
    const SynthRecords& after = context_.records;
    for (std::size_t k = 0; k < kBankPatchCount; ++k)
        filled_[k] = filled_[k] || before.Bank[k] != after.Bank[k];
    for (std::size_t s = 0; s < kSplitCount; ++s)
        splitFilled_[s] = splitFilled_[s] || before.Splits[s] != after.Splits[s];
    ShowRecords();
}

void TfrmBank::Guard(const std::function<void()>& command)
{
    try {
        command();
    } catch (const std::exception& e) {
        Call(context_.showError, QString::fromStdString(e.what()));
    }
}

void TfrmBank::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        UpdateGrid();
}

void TfrmBank::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    UpdateGrid();
}

} // namespace velmora::library
