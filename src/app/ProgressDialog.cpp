#include "app/ProgressDialog.h"

#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora {

ProgressDialog::ProgressDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmProgress"));
    setWindowTitle(QStringLiteral("Progress"));
    bar = new QProgressBar(this);
    bar->setObjectName(QStringLiteral("Bar"));
    bar->setRange(0, 99);
    bar->setTextVisible(true);
    bar->setMinimumWidth(320);
    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnCancel->hide();
    connect(btnCancel, &QPushButton::clicked, this, &ProgressDialog::cancelRequested);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(bar);
    layout->addWidget(btnCancel, 0, Qt::AlignRight);
}

void ProgressDialog::start(const QString& caption, int maximum)
{
    setWindowTitle(caption);
    bar->setRange(0, maximum);
    bar->setValue(0);
    show();
}

void ProgressDialog::setPosition(int position)
{
    bar->setValue(position);
}

void ProgressDialog::reject()
{
    // The dialog stays open: the transfer closes it once it has stopped.
    emit cancelRequested();
}

void ProgressDialog::setCancellable(bool cancellable)
{
    btnCancel->setVisible(cancellable);
}

} // namespace velmora
