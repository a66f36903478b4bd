#include "library/MutateSettingsDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

namespace velmora::library {
namespace {

// The group names as the columns are labelled, group 1 first.
constexpr std::array<const char*, kMutateGroupCount> kGroupNames = {
    QT_TRANSLATE_NOOP("velmora::library::MutateSettingsDialog", "DCO"),
    QT_TRANSLATE_NOOP("velmora::library::MutateSettingsDialog", "VCF"),
    QT_TRANSLATE_NOOP("velmora::library::MutateSettingsDialog", "VCA"),
    QT_TRANSLATE_NOOP("velmora::library::MutateSettingsDialog", "LFO"),
    QT_TRANSLATE_NOOP("velmora::library::MutateSettingsDialog", "ENV"),
    QT_TRANSLATE_NOOP("velmora::library::MutateSettingsDialog", "RAMP"),
    QT_TRANSLATE_NOOP("velmora::library::MutateSettingsDialog", "TRACK"),
    QT_TRANSLATE_NOOP("velmora::library::MutateSettingsDialog", "PORTA"),
    QT_TRANSLATE_NOOP("velmora::library::MutateSettingsDialog", "MOD MATRIX")};

} // namespace

MutateSettingsDialog::MutateSettingsDialog(MutateFactors& factors, GroupLocks& locks,
                                           QWidget* parent)
    : QDialog(parent), factors_(factors), original_(factors), locks_(locks), originalLocks_(locks)
{
    setObjectName(QStringLiteral("frmFactor"));
    setWindowTitle(tr("Mutate Setup"));

    // Column 0 names the ends of the bars; columns 1..9 are the groups, a
    // bar above its label.
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(14);
    auto* maxLabel = new QLabel(tr("max"), this);
    auto* offLabel = new QLabel(tr("off"), this);
    grid->addWidget(maxLabel, 0, 0, Qt::AlignRight | Qt::AlignTop);
    grid->addWidget(offLabel, 0, 0, Qt::AlignRight | Qt::AlignBottom);
    for (std::size_t i = 0; i < kMutateGroupCount; ++i) {
        const int column = static_cast<int>(i) + 1;
        auto* bar = new QSlider(Qt::Vertical, this);
        bar->setObjectName(QStringLiteral("tbMutate%1").arg(column));
        bar->setRange(0, kMaxMutateFactor);
        bar->setPageStep(2);
        bar->setTickPosition(QSlider::TicksBothSides);
        bar->setTickInterval(1);
        bar->setMinimumHeight(150);
        bar->setValue(std::min<int>(factors_[i], kMaxMutateFactor));
        connect(bar, &QSlider::valueChanged, this,
                [this, i](int position) { factors_[i] = static_cast<std::uint8_t>(position); });
        bars_[i] = bar;

        auto* label = new QLabel(tr(kGroupNames[i]), this);
        label->setAlignment(Qt::AlignHCenter);
        label->setBuddy(bar);
        grid->addWidget(bar, 0, column, Qt::AlignHCenter);
        grid->addWidget(label, 1, column, Qt::AlignHCenter);

        auto* lock = new QCheckBox(tr("Lock"), this);
        lock->setObjectName(QStringLiteral("cbLock%1").arg(column));
        lock->setToolTip(tr("Randomize and Mutate leave this group as it is"));
        lock->setChecked(locks_[i]);
        connect(lock, &QCheckBox::toggled, this, [this, i](bool on) { locks_[i] = on; });
        grid->addWidget(lock, 2, column, Qt::AlignHCenter);
    }

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(tr("&OK"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    buttons->addButton(tr("&Cancel"), QDialogButtonBox::RejectRole);
    QPushButton* help = buttons->addButton(tr("&Help"), QDialogButtonBox::HelpRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [this] { emit helpRequested(kHelpTopic); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    bars_[0]->setFocus();
}

void MutateSettingsDialog::reject()
{
    factors_ = original_;
    locks_ = originalLocks_;
    QDialog::reject();
}

} // namespace velmora::library
