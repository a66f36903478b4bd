// The librarian's file commands over a set of records, with scripted file
// dialogs and a temporary folder, and what the windows are told in order.
#pragma once

#include "library/FakeFileDialogs.h"
#include "library/LibraryFileCommands.h"
#include "library/SysexFiles.h"
#include "protocol/Messages.h"
#include "support/DemoPatches.h"
#include "support/TempDir.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <algorithm>

namespace velmora::test {

using namespace velmora::library;

using Bytes = std::vector<Byte>;

// A patch as the instrument or another tool may leave it: name bytes outside
// the name set (zero, control, high) and values outside every control's range.
inline PatchBuffer untidyPatch(std::uint32_t seed)
{
    PatchBuffer p = demo::demoPatch(seed);
    const Byte name[] = {0x00, 'a', 0x1F, 0x7F, 0xFF, '#', 0x00, 0x80};
    std::copy(std::begin(name), std::end(name), p.begin());
    p[26] = 0xFF; // filter cutoff beyond 127
    p[40] = 0x80;
    p[133] = 0xC3;
    return p;
}

inline bool sameRecord(const PatchBuffer& a, const PatchBuffer& b)
{
    return std::ranges::equal(recordOf(a), recordOf(b));
}

// The bank as the instrument dumps it: entry k in a patch message numbered k.
inline Bytes bankMessages(const Bank& bank)
{
    Bytes bytes;
    for (std::size_t k = 0; k < kBankPatchCount; ++k) {
        const Message m = patchToMemory(static_cast<Byte>(k), recordOf(bank[k]));
        bytes.insert(bytes.end(), m.begin(), m.end());
    }
    return bytes;
}

class LibraryRig : public ::testing::Test
{
protected:
    LibraryRig()
    {
        records_.currentPatch = untidyPatch(1);
        records_.compareData = demo::demoPatch(2);
        for (std::size_t k = 0; k < kBankPatchCount; ++k)
            records_.bank[k] = untidyPatch(static_cast<std::uint32_t>(100 + k));
        record();
    }

    // What the windows are told, in order.
    void record()
    {
        QObject::connect(&errors_, &ErrorReporter::errorReported,
                         [this](const QString& m) { calls_ << "error: " + m; });
        QObject::connect(&context_, &LibraryContext::mainCaptionChanged,
                         [this](const QString& c) { calls_ << "main: " + c; });
        QObject::connect(&context_, &LibraryContext::bankCaptionChanged,
                         [this](const QString& c) { calls_ << "bank: " + c; });
        QObject::connect(&context_, &LibraryContext::patchChanged,
                         [this] { calls_ << "initControls"; });
        QObject::connect(&context_, &LibraryContext::patchParametersChanged,
                         [this] { calls_ << "initPatchControls"; });
        QObject::connect(&context_, &LibraryContext::patchSendRequested,
                         [this] { calls_ << "sendPatch"; });
        QObject::connect(&context_, &LibraryContext::testNoteRequested,
                         [this](bool always) { calls_ << (always ? "play always" : "play"); });
        QObject::connect(&context_, &LibraryContext::flagsChanged,
                         [this] { calls_ << "enableButtons"; });
        QObject::connect(&context_, &LibraryContext::bankChanged,
                         [this] { calls_ << "updateBankGrid"; });
        QObject::connect(&context_, &LibraryContext::bankManagerWanted,
                         [this] { calls_ << "showBankManager"; });
        QObject::connect(&context_, &LibraryContext::globalsChanged,
                         [this] { calls_ << "initGlobalControls"; });
        QObject::connect(&context_, &LibraryContext::recordsFilled,
                         [this](const QList<int>& entries, const QList<int>& splits) {
                             filledEntries_ = entries;
                             filledSplits_ = splits;
                         });
    }

    // The next dialog answers with this file of the folder and filter.
    void choose(const std::string& name, int filter = 0)
    {
        dialogs_.answer(dir_.path(name), filter);
    }
    QString folder() const { return QString::fromStdString(dir_.dir().string() + "/"); }

    TempDir dir_;
    SynthRecords records_;
    TransferFlags flags_;
    FakeFileDialogs dialogs_;
    QString patchFolder_ = "patches", bankFolder_ = "banks", splitFolder_ = "splits";
    QStringList calls_;
    QList<int> filledEntries_, filledSplits_; // the cells a file filled last
    ErrorReporter errors_;
    LibraryContext context_{{
        .records = records_,
        .flags = flags_,
        .dialogs = dialogs_,
        .errors = errors_,
        .patchFolder = patchFolder_,
        .bankFolder = bankFolder_,
        .splitFolder = splitFolder_,
    }};
    LibraryFileCommands files_{context_};
};

} // namespace velmora::test
