#include "library/BankManagerWindow.h"

#include "library/BankHistory.h"
#include "library/BankTableModel.h"
#include "library/LibraryFileCommands.h"
#include "library/RenamePatchDialog.h"
#include "library/SendBankDialog.h"
#include "protocol/Messages.h"
#include "protocol/MidiSink.h"
#include "protocol/PatchName.h"
#include "protocol/Transfers.h"
#include "widgets/MenuActions.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDropEvent>
#include <QEvent>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QUndoStack>
#include <QVBoxLayout>

namespace velmora::library {
namespace {

const QColor kGreyText{0x80, 0x80, 0x80};

QTableView* makeGrid(QWidget* parent, const char* name, BankTableModel* model)
{
    auto* grid = new QTableView(parent);
    grid->setObjectName(QLatin1String(name));
    grid->setModel(model);
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
    const int columns = model->columnCount();
    const int rows = model->rowCount();
    for (int column = 0; column < columns; ++column)
        grid->setColumnWidth(column, width);
    for (int row = 0; row < rows; ++row)
        grid->setRowHeight(row, height);
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
    setWindowTitle(tr("Bank Manager"));
    buildGrids();
    // Undo and redo change the librarian's copy of the bank and the grids;
    // nothing goes to the instrument.
    history_ =
        new BankHistory({.records = context_.records,
                         .flags = context_.flags,
                         .bankCells = *bankModel_,
                         .splitCells = *splitModel_,
                         .caption = [this] { return windowTitle(); },
                         .setCaption = [this](const QString& caption) { setCaption(caption); },
                         .shown =
                             [this] {
                                 showRecords();
                                 emit context_.flagsChanged();
                             }},
                        this);
    buildMenus();
    bankGrid_->setCurrentIndex(bankModel_->index(0, 0));
    splitGrid_->setCurrentIndex(splitModel_->index(0, 0));
    updateGrid();
    connect(&context_, &LibraryContext::recordsFilled, this,
            [this](const QList<int>& entries, const QList<int>& splits) {
                for (const int entry : entries)
                    bankModel_->setFilled(entry);
                for (const int split : splits)
                    splitModel_->setFilled(split);
            });
    connect(&context_, &LibraryContext::bankChanged, this, &BankManagerWindow::showRecords);
    connect(&context_, &LibraryContext::bankCaptionChanged, this, &BankManagerWindow::setCaption);
}

void BankManagerWindow::wireGrid(QTableView* grid, const BankTableModel* model, int& selected,
                                 void (BankManagerWindow::*open)(const QModelIndex&),
                                 QMenu* BankManagerWindow::*popup)
{
    connect(grid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [model, &selected](const QModelIndex& current) {
                if (current.isValid())
                    selected = model->entryAt(current);
            });
    connect(grid, &QAbstractItemView::doubleClicked, this, open);
    connect(grid, &QWidget::customContextMenuRequested, this,
            [this, grid, popup](const QPoint& at) {
                // The popup works on the cell under the mouse.
                const QModelIndex index = grid->indexAt(at);
                if (index.isValid())
                    grid->setCurrentIndex(index);
                (this->*popup)->exec(grid->viewport()->mapToGlobal(at));
            });
}

void BankManagerWindow::buildGrids()
{
    auto* central = new QWidget(this);
    bankSelector_ = new QComboBox(central);
    bankSelector_->setObjectName(QStringLiteral("cbBankSel"));
    for (const char* text : kBankSelectorTexts)
        bankSelector_->addItem(tr(text));
    connect(bankSelector_, &QComboBox::activated, this, &BankManagerWindow::selectBank);

    bankModel_ = new BankTableModel(BankTableModel::Table::Patches, context_.records, this);
    splitModel_ = new BankTableModel(BankTableModel::Table::Splits, context_.records, this);
    bankGrid_ = makeGrid(central, "gridBANK", bankModel_);
    splitGrid_ = makeGrid(central, "SplitGrid", splitModel_);
    // A Matrix-1000 has no splits: the grid is disabled and drawn grey.
    QPalette palette = splitGrid_->palette();
    palette.setColor(QPalette::Disabled, QPalette::Text, kGreyText);
    splitGrid_->setPalette(palette);

    wireGrid(bankGrid_, bankModel_, selected_, &BankManagerWindow::openEntryInEditor,
             &BankManagerWindow::popup_);
    wireGrid(splitGrid_, splitModel_, selectedSplit_, &BankManagerWindow::openSplitEditor,
             &BankManagerWindow::splitPopup_);
    // Patches from the library land on the cell they are dropped on.
    bankGrid_->setAcceptDrops(true);
    bankGrid_->viewport()->setAcceptDrops(true);
    bankGrid_->viewport()->installEventFilter(this);

    auto* layout = new QVBoxLayout(central);
    layout->addWidget(bankSelector_, 0, Qt::AlignLeft);
    layout->addWidget(bankGrid_);
    auto* splits = new QLabel(tr("Splits"), central);
    layout->addWidget(splits);
    layout->addWidget(splitGrid_);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setCentralWidget(central);
}

void BankManagerWindow::buildMenus()
{
    using QKS = QKeySequence;
    QMenu* file = menuBar()->addMenu(tr("&File"));
    const auto wire = [this](QAction* action, void (BankManagerWindow::*handler)()) {
        connect(action, &QAction::triggered, this, handler);
    };
    wire(widgets::addMenuAction(*this, file, "aNew", tr("&New"), QKS("Ctrl+N")),
         &BankManagerWindow::newBank);
    wire(widgets::addMenuAction(*this, file, "aOpen", tr("&Open..."), QKS("Ctrl+O")),
         &BankManagerWindow::openFromFile);
    wire(widgets::addMenuAction(*this, file, "aSave", tr("&Save..."), QKS("Ctrl+S")),
         &BankManagerWindow::saveToFile);
    file->addSeparator();
    wire(widgets::addMenuAction(*this, file, "aDownload", tr("&Download"), QKS("Ctrl+D")),
         &BankManagerWindow::downloadBank);
    wire(widgets::addMenuAction(*this, file, "aUpload", tr("&Upload..."), QKS("Ctrl+U")),
         &BankManagerWindow::uploadBank);
    file->addSeparator();
    connect(widgets::addMenuAction(*this, file, "aAddBankToLibrary", tr("Add Bank to &Library"), {},
                                   tr("Store the bank's patches in the patch library")),
            &QAction::triggered, this, &BankManagerWindow::addToLibraryRequested);
    file->addSeparator();
    connect(widgets::addMenuAction(*this, file, "aExit", tr("E&xit"), QKS("Ctrl+X")),
            &QAction::triggered, this, &QWidget::close);

    // The bank manager's own history; the editor keeps its own.
    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    QUndoStack& steps = history_->stack();
    QAction* undo = widgets::addMenuAction(*this, edit, "aBankUndo", tr("&Undo"), QKS::Undo);
    QAction* redo = widgets::addMenuAction(*this, edit, "aBankRedo", tr("&Redo"));
    redo->setShortcuts({QKS("Ctrl+Shift+Z"), QKS("Ctrl+Y")});
    for (QAction* action : {undo, redo})
        action->setShortcutContext(Qt::WindowShortcut);
    wire(undo, &BankManagerWindow::undo);
    wire(redo, &BankManagerWindow::redo);
    const auto showSteps = [undo, redo, &steps] {
        const QString undoText = steps.undoText();
        const QString redoText = steps.redoText();
        undo->setText(undoText.isEmpty() ? tr("&Undo") : tr("&Undo %1").arg(undoText));
        redo->setText(redoText.isEmpty() ? tr("&Redo") : tr("&Redo %1").arg(redoText));
        // While a download is under way its step is open and they do nothing.
        undo->setEnabled(steps.canUndo());
        redo->setEnabled(steps.canRedo());
    };
    connect(&steps, &QUndoStack::indexChanged, this, showSteps);
    // A download that has ended is a step of its own before the menu shows.
    connect(edit, &QMenu::aboutToShow, this, [this, showSteps] {
        settleDownload();
        showSteps();
    });
    showSteps();

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    connect(
        widgets::addMenuAction(*this, help, "aBankHelp", tr("Bank Manager &Help"), QKS(Qt::Key_F1)),
        &QAction::triggered, this, [this] { emit helpRequested(1013); });
    connect(widgets::addMenuAction(*this, help, "aShortcuts", tr("&Keyboard Shortcuts")),
            &QAction::triggered, this, [this] { emit helpRequested(1018); });

    popup_ = new QMenu(this);
    popup_->setObjectName(QStringLiteral("pmBank"));
    wire(widgets::addMenuAction(*this, popup_, "pmiCopy", tr("&Copy")),
         &BankManagerWindow::copyEntry);
    QAction* paste = widgets::addMenuAction(*this, popup_, "pmiPaste", tr("&Paste"));
    paste->setEnabled(false); // until something was copied
    wire(paste, &BankManagerWindow::pasteEntry);
    wire(widgets::addMenuAction(*this, popup_, "pmiRename", tr("Rename")),
         &BankManagerWindow::renameEntry);
    popup_->addSeparator();
    wire(widgets::addMenuAction(*this, popup_, "pmiOpen", tr("&Open...")),
         &BankManagerWindow::openEntry);
    wire(widgets::addMenuAction(*this, popup_, "pmiSave", tr("&Save to disk...")),
         &BankManagerWindow::saveEntry);
    popup_->addSeparator();
    wire(widgets::addMenuAction(*this, popup_, "pmiEditor", tr("&Bank to &Editor")),
         &BankManagerWindow::bankToEditor);
    QAction* toBank = widgets::addMenuAction(*this, popup_, "pmiEdit2Bank", tr("Editor to &Bank"));
    toBank->setEnabled(false); // only while a patch is loaded
    wire(toBank, &BankManagerWindow::editorToBank);
    connect(popup_, &QMenu::aboutToShow, this,
            [this, toBank] { toBank->setEnabled(context_.flags.patchLoaded); });
    // Patches copied in the library paste here as well.
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, [paste] {
        if (hasPatches(QApplication::clipboard()->mimeData()))
            paste->setEnabled(true);
    });

