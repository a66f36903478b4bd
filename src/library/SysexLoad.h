// Takes what a SysEx file holds (a .syx file, or the SysEx a Standard MIDI
// File carries) into the records the way a file command wants it: the first
// patch for the editor or one bank entry, up to a hundred patches for the
// bank together with the file's splits, the first split for one split entry.
// What the file leaves open is asked (which hundred of a larger collection,
// whether messages with a bad checksum are kept or dropped, whether the
// global settings it carries go to the global controls); what was read is
// told when it is not the whole of an ordinary bank; a file without what was
// asked for is refused with a message that says what it holds instead.
// Every question comes before the records change, so a refusal or a Cancel
// leaves them as they were.
#pragma once

#include "library/LibraryContext.h"
#include "library/SysexFiles.h"

#include <QList>
#include <QString>

#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace velmora::library {

class SysexLoad
{
public:
    // `name` is the file-name part of `path`, as the messages name the file.
    SysexLoad(LibraryContext& context, std::filesystem::path path, QString name);

    // False, after the message that says why, when the file cannot be read.
    bool read();
    std::size_t patchCount() const { return file_.contents.patches.size(); }

    // The first patch's record for the editor (no entry) or bank entry
    // `entry`; nothing when the file holds none (after the message saying
    // so) or the user did not take it. `offerGlobal`: global settings in
    // the file are offered to the global controls.
    std::optional<PatchRecord> firstPatch(std::optional<int> entry, bool offerGlobal);

    // The bank entries and splits a file filled.
    struct Filled
    {
        QList<int> entries;
        QList<int> splits;
    };
    // Up to a hundred patches into the bank, by their numbers when those are
    // distinct and below 100, else in file order from entry 0, the other
    // entries left as they were; the file's splits into the split table the
    // same way; its global settings offered. Nothing when nothing was read.
    std::optional<Filled> intoBank();

    // The file's first split into split entry `split`; false when nothing
    // was read.
    bool intoSplit(int split);

private:
    // A message to be taken: where it goes and how it is named in a question.
    struct Taken
    {
        const ReadMessage* message = nullptr;
        int target = 0;
        QString label;
        bool use = true;
    };

    void refuse(const QString& sentence) const;
    QString contentsText() const;
    std::span<const Byte> bytesOf(const Taken& taken) const;
    std::optional<std::span<const ReadMessage>> chooseHundred();
    std::vector<Taken> takeSplits() const;
    std::optional<Taken> takeGlobal(bool offered) const;
    // Asks about those of `groups` whose checksum is bad; false on Cancel.
    // After Drop they are no longer to be used.
    bool settleChecksums(const std::vector<std::vector<Taken>*>& groups) const;
    void offer(const std::optional<Taken>& global) const;
    void tellBank(const Filled& filled, std::size_t dropped) const;

    LibraryContext& context_;
    std::filesystem::path path_;
    QString name_;
    SysexFile file_;
};

} // namespace velmora::library
