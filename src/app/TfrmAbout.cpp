#include "TfrmAbout.h"

#include "Version.h"

#include <QDialogButtonBox>
#include <QFont>
#include <QLabel>
#include <QVBoxLayout>

namespace velmora {

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About"));
    setObjectName(QStringLiteral("frmAbout"));

    auto* product = new QLabel(QStringLiteral("Velmora"), this);
    QFont big = product->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    product->setFont(big);

    auto* version =
        new QLabel(QStringLiteral("Version %1  Build %2")
                       .arg(QLatin1String(kProductVersion), QLatin1String(kBuildNumber)),
                   this);
    auto* legal =
        new QLabel(QStringLiteral("Editor and librarian for the Matrix-1000 and Matrix-6"), this);
    auto* comment = new QLabel(QStringLiteral("Matrix-6 is a trademark of its owner."), this);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    for (QLabel* label : {product, version, legal, comment}) {
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label);
    }
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace velmora
