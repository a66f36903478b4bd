// The " Voice Mode  " group: how the instrument hands notes to its voices.
#pragma once

#include "editor/ControlRows.h"

#include <QGroupBox>

#include <memory>

namespace velmora::editor {

class VoiceModeGroup : public QGroupBox
{
    Q_OBJECT

public:
    explicit VoiceModeGroup(EditorContext& context, QWidget* parent = nullptr);

    // Record -> controls; run while the editing is loading. A byte no item
    // has leaves the previous item checked.
    void refresh();

private:
    std::unique_ptr<RadioGroup> mode_;
};

} // namespace velmora::editor
