// Randomize and Mutate with scripted draws, and the "Mutate Setup" dialog
// driven by keys and clicks.
#include "library/PatchCommands.h"
#include "library/MutateSettingsDialog.h"
#include "support/WidgetTesting.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <utility>
#include <vector>

using namespace velmora;
using namespace velmora::library;

namespace {

// R(n) from a rule, or from a list of answers and then the rule.
class Scripted : public RandomSource
{
public:
    explicit Scripted(
        std::vector<int> answers, std::function<int(int)> rule = [](int) { return 0; })
        : answers_(std::move(answers)), rule_(std::move(rule))
    {}
    int next(int n) override
    {
        asked.push_back(n);
        const int v = next_ < answers_.size() ? answers_[next_++] : rule_(n);
        EXPECT_TRUE(v >= 0 && v < n) << "R(" << n << ") answered " << v;
        return v;
    }
    std::vector<int> asked;

private:
    std::vector<int> answers_;
    std::size_t next_ = 0;
    std::function<int(int)> rule_;
};

Scripted rule(std::function<int(int)> rule)
{
    return Scripted({}, std::move(rule));
}

constexpr Byte kMark = 0xAA;
// Offsets that Randomize never writes.
const std::set<std::size_t> kKept = {0, 1, 2, 3, 4, 5, 6, 7, 8, 31, 40, 47, 92, 93, 94, 95, 96};
bool kept(std::size_t offset)
{
    return kKept.count(offset) > 0 || offset >= kFirstBusOffset;
}

// The bar of group 1..9 of the "Mutate Setup" dialog.
QSlider* bar(const MutateSettingsDialog& dialog, int group)
{
    return test::child<QSlider>(dialog, QStringLiteral("tbMutate%1").arg(group));
}

PatchRecord randomized(RandomSource& random)
{
    PatchRecord record;
    record.fill(kMark);
    randomize(record, random);
    return record;
}

} // namespace

TEST(PatchCommands, RandomizeFollowsTheTableAtBothEnds)
{
    // Every draw at its highest: unsigned fields reach their maxima, signed
    // ones -63 (S63) and -31 (S31), the tracking input 20; both envelope 1
    // and 2 delays are 0.
    Scripted highest = rule([](int n) { return n - 1; });
    const PatchRecord top = randomized(highest);
    std::map<std::size_t, int> expected = {
        {12, 3}, {13, 3}, {17, 3},   {18, 4}, {19, 225}, {21, 1}, {22, 1},  {23, 3},
        {24, 1}, {25, 3}, {26, 127}, {28, 4}, {29, 4},   {33, 3}, {34, 1},  {36, 2},
        {37, 1}, {38, 5}, {39, 31},  {43, 2}, {44, 1},   {45, 5}, {46, 31}, {49, 3},
        {50, 0}, {56, 3}, {57, 1},   {58, 3}, {59, 0},   {65, 3}, {66, 1},  {67, 3},
        {74, 3}, {75, 1}, {76, 20},  {83, 1}, {85, 1}};
    for (std::size_t offset = 86; offset <= 103; ++offset)
        expected[offset] = 193;
    for (std::size_t offset = 9; offset < kPatchRecordSize; ++offset) {
        SCOPED_TRACE(offset);
        if (kept(offset))
            EXPECT_EQ(top[offset], kMark);
        else
            EXPECT_EQ(top[offset], expected.count(offset) ? expected[offset] : 63);
    }

    // Every draw 0: all written bytes 0, except that the mix rule gives the
    // silent DCO 1 its pulse wave and the whole mix.
    Scripted lowest = rule([](int) { return 0; });
    const PatchRecord bottom = randomized(lowest);
    for (std::size_t offset = 0; offset < kPatchRecordSize; ++offset) {
        SCOPED_TRACE(offset);
        const int want = kept(offset) ? kMark : offset == 13 ? 1 : offset == 20 ? 63 : 0;
        EXPECT_EQ(bottom[offset], want);
    }

    // The tracking generator never follows itself: a draw of 11 gives 9.
    Scripted eleven = rule([](int n) { return n == 21 ? 11 : 0; });
    EXPECT_EQ(randomized(eleven)[76], 9);
}

TEST(PatchCommands, SignedDrawsSkipTheSmallNegatives)
{
    // S63: 0..63 and -63..-32 (193..224); S31: 0..31 and -31..-16 (225..240).
    std::set<int> s63, s31, want63, want31;
    for (int v = 0; v < 127; ++v) {
        Scripted draw63({v}), draw31({v % 63});
        s63.insert(drawS63(draw63));
        s31.insert(drawS31(draw31));
    }
    for (int v = 0; v < 256; ++v) {
        if (v <= 63 || (v >= 193 && v <= 224))
            want63.insert(v);
        if (v <= 31 || (v >= 225 && v <= 240))
            want31.insert(v);
    }
    EXPECT_EQ(s63, want63);
    EXPECT_EQ(s31, want31);
}

