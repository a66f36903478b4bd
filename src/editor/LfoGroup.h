// The " LFO 1  " and " LFO 2  " groups: speed, amplitude and retrigger
// point, the waveform and trigger frames, the sample source (usable only
// while the waveform is "Sampled"), the portamento switch and the two
// modulation amounts.
#pragma once

#include "editor/ControlRows.h"

#include <QGroupBox>

#include <memory>
#include <vector>

namespace velmora::editor {

class LfoGroup : public QGroupBox
{
    Q_OBJECT

public:
    // n = 1 or 2.
    LfoGroup(EditorContext& context, int n, QWidget* parent = nullptr);

    // Record -> controls; run while the editing is loading.
    void refresh();

private:
    void updateSourceEnabled();

    std::vector<ValueRow*> rows_;
    std::vector<SignedRow*> amounts_;
    std::vector<std::unique_ptr<BitBox>> boxes_;
    std::unique_ptr<RadioGroup> waveform_;
    std::unique_ptr<RadioGroup> trigger_;
    std::unique_ptr<SourceList> source_;
};

} // namespace velmora::editor
