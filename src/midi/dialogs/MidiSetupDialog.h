// "Midi Setup": the instrument's input, output and channel, and the keyboard
// / controller input and its channel. Every change takes effect at once.
#pragma once

#include <QDialog>

#include <functional>

class QComboBox;
class QSpinBox;

namespace velmora::midi {

class MidiSetup;

class MidiSetupDialog : public QDialog
{
public:
    // How a failed port change is shown; a message box unless replaced.
    using ErrorReporter = std::function<void(QWidget* parent, const QString& text)>;

    explicit MidiSetupDialog(MidiSetup& setup, QWidget* parent = nullptr);

    void setErrorReporter(ErrorReporter reporter) { reportError_ = std::move(reporter); }
    void setHelpHandler(std::function<void(int topic)> handler) { help_ = std::move(handler); }

    static constexpr int kHelpTopic = 1015;

    QComboBox* cbInPort;
    QComboBox* cbOutPort;
    QSpinBox* seChannel;
    QComboBox* cbInPort2;
    QComboBox* cbChannel2;

private:
    void selectInput(int position);
    void selectOutput(int position);
    void selectSecondInput(int position);
    void fillSecondInputs();
    void guard(const std::function<void()>& change);

    MidiSetup& setup_;
    ErrorReporter reportError_;
    std::function<void(int)> help_;
};

} // namespace velmora::midi
