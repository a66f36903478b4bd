// The patch record's encodings, names, layout and the control tables.
#include "ControlTables.h"
#include "PatchLayout.h"
#include "PatchName.h"

#include <gtest/gtest.h>

#include <set>

using namespace velmora;

TEST(SignedValues, RoundTripThroughTheRecordByte)
{
    EXPECT_EQ(SignedToByte(-1), 0xFF);
    EXPECT_EQ(SignedToByte(-63), 0xC1);
    EXPECT_EQ(SignedToByte(63), 0x3F);
    EXPECT_EQ(SignedToByte(0), 0x00);
    for (int v = -63; v <= 63; ++v)
        EXPECT_EQ(ByteToSigned(SignedToByte(v)), v);
    // Out-of-range bytes read negative and write back unchanged.
    for (int b = 64; b < 256; ++b)
        EXPECT_EQ(SignedToByte(ByteToSigned(Byte(b))), b);
}

TEST(PatchNames, TypedNamesAreCutRaisedAndCleaned)
{
    // The rename and split dialogs show the raising and the blanking; here the
    // cut and the whole character set.
    EXPECT_EQ(NormaliseName(std::string_view("strings & pad")), "STRINGS ");
    EXPECT_EQ(NormaliseName(std::string_view("@^&\"_<>,")), "@^&\"_<>,");
    EXPECT_FALSE(IsNameCharacter(U'a'));
    int count = 0;
    for (char32_t c = 0; c < 256; ++c)
        count += IsNameCharacter(c);
    EXPECT_EQ(count, 55);
}

TEST(PatchLayout, CoversEveryDataByteOnceWithDistinctParameters)
{
    const auto fields = PatchFields();
    ASSERT_EQ(fields.size(), kPatchRecordSize - kPatchNameLength);
    std::set<int> parameters;
    std::set<int> controls;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        EXPECT_EQ(fields[i].offset, kPatchNameLength + i);
        EXPECT_EQ(FieldAt(fields[i].offset), &fields[i]);
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
        EXPECT_EQ(FieldAt(BusOffset(bus) + 1)->parameter, kNoParameter);
    EXPECT_EQ(FieldAt(7), nullptr);
    EXPECT_EQ(FieldAt(134), nullptr);
}

TEST(PatchLayout, DescribesValuesAndKeepsOddOnesVisible)
{
    EXPECT_EQ(DescribeFieldValue(*FieldAt(8), 2), "Unison");
    EXPECT_EQ(DescribeFieldValue(*FieldAt(8), 9), "9 (out of range)");
    EXPECT_EQ(DescribeFieldValue(*FieldAt(19), 0xFF), "-1");
    EXPECT_EQ(DescribeFieldValue(*FieldAt(19), 0x05), "+5");
    EXPECT_EQ(DescribeFieldValue(*FieldAt(19), 0xD0), "-48 (out of range, byte 208)");
    EXPECT_EQ(DescribeFieldValue(*FieldAt(18), 0x05), "Pulse, Noise");
    EXPECT_EQ(DescribeFieldValue(*FieldAt(18), 0x00), "off");
    EXPECT_EQ(DescribeFieldValue(*FieldAt(13), 0x06), "Saw, other bits 4 (out of range)");
    EXPECT_EQ(DescribeFieldValue(*FieldAt(26), 127), "127");
    EXPECT_EQ(DescribeFieldValue(*FieldAt(39), 32), "32 (out of range)");
    EXPECT_EQ(DescribeFieldValue(*FieldAt(40), 16), "Pedal 1 ");
    EXPECT_EQ(DescribeFieldValue(*FieldAt(104), 0), "off");
    EXPECT_EQ(DescribeFieldValue(*FieldAt(106), 32), "Portamento Time");
    EXPECT_EQ(DescribeFieldValue(*FieldAt(106), 33), "33 (out of range)");
}

TEST(ControlTables, AgreeWithTheRecordLayout)
{
    const ControlTables& t = Controls();
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(t.ParamNumbers[70 + k], 0);
        EXPECT_EQ(t.PatchOffsets[70 + k], 105 + 3 * k);
        EXPECT_EQ(t.ControlNames[70 + k], "Mod Matrix Bus " + std::to_string(k + 1) + " Amount");
        EXPECT_EQ(t.ControlNames[80 + k], "Mod Matrix Bus " + std::to_string(k + 1) + " Switch");
    }
    for (int unused : {40, 41, 64, 65, 66, 67, 68, 69, 90}) {
        EXPECT_TRUE(IsUnusedControl(unused));
        EXPECT_EQ(t.ControlNames[unused], "<not used>");
    }
    // Every used control below 64 names the byte it writes and its parameter.
    for (int c = 0; c < 64; ++c) {
        if (IsUnusedControl(c))
            continue;
        const PatchField* field = FieldAt(t.PatchOffsets[c]);
        ASSERT_NE(field, nullptr) << c;
        EXPECT_EQ(field->control, c);
        EXPECT_EQ(field->parameter, t.ParamNumbers[c]);
        EXPECT_EQ(field->name, t.ControlNames[c]);
    }
}