TEST(PatchCommands, TheMixRuleNeverLeavesThePatchSilent)
{
    // Draws 0..10: bytes 9-11, 12, 13, 14-16, 18, 19, 20; then the rule's
    // own draw when one DCO is silent, else byte 21's.
    auto mix = [](int dco1, int dco2, int next) {
        Scripted script({0, 0, 0, 0, dco1, 0, 0, 0, dco2, 0, 40, next});
        const PatchRecord r = randomized(script);
        return std::pair{int(r[13]), int(r[20])};
    };
    EXPECT_EQ(mix(0, 3, 5), std::pair(0, 31 - 5)); // DCO 2 alone: mostly DCO 2
    EXPECT_EQ(mix(2, 0, 5), std::pair(2, 63 - 5)); // DCO 1 alone: mostly DCO 1
    EXPECT_EQ(mix(1, 4, 1), std::pair(1, 40));     // both: the drawn mix

    // Drawn from the clock: every patch has a sounding oscillator, DCO 2
    // shares DCO 1's fixed modulations, and the signed amounts keep to S63.
    for (int run = 0; run < 2000; ++run) {
        ClockRandom clock;
        const PatchRecord r = randomized(clock);
        ASSERT_TRUE(r[13] != 0 || r[18] != 0);
        ASSERT_TRUE(r[13] != 0 || r[20] <= 31);
        ASSERT_TRUE(r[18] != 0 || r[20] >= 31);
        ASSERT_EQ(r[17], r[12]);
        for (std::size_t offset : {86, 87, 88, 89, 90, 91, 97, 98, 99, 100, 101, 102, 103})
            ASSERT_TRUE(r[offset] <= 63 || (r[offset] >= 193 && r[offset] <= 224));
    }
}

TEST(PatchCommands, MutatorsFollowTheExamples)
{
    auto step = [](int s, int d) { return Scripted({s, d}); };
    Scripted a = step(1, 5), b = step(0, 7), c = step(1, 10), d = step(0, 8), e = step(0, 8);
    EXPECT_EQ(mutateUnsigned(63, 3, 63, a), 58);
    EXPECT_EQ(mutateUnsigned(2, 4, 63, b), 7);
    EXPECT_EQ(mutateSigned63(60, 6, c), 53);
    EXPECT_EQ(mutateSigned63(195, 5, d), 200);
    EXPECT_EQ(mutateSigned63(254, 5, e), 246);
    Scripted f = step(1, 5), g = step(1, 9);
    EXPECT_EQ(mutateSigned31(30, 6, f), 26);
    EXPECT_EQ(mutateSigned63(254, 5, g), 9); // past 255 the step itself
    // A byte beyond its range follows the same arithmetic: 255 - 3 > 63.
    Scripted h = step(0, 3);
    EXPECT_EQ(mutateUnsigned(255, 10, 63, h), 66);

    // A bus with source 18 and a step of +3 gets 18 - 3 + 1 = 16.
    PatchRecord record{};
    record[104] = 18;
    record[106] = 5;
    Scripted bus({1, 3, 1, 0, 1, 0});
    mutate(record, MutateFactors{0, 0, 0, 0, 0, 0, 0, 0, 2}, BusSelection{true}, bus);
    EXPECT_EQ(record[104], 16);
    EXPECT_EQ(record[106], 6);
    EXPECT_EQ(record[105], 0);

    // A factor above 10 works as 10: steps come from R(20).
    Scripted big = rule([](int) { return 0; });
    mutate(record, MutateFactors{0, 0, 0, 0, 0, 200}, BusSelection{}, big);
    EXPECT_EQ(big.asked, (std::vector<int>{2, 20, 2, 20}));
}

