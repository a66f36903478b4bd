#include "globals/SplitEditorDialog.h"

#include "common/ErrorReporter.h"
#include "protocol/PatchName.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QThread>
#include <QVBoxLayout>

#include <exception>

namespace velmora::globals {
namespace {

const char* const kAllocations[] = {"2 / 4", "4 / 2", "6 / 0", "0 / 6"};

QSlider* newBar(const char* name, QWidget* parent)
{
    auto* bar = new QSlider(Qt::Horizontal, parent);
    bar->setObjectName(QLatin1String(name));
    bar->setMinimumWidth(180);
    return bar;
}

QLabel* newValueLabel(const char* name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("-32")) + 6);
    return label;
}

} // namespace

SplitEditorDialog::SplitEditorDialog(SplitRecord& entry, int split,
                                     const std::array<PatchBuffer, kBankPatchCount>& bank,
                                     MidiSink& output, int channel, ErrorReporter& errors,
                                     QWidget* parent)
    : QDialog(parent), eName(new QLineEdit(this)), tbLeftLimit(newBar("tbLeftLimit", this)),
      tbLowerTranspose(newBar("tbLowerTranspose", this)),
      tbRightLimit(newBar("tbRightLimit", this)),
      tbUpperTranspose(newBar("tbUpperTranspose", this)), tbBalance(newBar("tbBalance", this)),
      lblLeftLimit(newValueLabel("lblLeftLimit", this)),
      lblLeftTranspose(newValueLabel("lblLeftTranspose", this)),
      lblRightLimit(newValueLabel("lblRightLimit", this)),
      lblRightTranspose(newValueLabel("lblRightTranspose", this)),
      lblBalance(newValueLabel("lblBalance", this)),
      cbLowerMidi(new QCheckBox(tr("Midi Out"), this)),
      cbUpperMidi(new QCheckBox(tr("Midi Out"), this)), cbAlloc(new QComboBox(this)),
      cbLower(new QComboBox(this)), cbUpper(new QComboBox(this)), errors_(errors),
      session_(entry, split, output, channel, [](std::chrono::milliseconds pause) {
          QThread::msleep(static_cast<unsigned long>(pause.count()));
      })
{
    setObjectName(QStringLiteral("frmSplit"));
    setWindowTitle(tr("Split Editor"));
    setModal(true);
    // No close box: the dialog ends by OK or Cancel, which both end split mode.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    bars_ = {Bar{tbLeftLimit, lblLeftLimit, SplitField::LeftLimit},
             Bar{tbLowerTranspose, lblLeftTranspose, SplitField::LeftTranspose},
             Bar{tbRightLimit, lblRightLimit, SplitField::RightLimit},
             Bar{tbUpperTranspose, lblRightTranspose, SplitField::RightTranspose},
             Bar{tbBalance, lblBalance, SplitField::Balance}};
    for (const Bar& bar : bars_) {
        const RecordField where = fieldOf(bar.field);
        bar.bar->setRange(where.minimum, where.maximum);
        bar.bar->setPageStep(where.maximum > 31 ? 12 : 4);
    }
    eName->setObjectName(QStringLiteral("eName"));
    eName->setMaxLength(static_cast<int>(kSplitNameLength));
    eName->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    eName->setFixedWidth(eName->fontMetrics().horizontalAdvance(QLatin1Char('W')) * 9);
    eName->installEventFilter(this);
    cbLowerMidi->setObjectName(QStringLiteral("cbLowerMidi"));
    cbUpperMidi->setObjectName(QStringLiteral("cbUpperMidi"));
    cbAlloc->setObjectName(QStringLiteral("cbAlloc"));
    for (const char* allocation : kAllocations)
        cbAlloc->addItem(QLatin1String(allocation));
    cbLower->setObjectName(QStringLiteral("cbLower"));
    cbUpper->setObjectName(QStringLiteral("cbUpper"));
    fillPatchLists(bank);

    buildLayout();
    showRecord();
    connectControls();
    eName->setFocus();
}

void SplitEditorDialog::fillPatchLists(const std::array<PatchBuffer, kBankPatchCount>& bank)
{
    for (std::size_t entry = 0; entry < bank.size(); ++entry) {
        const std::string name = patchNameOf(bank[entry]);
        const QString text = QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
        cbLower->addItem(QString::number(entry) + QStringLiteral(" - ") + text);
        cbUpper->addItem(text);
    }
    cbLower->setMaxVisibleItems(20);
    cbUpper->setMaxVisibleItems(20);
}

