#include "TfrmViewMap.h"

#include "ControlTables.h"
#include "ControllerMap.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace velmora::perform {

TfrmViewMap::TfrmViewMap(const ControllerMap& map, QWidget* parent)
    : QDialog(parent), sgMap(new QTableWidget(0, 2, this)),
      OKBtn(new QPushButton(QStringLiteral("OK"), this))
{
    setObjectName(QStringLiteral("frmViewMap"));
    setWindowTitle(QStringLiteral("View Continuous Controller Map"));
    setModal(true);

    sgMap->setObjectName(QStringLiteral("sgMap"));
    sgMap->setHorizontalHeaderLabels({QStringLiteral("Matrix Parameter"), QStringLiteral("CC#")});
    sgMap->verticalHeader()->hide();
    sgMap->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgMap->setSelectionBehavior(QAbstractItemView::SelectRows);
    sgMap->setSelectionMode(QAbstractItemView::SingleSelection);
    for (int i = 0; i < ControllerMap::kEntries; ++i) {
        const int cc = map.Entry(i);
        if (cc == 0)
            continue;
        const int row = sgMap->rowCount();
        sgMap->insertRow(row);
        sgMap->setItem(row, 0,
                       new QTableWidgetItem(QString::fromStdString(
                           Controls().ControlNames[static_cast<std::size_t>(i)])));
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

    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sgMap);
    layout->addLayout(buttons);
}

} // namespace velmora::perform
