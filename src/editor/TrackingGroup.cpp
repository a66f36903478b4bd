#include "TrackingGroup.h"

#include "PatchDrawing.h"
#include "TVrDisplay.h"
#include "TfrmPresetName.h"
#include "TrackGenPresets.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QToolButton>
#include <QVBoxLayout>

namespace velmora::editor {
namespace {

constexpr int kFirstPointControl = 34;
constexpr int kPointCount = 5;
constexpr std::size_t kSourceOffset = 76;
constexpr Byte kSourceParameter = 33;
// A deleted preset leaves the curve flat in the middle.
constexpr Byte kResetPoint = 31;
constexpr QSize kDisplaySize{166, 69};
constexpr QPoint kDrawingAt{8, 9};

QLabel* Caption(const QString& text, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

TrackingGroup::TrackingGroup(const EditorContext& context, TrackGenPresets& presets,
                             QWidget* parent)
    : QGroupBox(QStringLiteral(" Tracking Generator  "), parent), context_(context),
      presets_(presets), presetList_(new QComboBox(this))
{
    setObjectName(QStringLiteral("grpTRK"));
    for (int i = 1; i <= kPointCount; ++i)
        rows_.push_back(
            new ValueRow(context, kFirstPointControl + i - 1, QStringLiteral("TRK%1").arg(i),
                         QStringLiteral("Point %1").arg(i), 63, Drawing::Tracking, this));
    auto* sourceList = new QComboBox(this);
    sourceList->setObjectName(QStringLiteral("cbxTRKsrc"));
    source_ = std::make_unique<SourceList>(context, sourceList, kSourceOffset, kSourceParameter);

    auto* display = new widgets::TVrDisplay(this);
    display->setObjectName(QStringLiteral("dspTRK"));
    display->setFixedSize(kDisplaySize);
    drawing_ = new PatchDrawing(Drawing::Tracking, context.editing.Patch(), display);
    drawing_->move(kDrawingAt);

    presetList_->setObjectName(QStringLiteral("cbxPreset"));
    connect(presetList_, &QComboBox::activated, this, [this](int item) { cbxPresetChange(item); });
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(2);
    buttons->addWidget(AddButton(QStringLiteral("sbSaveTGpreset"), QStringLiteral("Save"),
                                 QStringLiteral("Save current curve to preset list"),
                                 &TrackingGroup::sbSaveTGpresetClick));
    buttons->addWidget(AddButton(QStringLiteral("sbTrashTGPreset"), QStringLiteral("Delete"),
                                 QStringLiteral("Delete the current preset"),
                                 &TrackingGroup::sbTrashTGPresetClick));
    buttons->addWidget(AddButton(QStringLiteral("sbFlipTG"), QStringLiteral("Flip"),
                                 QStringLiteral("Flip"), &TrackingGroup::sbFlipTGClick));
    buttons->addWidget(AddButton(QStringLiteral("sbMirrorTG"), QStringLiteral("Mirror"),
                                 QStringLiteral("Mirror"), &TrackingGroup::sbMirrorTGClick));
    FillPresetList();

    auto* values = new QHBoxLayout;
    values->setSpacing(3);
    for (ValueRow* row : rows_)
        values->addWidget(row);
    auto* right = new QVBoxLayout;
    right->setSpacing(2);
    right->addWidget(display);
    right->addWidget(Caption(QStringLiteral("Input Source"), sourceList, this));
    right->addWidget(sourceList);
    right->addWidget(Caption(QStringLiteral("Presets"), presetList_, this));
    right->addWidget(presetList_);
    right->addLayout(buttons);
    right->addStretch();
    auto* grid = new QHBoxLayout(this);
    grid->setContentsMargins(6, 2, 6, 4);
    grid->setSpacing(8);
    grid->addLayout(values);
    grid->addLayout(right);
}

QToolButton* TrackingGroup::AddButton(const QString& name, const QString& text, const QString& hint,
                                      void (TrackingGroup::*click)())
{
    auto* button = new QToolButton(this);
    button->setObjectName(name);
    button->setText(text);
    button->setToolTip(hint);
    button->setStatusTip(hint);
    connect(button, &QToolButton::clicked, this, [this, click] { (this->*click)(); });
    return button;
}

void TrackingGroup::Refresh()
{
    for (ValueRow* row : rows_)
        row->Refresh();
    source_->Refresh();
}

void TrackingGroup::ReadTrackGenPresets()
{
    presets_.Read();
    FillPresetList();
}

void TrackingGroup::FillPresetList()
{
    presetList_->clear();
    presetList_->addItems(presets_.Names());
    presetList_->setCurrentIndex(-1);
}

void TrackingGroup::ApplyCurve(const PatchEditing::TrackingCurve& curve)
{
    context_.editing.SetTracking(curve);
    if (context_.initControls)
        context_.initControls();
}

void TrackingGroup::cbxPresetChange(int item)
{
    if (item < 0 || item >= presets_.Count())
        return;
    ApplyCurve(presets_.Points(item));
}

void TrackingGroup::sbSaveTGpresetClick()
{
    TfrmPresetName dialog(presetList_->currentIndex() >= 0 ? presetList_->currentText() : QString(),
                          this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (const auto error = presets_.Save(dialog.Name(), context_.editing.Tracking()))
        return ShowError(*error);
    FillPresetList();
}

void TrackingGroup::sbTrashTGPresetClick()
{
    if (presetList_->currentIndex() < 0)
        return;
    const QString name = presetList_->currentText();
    QMessageBox confirm(
        QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(),
        QStringLiteral("Are you sure you want to delete the \"%1\" preset?").arg(name),
        QMessageBox::Ok | QMessageBox::Cancel, this);
    if (confirm.exec() == QMessageBox::Ok)
        DelTGPreset(name);
}

void TrackingGroup::DelTGPreset(const QString& name)
{
    if (const auto error = presets_.Delete(name))
        return ShowError(*error);
    FillPresetList();
    PatchEditing::TrackingCurve flat;
    flat.fill(kResetPoint);
    ApplyCurve(flat);
}

void TrackingGroup::sbFlipTGClick()
{
    ApplyCurve(TrackGenPresets::Flip(context_.editing.Tracking()));
}

void TrackingGroup::sbMirrorTGClick()
{
    ApplyCurve(TrackGenPresets::Mirror(context_.editing.Tracking()));
}

void TrackingGroup::ShowError(const QString& message)
{
    QMessageBox::critical(this, QGuiApplication::applicationDisplayName(), message);
}

} // namespace velmora::editor
