// velmora-instrument's fault options, on its command line and as the fault
// commands it reads from standard input.
#include "velmora-instrument/InstrumentOptions.h"

#include <gtest/gtest.h>

#include <vector>

using namespace velmora::instrument_tool;

TEST(InstrumentFaultCommand, NamesFaultsAndTurnsTheOthersOff)
{
    const auto all =
        parseFaultCommand("--drop 3  --stall 40:3800\t--bad-checksum 7 --drop-store 12\r");
    ASSERT_TRUE(all);
    EXPECT_EQ(all->instrument.dropMessage, 3);
    EXPECT_EQ(all->instrument.dropStore, 12);
    EXPECT_EQ(all->instrument.badChecksumDump, 7);
    EXPECT_EQ(all->stall, (std::pair{40, 3800}));

    const auto one = parseFaultCommand("--bad-checksum 0");
    ASSERT_TRUE(one);
    EXPECT_EQ(one->instrument.badChecksumDump, 0);
    EXPECT_EQ(one->instrument.dropMessage, -1);
    EXPECT_EQ(one->instrument.dropStore, -1);
    EXPECT_FALSE(one->stall);

    const auto none = parseFaultCommand("");
    ASSERT_TRUE(none);
    EXPECT_EQ(none->instrument.dropMessage, -1);
    EXPECT_EQ(none->instrument.badChecksumDump, -1);
    EXPECT_EQ(none->instrument.dropStore, -1);
    EXPECT_FALSE(none->stall);
}

TEST(InstrumentFaultCommand, RefusesAnythingElse)
{
    for (const char* line :
         {"--drop", "--drop x", "--drop -1", "--stall 5", "--stall 5:", "--stall :5",
          "--name other", "--verbose", "drop 3", "--drop 3 4", "--drop-store", "--drop-store -2"})
        EXPECT_FALSE(parseFaultCommand(line)) << line;
}

TEST(InstrumentOptions, TakesTheFaultsAndTheCommandSwitch)
{
    std::vector<std::string> args{"velmora-instrument",
                                  "--commands",
                                  "--drop",
                                  "2",
                                  "--stall",
                                  "1:500",
                                  "--pace",
                                  "fast",
                                  "--receive",
                                  "cable",
                                  "--stamp",
                                  "--drop-store",
                                  "99",
                                  "--edits",
                                  "1.11",
                                  "--memory-protect"};
    std::vector<char*> argv;
    for (auto& arg : args)
        argv.push_back(arg.data());
    const auto options = parseOptions(static_cast<int>(argv.size()), argv.data());
    ASSERT_TRUE(options);
    EXPECT_TRUE(options->commands);
    EXPECT_EQ(options->faults.instrument.dropMessage, 2);
    EXPECT_EQ(options->faults.instrument.badChecksumDump, -1);
    EXPECT_EQ(options->faults.instrument.dropStore, 99);
    EXPECT_EQ(options->faults.stall, (std::pair{1, 500}));
    // Answers at once, yet takes what comes in at cable pace.
    EXPECT_EQ(options->pace, velmora::PacedLink::Pace::Immediate);
    EXPECT_EQ(options->receive, velmora::PacedLink::Pace::CableSpeed);
    EXPECT_TRUE(options->stamp);
    EXPECT_TRUE(options->edits111);
    EXPECT_TRUE(options->memoryProtect);

    args = {"velmora-instrument", "--stall", "1"};
    argv.clear();
    for (auto& arg : args)
        argv.push_back(arg.data());
    testing::internal::CaptureStderr();
    EXPECT_FALSE(parseOptions(static_cast<int>(argv.size()), argv.data()));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("bad value \"1\" for --stall"),
              std::string::npos);
}
