#include "editor/PresetNameDialog.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace velmora::editor {
namespace {

constexpr int kMaxNameLength = 20;

} // namespace

PresetNameDialog::PresetNameDialog(const QString& name, QWidget* parent)
    : QDialog(parent), eName_(new QLineEdit(this))
{
    setObjectName(QStringLiteral("frmPresetName"));
    setWindowTitle(tr("Save Preset As"));
    setModal(true);

    eName_->setObjectName(QStringLiteral("eName"));
    eName_->setMaxLength(kMaxNameLength);
    eName_->setText(name);
    eName_->selectAll();
    eName_->setMinimumWidth(eName_->fontMetrics().averageCharWidth() * (kMaxNameLength + 6));

    auto* ok = new QPushButton(tr("OK"), this);
    ok->setDefault(true);
    // Escape answers Cancel through QDialog's own reject().
    auto* cancel = new QPushButton(tr("Cancel"), this);
    connect(ok, &QPushButton::clicked, this, &PresetNameDialog::acceptInput);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(tr("&Name:"), this);
    label->setBuddy(eName_);
    layout->addWidget(label);
    layout->addWidget(eName_);
    layout->addLayout(buttons);
    setFixedSize(sizeHint());
}

QString PresetNameDialog::name() const
{
    return eName_->text().trimmed();
}

void PresetNameDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Centred on the screen, not on the window that opened it.
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : this->screen();
    if (screen) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void PresetNameDialog::acceptInput()
{
    if (name().isEmpty()) {
        QMessageBox box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(),
                        tr("Please enter a name for the preset."), QMessageBox::Ok, this);
        box.exec();
        eName_->setFocus();
        return;
    }
    accept();
}

} // namespace velmora::editor
