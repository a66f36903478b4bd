// The "Rename Patch" dialog: one field of at most eight characters. Leaving
// the field turns what was typed into a name the instrument can hold (eight
// characters of its 55-character set, capitals, blanks for the rest).
#pragma once

#include <QDialog>

#include <string>

class QLineEdit;
class QPushButton;

namespace velmora::library {

class TfrmRenamePatch : public QDialog
{
    Q_OBJECT

public:
    // `name` is what the entry's cell shows.
    explicit TfrmRenamePatch(const QString& name, QWidget* parent = nullptr);

    // The eight name bytes, after the name rule.
    std::string Name() const;
    // Whether the user typed in the field at all. An untouched name is left
    // as the entry holds it, whatever bytes that is.
    bool Edited() const { return edited_; }

    // The field's text after the name rule.
    void eNameExit();

    QLineEdit* eName;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OKBtnClick();

    bool edited_ = false;
};

} // namespace velmora::library
