// "Sysex Setup": size and count of the instrument input's SysEx buffers.
#pragma once

#include <QDialog>

class QSpinBox;

namespace velmora::midi {

class MidiSetup;

class SysexBuffersDialog : public QDialog
{
public:
    explicit SysexBuffersDialog(MidiSetup& setup, QWidget* parent = nullptr);

    QSpinBox* spSize;
    QSpinBox* spCount;

private:
    void acceptInput();

    MidiSetup& setup_;
};

} // namespace velmora::midi
