// "Sysex Setup": size and count of the instrument input's SysEx buffers.
#pragma once

#include <QDialog>

class QSpinBox;

namespace velmora::midi {

class MidiSetup;

class SysexBuffersDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SysexBuffersDialog(MidiSetup& setup, QWidget* parent = nullptr);

private:
    void acceptInput();

    MidiSetup& setup_;
    QSpinBox* spSize;
    QSpinBox* spCount;
};

} // namespace velmora::midi
