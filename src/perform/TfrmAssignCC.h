// "Assign Continuous Controller": the controller of one editor control,
// chosen from the free ones, cleared, or learned from the next controller
// that arrives. Opened by a right click on a parameter caption or a bus
// switch (HandleTag).
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

namespace velmora::perform {

class ControllerMap;

class TfrmAssignCC : public QDialog
{
    Q_OBJECT

public:
    TfrmAssignCC(ControllerMap& map, int control, QWidget* parent = nullptr);

    // The number the list shows as chosen (0 for none).
    int Selected() const;

    QLabel* lblParaName;
    QComboBox* cbCC;
    QPushButton* OKBtn;
    QPushButton* ClearBtn;
    QPushButton* LearnBtn;
    QPushButton* CancelBtn;

private:
    void OKBtnClick();
    void ClearBtnClick();
    void LearnBtnClick();

    ControllerMap& map_;
    int control_;
};

// The right click on a caption or bus switch carrying `control`: the dialog,
// modally; whatever closes it, `control` becomes the learn target.
void HandleTag(ControllerMap& map, int control, QWidget* parent);

} // namespace velmora::perform
