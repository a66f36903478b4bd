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
    : QDialog(parent), eName(new QLineEdit(this)),
      okBtn(new QPushButton(QStringLiteral("OK"), this)),
      cancelBtn(new QPushButton(QStringLiteral("Cancel"), this))
{
    setObjectName(QStringLiteral("frmRenamePatch"));
    setWindowTitle(QStringLiteral("Rename Patch"));
    setModal(true);

    eName->setObjectName(QStringLiteral("eName"));
    eName->setMaxLength(static_cast<int>(kPatchNameLength));
    eName->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    eName->setText(name);
    eName->selectAll();
    eName->setMinimumWidth(eName->fontMetrics().horizontalAdvance(QLatin1Char('W')) * 12);
    eName->installEventFilter(this);
    connect(eName, &QLineEdit::textEdited, this, [this] { edited_ = true; });

    okBtn->setObjectName(QStringLiteral("OKBtn"));
    okBtn->setDefault(true);
    cancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    connect(okBtn, &QPushButton::clicked, this, &RenamePatchDialog::acceptInput);
    connect(cancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* label = new QLabel(QStringLiteral("&Name:"), this);
    label->setBuddy(eName);
    auto* field = new QHBoxLayout;
    field->addWidget(label);
    field->addWidget(eName, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okBtn);
    buttons->addWidget(cancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(field);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    eName->setFocus();
}

std::string RenamePatchDialog::name() const
{
    const std::u32string typed = eName->text().toStdU32String();
    return normaliseName(std::u32string_view(typed));
}

void RenamePatchDialog::applyName()
{
    eName->setText(QString::fromStdString(name()));
}

bool RenamePatchDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == eName && event->type() == QEvent::FocusOut)
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
