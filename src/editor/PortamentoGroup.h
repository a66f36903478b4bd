// The " Portamento  " group: the rate, the "Lag Mode" frame, the velocity
// amount and the legato switch.
#pragma once

#include "editor/ControlRows.h"

#include <QGroupBox>

#include <memory>
#include <vector>

namespace velmora::editor {

class PortamentoGroup : public QGroupBox
{
    Q_OBJECT

public:
    explicit PortamentoGroup(EditorContext& context, QWidget* parent = nullptr);

    // Record -> controls; run while the editing is loading.
    void refresh();

private:
    ValueRow* rate_;
    std::unique_ptr<RadioGroup> lagMode_;
    SignedRow* velocity_;
    std::vector<std::unique_ptr<BitBox>> boxes_;
};

} // namespace velmora::editor
