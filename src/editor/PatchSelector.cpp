#include "editor/PatchSelector.h"

#include <QGridLayout>
#include <QPushButton>

namespace velmora::editor {

namespace {
constexpr int kColumns = 5;
constexpr int kButtonSize = 28;
} // namespace

PatchSelector::PatchSelector(QWidget* parent) : QGroupBox(tr("Select Patch"), parent)
{
    setObjectName(QStringLiteral("btnPatch"));
    setToolTip(tr("Click twice to select a patch"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 4, 6, 6);
    grid->setSpacing(3);
    for (int digit = 0; digit < 10; ++digit) {
        auto* button = new QPushButton(QString::number(digit), this);
        button->setObjectName(QStringLiteral("btnPatch%1").arg(digit));
        button->setFixedSize(kButtonSize, kButtonSize);
        button->setFocusPolicy(Qt::NoFocus);
        grid->addWidget(button, digit / kColumns, digit % kColumns);
        connect(button, &QPushButton::clicked, this, [this, digit] { pressDigit(digit); });
        buttons_[static_cast<std::size_t>(digit)] = button;
    }
}

void PatchSelector::pressDigit(int digit)
{
    if (!tens_) {
        tens_ = digit;
        return;
    }
    const int number = *tens_ * 10 + digit;
    tens_.reset();
    emit patchSelected(number);
    emit playNoteRequested();
}

} // namespace velmora::editor
