// Setup > Transfer Pauses: how long the instrument is given after each
// stored patch and after a global settings write, in milliseconds. A unit
// that needs longer than the defaults shows it in a checked upload (patches
// that did not take); this is where it gets longer.
#pragma once

#include <QDialog>

class QSpinBox;

namespace velmora {

class TransferPausesDialog : public QDialog
{
    Q_OBJECT

public:
    // The pauses shown at first, in milliseconds.
    TransferPausesDialog(int storePause, int globalWritePause, QWidget* parent = nullptr);

    // The pauses as set (within the bounds of Settings).
    int storePause() const;
    int globalWritePause() const;

private:
    QSpinBox* store_;
    QSpinBox* global_;
};

} // namespace velmora
