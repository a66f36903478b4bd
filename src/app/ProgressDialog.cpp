#include "app/ProgressDialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora {

ProgressDialog::ProgressDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmProgress"));
    setWindowTitle(tr("Progress"));
    phase_ = new QLabel(this);
    phase_->setObjectName(QStringLiteral("lblPhase"));
    phase_->hide();
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("Bar"));
    bar_->setRange(0, 99);
    bar_->setTextVisible(true);
    bar_->setMinimumWidth(320);
    cancel_ = new QPushButton(tr("&Cancel"), this);
    cancel_->hide();
    connect(cancel_, &QPushButton::clicked, this, &ProgressDialog::cancelRequested);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(phase_);
    layout->addWidget(bar_);
    layout->addWidget(cancel_, 0, Qt::AlignRight);
}

void ProgressDialog::start(const QString& caption, int maximum)
{
    setWindowTitle(caption);
    bar_->setRange(0, maximum);
    bar_->setValue(0);
    show();
}

void ProgressDialog::setPosition(int position)
{
    bar_->setValue(position);
}

void ProgressDialog::setPhase(const QString& phase)
{
    phase_->setText(phase);
    phase_->setVisible(!phase.isEmpty());
}

void ProgressDialog::reject()
{
    // The dialog stays open: the transfer closes it once it has stopped.
    emit cancelRequested();
}

void ProgressDialog::setCancellable(bool cancellable)
{
    cancel_->setVisible(cancellable);
}

} // namespace velmora
