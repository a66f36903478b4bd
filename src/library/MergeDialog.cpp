#include "library/MergeDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include <algorithm>

namespace velmora::library {
namespace {

// A name for the list: the printable bytes as they stand, a Matrix-6 name's
// 6-bit letters raised as on reception, zeros and the rest as blanks; a
// record of zeros is an entry nothing was put in.
QString nameText(std::span<const Byte> record)
{
    if (std::all_of(record.begin(), record.end(), [](Byte b) { return b == 0; }))
        return MergeDialog::tr("<empty>");
    QString name;
    for (const Byte b : record.first(kPatchNameLength)) {
        const Byte shown = b == 0 ? Byte{' '} : b < 0x20 ? static_cast<Byte>(b + 0x40) : b;
        name += shown < 0x7F ? QChar(shown) : QChar(u' ');
    }
    return name.trimmed();
}

} // namespace

MergeDialog::MergeDialog(const std::array<PatchBuffer, kBankPatchCount>& bank, PickFile pickFile,
                         QWidget* parent)
    : QDialog(parent), pickFile_(std::move(pickFile)), source_(new QComboBox(this)),
      amount_(new QSlider(Qt::Horizontal, this)), amountLabel_(new QLabel(this))
{
    setObjectName(QStringLiteral("frmMerge"));
    setWindowTitle(tr("Merge"));
    source_->setObjectName(QStringLiteral("cbxMergeWith"));
    amount_->setObjectName(QStringLiteral("tbMergeAmount"));
    amountLabel_->setObjectName(QStringLiteral("lblMergeAmount"));

    for (std::size_t k = 0; k < bank.size(); ++k) {
        PatchRecord record{};
        std::copy_n(bank[k].begin(), kPatchRecordSize, record.begin());
        records_.push_back(record);
        source_->addItem(
            tr("Bank entry %1: %2").arg(k, 2, 10, QLatin1Char('0')).arg(nameText(record)));
    }
    auto* file = new QPushButton(tr("&File..."), this);
    file->setObjectName(QStringLiteral("btnMergeFile"));
    connect(file, &QPushButton::clicked, this, &MergeDialog::pickFile);

    amount_->setRange(0, 100);
    amount_->setPageStep(10);
    amount_->setTickPosition(QSlider::TicksBelow);
    amount_->setTickInterval(10);
    amount_->setValue(50);
    amount_->setMinimumWidth(260);
    amountLabel_->setMinimumWidth(
        amountLabel_->fontMetrics().horizontalAdvance(QStringLiteral("100 %")) + 4);
    amountLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(amount_, &QSlider::valueChanged, this, &MergeDialog::showAmount);
    showAmount(amount_->value());

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setText(tr("&Merge"));
    ok_->setObjectName(QStringLiteral("btnMerge"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* withLabel = new QLabel(tr("Merge &with:"), this);
    withLabel->setBuddy(source_);
    auto* amountCaption = new QLabel(tr("&Amount:"), this);
    amountCaption->setBuddy(amount_);
    auto* hint = new QLabel(tr("0 % keeps the current patch, 100 % takes the other's values. "
                               "Switches and lists change sides at 50 %; the name stays."),
                            this);
    hint->setWordWrap(true);
    auto* grid = new QGridLayout(this);
    grid->addWidget(withLabel, 0, 0);
    grid->addWidget(source_, 0, 1);
    grid->addWidget(file, 0, 2);
    grid->addWidget(amountCaption, 1, 0);
    grid->addWidget(amount_, 1, 1);
    grid->addWidget(amountLabel_, 1, 2);
    grid->addWidget(hint, 2, 0, 1, 3);
    grid->addWidget(buttons, 3, 0, 1, 3);
}

void MergeDialog::pickFile()
{
    const auto picked = pickFile_ ? pickFile_() : std::nullopt;
    if (!picked)
        return;
    records_.push_back(picked->second);
    source_->addItem(tr("%1: %2").arg(picked->first, nameText(picked->second)));
    source_->setCurrentIndex(source_->count() - 1);
}

void MergeDialog::showAmount(int percent)
{
    amountLabel_->setText(tr("%1 %").arg(percent));
}

PatchRecord MergeDialog::other() const
{
    const int index = std::max(0, source_->currentIndex());
    return records_[static_cast<std::size_t>(index)];
}

double MergeDialog::fraction() const
{
    return amount_->value() / 100.0;
}

} // namespace velmora::library
