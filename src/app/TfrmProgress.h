// The progress window of a transfer: a caption saying what runs, one bar
// with its percentage, and Cancel for receives. It does not block: the
// transfer goes on while it is shown.
#pragma once

#include <QDialog>

#include <functional>

class QProgressBar;
class QPushButton;

namespace velmora {

class TfrmProgress : public QDialog
{
public:
    explicit TfrmProgress(QWidget* parent = nullptr);

    // Shows the window with this caption and bar maximum, the bar at 0.
    void Start(const QString& caption, int maximum);
    void SetPosition(int position);
    // Called when the user cancels; without one the button is hidden.
    void SetOnCancel(std::function<void()> cancel);

    QProgressBar* Bar;
    QPushButton* btnCancel;

protected:
    // Escape and the close box cancel too; the transfer then closes the window.
    void reject() override;

private:
    std::function<void()> onCancel_;
};

} // namespace velmora