void SplitEditorDialog::buildLayout()
{
    const auto caption = [this](const QString& text, QWidget* buddy) {
        auto* label = new QLabel(text, this);
        label->setBuddy(buddy);
        return label;
    };
    auto* name = new QHBoxLayout;
    name->addWidget(caption(tr("Name"), eName));
    name->addWidget(eName);
    name->addStretch();

    // Left zone in columns 0..1, right zone in columns 3..4.
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);
    grid->setColumnMinimumWidth(2, 24);
    const auto zone = [&](int column, QComboBox* patch, const QString& patchCaption, Bar limit,
                          const QString& limitCaption, Bar transpose,
                          const QString& transposeCaption, QCheckBox* midi) {
        grid->addWidget(caption(patchCaption, patch), 0, column, 1, 2);
        grid->addWidget(patch, 1, column, 1, 2);
        grid->addWidget(caption(limitCaption, limit.bar), 2, column, 1, 2);
        grid->addWidget(limit.bar, 3, column);
        grid->addWidget(limit.label, 3, column + 1);
        grid->addWidget(caption(transposeCaption, transpose.bar), 4, column, 1, 2);
        grid->addWidget(transpose.bar, 5, column);
        grid->addWidget(transpose.label, 5, column + 1);
        grid->addWidget(midi, 6, column, 1, 2, Qt::AlignLeft);
    };
    zone(0, cbLower, tr("Left Patch"), bars_[0], tr("Left Zone Limit"), bars_[1],
         tr("Left Zone Transpose"), cbLowerMidi);
    zone(3, cbUpper, tr("Right Patch"), bars_[2], tr("Right Zone Limit"), bars_[3],
         tr("Right Zone Transpose"), cbUpperMidi);
    grid->setRowMinimumHeight(7, 10);
    grid->addWidget(caption(tr("Balance"), tbBalance), 8, 0, 1, 2);
    grid->addWidget(tbBalance, 9, 0);
    grid->addWidget(lblBalance, 9, 1);
    grid->addWidget(caption(tr("Voice Allocation"), cbAlloc), 8, 3, 1, 2);
    grid->addWidget(cbAlloc, 9, 3, 1, 2, Qt::AlignLeft);

    auto* buttons = new QDialogButtonBox(this);
    btnOK = buttons->addButton(tr("&OK"), QDialogButtonBox::AcceptRole);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = buttons->addButton(tr("&Cancel"), QDialogButtonBox::RejectRole);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnHelp = buttons->addButton(tr("&Help"), QDialogButtonBox::HelpRole);
    btnHelp->setObjectName(QStringLiteral("btnHelp"));
    connect(btnOK, &QPushButton::clicked, this, &SplitEditorDialog::acceptEdits);
    connect(btnCancel, &QPushButton::clicked, this, &SplitEditorDialog::cancelEdits);
    connect(btnHelp, &QPushButton::clicked, this, [this] { emit helpRequested(kHelpTopic); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(name);
    layout->addSpacing(6);
    layout->addLayout(grid);
    layout->addSpacing(10);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void SplitEditorDialog::connectControls()
{
    for (const Bar& bar : bars_) {
        connect(bar.bar, &QSlider::valueChanged, this, [this, bar](int position) {
            bar.label->setNum(position);
            applyField(bar.field, position);
        });
    }
    connect(cbLowerMidi, &QCheckBox::toggled, this,
            [this](bool on) { applyField(SplitField::LeftMidi, on ? 1 : 0); });
    connect(cbUpperMidi, &QCheckBox::toggled, this,
            [this](bool on) { applyField(SplitField::RightMidi, on ? 1 : 0); });
    const std::pair<QComboBox*, SplitField> lists[] = {{cbAlloc, SplitField::Allocation},
                                                       {cbLower, SplitField::LeftPatch},
                                                       {cbUpper, SplitField::RightPatch}};
    for (const auto& [list, field] : lists) {
        connect(list, &QComboBox::currentIndexChanged, this, [this, field](int item) {
            if (item >= 0)
                applyField(field, item);
        });
    }
}

void SplitEditorDialog::showRecord()
{
    loading_ = true;
    const SplitRecord& record = session_.working();
    eName->setText(QString::fromLatin1(reinterpret_cast<const char*>(record.data()),
                                       static_cast<qsizetype>(kSplitNameLength)));
    for (const Bar& bar : bars_) {
        bar.bar->setValue(shownField(record, fieldOf(bar.field)));
        bar.label->setNum(bar.bar->value());
    }
    cbLowerMidi->setChecked(record[fieldOf(SplitField::LeftMidi).offset] == 1);
    cbUpperMidi->setChecked(record[fieldOf(SplitField::RightMidi).offset] == 1);
    // A list byte outside the list leaves the list without a selection.
    cbAlloc->setCurrentIndex(readField(record, fieldOf(SplitField::Allocation)));
    cbLower->setCurrentIndex(readField(record, fieldOf(SplitField::LeftPatch)));
    cbUpper->setCurrentIndex(readField(record, fieldOf(SplitField::RightPatch)));
    loading_ = false;
}

void SplitEditorDialog::applyField(SplitField field, int value)
{
    // Showing the record at opening writes and sends nothing.
    if (!loading_)
        errors_.run([&] { session_.change(field, value); });
}

void SplitEditorDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!modeOn_) {
        modeOn_ = true;
        errors_.run([this] { session_.setMode(true); });
    }
}

void SplitEditorDialog::applyName()
{
    const std::string name = splitName(eName->text().toStdU32String());
    eName->setText(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
}

bool SplitEditorDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == eName && event->type() == QEvent::FocusOut)
        applyName();
    return QDialog::eventFilter(watched, event);
}

void SplitEditorDialog::acceptEdits()
{
    if (ended_)
        return;
    ended_ = true;
    // Return takes OK without leaving the name field, so its rule runs here.
    applyName();
    const std::string name = splitName(eName->text().toStdU32String());
    emit splitStored(session_.split(), name);
    // The split is stored even if a send fails; the dialog closes either way.
    errors_.run([&] { session_.accept(name); });
    accept();
}

void SplitEditorDialog::cancelEdits()
{
    if (ended_)
        return;
    ended_ = true;
    errors_.run([this] { session_.cancel(); });
    QDialog::reject();
}

void SplitEditorDialog::reject()
{
    cancelEdits();
}

} // namespace velmora::globals
