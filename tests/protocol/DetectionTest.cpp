// Detection against the virtual instrument itself: every request of a
// detection goes in, every answer it gives comes back to the detector, as a
// port pair would carry them.
#include "protocol/Detection.h"
#include "instrument/VirtualInstrument.h"
#include "protocol/SysexCodec.h"

#include <gtest/gtest.h>

using namespace velmora;
using Bytes = std::vector<Byte>;

namespace {

// Runs a whole detection against the instrument; `answers` collects what it sent.
DetectionResult detect(VirtualInstrument& instrument, std::vector<Bytes>* answers = nullptr)
{
    InstrumentDetector detector;
    std::vector<Bytes> heard;
    instrument.setOutput([&](std::span<const Byte> m) { heard.emplace_back(m.begin(), m.end()); });
    for (const Message& m : detectionRequests())
        instrument.receive(m);
    for (const Bytes& m : heard)
        detector.take(m);
    if (answers)
        *answers = heard;
    EXPECT_EQ(detector.complete(), !heard.empty());
    return detector.result();
}

} // namespace

TEST(Detection, RequestsGoOutInquiriesFirstThenTheGlobalRequest)
{
    EXPECT_EQ(deviceInquiry(0), (Bytes{0xF0, 0x7E, 0x00, 0x06, 0x01, 0xF7}));
    EXPECT_EQ(deviceInquiry(15), (Bytes{0xF0, 0x7E, 0x0F, 0x06, 0x01, 0xF7}));
    const std::vector<Message> all = detectionRequests();
    ASSERT_EQ(all.size(), 18u);
    for (int channel = 0; channel < 16; ++channel)
        EXPECT_EQ(all[static_cast<std::size_t>(channel)], deviceInquiry(channel));
    EXPECT_EQ(all[16], (Bytes{0xF0, 0x10, 0x06, 0x05, 0xF7}));
    EXPECT_EQ(all[17], (Bytes{0xF0, 0x10, 0x06, 0x04, 0x03, 0x00, 0xF7}));
}

TEST(Detection, FindsAMatrix1000ItsChannelAndRevisionBytes)
{
    VirtualInstrument instrument(SynthModel::Matrix1000);
    instrument.setChannel(4);
    instrument.setFirmware({0x01, 0x01, 0x06, 0x00});
    std::vector<Bytes> answers;
    const DetectionResult found = detect(instrument, &answers);
    // One inquiry answer (on its own channel only), then the global record.
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[0].size(), 15u);
    EXPECT_EQ(answers[1].size(), kGlobal1000MessageSize);
    ASSERT_TRUE(found.found());
    EXPECT_EQ(*found.model, SynthModel::Matrix1000);
    EXPECT_EQ(found.channel, 4);
    ASSERT_TRUE(found.revision);
    EXPECT_EQ(*found.revision, (std::array<Byte, 4>{0x01, 0x01, 0x06, 0x00}));
    EXPECT_EQ(describeFound(found),
              "Found a Matrix-1000 on MIDI channel 5 (device inquiry reply bytes 01 01 06 00).");
}

TEST(Detection, FindsAMatrix6ByItsMasterRecord)
{
    VirtualInstrument instrument(SynthModel::Matrix6);
    // Its channel lives in byte 11 of the master record.
    instrument.setChannel(2);
    std::vector<Bytes> answers;
    const DetectionResult found = detect(instrument, &answers);
    ASSERT_EQ(answers.size(), 1u); // no inquiry answer
    EXPECT_EQ(answers[0].size(), kMaster6MessageSize);
    ASSERT_TRUE(found.found());
    EXPECT_EQ(*found.model, SynthModel::Matrix6);
    EXPECT_EQ(found.channel, 2);
    EXPECT_FALSE(found.revision);
    EXPECT_EQ(describeFound(found), "Found a Matrix-6 on MIDI channel 3.");
}

TEST(Detection, PartialAndForeignAnswers)
{
    // Nothing heard: nothing found, nothing to describe.
    InstrumentDetector silent;
    EXPECT_FALSE(silent.complete());
    EXPECT_FALSE(silent.result().found());
    EXPECT_EQ(describeFound(silent.result()), "");

    // Another maker's answer to the inquiry, a patch dump and a cut record
    // are none of the detection's business.
    InstrumentDetector detector;
    EXPECT_FALSE(detector.take(Bytes{0xF0, 0x7E, 0x00, 0x06, 0x02, 0x41, 0x06, 0x00, 0x02, 0x00,
                                     0x01, 0x02, 0x00, 0x00, 0xF7}));
    EXPECT_FALSE(detector.take(Bytes{0xF0, 0x10, 0x06, 0x03, 0x03, 0x00, 0xF7}));
    VirtualInstrument instrument(SynthModel::Matrix1000);
    std::vector<Bytes> heard;
    instrument.setOutput([&](std::span<const Byte> m) { heard.emplace_back(m.begin(), m.end()); });
    instrument.receive(request(RequestType::OnePatch, 3));
    instrument.receive(request(RequestType::Global));
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_FALSE(detector.take(heard[0]));
    Bytes garbled = heard[1];
    garbled[5 + 2 * 11] ^= 0x02; // the channel byte, checksum unchanged
    EXPECT_FALSE(detector.take(garbled));
    EXPECT_FALSE(detector.result().found());

    // Only the inquiry answer came (the record was lost): a Matrix-1000 all
    // the same, on the channel it answered on.
    instrument.setChannel(9);
    heard.clear();
    instrument.receive(deviceInquiry(9));
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_TRUE(detector.take(heard[0]));
    EXPECT_FALSE(detector.complete());
    const DetectionResult found = detector.result();
    ASSERT_TRUE(found.found());
    EXPECT_EQ(*found.model, SynthModel::Matrix1000);
    EXPECT_EQ(found.channel, 9);
    EXPECT_EQ(revisionText(*found.revision), "01 02 00 00");
}
