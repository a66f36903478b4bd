// The " VCF  " group: cutoff (0..127), FM and resonance, the modulation and
// key track switches, and the four modulation amounts.
#pragma once

#include "editor/ControlRows.h"

#include <QGroupBox>

#include <memory>
#include <vector>

namespace velmora::editor {

class VcfGroup : public QGroupBox
{
    Q_OBJECT

public:
    explicit VcfGroup(EditorContext& context, QWidget* parent = nullptr);

    // Record -> controls; run while the editing is loading.
    void refresh();

private:
    std::vector<ValueRow*> rows_;
    std::vector<SignedRow*> amounts_;
    std::vector<std::unique_ptr<BitBox>> boxes_;
};

} // namespace velmora::editor
