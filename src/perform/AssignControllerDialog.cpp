#include "perform/AssignControllerDialog.h"

#include "perform/ControllerMap.h"
#include "protocol/ControlTables.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora::perform {

AssignControllerDialog::AssignControllerDialog(ControllerMap& map, int control, QWidget* parent)
    : QDialog(parent), lblParaName(new QLabel(this)), cbCC(new QComboBox(this)),
      okBtn(new QPushButton(tr("OK"), this)), clearBtn(new QPushButton(tr("Clear"), this)),
      learnBtn(new QPushButton(tr("Learn Mode"), this)),
      cancelBtn(new QPushButton(tr("Cancel"), this)), map_(map), control_(control)
{
    setObjectName(QStringLiteral("frmAssignCC"));
    setWindowTitle(tr("Assign Continuous Controller"));
    setModal(true);

    lblParaName->setObjectName(QStringLiteral("lblParaName"));
    if (control >= 0 && control < kControlTableSize)
        lblParaName->setText(
            QString::fromStdString(controls().controlNames[static_cast<std::size_t>(control)]));
    QFont bold = lblParaName->font();
    bold.setBold(true);
    lblParaName->setFont(bold);
    lblParaName->setAlignment(Qt::AlignCenter);

    cbCC->setObjectName(QStringLiteral("cbCC"));
    const int own = map_.entry(control);
    for (const int cc : map_.choicesFor(control)) {
        cbCC->addItem(QString::number(cc), cc);
        if (cc == own)
            cbCC->setCurrentIndex(cbCC->count() - 1);
    }

    okBtn->setObjectName(QStringLiteral("OKBtn"));
    okBtn->setDefault(true);
    clearBtn->setObjectName(QStringLiteral("ClearBtn"));
    learnBtn->setObjectName(QStringLiteral("LearnBtn"));
    learnBtn->setToolTip(tr("Map the next controller that arrives"));
    cancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    connect(okBtn, &QPushButton::clicked, this, &AssignControllerDialog::acceptInput);
    connect(clearBtn, &QPushButton::clicked, this, &AssignControllerDialog::clearAssignment);
    connect(learnBtn, &QPushButton::clicked, this, &AssignControllerDialog::learnController);
    connect(cancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* mapped = new QHBoxLayout;
    mapped->addWidget(new QLabel(tr("is mapped to Continuous Controller #"), this));
    mapped->addWidget(cbCC);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {okBtn, clearBtn, learnBtn, cancelBtn})
        buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblParaName);
    layout->addLayout(mapped);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

int AssignControllerDialog::selected() const
{
    return cbCC->currentData().toInt();
}

void AssignControllerDialog::acceptInput()
{
    map_.assign(control_, selected());
    accept();
}

void AssignControllerDialog::clearAssignment()
{
    cbCC->setCurrentIndex(0);
    acceptInput();
}

void AssignControllerDialog::learnController()
{
    // The map changes only when the controller arrives; until then this
    // control is what it will be learned for.
    map_.setLearnTarget(control_);
    map_.requestLearning();
    done(QDialog::Accepted);
}

void handleTag(ControllerMap& map, int control, QWidget* parent)
{
    AssignControllerDialog dialog(map, control, parent);
    dialog.exec();
    map.setLearnTarget(control);
}

} // namespace velmora::perform
