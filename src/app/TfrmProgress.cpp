#include "TfrmProgress.h"

#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora {

TfrmProgress::TfrmProgress(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmProgress"));
    setWindowTitle(QStringLiteral("Progress"));
    Bar = new QProgressBar(this);
    Bar->setObjectName(QStringLiteral("Bar"));
    Bar->setRange(0, 99);
    Bar->setTextVisible(true);
    Bar->setMinimumWidth(320);
    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnCancel->hide();
    connect(btnCancel, &QPushButton::clicked, this, [this] {
        if (onCancel_)
            onCancel_();
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Bar);
    layout->addWidget(btnCancel, 0, Qt::AlignRight);
}

void TfrmProgress::Start(const QString& caption, int maximum)
{
    setWindowTitle(caption);
    Bar->setRange(0, maximum);
    Bar->setValue(0);
    show();
}

void TfrmProgress::SetPosition(int position)
{
    Bar->setValue(position);
}

void TfrmProgress::reject()
{
    if (onCancel_)
        onCancel_();
}

void TfrmProgress::SetOnCancel(std::function<void()> cancel)
{
    onCancel_ = std::move(cancel);
    btnCancel->setVisible(static_cast<bool>(onCancel_));
}

} // namespace velmora
