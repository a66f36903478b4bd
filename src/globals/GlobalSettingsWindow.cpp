#include "globals/GlobalSettingsWindow.h"

#include "library/FileDialogs.h"
#include "library/SysexFiles.h"
#include "protocol/Messages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace velmora::globals {
namespace {

QString text(const std::string& s)
{
    return QString::fromStdString(s);
}

std::size_t indexOf(const GlobalSetting& setting)
{
    return static_cast<std::size_t>(&setting - globalSettings().data());
}

} // namespace

GlobalSettingsWindow::GlobalSettingsWindow(GlobalSettingsLink link, QWidget* parent)
    : QWidget(parent, Qt::Window), link_(std::move(link)), changed_(globalSettings().size(), false)
{
    setObjectName(QStringLiteral("frmGlobalSettings"));
    setWindowTitle(tr("Global Settings"));
    auto* grid = new QGridLayout;
    groups1000_ = {buildGroup(SettingGroup::Vibrato, tr("Vibrato")),
                   buildGroup(SettingGroup::Midi, tr("MIDI")),
                   buildGroup(SettingGroup::Controllers, tr("Pedals and Levers")),
                   buildGroup(SettingGroup::Tuning, tr("Tuning")),
                   buildGroup(SettingGroup::Functions, tr("Functions")),
                   buildGroup(SettingGroup::GroupMode, tr("Group Mode"))};
    groupBox_ = groups1000_.back();
    for (std::size_t i = 0; i < groups1000_.size(); ++i)
        grid->addWidget(groups1000_[i], static_cast<int>(i / 3), static_cast<int>(i % 3));
    for (int column = 0; column < 3; ++column)
        grid->setColumnStretch(column, 1);

    // The group settings stay locked until the user unlocks them.
    auto* groupForm = static_cast<QFormLayout*>(groupBox_->layout());
    groupPatches_ = new QLabel(groupBox_);
    groupPatches_->setObjectName(QStringLiteral("lblGroupPatches"));
    groupForm->addRow(tr("Patches in the group"), groupPatches_);
    unlockGroup_ = new QCheckBox(tr("&Unlock the group settings"), groupBox_);
    unlockGroup_->setObjectName(QStringLiteral("chkUnlockGroup"));
    groupForm->insertRow(0, unlockGroup_);
    connect(unlockGroup_, &QCheckBox::toggled, this, [this] { enableControls(); });

    master6_ = new QGroupBox(tr("Matrix-6 Master (shown only)"), this);
    master6_->setObjectName(QStringLiteral("grpMaster6"));
    master6_->setLayout(new QFormLayout);
    grid->addWidget(master6_, 0, 0, 2, 3);
    master6_->hide();

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("lblGlobalStatus"));
    status_->setWordWrap(true);
    status_->setMinimumHeight(status_->fontMetrics().lineSpacing() * 3);
    status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    const auto addButton = [this](const QString& caption, const char* name) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(QLatin1String(name));
        button->setAutoDefault(false);
        return button;
    };
    read_ = addButton(tr("&Read"), "btnRead");
    load_ = addButton(tr("&Load..."), "btnLoad");
    save_ = addButton(tr("&Save..."), "btnSave");
    QPushButton* help = addButton(tr("&Help"), "btnHelp");
    QPushButton* close = addButton(tr("&Close"), "btnClose");
    read_->setToolTip(tr("Read the global settings from the instrument"));
    load_->setToolTip(tr("Load global settings from a SysEx file"));
    save_->setToolTip(tr("Save the global settings shown to a SysEx file"));
    connect(read_, &QPushButton::clicked, this, &GlobalSettingsWindow::readFromInstrument);
    connect(load_, &QPushButton::clicked, this, &GlobalSettingsWindow::loadFile);
    connect(save_, &QPushButton::clicked, this, &GlobalSettingsWindow::saveFile);
    connect(help, &QPushButton::clicked, this, [this] { emit helpRequested(kHelpTopic); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(read_);
    buttons->addWidget(load_);
    buttons->addWidget(save_);
    buttons->addStretch();
    buttons->addWidget(help);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(status_);
    layout->addLayout(buttons);

    settle_ = new QTimer(this);
    settle_->setSingleShot(true);
    settle_->setInterval(kSettle);
    connect(settle_, &QTimer::timeout, this, &GlobalSettingsWindow::writeChanges);
    answerWait_ = new QTimer(this);
    answerWait_->setSingleShot(true);
    answerWait_->setInterval(kAnswerWait);
    connect(answerWait_, &QTimer::timeout, this, &GlobalSettingsWindow::answerMissed);

    showRecord();
    setStatus(tr("No global settings have been read from the instrument yet."));
}

QGroupBox* GlobalSettingsWindow::buildGroup(SettingGroup group, const QString& title)
{
    auto* box = new QGroupBox(title, this);
    auto* form = new QFormLayout(box);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    for (const GlobalSetting& setting : globalSettings())
        if (setting.group == group)
            addControl(box, setting);
    return box;
}

void GlobalSettingsWindow::addControl(QGroupBox* box, const GlobalSetting& setting)
{
    auto* form = static_cast<QFormLayout*>(box->layout());
    const QString key = QLatin1String(setting.key);
    const QString tip = setting.effect != nullptr && setting.ask == Ask::Never
                            ? QString::fromUtf8(setting.effect)
                            : QString();
    Control control{&setting};
    switch (setting.kind) {
    case SettingKind::Number:
    case SettingKind::Signed: {
        auto* row = new QWidget(box);
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        control.slider = new QSlider(Qt::Horizontal, row);
        control.slider->setObjectName(QStringLiteral("tb") + key);
        control.slider->setRange(setting.minimum, setting.maximum);
        control.slider->setMinimumWidth(120);
        control.label = new QLabel(row);
        control.label->setObjectName(QStringLiteral("lbl") + key);
        control.label->setMinimumWidth(
            control.label->fontMetrics().horizontalAdvance(QStringLiteral("-000")));
        control.label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        line->addWidget(control.slider);
        line->addWidget(control.label);
        form->addRow(QString::fromUtf8(setting.name), row);
        connect(control.slider, &QSlider::valueChanged, this,
                [this, &setting](int value) { edited(setting, value); });
        break;
    }
    case SettingKind::Switch:
    case SettingKind::TopFlag:
        control.check = new QCheckBox(QString::fromUtf8(setting.name), box);
        control.check->setObjectName(QStringLiteral("chk") + key);
        control.check->setToolTip(tip);
        form->addRow(control.check);
        connect(control.check, &QCheckBox::toggled, this,
                [this, &setting](bool on) { edited(setting, on ? 1 : 0); });
        break;
    case SettingKind::List:
        control.list = new QComboBox(box);
        control.list->setObjectName(QStringLiteral("cb") + key);
        for (const char* choice : setting.choices)
            control.list->addItem(QString::fromUtf8(choice));
        form->addRow(QString::fromUtf8(setting.name), control.list);
        connect(control.list, &QComboBox::currentIndexChanged, this,
                [this, &setting](int index) { edited(setting, setting.minimum + index); });
        break;
    }
    controls_.push_back(control);
}

void GlobalSettingsWindow::showRecord()
{
    loading_ = true;
    for (const Control& c : controls_) {
        const int value = shownValue(edited_, *c.setting);
        if (c.slider != nullptr) {
            c.slider->setValue(value);
            c.label->setText(QString::number(value));
        } else if (c.check != nullptr) {
            c.check->setChecked(value != 0);
        } else {
            c.list->setCurrentIndex(value - c.setting->minimum);
        }
    }
    groupPatches_->setText(tr("%1 of 1000").arg(patchesInGroup(edited_)));
    loading_ = false;
    const bool m6 = shown_ == Shown::Matrix6;
    for (QGroupBox* box : groups1000_)
        box->setVisible(!m6);
    master6_->setVisible(m6);
    enableControls();
}

void GlobalSettingsWindow::showMaster6()
{
    auto* form = static_cast<QFormLayout*>(master6_->layout());
    while (form->rowCount() > 0)
        form->removeRow(0);
    for (const MasterItem& item : master6Items()) {
        const Byte byte = master_[item.offset];
        const int value = (item.isSigned ? byteToSigned(byte, 127) : int(byte)) + item.shownOffset;
        QString shown = QString::number(value);
        if (*item.note != '\0')
            shown += tr(" (%1 meaning, byte %2)").arg(QLatin1String(item.note)).arg(item.offset);
        auto* label = new QLabel(shown, master6_);
        label->setObjectName(QStringLiteral("lblMaster6_%1").arg(item.offset));
        form->addRow(QString::fromUtf8(item.name), label);
    }
    auto* note = new QLabel(tr("What the other bytes of a Matrix-6 master record mean is not "
                               "known. Velmora never sends this record back (whether a Matrix-6 "
                               "takes it is not known); Save keeps every byte as read."),
                            master6_);
    note->setWordWrap(true);
    form->addRow(note);
    showRecord();
}

void GlobalSettingsWindow::enableControls()
{
    const bool editable = shown_ == Shown::Matrix1000 && fromInstrument_;
    for (const Control& c : controls_) {
        const bool on =
            editable && (c.setting->group != SettingGroup::GroupMode || unlockGroup_->isChecked());
        for (QWidget* w : {static_cast<QWidget*>(c.slider), static_cast<QWidget*>(c.check),
                           static_cast<QWidget*>(c.list)})
            if (w != nullptr)
                w->setEnabled(on);
    }
    unlockGroup_->setEnabled(editable);
    read_->setEnabled(phase_ == Phase::Idle);
    save_->setEnabled(shown_ != Shown::Nothing);
}

void GlobalSettingsWindow::setStatus(const QString& text)
{
    status_->setText(text);
}

bool GlobalSettingsWindow::confirmChanges(const Global1000& from, const Global1000& to)
{
    QStringList questions;
    for (const GlobalSetting& setting : globalSettings()) {
        const std::string question =
            questionFor(setting, shownValue(from, setting), shownValue(to, setting));
        if (!question.empty())
            questions << text(question);
    }
    if (questions.isEmpty())
        return true;
    return QMessageBox::question(this, tr("Global Settings"), questions.join(u"\n\n"),
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void GlobalSettingsWindow::edited(const GlobalSetting& setting, int value)
{
    if (loading_)
        return;
    Global1000 next = edited_;
    writeValue(next, setting, value);
    if (!confirmChanges(edited_, next)) {
        // The control goes back to what the record holds; nothing is sent.
        showRecord();
        return;
    }
    edited_ = next;
    changed_[indexOf(setting)] = true;
    for (const Control& c : controls_)
        if (c.setting == &setting && c.label != nullptr)
            c.label->setText(QString::number(shownValue(edited_, setting)));
    setStatus(tr("%1 changed: it goes to the instrument when the edits have settled.")
                  .arg(QString::fromUtf8(setting.name)));
    settle_->start();
}

void GlobalSettingsWindow::markChanged(const Global1000& from)
{
    for (const GlobalSetting& setting : globalSettings())
        if (from[setting.offset] != edited_[setting.offset])
            changed_[indexOf(setting)] = true;
    const auto differ = differingSettings(from, edited_);
    if (std::ranges::find(differ, std::string(kGroupPatchesName)) != differ.end())
        mapChanged_ = true;
}

void GlobalSettingsWindow::loadFile()
{
    if (link_.dialogs == nullptr)
        return;
    const auto choice = link_.dialogs->open({tr("Load Global Settings"),
                                             link_.folder,
                                             {},
                                             tr("SysEx Files (*.syx)"),
                                             0,
                                             QStringLiteral("syx")});
    if (!choice)
        return;
    const QString name = choice->path.section(u'/', -1);
    const auto read = library::readSysexFile(choice->path.toStdString());
    if (const auto* error = std::get_if<std::string>(&read)) {
        QMessageBox::warning(this, tr("Global Settings"), text(*error));
        return;
    }
    const library::SysexFile& file = std::get<library::SysexFile>(read);
    if (!file.contents.global) {
        QMessageBox::warning(this, tr("Global Settings"),
                             tr("%1 holds no global settings.").arg(name));
        return;
    }
    const ReadMessage& message = *file.contents.global;
    const auto bytes = message.bytes(file.data);
    const bool m1000 = message.kind == SysexKind::Global1000;
    std::array<Byte, kMaster6Size> block{};
    const std::span<Byte> target =
        m1000 ? std::span<Byte>(block).first(kGlobal1000Size) : std::span<Byte>(block);
    if (unpackBlock(bytes, target, ChecksumRule::Global) != UnpackStatus::Ok) {
        QMessageBox::warning(this, tr("Global Settings"),
                             tr("The global settings in %1 fail their checksum, so they were not "
                                "loaded.")
                                 .arg(name));
        return;
    }
    if (!m1000) {
        master_ = block;
        shown_ = Shown::Matrix6;
        fromInstrument_ = false;
        showMaster6();
        setStatus(
            tr("Shown from %1: a Matrix-6 master record, which Velmora never sends.").arg(name));
        return;
    }
    Global1000 fileRecord;
    std::copy_n(block.begin(), kGlobal1000Size, fileRecord.begin());
    if (shown_ == Shown::Matrix1000 && fromInstrument_) {
        // The file's settings over what the unit holds; bytes no setting
        // names stay as the unit keeps them.
        const Global1000 merged = mergeKnown(edited_, fileRecord);
        if (!confirmChanges(edited_, merged))
            return;
        const Global1000 before = edited_;
        edited_ = merged;
        markChanged(before);
        showRecord();
        const auto differ = differingSettings(base_, edited_);
        setStatus(differ.empty()
                      ? tr("Loaded %1: the instrument already holds these settings.").arg(name)
                      : tr("Loaded %1: %2 setting(s) differ from the instrument's and go to it "
                           "in a moment.")
                            .arg(name)
                            .arg(differ.size()));
        if (!differ.empty())
            settle_->start();
        return;
    }
    base_ = fileRecord;
    edited_ = fileRecord;
    shown_ = Shown::Matrix1000;
    fromInstrument_ = false;
    showRecord();
    setStatus(tr("Shown from %1. No record has been read from a Matrix-1000, so nothing is "
                 "sent; Read to edit the instrument's settings.")
                  .arg(name));
}

void GlobalSettingsWindow::saveFile()
{
    if (link_.dialogs == nullptr || shown_ == Shown::Nothing)
        return;
    const auto choice =
        link_.dialogs->save({tr("Save Global Settings"), link_.folder, QStringLiteral("*.syx"),
                             tr("SysEx Files (*.syx)"), 0, QStringLiteral("syx")});
    if (!choice)
        return;
    const Message bytes = shown_ == Shown::Matrix6 ? master6Data(master_) : globalData(edited_);
    const std::string path = library::withSyxExtension(choice->path.toStdString());
    if (const auto error = library::writeFileAtomically(path, bytes)) {
        QMessageBox::warning(this, tr("Global Settings"), text(*error));
        return;
    }
    setStatus(tr("Saved to %1.").arg(text(library::filePart(path))));
}

} // namespace velmora::globals
