#include "perform/ControllerMapDialog.h"

#include "perform/ControllerMap.h"
#include "protocol/ControlTables.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace velmora::perform {

ControllerMapDialog::ControllerMapDialog(const ControllerMap& map, QWidget* parent)
    : QDialog(parent), sgMap(new QTableWidget(0, 2, this)), okBtn(new QPushButton(tr("OK"), this))
{
    setObjectName(QStringLiteral("frmViewMap"));
    setWindowTitle(tr("View Continuous Controller Map"));
    setModal(true);

    sgMap->setObjectName(QStringLiteral("sgMap"));
    sgMap->setHorizontalHeaderLabels({tr("Matrix Parameter"), tr("CC#")});
    sgMap->verticalHeader()->hide();
    sgMap->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgMap->setSelectionBehavior(QAbstractItemView::SelectRows);
    sgMap->setSelectionMode(QAbstractItemView::SingleSelection);
    for (int i = 0; i < ControllerMap::kEntries; ++i) {
        const int cc = map.entry(i);
        if (cc == 0)
            continue;
        const int row = sgMap->rowCount();
        sgMap->insertRow(row);
        sgMap->setItem(row, 0,
                       new QTableWidgetItem(QString::fromStdString(
                           controls().controlNames[static_cast<std::size_t>(i)])));
        auto* number = new QTableWidgetItem(QString::number(cc));
        number->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        sgMap->setItem(row, 1, number);
    }
    sgMap->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    sgMap->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    sgMap->verticalHeader()->setDefaultSectionSize(sgMap->fontMetrics().height() + 6);
    sgMap->setMinimumSize(sgMap->fontMetrics().horizontalAdvance(
                              QStringLiteral("VCF Cutoff Frequency by Envelope 1  CC# 000")) +
                              24,
                          sgMap->fontMetrics().height() * 16);

    okBtn->setObjectName(QStringLiteral("OKBtn"));
    okBtn->setDefault(true);
    connect(okBtn, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sgMap);
    layout->addLayout(buttons);
}

} // namespace velmora::perform
