#include "editor/VcaGroup.h"

#include <QGridLayout>

namespace velmora::editor {

VcaGroup::VcaGroup(EditorContext& context, QWidget* parent)
    : QGroupBox(tr(" VCA  "), parent), level_(new ValueRow(context, 13, QStringLiteral("VCA1level"),
                                                           tr("VCA 1 Level"), 63, {}, this))
{
    setObjectName(QStringLiteral("grpVCA"));
    // The envelope amount (control 62) is a case of setSigned: the whole patch
    // goes out, on either model.
    amounts_ = {new SignedRow(context, 61, QStringLiteral("VCA1vel"), QStringLiteral("lblVCA1"),
                              tr("Velocity -> VCA 1"), 63, this),
                new SignedRow(context, 62, QStringLiteral("VCA2env"), QStringLiteral("lblVCA2"),
                              tr("Env 2 -> VCA 2"), 63, this)};
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 2, 6, 4);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    grid->addWidget(level_, 0, 0, 3, 1);
    grid->addWidget(amounts_[0], 0, 1);
    grid->addWidget(amounts_[1], 1, 1);
    grid->setRowStretch(2, 1);
}

void VcaGroup::refresh()
{
    level_->refresh();
    for (SignedRow* amount : amounts_)
        amount->refresh();
}

} // namespace velmora::editor
