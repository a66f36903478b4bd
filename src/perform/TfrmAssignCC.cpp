#include "TfrmAssignCC.h"

#include "ControlTables.h"
#include "ControllerMap.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora::perform {

TfrmAssignCC::TfrmAssignCC(ControllerMap& map, int control, QWidget* parent)
    : QDialog(parent), lblParaName(new QLabel(this)), cbCC(new QComboBox(this)),
      OKBtn(new QPushButton(QStringLiteral("OK"), this)),
      ClearBtn(new QPushButton(QStringLiteral("Clear"), this)),
      LearnBtn(new QPushButton(QStringLiteral("Learn Mode"), this)),
      CancelBtn(new QPushButton(QStringLiteral("Cancel"), this)), map_(map), control_(control)
{
    setObjectName(QStringLiteral("frmAssignCC"));
    setWindowTitle(QStringLiteral("Assign Continuous Controller"));
    setModal(true);

    lblParaName->setObjectName(QStringLiteral("lblParaName"));
    if (control >= 0 && control < kControlTableSize)
        lblParaName->setText(
            QString::fromStdString(Controls().ControlNames[static_cast<std::size_t>(control)]));
    QFont bold = lblParaName->font();
    bold.setBold(true);
    lblParaName->setFont(bold);
    lblParaName->setAlignment(Qt::AlignCenter);

    cbCC->setObjectName(QStringLiteral("cbCC"));
    const int own = map_.Entry(control);
    for (const int cc : map_.ChoicesFor(control)) {
        cbCC->addItem(QString::number(cc), cc);
        if (cc == own)
            cbCC->setCurrentIndex(cbCC->count() - 1);
    }

    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    ClearBtn->setObjectName(QStringLiteral("ClearBtn"));
    LearnBtn->setObjectName(QStringLiteral("LearnBtn"));
    LearnBtn->setToolTip(QStringLiteral("Map the next controller that arrives"));
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    connect(OKBtn, &QPushButton::clicked, this, &TfrmAssignCC::OKBtnClick);
    connect(ClearBtn, &QPushButton::clicked, this, &TfrmAssignCC::ClearBtnClick);
    connect(LearnBtn, &QPushButton::clicked, this, &TfrmAssignCC::LearnBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* mapped = new QHBoxLayout;
    mapped->addWidget(new QLabel(QStringLiteral("is mapped to Continuous Controller #"), this));
    mapped->addWidget(cbCC);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {OKBtn, ClearBtn, LearnBtn, CancelBtn})
        buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblParaName);
    layout->addLayout(mapped);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

int TfrmAssignCC::Selected() const
{
    return cbCC->currentData().toInt();
}

void TfrmAssignCC::OKBtnClick()
{
    map_.Assign(control_, Selected());
    accept();
}

void TfrmAssignCC::ClearBtnClick()
{
    cbCC->setCurrentIndex(0);
    OKBtnClick();
}

void TfrmAssignCC::LearnBtnClick()
{
    // The map changes only when the controller arrives; until then this
    // control is what it will be learned for.
    map_.SetLearnTarget(control_);
    map_.RequestLearning();
    done(QDialog::Accepted);
}

void HandleTag(ControllerMap& map, int control, QWidget* parent)
{
    TfrmAssignCC dialog(map, control, parent);
    dialog.exec();
    map.SetLearnTarget(control);
}

} // namespace velmora::perform
