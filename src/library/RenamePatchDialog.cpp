#include "library/RenamePatchDialog.h"

#include "protocol/PatchName.h"

#include <QEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora::library {

RenamePatchDialog::RenamePatchDialog(const QString& name, QWidget* parent)
    : QDialog(parent), name_(new QLineEdit(this)), ok_(new QPushButton(tr("OK"), this)),
      cancel_(new QPushButton(tr("Cancel"), this))
{
    setObjectName(QStringLiteral("frmRenamePatch"));
    setWindowTitle(tr("Rename Patch"));
    setModal(true);

    name_->setObjectName(QStringLiteral("eName"));
    name_->setMaxLength(static_cast<int>(kPatchNameLength));
    name_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    name_->setText(name);
    name_->selectAll();
    name_->setMinimumWidth(name_->fontMetrics().horizontalAdvance(QLatin1Char('W')) * 12);
    name_->installEventFilter(this);
    connect(name_, &QLineEdit::textEdited, this, [this] { edited_ = true; });

    ok_->setObjectName(QStringLiteral("OKBtn"));
    ok_->setDefault(true);
    cancel_->setObjectName(QStringLiteral("CancelBtn"));
    connect(ok_, &QPushButton::clicked, this, &RenamePatchDialog::acceptInput);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    auto* label = new QLabel(tr("&Name:"), this);
    label->setBuddy(name_);
    auto* field = new QHBoxLayout;
    field->addWidget(label);
    field->addWidget(name_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(field);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    name_->setFocus();
}

std::string RenamePatchDialog::name() const
{
    const std::u32string typed = name_->text().toStdU32String();
    return normaliseName(std::u32string_view(typed));
}

void RenamePatchDialog::applyName()
{
    name_->setText(QString::fromStdString(name()));
}

bool RenamePatchDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == name_ && event->type() == QEvent::FocusOut)
        applyName();
    return QDialog::eventFilter(watched, event);
}

void RenamePatchDialog::acceptInput()
{
    // Return takes OK without leaving the field, so the rule runs here too.
    applyName();
    accept();
}

} // namespace velmora::library
