// The " DCO 1  " group: frequency, wave shape and pulse width, the wave,
// modulation and click switches, the two LFO amounts and the "Sync" frame.
#pragma once

#include "editor/ControlRows.h"

#include <QGroupBox>

#include <memory>
#include <vector>

namespace velmora::editor {

class Dco1Group : public QGroupBox
{
    Q_OBJECT

public:
    explicit Dco1Group(EditorContext& context, QWidget* parent = nullptr);

    // Record -> controls; run while the editing is loading.
    void refresh();

private:
    // A click of the pulse or saw box: the key click needs a wave to act on.
    void applyWave();
    void updateClickEnabled();

    EditorContext& context_;
    std::vector<ValueRow*> rows_;
    std::vector<SignedRow*> amounts_;
    std::vector<std::unique_ptr<BitBox>> boxes_;
    BitBox* click_ = nullptr;
    std::unique_ptr<RadioGroup> sync_;
};

} // namespace velmora::editor
