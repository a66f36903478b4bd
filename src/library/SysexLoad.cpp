#include "library/SysexLoad.h"

#include <QCoreApplication>

#include <algorithm>

namespace velmora::library {
namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("SysexLoad", text);
}

QString counted(std::size_t n, const char* one, const char* many)
{
    return (n == 1 ? tr(one) : tr(many)).arg(n);
}

// "0-11, 14, 20-25": sorted numbers with their runs joined.
QString rangesText(QList<int> numbers)
{
    std::ranges::sort(numbers);
    QStringList parts;
    for (qsizetype i = 0; i < numbers.size();) {
        qsizetype last = i;
        while (last + 1 < numbers.size() && numbers[last + 1] == numbers[last] + 1)
            ++last;
        parts << (last == i ? QString::number(numbers[i])
                            : QStringLiteral("%1-%2").arg(numbers[i]).arg(numbers[last]));
        i = last + 1;
    }
    return parts.join(QStringLiteral(", "));
}

QString entriesText(const QList<int>& entries)
{
    return (entries.size() == 1 ? tr("entry %1") : tr("entries %1")).arg(rangesText(entries));
}

QString splitsText(const QList<int>& splits)
{
    return (splits.size() == 1 ? tr("split %1") : tr("splits %1")).arg(rangesText(splits));
}

// How a patch is named to the user: by the number its message carries when
// that number places it, else by its position in the file.
QString patchLabel(const ReadMessage& message, bool byNumber, std::size_t position)
{
    if (byNumber)
        return tr("patch %1").arg(message.number);
    return tr("the patch at position %1").arg(position + 1);
}

bool isBad(const ReadMessage& message)
{
    return message.checksum != UnpackStatus::Ok;
}

} // namespace

SysexLoad::SysexLoad(LibraryContext& context, std::filesystem::path path, QString name)
    : context_(context), path_(std::move(path)), name_(std::move(name))
{}

bool SysexLoad::read()
{
    auto loaded = readSysexFile(path_);
    if (const auto* error = std::get_if<std::string>(&loaded)) {
        context_.errors.report(QString::fromStdString(*error));
        return false;
    }
    file_ = std::move(std::get<SysexFile>(loaded));
    return true;
}

void SysexLoad::refuse(const QString& sentence) const
{
    context_.errors.report(sentence.arg(name_, contentsText()));
}

QString SysexLoad::contentsText() const
{
    const SysexContents& contents = file_.contents;
    QStringList parts;
    if (!contents.patches.empty())
        parts << counted(contents.patches.size(), "%1 patch", "%1 patches");
    if (!contents.splits.empty())
        parts << counted(contents.splits.size(), "%1 split", "%1 splits");
    if (contents.global)
        parts << tr("the global settings");
    if (const std::string skipped = contents.skippedText(); !skipped.empty())
        parts << QString::fromStdString(skipped);
    if (parts.isEmpty())
        return file_.empty ? tr("it is empty") : tr("no SysEx messages");
    return parts.join(QStringLiteral(", "));
}

std::span<const Byte> SysexLoad::bytesOf(const Taken& taken) const
{
    return taken.message->bytes(file_.data);
}

std::optional<PatchRecord> SysexLoad::firstPatch(std::optional<int> entry, bool offerGlobal)
{
    const auto& patches = file_.contents.patches;
    if (patches.empty()) {
        refuse(tr("%1 holds no patch: %2."));
        return std::nullopt;
    }
    const ReadMessage& first = patches.front();
    // A patch for the edit buffer carries no number of its own.
    std::vector<Taken> taken{
        {&first, entry.value_or(0),
         first.kind == SysexKind::Patch ? tr("patch %1").arg(first.number) : tr("the patch"),
         true}};
    std::optional<Taken> global = takeGlobal(offerGlobal);
    std::vector<Taken> globals;
    if (global)
        globals.push_back(*global);
    if (!settleChecksums({&taken, &globals}))
        return std::nullopt;
    if (!taken.front().use)
        return std::nullopt;
    PatchRecord record{};
    unpackBlock(bytesOf(taken.front()), record);
    if (!globals.empty())
        offer(globals.front());
    if (entry && patches.size() > 1)
        context_.dialogs.inform(tr("%1 holds %2 patches; the first was read into entry %3.")
                                    .arg(name_)
                                    .arg(patches.size())
                                    .arg(*entry));
    return record;
}

