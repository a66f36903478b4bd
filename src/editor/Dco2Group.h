// The " DCO 2  " group: frequency, wave shape and pulse width, the wave
// switches (noise shuts out pulse, saw and click), the modulation and key
// track switches, the two LFO amounts and the detune.
#pragma once

#include "editor/ControlRows.h"

#include <QGroupBox>

#include <memory>
#include <vector>

namespace velmora::editor {

class Dco2Group : public QGroupBox
{
    Q_OBJECT

public:
    explicit Dco2Group(EditorContext& context, QWidget* parent = nullptr);

    // Record -> controls; run while the editing is loading.
    void refresh();

private:
    // A click of the pulse, saw or noise box.
    void applyWave();
    void updateWaveEnabled();

    EditorContext& context_;
    std::vector<ValueRow*> rows_;
    std::vector<SignedRow*> amounts_;
    std::vector<std::unique_ptr<BitBox>> boxes_;
    BitBox* pulse_ = nullptr;
    BitBox* saw_ = nullptr;
    BitBox* click_ = nullptr;
};

} // namespace velmora::editor
