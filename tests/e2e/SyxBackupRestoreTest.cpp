// velmora-syx as a user runs it against instruments on JACK: a bank backed up
// from one instrument, changed, restored into another and backed up again
// comes back byte for byte. Skipped when no JACK server runs.
#include "e2e/InstrumentProcess.h"
#include "protocol/Messages.h"
#include "protocol/SysexCodec.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <iostream>

using namespace velmora;
using namespace velmora::test;
namespace fs = std::filesystem;
using Bytes = std::vector<Byte>;

namespace {

class SyxBackupRestore : public ::testing::Test
{
protected:
    void SetUp() override { VELMORA_SKIP_WITHOUT_JACK(); }

    // A fresh instrument; the name its ports start with.
    std::string startInstrument()
    {
        const std::string name = uniqueName("Velmora Syx");
        instruments_.push_back(test::startInstrument(name));
        EXPECT_TRUE(instruments_.back());
        return name;
    }

    // velmora-syx with these arguments (each in double quotes); its exit
    // code. What it printed is kept in output_.
    int syx(const std::vector<std::string>& arguments)
    {
        std::string command = VELMORA_SYX_PATH;
        for (const std::string& argument : arguments)
            command += " \"" + argument + "\"";
        std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
        output_.clear();
        for (int c; (c = std::fgetc(pipe)) != EOF;)
            output_ += static_cast<char>(c);
        const int status = pclose(pipe);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // A JACK client that misses a cycle on a busy machine loses that cycle's
    // MIDI; a backup that failed for it is tried again.
    bool backup(const std::string& instrument, const std::string& file)
    {
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (syx({"backup", "--in", instrument + " out", "--out", instrument + " in",
                     dir_.path(file)}) == 0)
                return true;
            std::cerr << "backup attempt " << attempt << " failed: " << output_;
        }
        return false;
    }

    TempDir dir_;
    std::string output_;
    std::vector<std::unique_ptr<InstrumentProcess>> instruments_;
};

} // namespace

TEST_F(SyxBackupRestore, RestoredBankComesBackByteForByte)
{
    const std::string a = startInstrument();
    ASSERT_TRUE(backup(a, "a.syx"));
    Bytes bank = dir_.read("a.syx");
    ASSERT_EQ(bank.size(), kBankSysexSize);
    EXPECT_EQ(fs::file_size(dir_.path("a-splits.syx")), 50 * kSplitMessageSize);
    EXPECT_EQ(fs::file_size(dir_.path("a-global.syx")), kGlobal1000MessageSize);

    // Patch 5 changed, rebuilt as the program builds it (a Matrix-1000 keeps
    // no names, so the change is to its sound).
    const auto fifth = std::span(bank).subspan(5 * kPatchMessageSize, kPatchMessageSize);
    PatchRecord record{};
    ASSERT_EQ(unpackBlock(fifth, record), UnpackStatus::Ok);
    record[20] ^= 0x01;
    const Message changed = patchToMemory(5, record);
    std::copy(changed.begin(), changed.end(), fifth.begin());

    const std::string b = startInstrument();
    ASSERT_EQ(syx({"restore", "--out", b + " in", dir_.write("b.syx", bank)}), 0) << output_;
    ASSERT_TRUE(backup(b, "c.syx"));
    EXPECT_EQ(dir_.read("c.syx"), bank);
}
