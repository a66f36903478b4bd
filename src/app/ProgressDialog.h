// The progress window of a transfer: a caption saying what runs, one bar
// with its percentage, and Cancel for receives. It does not block: the
// transfer goes on while it is shown.
#pragma once

#include <QDialog>

#include <functional>

class QProgressBar;
class QPushButton;

namespace velmora {

class ProgressDialog : public QDialog
{
public:
    explicit ProgressDialog(QWidget* parent = nullptr);

    // Shows the window with this caption and bar maximum, the bar at 0.
    void start(const QString& caption, int maximum);
    void setPosition(int position);
    // Called when the user cancels; without one the button is hidden.
    void setOnCancel(std::function<void()> cancel);

    QProgressBar* bar;
    QPushButton* btnCancel;

protected:
    // Escape and the close box cancel too; the transfer then closes the window.
    void reject() override;

private:
    std::function<void()> onCancel_;
};

} // namespace velmora
