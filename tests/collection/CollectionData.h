// Files shaped as the patch library meets them: the program's own bank
// files, a Matrix-1000's answer to a bank request as a capture holds it, and
// the same as a Standard MIDI File.
#pragma once

#include "collection/PatchCollection.h"
#include "library/SysexFiles.h"
#include "protocol/Messages.h"
#include "support/CapturedGlobal.h"
#include "support/DemoPatches.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velmora::test {

using Bytes = std::vector<Byte>;

// Patch `seed`'s record: "DEMO nnn" and plausible data.
inline PatchRecord demoRecord(std::uint32_t seed)
{
    const PatchBuffer buffer = demo::demoPatch(seed);
    PatchRecord record{};
    std::copy_n(buffer.begin(), kPatchRecordSize, record.begin());
    return record;
}

// 100 demo patches from `firstSeed` on, as the program writes a bank file.
inline library::Bank demoBank(std::uint32_t firstSeed)
{
    library::Bank bank{};
    for (std::size_t k = 0; k < kBankPatchCount; ++k)
        bank[k] = demo::demoPatch(firstSeed + static_cast<std::uint32_t>(k));
    return bank;
}

inline Bytes bankFile(std::uint32_t firstSeed)
{
    return library::bankSysex(demoBank(firstSeed));
}

// The record with the Matrix-1000's name for patch n of bank b: "BNKb: nn".
inline PatchRecord placeholderNamed(PatchRecord record, int bank, int n)
{
    const std::string name =
        "BNK" + std::to_string(bank) + ": " + (n < 10 ? "0" : "") + std::to_string(n);
    std::copy(name.begin(), name.end(), record.begin());
    return record;
}

// What a capture of a Matrix-1000 bank request holds: the bank select sent
// before it, the 100 patches named "BNKb: nn", the 80 dummy splits and the
// global record last; another maker's message came in on the same cable.
inline Bytes requestAllCapture(std::uint32_t firstSeed, int bank)
{
    Bytes capture = {0xF0, 0x10, 0x06, 0x0A, static_cast<Byte>(bank), 0xF7};
    for (int n = 0; n < 100; ++n) {
        if (n == 50) {
            const Bytes other = {0xF0, 0x43, 0x10, 0x01, 0x02, 0xF7};
            capture.insert(capture.end(), other.begin(), other.end());
        }
        const PatchRecord record =
            placeholderNamed(demoRecord(firstSeed + static_cast<std::uint32_t>(n)), bank, n);
        const auto message = patchToMemory(static_cast<Byte>(n), record);
        capture.insert(capture.end(), message.begin(), message.end());
    }
    const SplitRecord dummy{};
    for (int k = 0; k < 80; ++k) {
        const auto message = splitData(static_cast<Byte>(k), dummy);
        capture.insert(capture.end(), message.begin(), message.end());
    }
    const auto global = globalData(capturedFactoryGlobal());
    capture.insert(capture.end(), global.begin(), global.end());
    return capture;
}

inline std::unique_ptr<collection::PatchCollection> openCollection(const std::string& path)
{
    auto opened = collection::PatchCollection::open(QString::fromStdString(path));
    if (auto* failure = std::get_if<collection::PatchCollection::OpenFailure>(&opened)) {
        ADD_FAILURE() << failure->message.toStdString();
        return nullptr;
    }
    return std::move(std::get<std::unique_ptr<collection::PatchCollection>>(opened));
}

// PRAGMA integrity_check on a connection of its own.
inline std::string integrityOf(const std::string& path)
{
    std::string result;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("integrity-check"));
        db.setDatabaseName(QString::fromStdString(path));
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(QStringLiteral("PRAGMA integrity_check")) && query.next())
                result = query.value(0).toString().toStdString();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("integrity-check"));
    return result;
}

} // namespace velmora::test
