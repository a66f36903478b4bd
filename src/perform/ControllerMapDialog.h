// "View Continuous Controller Map": every mapped parameter with its
// controller number, in control order.
#pragma once

#include <QDialog>

class QPushButton;
class QTableWidget;

namespace velmora::perform {

class ControllerMap;

class ControllerMapDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ControllerMapDialog(const ControllerMap& map, QWidget* parent = nullptr);

private:
    // Columns "Matrix Parameter" and "CC#", one row per mapped entry.
    QTableWidget* sgMap;
    QPushButton* okBtn;
};

} // namespace velmora::perform
