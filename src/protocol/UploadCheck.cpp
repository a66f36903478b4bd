#include "protocol/UploadCheck.h"

#include <algorithm>

namespace velmora {

namespace {

// Numbers listed in a sentence before the rest is only counted.
constexpr std::size_t kListed = 10;

std::string listOf(const std::vector<int>& entries)
{
    std::string text;
    const std::size_t listed = std::min(entries.size(), kListed);
    for (std::size_t i = 0; i < listed; ++i) {
        if (i > 0)
            text += (i + 1 == listed && entries.size() <= kListed) ? " and " : ", ";
        text += std::to_string(entries[i]);
    }
    if (entries.size() > kListed)
        text += " and " + std::to_string(entries.size() - kListed) + " more";
    return text;
}

std::string plural(int count, const char* one, const char* many)
{
    return std::to_string(count) + ' ' + (count == 1 ? one : many);
}

std::string subject(const UploadCheck& check)
{
    if (!check.label.empty())
        return check.label;
    const bool m1000 = check.model == SynthModel::Matrix1000;
    switch (check.kind) {
    case UploadCheck::Kind::Global:
        return m1000 ? "The global settings" : "The master settings";
    case UploadCheck::Kind::Splits:
        if (check.sent == 1) {
            const int entry = check.differing.empty()
                                  ? (check.missing.empty() ? -1 : check.missing.front())
                                  : check.differing.front();
            return entry >= 0 ? "Split " + std::to_string(entry) : "The split";
        }
        return "The splits";
    case UploadCheck::Kind::Patches:
        break;
    }
    if (check.sent == 1)
        return "The patch";
    return m1000 && check.bank >= 0 ? "Bank " + std::to_string(check.bank) : "The bank";
}

std::string likelyReason(const UploadCheck& check)
{
    const bool stores = check.kind != UploadCheck::Kind::Global;
    if (stores && check.memoryProtect.value_or(false))
        return std::string("Memory protect is on in the instrument, so it ignored the ") +
               (check.sent == 1 ? "store" : "stores") +
               ". Switch it off under Setup > Global Settings and upload again.";
    if (check.kind == UploadCheck::Kind::Patches && check.model == SynthModel::Matrix1000 &&
        check.bank >= 2)
        return "Bank " + std::to_string(check.bank) +
               " is a ROM bank: the instrument keeps its factory patches there.";
    if (check.differing.empty())
        return "Part of the answer was lost on the way back. Check the cable and try again.";
    if (check.matching() == 0 && stores && !check.memoryProtect.has_value())
        return "The instrument kept none of it: memory protect may be on, or it did not take "
               "the messages.";
    if (!stores)
        return "The instrument's firmware may not take global settings over MIDI at all: the "
               "factory firmware is said not to.";
    return "Messages were lost on the way to the instrument. Give it a longer pause after each "
           "stored patch under Setup > Transfer Pauses and upload again.";
}

// A Matrix-6 keeps a name's characters in six bits and sends them so ("A"
// comes back as 01): a name is as sent when the six bits are.
bool sameNameInSixBits(std::span<const Byte> sent, std::span<const Byte> readBack)
{
    return std::ranges::equal(sent, readBack,
                              [](Byte a, Byte b) { return (a & 0x3F) == (b & 0x3F); });
}

} // namespace

bool samePatchAsSent(SynthModel model, std::span<const Byte> sent, std::span<const Byte> readBack)
{
    if (sent.size() < kPatchRecordSize || readBack.size() < kPatchRecordSize)
        return false;
    const auto name = static_cast<std::ptrdiff_t>(kPatchNameLength);
    if (model == SynthModel::Matrix6 &&
        !sameNameInSixBits(sent.first(kPatchNameLength), readBack.first(kPatchNameLength)))
        return false;
    return std::equal(sent.begin() + name,
                      sent.begin() + static_cast<std::ptrdiff_t>(kPatchRecordSize),
                      readBack.begin() + name);
}

void UploadCheck::compare(int entry, std::span<const Byte> sentRecord,
                          std::span<const Byte> readBack)
{
    ++sent;
    bool same = false;
    if (readBack.empty()) {
        missing.push_back(entry);
        return;
    }
    if (kind == Kind::Patches) {
        same = samePatchAsSent(model, sentRecord, readBack);
    } else if (kind == Kind::Splits && model == SynthModel::Matrix6 &&
               sentRecord.size() == kSplitRecordSize && readBack.size() == kSplitRecordSize) {
        same = sameNameInSixBits(sentRecord.first(kSplitNameLength),
                                 readBack.first(kSplitNameLength)) &&
               std::ranges::equal(sentRecord.subspan(kSplitNameLength),
                                  readBack.subspan(kSplitNameLength));
    } else {
        same = std::equal(sentRecord.begin(), sentRecord.end(), readBack.begin(), readBack.end());
    }
    if (!same)
        differing.push_back(entry);
}

std::string describeCheck(const UploadCheck& check)
{
    const std::string who = subject(check);
    const bool single = check.sent == 1 || check.kind == UploadCheck::Kind::Global;
    // "The global settings" are many.
    const bool many = check.kind == UploadCheck::Kind::Global && check.label.empty();
    if (check.passed()) {
        if (single)
            return who + " verified: the instrument holds " + (many ? "them" : "it") + " as sent.";
        const char* what = check.kind == UploadCheck::Kind::Splits ? "splits" : "patches";
        return who + " verified: " + std::to_string(check.sent) + " of " +
               std::to_string(check.sent) + ' ' + what + " as sent.";
    }
    std::string text;
    if (single) {
        text = who + (check.missing.empty()
                          ? (many ? " are" : " is") +
                                std::string(" not held as sent: the instrument gave back "
                                            "something else.")
                          : " did not come back from the instrument.");
    } else {
        const bool splits = check.kind == UploadCheck::Kind::Splits;
        text = who + ": " + std::to_string(check.matching()) + " of " +
               plural(check.sent, splits ? "split" : "patch", splits ? "splits" : "patches") +
               " as sent";
        if (!check.differing.empty())
            text += "; " + listOf(check.differing) +
                    (check.differing.size() == 1 ? " differs" : " differ");
        if (!check.missing.empty())
            text += "; " + listOf(check.missing) + " did not come back";
        text += '.';
    }
    return text + ' ' + likelyReason(check);
}

} // namespace velmora
