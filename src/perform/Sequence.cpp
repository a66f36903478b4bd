#include "perform/Sequence.h"

#include "common/SaveFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace velmora::perform {
namespace {

constexpr int kOctave = 12;
constexpr std::size_t kMutesAt = Sequence::kSteps;
constexpr std::size_t kPeriodAt = 2 * Sequence::kSteps;

std::size_t index(int step)
{
    return static_cast<std::size_t>(step);
}

} // namespace

int Sequence::note(int step) const
{
    return valid(step) ? notes_[index(step)] : 0;
}

void Sequence::setNote(int step, int note)
{
    if (valid(step))
        notes_[index(step)] = std::clamp(note, kLowestNote, kHighestNote);
}

bool Sequence::muted(int step) const
{
    return valid(step) && mutes_[index(step)];
}

void Sequence::setMuted(int step, bool muted)
{
    if (valid(step))
        mutes_[index(step)] = muted;
}

void Sequence::setOctave(int octave)
{
    octave_ = std::clamp(octave, -1, 1);
}

void Sequence::setPeriod(int ms)
{
    period_ = std::clamp(ms, 0, kLongestPeriod);
}

void Sequence::rewind()
{
    current_ = 0;
    lit_.reset();
}

std::optional<int> Sequence::playedNote(int step) const
{
    if (!valid(step) || muted(step))
        return std::nullopt;
    int note = this->note(step) + kOctave * octave_;
    while (note > kHighestNote)
        note -= kOctave;
    while (note < 0)
        note += kOctave;
    return note;
}

Sequence::Tick Sequence::advance()
{
    Tick tick;
    tick.step = current_;
    tick.note = playedNote(current_);
    if (lit_ && *lit_ != current_)
        tick.darkenStep = lit_;
    lit_ = current_;
    current_ = (current_ + static_cast<int>(direction_) + kSteps) % kSteps;
    return tick;
}

Sequence::Record Sequence::toRecord() const
{
    Record record{};
    for (std::size_t i = 0; i < index(kSteps); ++i) {
        record[i] = static_cast<std::uint8_t>(notes_[i] & 0xFF);
        record[kMutesAt + i] = mutes_[i] ? 1 : 0;
    }
    const auto period = static_cast<std::uint32_t>(period_);
    for (std::size_t i = 0; i < 4; ++i)
        record[kPeriodAt + i] = static_cast<std::uint8_t>((period >> (8 * i)) & 0xFF);
    return record;
}

void Sequence::apply(const Record& record)
{
    for (int step = 0; step < kSteps; ++step) {
        setNote(step, record[index(step)]);
        setMuted(step, record[kMutesAt + index(step)] == 1);
    }
    std::uint32_t period = 0;
    for (std::size_t i = 0; i < 4; ++i)
        period |= static_cast<std::uint32_t>(record[kPeriodAt + i]) << (8 * i);
    setPeriod(static_cast<std::int32_t>(period));
}

std::optional<Sequence::Record> sequenceRecord(std::span<const std::uint8_t> file)
{
    if (file.size() < Sequence::kFileSize)
        return std::nullopt;
    Sequence::Record record{};
    std::copy_n(file.begin(), record.size(), record.begin());
    return record;
}

std::variant<Sequence::Record, QString> readSequenceFile(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QCoreApplication::translate("Sequence", "Cannot open %1: %2")
            .arg(name, file.errorString());
    const QByteArray bytes = file.read(static_cast<qint64>(Sequence::kFileSize));
    const auto record = sequenceRecord(
        std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                      static_cast<std::size_t>(bytes.size())));
    if (!record)
        return QCoreApplication::translate(
                   "Sequence", "%1 is too short for a Velmora sequence file (.vms): %2 bytes "
                               "expected, %3 found.")
            .arg(name)
            .arg(Sequence::kFileSize)
            .arg(bytes.size());
    return *record;
}

std::optional<QString> writeSequenceFile(const QString& path, const Sequence::Record& record)
{
    const QByteArray bytes(reinterpret_cast<const char*>(record.data()),
                           static_cast<qsizetype>(record.size()));
    if (const auto reason = saveWholeFile(path, bytes))
        return QCoreApplication::translate("Sequence", "Cannot write %1: %2")
            .arg(QFileInfo(path).fileName(), *reason);
    return std::nullopt;
}

} // namespace velmora::perform
