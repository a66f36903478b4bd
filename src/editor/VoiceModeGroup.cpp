#include "editor/VoiceModeGroup.h"

namespace velmora::editor {
namespace {

constexpr std::size_t kVoiceModeOffset = 8;
constexpr Byte kVoiceModeParameter = 48;
constexpr int kVoiceModeGroup = 6;

} // namespace

VoiceModeGroup::VoiceModeGroup(EditorContext& context, QWidget* parent)
    : QGroupBox(tr(" Voice Mode  "), parent)
{
    setObjectName(QStringLiteral("grpVOICE"));
    mode_ = std::make_unique<RadioGroup>(
        context, this, QStringLiteral("VOICE"),
        std::vector<std::pair<QString, QString>>{{QStringLiteral("reassign"), tr("Reassign")},
                                                 {QStringLiteral("rotate"), tr("Rotate")},
                                                 {QStringLiteral("unison"), tr("Unison")},
                                                 {QStringLiteral("rero"), tr("Reassign + Rotate")}},
        kVoiceModeOffset, kVoiceModeParameter, RadioGroup::OutOfRange::KeepPrevious,
        kVoiceModeGroup);
}

void VoiceModeGroup::refresh()
{
    mode_->refresh();
}

} // namespace velmora::editor
