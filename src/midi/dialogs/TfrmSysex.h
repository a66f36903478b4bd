// "Sysex Setup": size and count of the instrument input's SysEx buffers.
#pragma once

#include <QDialog>

class QSpinBox;

namespace velmora::midi {

class MidiSetup;

class TfrmSysex : public QDialog
{
public:
    explicit TfrmSysex(MidiSetup& setup, QWidget* parent = nullptr);

    QSpinBox* spSize;
    QSpinBox* spCount;

private:
    void OkClick();

    MidiSetup& setup_;
};

} // namespace velmora::midi
