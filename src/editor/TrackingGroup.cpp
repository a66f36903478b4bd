#include "editor/TrackingGroup.h"

#include "editor/PatchDrawing.h"
#include "editor/PresetNameDialog.h"
#include "editor/TrackGenPresets.h"
#include "widgets/DisplayFrame.h"

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

QLabel* caption(const QString& text, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

TrackingGroup::TrackingGroup(EditorContext& context, TrackGenPresets& presets, QWidget* parent)
    : QGroupBox(tr(" Tracking Generator  "), parent), context_(context), presets_(presets),
      presetList_(new QComboBox(this))
{
    setObjectName(QStringLiteral("grpTRK"));
    for (int i = 1; i <= kPointCount; ++i)
        rows_.push_back(new ValueRow(context, kFirstPointControl + i - 1,
                                     QStringLiteral("TRK%1").arg(i), tr("Point %1").arg(i), 63,
                                     Drawing::Tracking, this));
    auto* sourceList = new QComboBox(this);
    sourceList->setObjectName(QStringLiteral("cbxTRKsrc"));
    source_ = std::make_unique<SourceList>(context, sourceList, kSourceOffset, kSourceParameter);

    auto* display = new widgets::DisplayFrame(this);
    display->setObjectName(QStringLiteral("dspTRK"));
    display->setFixedSize(kDisplaySize);
    drawing_ = new PatchDrawing(Drawing::Tracking, context.editing().patch(), display);
    drawing_->move(kDrawingAt);

    presetList_->setObjectName(QStringLiteral("cbxPreset"));
    connect(presetList_, &QComboBox::activated, this, [this](int item) { applyPreset(item); });
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(2);
    buttons->addWidget(addButton(QStringLiteral("sbSaveTGpreset"), tr("Save"),
                                 tr("Save current curve to preset list"),
                                 &TrackingGroup::savePreset));
    buttons->addWidget(addButton(QStringLiteral("sbTrashTGPreset"), tr("Delete"),
                                 tr("Delete the current preset"), &TrackingGroup::deletePreset));
    buttons->addWidget(
        addButton(QStringLiteral("sbFlipTG"), tr("Flip"), tr("Flip"), &TrackingGroup::flipCurve));
    buttons->addWidget(addButton(QStringLiteral("sbMirrorTG"), tr("Mirror"), tr("Mirror"),
                                 &TrackingGroup::mirrorCurve));
    fillPresetList();

    auto* values = new QHBoxLayout;
    values->setSpacing(3);
    for (ValueRow* row : rows_)
        values->addWidget(row);
    auto* right = new QVBoxLayout;
    right->setSpacing(2);
    right->addWidget(display);
    right->addWidget(caption(tr("Input Source"), sourceList, this));
    right->addWidget(sourceList);
    right->addWidget(caption(tr("Presets"), presetList_, this));
    right->addWidget(presetList_);
    right->addLayout(buttons);
    right->addStretch();
    auto* grid = new QHBoxLayout(this);
    grid->setContentsMargins(6, 2, 6, 4);
    grid->setSpacing(8);
    grid->addLayout(values);
    grid->addLayout(right);
}

QToolButton* TrackingGroup::addButton(const QString& name, const QString& text, const QString& hint,
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

void TrackingGroup::refresh()
{
    for (ValueRow* row : rows_)
        row->refresh();
    source_->refresh();
}

void TrackingGroup::readTrackGenPresets()
{
    presets_.read();
    fillPresetList();
}

void TrackingGroup::fillPresetList()
{
    presetList_->clear();
    presetList_->addItems(presets_.names());
    presetList_->setCurrentIndex(-1);
}

void TrackingGroup::applyCurve(const PatchEditing::TrackingCurve& curve)
{
    context_.editing().setTracking(curve);
    emit context_.reloadRequested();
}

void TrackingGroup::applyPreset(int item)
{
    if (item < 0 || item >= presets_.count())
        return;
    applyCurve(presets_.points(item));
}

void TrackingGroup::savePreset()
{
    PresetNameDialog dialog(
        presetList_->currentIndex() >= 0 ? presetList_->currentText() : QString(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (const auto error = presets_.save(dialog.name(), context_.editing().tracking()))
        return showError(*error);
    fillPresetList();
}

void TrackingGroup::deletePreset()
{
    if (presetList_->currentIndex() < 0)
        return;
    const QString name = presetList_->currentText();
    QMessageBox confirm(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(),
                        tr("Are you sure you want to delete the \"%1\" preset?").arg(name),
                        QMessageBox::Ok | QMessageBox::Cancel, this);
    if (confirm.exec() == QMessageBox::Ok)
        delTGPreset(name);
}

void TrackingGroup::delTGPreset(const QString& name)
{
    if (const auto error = presets_.remove(name))
        return showError(*error);
    fillPresetList();
    PatchEditing::TrackingCurve flat;
    flat.fill(kResetPoint);
    applyCurve(flat);
}

void TrackingGroup::flipCurve()
{
    applyCurve(TrackGenPresets::flip(context_.editing().tracking()));
}

void TrackingGroup::mirrorCurve()
{
    applyCurve(TrackGenPresets::mirror(context_.editing().tracking()));
}

void TrackingGroup::showError(const QString& message)
{
    QMessageBox::critical(this, QGuiApplication::applicationDisplayName(), message);
}

} // namespace velmora::editor
