// "Sysex Setup": size and count of the instrument input's SysEx buffers.
#pragma once

#include <QDialog>

class QSpinBox;

namespace velmora {
class ErrorReporter;
} // namespace velmora

namespace velmora::midi {

class MidiSetup;

class SysexBuffersDialog : public QDialog
{
    Q_OBJECT

public:
    // A failure to reopen the input with the new buffers goes to `errors`.
    SysexBuffersDialog(MidiSetup& setup, ErrorReporter& errors, QWidget* parent = nullptr);

private:
    void acceptInput();

    MidiSetup& setup_;
    ErrorReporter& errors_;
    QSpinBox* spSize;
    QSpinBox* spCount;
};

} // namespace velmora::midi
