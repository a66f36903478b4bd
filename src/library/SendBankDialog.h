// The "Send As" dialog of a Matrix-1000 bank upload: which user bank the
// bank goes to. It stays on top of every window until answered.
#pragma once

#include <QDialog>

#include <optional>

class QPushButton;

namespace velmora::library {

class SendBankDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SendBankDialog(QWidget* parent = nullptr);

    // Shows the dialog modally: bank 0 or 1, nothing on "&Cancel".
    std::optional<int> ask();

private:
    QPushButton* bank1_;
    QPushButton* bank2_;
    QPushButton* cancel_;

    std::optional<int> choice_;
};

} // namespace velmora::library
