// The progress window of a transfer: a caption saying what runs, one bar
// with its percentage, and Cancel for receives. It does not block: the
// transfer goes on while it is shown.
#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace velmora {

class ProgressDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ProgressDialog(QWidget* parent = nullptr);

    // Shows the window with this caption and bar maximum, the bar at 0.
    void start(const QString& caption, int maximum);
    void setPosition(int position);
    // A line above the bar saying what is being done; empty hides it.
    void setPhase(const QString& phase);
    // Shows or hides the Cancel button (hidden at first).
    void setCancellable(bool cancellable);

signals:
    // Cancel, Escape or the close box; the transfer then closes the window.
    void cancelRequested();

protected:
    void reject() override;

private:
    QLabel* phase_;
    QProgressBar* bar_;
    QPushButton* cancel_;
};

} // namespace velmora