    splitPopup_ = new QMenu(this);
    splitPopup_->setObjectName(QStringLiteral("pmSplit"));
    wire(widgets::addMenuAction(*this, splitPopup_, "aImportSplit", tr("&Import Split...")),
         &BankManagerWindow::importSplit);
    wire(widgets::addMenuAction(*this, splitPopup_, "aExportSplit", tr("&Export Split...")),
         &BankManagerWindow::exportSplit);
}

QAction* BankManagerWindow::action(const QString& objectName) const
{
    return findChild<QAction*>(objectName);
}

void BankManagerWindow::setBankCell(int index, const std::string& name)
{
    bankModel_->showName(index, name);
}

void BankManagerWindow::setSplitCell(int index, const std::string& name)
{
    if (downloading_)
        splitsArrived_ = true;
    splitModel_->showName(index, name);
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
    bankModel_->showRecords();
    splitModel_->showRecords();
    updateGrid();
}

void BankManagerWindow::clearBank()
{
    library::clearBank(context_.records.bank);
    bankModel_->clear();
    context_.flags.bankLoaded = false;
    setCaption(tr("Bank Manager"));
}

void BankManagerWindow::fileCommand(const QString& step, const std::function<void()>& command)
{
    // The command says which cells it filled (recordsFilled); a failed one
    // still leaves the menu state to bring up to date.
    beginStep(step);
    context_.errors.run(command);
    showRecords();
    history_->end();
}

void BankManagerWindow::recordStep(const QString& name, const std::function<void()>& change)
{
    settleDownload();
    history_->record(name, change);
}

void BankManagerWindow::beginStep(const QString& name)
{
    settleDownload();
    history_->begin(name);
}

void BankManagerWindow::settleDownload()
{
    if (!downloading_ || transfers_.receiving())
        return;
    downloading_ = false;
    history_->end();
}

void BankManagerWindow::receiveEnded()
{
    // The receive's state changes after the progress window closes; look
    // once the transfer engine is done with the message.
    if (downloading_ && splitsArrived_)
        QTimer::singleShot(0, this, [this] {
            if (splitsArrived_)
                settleDownload();
        });
}

void BankManagerWindow::undo()
{
    settleDownload();
    history_->undo();
}

void BankManagerWindow::redo()
{
    settleDownload();
    history_->redo();
}

QString BankManagerWindow::bankFile() const
{
    // The caption names the file ("brass.syx - Bank Manager") once the bank
    // was opened from or saved to one.
    const QString suffix =
        QCoreApplication::translate("LibraryFileCommands", "%1 - Bank Manager").arg(QString());
    const QString caption = windowTitle();
    if (caption.size() > suffix.size() && caption.endsWith(suffix))
        return caption.left(caption.size() - suffix.size());
    return {};
}

bool BankManagerWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != bankGrid_->viewport())
        return QMainWindow::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        const QModelIndex cell = bankGrid_->indexAt(drag->position().toPoint());
        if (hasPatches(drag->mimeData()) && cell.isValid()) {
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QModelIndex cell = bankGrid_->indexAt(drop->position().toPoint());
        const auto patches = patchesOf(drop->mimeData());
        if (!cell.isValid() || patches.empty()) {
            drop->ignore();
            return true;
        }
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        const int entry = bankModel_->entryAt(cell);
        bankGrid_->setCurrentIndex(cell);
        placePatches(entry, patches);
        activateWindow();
        return true;
    }
    default:
        return QMainWindow::eventFilter(watched, event);
    }
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
