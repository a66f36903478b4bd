#include "TfrmRenamePatch.h"

#include "PatchName.h"

#include <QEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora::library {

TfrmRenamePatch::TfrmRenamePatch(const QString& name, QWidget* parent)
    : QDialog(parent), eName(new QLineEdit(this)),
      OKBtn(new QPushButton(QStringLiteral("OK"), this)),
      CancelBtn(new QPushButton(QStringLiteral("Cancel"), this))
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

    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    connect(OKBtn, &QPushButton::clicked, this, &TfrmRenamePatch::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* label = new QLabel(QStringLiteral("&Name:"), this);
    label->setBuddy(eName);
    auto* field = new QHBoxLayout;
    field->addWidget(label);
    field->addWidget(eName, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(field);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    eName->setFocus();
}

std::string TfrmRenamePatch::Name() const
{
    const std::u32string typed = eName->text().toStdU32String();
    return NormaliseName(std::u32string_view(typed));
}

void TfrmRenamePatch::eNameExit()
{
    eName->setText(QString::fromStdString(Name()));
}

bool TfrmRenamePatch::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == eName && event->type() == QEvent::FocusOut)
        eNameExit();
    return QDialog::eventFilter(watched, event);
}

void TfrmRenamePatch::OKBtnClick()
{
    // Return takes OK without leaving the field, so the rule runs here too.
    eNameExit();
    accept();
}

} // namespace velmora::library
