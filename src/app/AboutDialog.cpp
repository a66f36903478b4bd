#include "app/AboutDialog.h"

#include "app/Version.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace velmora {
namespace {

constexpr int kIconSize = 64;

// The program's icon when one is set; else a drawn badge: a "V" over three
// keys, so the box never shows an empty corner.
QPixmap programIcon()
{
    const QIcon icon = QApplication::windowIcon();
    if (!icon.isNull())
        return icon.pixmap(kIconSize, kIconSize);
    QPixmap badge(kIconSize, kIconSize);
    badge.fill(Qt::transparent);
    QPainter painter(&badge);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(48, 58, 96));
    painter.drawRoundedRect(QRectF(2, 2, kIconSize - 4, kIconSize - 4), 10, 10);
    painter.setBrush(Qt::white);
    for (int key = 0; key < 3; ++key)
        painter.drawRect(QRectF(12 + key * 14, 40, 12, 16));
    QPainterPath v;
    v.moveTo(14, 10);
    v.lineTo(32, 36);
    v.lineTo(50, 10);
    painter.setPen(QPen(QColor(240, 170, 60), 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(v);
    return badge;
}

QLabel* centredLabel(const QString& text, const char* name, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(Qt::AlignCenter);
    return label;
}

} // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("About"));
    setObjectName(QStringLiteral("frmAbout"));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("imgIcon"));
    icon->setPixmap(programIcon());

    auto* product = new QLabel(tr("Velmora"), this);
    product->setObjectName(QStringLiteral("lblProduct"));
    QFont big = product->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    product->setFont(big);

    // The build number is the last part of the file version (x.y.z.build).
    const QString version =
        tr("Version %1  Build %2").arg(QLatin1String(kProductVersion), QLatin1String(kBuildNumber));
    auto* lines = new QVBoxLayout;
    lines->addWidget(centredLabel(version, "lblVersion", this));
    lines->addWidget(centredLabel(tr("Matrix-1000 and Matrix-6 are trademarks of their owners."),
                                  "lblLegal", this));
    lines->addWidget(centredLabel(tr("Editor and librarian for the Matrix-1000 and Matrix-6"),
                                  "lblComment", this));

    auto* heading = new QHBoxLayout;
    heading->addWidget(icon);
    heading->addSpacing(12);
    heading->addWidget(product);
    heading->addStretch();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->setCenterButtons(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(heading);
    layout->addSpacing(8);
    layout->addLayout(lines);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace velmora
