// The " VCA  " group: the VCA 1 level, its velocity amount and the
// envelope 2 amount of VCA 2 (sent as the whole patch on both models).
#pragma once

#include "editor/ControlRows.h"

#include <QGroupBox>

#include <vector>

namespace velmora::editor {

class VcaGroup : public QGroupBox
{
    Q_OBJECT

public:
    explicit VcaGroup(EditorContext& context, QWidget* parent = nullptr);

    // Record -> controls; run while the editing is loading.
    void refresh();

private:
    ValueRow* level_;
    std::vector<SignedRow*> amounts_;
};

} // namespace velmora::editor