std::optional<std::span<const ReadMessage>> SysexLoad::chooseHundred()
{
    std::span<const ReadMessage> patches(file_.contents.patches);
    // A Matrix-6 follows the hundred patches of its bank with its edit
    // buffer, numbered 100: that one is no bank entry.
    const std::span<const ReadMessage> hundred =
        patches.first(std::min(patches.size(), kBankPatchCount));
    if (patches.size() == kBankPatchCount + 1 && patches.back().number == int(kBankPatchCount) &&
        placementOf(hundred, kBankPatchCount))
        return hundred;
    if (patches.size() <= kBankPatchCount)
        return patches;
    QStringList choices;
    for (std::size_t from = 0; from < patches.size(); from += kBankPatchCount)
        choices << tr("patches %1-%2")
                       .arg(from + 1)
                       .arg(std::min(from + kBankPatchCount, patches.size()));
    const auto chosen = context_.dialogs.choose(
        tr("%1 holds %2 patches; a bank holds 100. Which of them shall be read?")
            .arg(name_)
            .arg(patches.size()),
        choices);
    if (!chosen || *chosen < 0 || *chosen >= choices.size())
        return std::nullopt;
    const std::size_t from = static_cast<std::size_t>(*chosen) * kBankPatchCount;
    return patches.subspan(from, std::min(kBankPatchCount, patches.size() - from));
}

std::vector<SysexLoad::Taken> SysexLoad::takeSplits() const
{
    // The instrument answers with more split messages than the table has
    // (a Matrix-1000 sends 80): as the receiver does, the first 50 count.
    const std::span<const ReadMessage> all(file_.contents.splits);
    const auto byNumber = placementOf(all, kSplitCount);
    const std::span<const ReadMessage> used = all.first(std::min(all.size(), kSplitCount));
    std::vector<Taken> splits;
    for (std::size_t i = 0; i < used.size(); ++i) {
        const int target = byNumber ? (*byNumber)[i] : int(i);
        splits.push_back({&used[i], target, tr("split %1").arg(target), true});
    }
    return splits;
}

std::optional<SysexLoad::Taken> SysexLoad::takeGlobal(bool offered) const
{
    if (!offered || !file_.contents.global)
        return std::nullopt;
    return Taken{&*file_.contents.global, 0, tr("the global settings"), true};
}

std::optional<SysexLoad::Filled> SysexLoad::intoBank()
{
    if (file_.contents.patches.empty()) {
        refuse(tr("%1 holds no patch: %2."));
        return std::nullopt;
    }
    const auto chosen = chooseHundred();
    if (!chosen)
        return std::nullopt;
    const auto offset = static_cast<std::size_t>(chosen->data() - file_.contents.patches.data());
    const auto byNumber = placementOf(*chosen, kBankPatchCount);
    std::vector<Taken> patches;
    for (std::size_t i = 0; i < chosen->size(); ++i) {
        const ReadMessage& message = (*chosen)[i];
        patches.push_back({&message, byNumber ? (*byNumber)[i] : int(i),
                           patchLabel(message, byNumber.has_value(), offset + i), true});
    }
    std::vector<Taken> splits = takeSplits();
    const std::optional<Taken> global = takeGlobal(true);
    std::vector<Taken> globals;
    if (global)
        globals.push_back(*global);
    if (!settleChecksums({&patches, &splits, &globals}))
        return std::nullopt;

    Filled filled;
    std::size_t dropped = 0;
    SynthRecords& records = context_.records;
    for (const Taken& patch : patches) {
        if (!patch.use) {
            ++dropped;
            continue;
        }
        // Bytes 0..133; the entry's 135th byte stays as it was.
        unpackBlock(bytesOf(patch), recordOf(records.bank[static_cast<std::size_t>(patch.target)]));
        filled.entries << patch.target;
    }
    for (const Taken& split : splits) {
        if (split.use) {
            unpackBlock(bytesOf(split), records.splits[static_cast<std::size_t>(split.target)]);
            filled.splits << split.target;
        }
    }
    if (filled.entries.isEmpty() && filled.splits.isEmpty())
        return std::nullopt;
    if (!globals.empty())
        offer(globals.front());
    tellBank(filled, dropped);
    return filled;
}

