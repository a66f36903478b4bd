// "View Continuous Controller Map": every mapped parameter with its
// controller number, in control order.
#pragma once

#include <QDialog>

class QPushButton;
class QTableWidget;

namespace velmora::perform {

class ControllerMap;

class TfrmViewMap : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmViewMap(const ControllerMap& map, QWidget* parent = nullptr);

    // Columns "Matrix Parameter" and "CC#", one row per mapped entry.
    QTableWidget* sgMap;
    QPushButton* OKBtn;
};

} // namespace velmora::perform