TEST(PatchCommands, EachGroupMutatesItsOwnBytes)
{
    const std::vector<std::vector<int>> groups = {
        {9, 10, 11, 14, 15, 16, 20, 86, 87, 88, 89, 19},
        {26, 30, 27, 90, 91, 100, 101},
        {31, 92},
        {35, 41, 42, 48, 39, 46, 97, 102, 98, 103},
        {50, 51, 52, 54, 55, 59, 60, 61, 62, 63, 64, 68, 69, 70, 71, 72, 73, 94, 95, 96},
        {82, 84},
        {76, 77, 78, 79, 80, 81},
        {32, 99},
        // Ticked buses 1 and 4: source and destination +1 and raised by one.
        {104, 105, 106, 113, 114, 115}};
    for (std::size_t group = 0; group < groups.size(); ++group) {
        SCOPED_TRACE(group + 1);
        PatchRecord record;
        record.fill(10);
        MutateFactors factors{};
        factors[group] = 2;
        Scripted plusOne = rule([](int n) { return n > 1 ? 1 : 0; });
        mutate(record, factors, BusSelection{true, false, false, true}, plusOne);
        std::vector<int> changed;
        for (std::size_t offset = 0; offset < record.size(); ++offset) {
            if (record[offset] != 10)
                changed.push_back(static_cast<int>(offset));
        }
        std::vector<int> want = groups[group];
        std::sort(want.begin(), want.end());
        EXPECT_EQ(changed, want);
        EXPECT_EQ(plusOne.asked.size(), 2 * want.size());
    }
}

TEST(MutateSetup, BarsStoreAtOnceAndCancelPutsThemBack)
{
    MutateFactors factors{0, 3, 0, 0, 5, 0, 0, 0, 10};
    const MutateFactors original = factors;
    GroupLocks locks{};
    {
        MutateSettingsDialog dialog(factors, locks);
        for (int group = 1; group <= 9; ++group) {
            EXPECT_EQ(bar(dialog, group)->maximum(), 10);
            EXPECT_EQ(bar(dialog, group)->value(), original[static_cast<std::size_t>(group - 1)]);
        }
        dialog.show();
        QTest::keyClick(bar(dialog, 1), Qt::Key_Up);
        EXPECT_EQ(factors[0], 1);
        QTest::keyClick(bar(dialog, 2), Qt::Key_End);
        EXPECT_EQ(factors[1], 10);
        QSlider* env = bar(dialog, 5);
        QTest::mouseClick(env, Qt::LeftButton, {}, QPoint(env->width() / 2, env->height() - 3));
        EXPECT_LT(factors[4], 5);
        EXPECT_EQ(factors[4], env->value());

        int topic = 0;
        QObject::connect(&dialog, &MutateSettingsDialog::helpRequested, [&](int t) { topic = t; });
        QTest::mouseClick(test::button(dialog, "&Help"), Qt::LeftButton);
        EXPECT_EQ(topic, 1020);
        QTest::mouseClick(test::child<QCheckBox>(dialog, "cbLock5"), Qt::LeftButton);
        EXPECT_TRUE(locks[4]);
        QTest::mouseClick(test::button(dialog, "&Cancel"), Qt::LeftButton);
        EXPECT_EQ(factors, original);
        EXPECT_EQ(locks, GroupLocks{});
    }
    MutateSettingsDialog dialog(factors, locks);
    dialog.show();
    QTest::keyClick(bar(dialog, 9), Qt::Key_Home);
    QTest::mouseClick(test::child<QCheckBox>(dialog, "cbLock5"), Qt::LeftButton);
    QTest::mouseClick(test::button(dialog, "&OK"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(factors[8], 0);
    EXPECT_TRUE(locks[4]);
}

// Every data field but the keyboard mode belongs to one of the nine groups,
// and a locked group keeps every byte through Randomize and Mutate.
TEST(PatchCommands, LockedGroupsKeepEveryByteTheyHold)
{
    std::array<int, kMutateGroupCount> fields{};
    for (std::size_t offset = 8; offset < kPatchRecordSize; ++offset) {
        const auto group = lockGroupOf(offset);
        EXPECT_EQ(group.has_value(), offset != 8) << "offset " << offset;
        if (group)
            ++fields[*group];
    }
    for (const int count : fields)
        EXPECT_GT(count, 0);

    GroupLocks locks{};
    locks[1] = locks[4] = locks[8] = true; // VCF, envelopes, matrix
    for (const bool mutating : {false, true}) {
        SCOPED_TRACE(mutating ? "Mutate" : "Randomize");
        PatchRecord record;
        record.fill(kMark); // outside every range: any change shows
        const PatchRecord before = record;
        auto random = rule([](int n) { return n - 1; });
        if (mutating) {
            BusSelection all;
            all.fill(true);
            mutate(record, MutateFactors{10, 10, 10, 10, 10, 10, 10, 10, 10}, all, random);
        } else {
            randomize(record, random);
        }
        keepLocked(record, before, locks);
        std::size_t changed = 0;
        for (std::size_t offset = 0; offset < kPatchRecordSize; ++offset) {
            const auto group = lockGroupOf(offset);
            if (group && locks[*group]) {
                EXPECT_EQ(record[offset], kMark) << "offset " << offset;
            }
            changed += record[offset] != kMark ? 1 : 0;
        }
        EXPECT_GT(changed, 10u);
    }
}
