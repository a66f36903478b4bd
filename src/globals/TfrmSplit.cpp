#include "TfrmSplit.h"

#include "PatchName.h"

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

QSlider* NewBar(const char* name, QWidget* parent)
{
    auto* bar = new QSlider(Qt::Horizontal, parent);
    bar->setObjectName(QLatin1String(name));
    bar->setMinimumWidth(180);
    return bar;
}

QLabel* NewValueLabel(const char* name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("-32")) + 6);
    return label;
}

} // namespace

TfrmSplit::TfrmSplit(SplitRecord& entry, int split,
                     const std::array<PatchBuffer, kBankPatchCount>& bank, MidiSink& output,
                     int channel, QWidget* parent)
    : QDialog(parent), eName(new QLineEdit(this)), tbLeftLimit(NewBar("tbLeftLimit", this)),
      tbLowerTranspose(NewBar("tbLowerTranspose", this)),
      tbRightLimit(NewBar("tbRightLimit", this)),
      tbUpperTranspose(NewBar("tbUpperTranspose", this)), tbBalance(NewBar("tbBalance", this)),
      lblLeftLimit(NewValueLabel("lblLeftLimit", this)),
      lblLeftTranspose(NewValueLabel("lblLeftTranspose", this)),
      lblRightLimit(NewValueLabel("lblRightLimit", this)),
      lblRightTranspose(NewValueLabel("lblRightTranspose", this)),
      lblBalance(NewValueLabel("lblBalance", this)),
      cbLowerMidi(new QCheckBox(QStringLiteral("Midi Out"), this)),
      cbUpperMidi(new QCheckBox(QStringLiteral("Midi Out"), this)), cbAlloc(new QComboBox(this)),
      cbLower(new QComboBox(this)), cbUpper(new QComboBox(this)),
      session_(entry, split, output, channel, [](std::chrono::milliseconds pause) {
          QThread::msleep(static_cast<unsigned long>(pause.count()));
      })
{
    setObjectName(QStringLiteral("frmSplit"));
    setWindowTitle(QStringLiteral("Split Editor"));
    setModal(true);
    // No close box: the dialog ends by OK or Cancel, which both end split mode.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    bars_ = {Bar{tbLeftLimit, lblLeftLimit, SplitField::LeftLimit},
             Bar{tbLowerTranspose, lblLeftTranspose, SplitField::LeftTranspose},
             Bar{tbRightLimit, lblRightLimit, SplitField::RightLimit},
             Bar{tbUpperTranspose, lblRightTranspose, SplitField::RightTranspose},
             Bar{tbBalance, lblBalance, SplitField::Balance}};
    for (const Bar& bar : bars_) {
        const RecordField where = FieldOf(bar.field);
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
    FillPatchLists(bank);

    BuildLayout();
    ShowRecord();
    ConnectControls();
    eName->setFocus();
}

void TfrmSplit::FillPatchLists(const std::array<PatchBuffer, kBankPatchCount>& bank)
{
    for (std::size_t entry = 0; entry < bank.size(); ++entry) {
        const std::string name = PatchNameOf(bank[entry]);
        const QString text = QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
        cbLower->addItem(QString::number(entry) + QStringLiteral(" - ") + text);
        cbUpper->addItem(text);
    }
    cbLower->setMaxVisibleItems(20);
    cbUpper->setMaxVisibleItems(20);
}

