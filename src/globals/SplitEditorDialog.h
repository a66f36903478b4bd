// The split editor ("Split Editor"): a modal dialog on one split of the
// split table. When it is shown the instrument goes into split mode on that
// split; every change goes out at once as split data. OK stores the working
// record in the split table, Cancel (also Escape) sends the old split back;
// both end split mode. There is no close box.
#pragma once

#include "globals/SplitSession.h"

#include <QDialog>

#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace velmora {
class ErrorReporter;
} // namespace velmora

namespace velmora::globals {

class SplitEditorDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kHelpTopic = 1021;

    // `entry`: the split table's record of split `split` (0..49), written
    // only by OK. `bank` fills the two patch lists. `channel`: the
    // instrument's channel 0..15 (the program change to the split). A
    // failed send (the output device's error text) goes to `errors`.
    SplitEditorDialog(SplitRecord& entry, int split,
                      const std::array<PatchBuffer, kBankPatchCount>& bank, MidiSink& output,
                      int channel, ErrorReporter& errors, QWidget* parent = nullptr);

    SplitSession& session() { return session_; }

    void applyName();
    void acceptEdits();
    void cancelEdits();
    // Escape and a close request from the system take the Cancel way.
    void reject() override;

signals:
    // OK: the bank manager's cell of the split shows the new name.
    void splitStored(int split, const std::string& name);
    // The Help button, with the dialog's help topic.
    void helpRequested(int topic);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Bar
    {
        QSlider* bar;
        QLabel* label;
        SplitField field;
    };

    void buildLayout();
    void fillPatchLists(const std::array<PatchBuffer, kBankPatchCount>& bank);
    void connectControls();
    // The controls from the working record; nothing is written or sent.
    void showRecord();
    void applyField(SplitField field, int value);

    QLineEdit* eName;
    QSlider* tbLeftLimit;
    QSlider* tbLowerTranspose;
    QSlider* tbRightLimit;
    QSlider* tbUpperTranspose;
    QSlider* tbBalance;
    QLabel* lblLeftLimit;
    QLabel* lblLeftTranspose;
    QLabel* lblRightLimit;
    QLabel* lblRightTranspose;
    QLabel* lblBalance;
    QCheckBox* cbLowerMidi;
    QCheckBox* cbUpperMidi;
    QComboBox* cbAlloc;
    QComboBox* cbLower;
    QComboBox* cbUpper;
    QPushButton* btnOK;
    QPushButton* btnCancel;
    QPushButton* btnHelp;
    ErrorReporter& errors_;
    SplitSession session_;
    std::array<Bar, 5> bars_{};
    bool loading_ = false;
    bool modeOn_ = false;
    bool ended_ = false;
};

} // namespace velmora::globals
