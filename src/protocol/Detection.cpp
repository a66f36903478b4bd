#include "protocol/Detection.h"

#include "protocol/SysexCodec.h"

#include <algorithm>
#include <cstdio>

namespace velmora {

namespace {

constexpr Byte kUniversalNonRealtime = 0x7E;
constexpr Byte kGeneralInformation = 0x06;
constexpr Byte kIdentityRequest = 0x01;
constexpr Byte kIdentityReply = 0x02;
// F0 7E ch 06 02, manufacturer 10, family 06 00, member 02 00 (Matrix-1000),
// four revision bytes, F7.
constexpr std::size_t kIdentityReplySize = 15;
constexpr std::array<Byte, 5> kMatrix1000Identity{kManufacturer, kDevice, 0x00, 0x02, 0x00};
constexpr std::size_t kIdentityAt = 5;
constexpr std::size_t kRevisionAt = 10;
// The version byte (msg[4]) of each model's global record.
constexpr Byte kGlobal1000Version = 0x03;
constexpr Byte kMaster6Version = 0x02;
// Both models keep the basic channel in this byte of the record.
constexpr std::size_t kBasicChannelByte = 11;

std::optional<SynthModel> recordModel(std::span<const Byte> m)
{
    if (m.size() < kDumpHeaderSize || m[1] != kManufacturer || m[2] != kDevice ||
        m[3] != opcode::masterData)
        return std::nullopt;
    if (m.size() == kGlobal1000MessageSize && m[4] == kGlobal1000Version)
        return SynthModel::Matrix1000;
    if (m.size() == kMaster6MessageSize && m[4] == kMaster6Version)
        return SynthModel::Matrix6;
    return std::nullopt;
}

} // namespace

Message deviceInquiry(int channel)
{
    return {kSysexStart,         kUniversalNonRealtime, static_cast<Byte>(channel & 0x0F),
            kGeneralInformation, kIdentityRequest,      kSysexEnd};
}

std::vector<Message> detectionRequests()
{
    std::vector<Message> messages;
    for (int channel = 0; channel < 16; ++channel)
        messages.push_back(deviceInquiry(channel));
    messages.push_back(parameterEditPrefix());
    messages.push_back(request(RequestType::Global));
    return messages;
}

std::string revisionText(const std::array<Byte, 4>& revision)
{
    char text[12];
    std::snprintf(text, sizeof text, "%02X %02X %02X %02X", revision[0], revision[1], revision[2],
                  revision[3]);
    return text;
}

std::string describeFound(const DetectionResult& result)
{
    if (!result.found())
        return {};
    std::string text = std::string("Found a ") +
                       (*result.model == SynthModel::Matrix1000 ? "Matrix-1000" : "Matrix-6") +
                       " on MIDI channel " + std::to_string(result.channel + 1);
    if (result.revision)
        text += " (device inquiry reply bytes " + revisionText(*result.revision) + ")";
    return text + ".";
}

bool InstrumentDetector::take(std::span<const Byte> m)
{
    if (m.size() == kIdentityReplySize && m[0] == kSysexStart && m[1] == kUniversalNonRealtime &&
        m[3] == kGeneralInformation && m[4] == kIdentityReply && m.back() == kSysexEnd) {
        if (!std::equal(kMatrix1000Identity.begin(), kMatrix1000Identity.end(),
                        m.begin() + kIdentityAt))
            return false; // another make or model
        inquiryChannel_ = m[2] & 0x0F;
        std::array<Byte, 4> revision{};
        std::copy_n(m.begin() + kRevisionAt, revision.size(), revision.begin());
        revision_ = revision;
        return true;
    }
    const std::optional<SynthModel> model = recordModel(m);
    if (!model)
        return false;
    const std::size_t length = *model == SynthModel::Matrix1000 ? kGlobal1000Size : kMaster6Size;
    const UnpackResult record = unpackBlock(m, length, ChecksumRule::Global);
    if (!record.checksumOk())
        return false; // garbled on the way: no channel can be read from it
    recordModel_ = model;
    recordChannel_ = record.block[kBasicChannelByte] & 0x0F;
    return true;
}

DetectionResult InstrumentDetector::result() const
{
    DetectionResult result;
    // The record tells the model; the inquiry only ever comes from a
    // Matrix-1000, so without a record that is what answered.
    if (recordModel_)
        result.model = recordModel_;
    else if (inquiryChannel_)
        result.model = SynthModel::Matrix1000;
    if (!result.model)
        return result;
    result.channel = inquiryChannel_ ? *inquiryChannel_ : *recordChannel_;
    if (result.model == SynthModel::Matrix1000)
        result.revision = revision_;
    return result;
}

} // namespace velmora
