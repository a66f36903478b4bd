// The patch record's encodings, names, layout and the control tables.
#include "protocol/ControlTables.h"
#include "protocol/PatchLayout.h"
#include "protocol/PatchName.h"

#include <gtest/gtest.h>

#include <set>

using namespace velmora;

TEST(SignedValues, RoundTripThroughTheRecordByte)
{
    EXPECT_EQ(signedToByte(-1), 0xFF);
    EXPECT_EQ(signedToByte(-63), 0xC1);
    EXPECT_EQ(signedToByte(63), 0x3F);
    EXPECT_EQ(signedToByte(0), 0x00);
    for (int v = -63; v <= 63; ++v)
        EXPECT_EQ(byteToSigned(signedToByte(v)), v);
    // Out-of-range bytes read negative and write back unchanged.
    for (int b = 64; b < 256; ++b)
        EXPECT_EQ(signedToByte(byteToSigned(Byte(b))), b);
}

TEST(PatchNames, TypedNamesAreCutRaisedAndCleaned)
{
    // The rename and split dialogs show the raising and the blanking; here the
    // cut and the whole character set.
    EXPECT_EQ(normaliseName(std::string_view("strings & pad")), "STRINGS ");
    EXPECT_EQ(normaliseName(std::string_view("@^&\"_<>,")), "@^&\"_<>,");
    EXPECT_FALSE(isNameCharacter(U'a'));
    int count = 0;
    for (char32_t c = 0; c < 256; ++c)
        count += isNameCharacter(c);
    EXPECT_EQ(count, 55);
}

TEST(PatchLayout, CoversEveryDataByteOnceWithDistinctParameters)
{
    const auto fields = patchFields();
    ASSERT_EQ(fields.size(), kPatchRecordSize - kPatchNameLength);
    std::set<int> parameters;
    std::set<int> controls;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        EXPECT_EQ(fields[i].offset, kPatchNameLength + i);
        EXPECT_EQ(fieldAt(fields[i].offset), &fields[i]);
        if (fields[i].parameter != kNoParameter) {
            EXPECT_TRUE(parameters.insert(fields[i].parameter).second) << fields[i].name;
        }
        if (fields[i].control != kNoControl) {
            EXPECT_TRUE(controls.insert(fields[i].control).second) << fields[i].name;
        }
    }
    // Parameters 0..98 but 39, 49 and 89 each belong to one byte.
    EXPECT_EQ(parameters.size(), 96u);
    for (int unused : {39, 49, 89})
        EXPECT_FALSE(parameters.count(unused));
    EXPECT_EQ(*parameters.rbegin(), 98);
    // Bus bytes have no parameter: they travel in the matrix message.
    for (int bus = 1; bus <= kMatrixBusCount; ++bus)
        EXPECT_EQ(fieldAt(busOffset(bus) + 1)->parameter, kNoParameter);
    EXPECT_EQ(fieldAt(7), nullptr);
    EXPECT_EQ(fieldAt(134), nullptr);
}

TEST(PatchLayout, DescribesValuesAndKeepsOddOnesVisible)
{
    EXPECT_EQ(describeFieldValue(*fieldAt(8), 2), "Unison");
    EXPECT_EQ(describeFieldValue(*fieldAt(8), 9), "9 (out of range)");
    EXPECT_EQ(describeFieldValue(*fieldAt(19), 0xFF), "-1");
    EXPECT_EQ(describeFieldValue(*fieldAt(19), 0x05), "+5");
    EXPECT_EQ(describeFieldValue(*fieldAt(19), 0xD0), "-48 (out of range, byte 208)");
    EXPECT_EQ(describeFieldValue(*fieldAt(18), 0x05), "Pulse, Noise");
    EXPECT_EQ(describeFieldValue(*fieldAt(18), 0x00), "off");
    EXPECT_EQ(describeFieldValue(*fieldAt(13), 0x06), "Saw, other bits 4 (out of range)");
    EXPECT_EQ(describeFieldValue(*fieldAt(26), 127), "127");
    EXPECT_EQ(describeFieldValue(*fieldAt(39), 32), "32 (out of range)");
    EXPECT_EQ(describeFieldValue(*fieldAt(40), 16), "Pedal 1 ");
    EXPECT_EQ(describeFieldValue(*fieldAt(104), 0), "off");
    EXPECT_EQ(describeFieldValue(*fieldAt(106), 32), "Portamento Time");
    EXPECT_EQ(describeFieldValue(*fieldAt(106), 33), "33 (out of range)");
}

TEST(ControlTables, AgreeWithTheRecordLayout)
{
    const ControlTables& t = controls();
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(t.paramNumbers[70 + k], 0);
        EXPECT_EQ(t.patchOffsets[70 + k], 105 + 3 * k);
        EXPECT_EQ(t.controlNames[70 + k], "Mod Matrix Bus " + std::to_string(k + 1) + " Amount");
        EXPECT_EQ(t.controlNames[80 + k], "Mod Matrix Bus " + std::to_string(k + 1) + " Switch");
    }
    for (int unused : {40, 41, 64, 65, 66, 67, 68, 69, 90}) {
        EXPECT_TRUE(isUnusedControl(unused));
        EXPECT_EQ(t.controlNames[unused], "<not used>");
    }
    // Every used control below 64 names the byte it writes and its parameter.
    for (int c = 0; c < 64; ++c) {
        if (isUnusedControl(c))
            continue;
        const PatchField* field = fieldAt(t.patchOffsets[c]);
        ASSERT_NE(field, nullptr) << c;
        EXPECT_EQ(field->control, c);
        EXPECT_EQ(field->parameter, t.paramNumbers[c]);
        EXPECT_EQ(field->name, t.controlNames[c]);
    }
}
