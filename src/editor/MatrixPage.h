// The "&Matrix" page of the editor: the ten modulation buses in two rows of
// five, and below them the place of the global controls and the patch
// selector.
#pragma once

#include "editor/EditorContext.h"

#include <QWidget>

#include <array>

namespace velmora::editor {

class BusGroup;
class PatchSelector;

class MatrixPage : public QWidget
{
public:
    explicit MatrixPage(EditorContext& context, QWidget* parent = nullptr);

    // Shows all ten buses as the record holds them; sends and writes nothing.
    void refresh();

    // n = 1..10.
    BusGroup* bus(int n) const { return buses_.at(static_cast<std::size_t>(n - 1)); }
    // Its selections go out as program changes; the owner plays the test note on
    // `playNoteRequested`.
    PatchSelector* selector() const { return selector_; }
    // The empty panel that the global controls fill.
    QWidget* globals() const { return globals_; }

private:
    std::array<BusGroup*, 10> buses_{};
    PatchSelector* selector_;
    QWidget* globals_;
};

} // namespace velmora::editor
