// "Assign Continuous Controller": the controller of one editor control,
// chosen from the free ones, cleared, or learned from the next controller
// that arrives. Opened by a right click on a parameter caption or a bus
// switch (handleTag).
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

namespace velmora::perform {

class ControllerMap;

class AssignControllerDialog : public QDialog
{
    Q_OBJECT

public:
    AssignControllerDialog(ControllerMap& map, int control, QWidget* parent = nullptr);

    // The number the list shows as chosen (0 for none).
    int selected() const;

private:
    void acceptInput();
    void clearAssignment();
    void learnController();

    QLabel* lblParaName;
    QComboBox* cbCC;
    QPushButton* okBtn;
    QPushButton* clearBtn;
    QPushButton* learnBtn;
    QPushButton* cancelBtn;
    ControllerMap& map_;
    int control_;
};

// The right click on a caption or bus switch carrying `control`: the dialog,
// modally; whatever closes it, `control` becomes the learn target.
void handleTag(ControllerMap& map, int control, QWidget* parent);

} // namespace velmora::perform
