// "Midi Setup": the instrument's input, output and channel, and the keyboard
// / controller input and its channel. Every change takes effect at once; a
// port that cannot be opened is reported through the error reporter.
#pragma once

#include <QDialog>

class QComboBox;
class QSpinBox;

namespace velmora {
class ErrorReporter;
} // namespace velmora

namespace velmora::midi {

class MidiSetup;

class MidiSetupDialog : public QDialog
{
    Q_OBJECT

public:
    MidiSetupDialog(MidiSetup& setup, ErrorReporter& errors, QWidget* parent = nullptr);

    static constexpr int kHelpTopic = 1015;

signals:
    // The Help button, with the dialog's help topic.
    void helpRequested(int topic);

private:
    void selectInput(int position);
    void selectOutput(int position);
    void selectSecondInput(int position);
    void fillSecondInputs();

    MidiSetup& setup_;
    ErrorReporter& errors_;
    QComboBox* cbInPort;
    QComboBox* cbOutPort;
    QSpinBox* seChannel;
    QComboBox* cbInPort2;
    QComboBox* cbChannel2;
};

} // namespace velmora::midi
