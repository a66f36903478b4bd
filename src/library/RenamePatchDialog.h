// The "Rename Patch" dialog: one field of at most eight characters. Leaving
// the field turns what was typed into a name the instrument can hold (eight
// characters of its 55-character set, capitals, blanks for the rest).
#pragma once

#include <QDialog>

#include <string>

class QLineEdit;
class QPushButton;

namespace velmora::library {

class RenamePatchDialog : public QDialog
{
    Q_OBJECT

public:
    // `name` is what the entry's cell shows.
    explicit RenamePatchDialog(const QString& name, QWidget* parent = nullptr);

    // The eight name bytes, after the name rule.
    std::string name() const;
    // Whether the user typed in the field at all. An untouched name is left
    // as the entry holds it, whatever bytes that is.
    bool edited() const { return edited_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The field's text after the name rule.
    void applyName();
    void acceptInput();

    QLineEdit* name_;
    QPushButton* ok_;
    QPushButton* cancel_;
    bool edited_ = false;
};

} // namespace velmora::library
