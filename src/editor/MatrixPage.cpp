#include "editor/MatrixPage.h"

#include "editor/BusGroup.h"
#include "editor/PatchSelector.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace velmora::editor {

namespace {
constexpr int kBusesPerRow = 5;
constexpr int kGlobalsWidth = 420;
constexpr int kGlobalsHeight = 150;
} // namespace

MatrixPage::MatrixPage(EditorContext& context, QWidget* parent)
    : QWidget(parent), selector_(new PatchSelector(this)), globals_(new QWidget(this))
{
    setObjectName(QStringLiteral("tabMatrix"));
    auto* buses = new QGridLayout;
    buses->setSpacing(6);
    for (int n = 1; n <= static_cast<int>(buses_.size()); ++n) {
        auto* bus = new BusGroup(context, n, this);
        buses->addWidget(bus, (n - 1) / kBusesPerRow, (n - 1) % kBusesPerRow);
        buses_[static_cast<std::size_t>(n - 1)] = bus;
    }
    for (int column = 0; column < kBusesPerRow; ++column)
        buses->setColumnStretch(column, 1);

    globals_->setObjectName(QStringLiteral("pnlGlobals"));
    globals_->setMinimumSize(kGlobalsWidth, kGlobalsHeight);
    connect(selector_, &PatchSelector::patchSelected, this,
            [&sender = context.editing().parameterSender()](int number) {
                sender.sendProgramChange(number);
            });

    auto* lower = new QHBoxLayout;
    lower->addWidget(globals_, 0, Qt::AlignLeft | Qt::AlignTop);
    lower->addStretch(1);
    lower->addWidget(selector_, 0, Qt::AlignRight | Qt::AlignBottom);

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(8, 8, 8, 8);
    page->setSpacing(8);
    page->addLayout(buses);
    page->addLayout(lower);
    page->addStretch(1);
}

void MatrixPage::refresh()
{
    for (BusGroup* bus : buses_)
        bus->refresh();
}

} // namespace velmora::editor
