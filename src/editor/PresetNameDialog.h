// The "Save Preset As" dialog of the tracking generator: one name of at most
// 20 characters. "OK" with no name (or only blanks) keeps the dialog open and
// asks for one, so no preset is ever written under an empty name.
#pragma once

#include <QDialog>

class QLineEdit;

namespace velmora::editor {

class PresetNameDialog : public QDialog
{
    Q_OBJECT

public:
    explicit PresetNameDialog(const QString& name, QWidget* parent = nullptr);

    // The name as typed, without blanks around it.
    QString name() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void acceptInput();

    QLineEdit* eName_;
};

} // namespace velmora::editor