void TfrmSplit::BuildLayout()
{
    const auto caption = [this](const QString& text, QWidget* buddy) {
        auto* label = new QLabel(text, this);
        label->setBuddy(buddy);
        return label;
    };
    auto* name = new QHBoxLayout;
    name->addWidget(caption(QStringLiteral("Name"), eName));
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
    zone(0, cbLower, QStringLiteral("Left Patch"), bars_[0], QStringLiteral("Left Zone Limit"),
         bars_[1], QStringLiteral("Left Zone Transpose"), cbLowerMidi);
    zone(3, cbUpper, QStringLiteral("Right Patch"), bars_[2], QStringLiteral("Right Zone Limit"),
         bars_[3], QStringLiteral("Right Zone Transpose"), cbUpperMidi);
    grid->setRowMinimumHeight(7, 10);
    grid->addWidget(caption(QStringLiteral("Balance"), tbBalance), 8, 0, 1, 2);
    grid->addWidget(tbBalance, 9, 0);
    grid->addWidget(lblBalance, 9, 1);
    grid->addWidget(caption(QStringLiteral("Voice Allocation"), cbAlloc), 8, 3, 1, 2);
    grid->addWidget(cbAlloc, 9, 3, 1, 2, Qt::AlignLeft);

    auto* buttons = new QDialogButtonBox(this);
    btnOK = buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnHelp = buttons->addButton(QStringLiteral("&Help"), QDialogButtonBox::HelpRole);
    btnHelp->setObjectName(QStringLiteral("btnHelp"));
    connect(btnOK, &QPushButton::clicked, this, &TfrmSplit::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmSplit::btnCancelClick);
    connect(btnHelp, &QPushButton::clicked, this, [this] {
        if (OnHelp)
            OnHelp(kHelpTopic);
    });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(name);
    layout->addSpacing(6);
    layout->addLayout(grid);
    layout->addSpacing(10);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmSplit::ConnectControls()
{
    for (const Bar& bar : bars_) {
        connect(bar.bar, &QSlider::valueChanged, this, [this, bar](int position) {
            bar.label->setNum(position);
            ControlChange(bar.field, position);
        });
    }
    connect(cbLowerMidi, &QCheckBox::toggled, this,
            [this](bool on) { ControlChange(SplitField::LeftMidi, on ? 1 : 0); });
    connect(cbUpperMidi, &QCheckBox::toggled, this,
            [this](bool on) { ControlChange(SplitField::RightMidi, on ? 1 : 0); });
    const std::pair<QComboBox*, SplitField> lists[] = {{cbAlloc, SplitField::Allocation},
                                                       {cbLower, SplitField::LeftPatch},
                                                       {cbUpper, SplitField::RightPatch}};
    for (const auto& [list, field] : lists) {
        connect(list, &QComboBox::currentIndexChanged, this, [this, field](int item) {
            if (item >= 0)
                ControlChange(field, item);
        });
    }
}

void TfrmSplit::ShowRecord()
{
    loading_ = true;
    const SplitRecord& record = session_.Working();
    eName->setText(QString::fromLatin1(reinterpret_cast<const char*>(record.data()),
                                       static_cast<qsizetype>(kSplitNameLength)));
    for (const Bar& bar : bars_) {
        bar.bar->setValue(ShownField(record, FieldOf(bar.field)));
        bar.label->setNum(bar.bar->value());
    }
    cbLowerMidi->setChecked(record[FieldOf(SplitField::LeftMidi).offset] == 1);
    cbUpperMidi->setChecked(record[FieldOf(SplitField::RightMidi).offset] == 1);
    // A list byte outside the list leaves the list without a selection.
    cbAlloc->setCurrentIndex(ReadField(record, FieldOf(SplitField::Allocation)));
    cbLower->setCurrentIndex(ReadField(record, FieldOf(SplitField::LeftPatch)));
    cbUpper->setCurrentIndex(ReadField(record, FieldOf(SplitField::RightPatch)));
    loading_ = false;
}

void TfrmSplit::ControlChange(SplitField field, int value)
{
    // Showing the record at opening writes and sends nothing.
    if (!loading_)
        Guard([&] { session_.Change(field, value); });
}

void TfrmSplit::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!modeOn_) {
        modeOn_ = true;
        Guard([this] { session_.SetMode(true); });
    }
}

void TfrmSplit::eNameExit()
{
    const std::string name = SplitName(eName->text().toStdU32String());
    eName->setText(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
}

bool TfrmSplit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == eName && event->type() == QEvent::FocusOut)
        eNameExit();
    return QDialog::eventFilter(watched, event);
}

void TfrmSplit::btnOKClick()
{
    if (ended_)
        return;
    ended_ = true;
    // Return takes OK without leaving the name field, so its rule runs here.
    eNameExit();
    const std::string name = SplitName(eName->text().toStdU32String());
    if (OnSplitCell)
        OnSplitCell(session_.Split(), name);
    // The split is stored even if a send fails; the dialog closes either way.
    Guard([&] { session_.Accept(name); });
    accept();
}

void TfrmSplit::btnCancelClick()
{
    if (ended_)
        return;
    ended_ = true;
    Guard([this] { session_.Cancel(); });
    QDialog::reject();
}

void TfrmSplit::reject()
{
    btnCancelClick();
}

void TfrmSplit::Guard(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::exception& e) {
        if (!OnError)
            throw;
        OnError(QString::fromLocal8Bit(e.what()));
    }
}

} // namespace velmora::globals