void SysexLoad::tellBank(const Filled& filled, std::size_t dropped) const
{
    const std::size_t cutShort = file_.contents.cutShort;
    const bool whole = filled.entries.size() == qsizetype(kBankPatchCount);
    if (whole && filled.splits.isEmpty() && cutShort == 0 && dropped == 0)
        return; // an ordinary bank: the grid says it all
    QString what = counted(std::size_t(filled.entries.size()), "%1 patch", "%1 patches");
    QString where = entriesText(filled.entries);
    if (!filled.splits.isEmpty()) {
        what = tr("%1 and %2")
                   .arg(what, counted(std::size_t(filled.splits.size()), "%1 split", "%1 splits"));
        where = tr("%1 and %2").arg(where, splitsText(filled.splits));
    }
    QString text = tr("Read %1 from %2 into %3").arg(what, name_, where);
    text += whole ? QStringLiteral(".") : tr("; the other entries were left as they were.");
    if (cutShort > 0)
        text += QLatin1Char(' ') + counted(cutShort, "%1 message cut short was skipped.",
                                           "%1 messages cut short were skipped.");
    context_.dialogs.inform(text);
}

bool SysexLoad::intoSplit(int split)
{
    const auto& splits = file_.contents.splits;
    if (splits.empty()) {
        refuse(tr("%1 holds no split: %2."));
        return false;
    }
    std::vector<Taken> taken{
        {&splits.front(), split, tr("split %1").arg(splits.front().number), true}};
    if (!settleChecksums({&taken}) || !taken.front().use)
        return false;
    unpackBlock(bytesOf(taken.front()), context_.records.splits[static_cast<std::size_t>(split)]);
    if (splits.size() > 1)
        context_.dialogs.inform(tr("%1 holds %2 splits; the first was imported as split %3.")
                                    .arg(name_)
                                    .arg(splits.size())
                                    .arg(split));
    return true;
}

bool SysexLoad::settleChecksums(const std::vector<std::vector<Taken>*>& groups) const
{
    constexpr qsizetype kListed = 10;
    QStringList bad;
    bool onePatchOrSplit = false; // named in the singular
    for (const auto* group : groups)
        for (const Taken& taken : *group)
            if (isBad(*taken.message)) {
                bad << taken.label;
                onePatchOrSplit = taken.message->kind != SysexKind::Global1000 &&
                                  taken.message->kind != SysexKind::Master6;
            }
    if (bad.isEmpty())
        return true;
    QString question;
    if (bad.size() == 1 && onePatchOrSplit) {
        question = tr("%1 of %2 has a bad checksum: its data may be damaged.\n\n"
                      "Keep it as it stands, or drop it?")
                       .arg(bad.front(), name_);
    } else {
        QStringList lines = bad.mid(0, kListed);
        if (bad.size() > kListed)
            lines << tr("and %1 more").arg(bad.size() - kListed);
        question = tr("These messages of %1 have a bad checksum: their data may be damaged.\n\n"
                      "%2\n\nKeep them as they stand, or drop them?")
                       .arg(name_, lines.join(QLatin1Char('\n')));
    }
    switch (context_.dialogs.askBadChecksums(question)) {
    case BadChecksumAnswer::Keep:
        return true;
    case BadChecksumAnswer::Drop:
        for (auto* group : groups)
            for (Taken& taken : *group)
                if (isBad(*taken.message))
                    taken.use = false;
        return true;
    case BadChecksumAnswer::Cancel:
        break;
    }
    return false;
}

void SysexLoad::offer(const std::optional<Taken>& global) const
{
    if (!global || !global->use ||
        !context_.dialogs.askYesNo(
            tr("%1 also holds the instrument's global settings. Show them in the global "
               "controls?")
                .arg(name_)))
        return;
    // As a received dump: a Matrix-1000 global record fills the first 172
    // bytes, a Matrix-6 master record all 236.
    std::span<Byte> record(context_.records.global);
    if (global->message->kind == SysexKind::Global1000)
        record = record.first(kGlobal1000Size);
    unpackBlock(bytesOf(*global), record, ChecksumRule::Global);
    context_.flags.globalReceived = true;
    emit context_.globalsChanged();
}

} // namespace velmora::library
