// velmora-syx as a user runs it against instruments on JACK: a bank backed up
// from one instrument, changed, restored into another and backed up again
// comes back byte for byte. Skipped when no JACK server runs.
#include "InstrumentProcess.h"
#include "Messages.h"
#include "SysexCodec.h"
#include "TempDir.h"

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
    std::string StartInstrument()
    {
        const std::string name = UniqueName("Velmora Syx");
        instruments_.push_back(test::StartInstrument(name));
        EXPECT_TRUE(instruments_.back());
        return name;
    }

    // velmora-syx with these arguments (each in double quotes); its exit
    // code. What it printed is kept in output_.
    int Syx(const std::vector<std::string>& arguments)
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
    bool Backup(const std::string& instrument, const std::string& file)
    {
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (Syx({"backup", "--in", instrument + " out", "--out", instrument + " in",
                     dir_.Path(file)}) == 0)
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
    const std::string a = StartInstrument();
    ASSERT_TRUE(Backup(a, "a.syx"));
    Bytes bank = dir_.Read("a.syx");
    ASSERT_EQ(bank.size(), kBankSysexSize);
    EXPECT_EQ(fs::file_size(dir_.Path("a-splits.syx")), 50 * kSplitMessageSize);
    EXPECT_EQ(fs::file_size(dir_.Path("a-global.syx")), kGlobal1000MessageSize);

    // Patch 5 renamed, rebuilt as the program builds it.
    const auto fifth = std::span(bank).subspan(5 * kPatchMessageSize, kPatchMessageSize);
    PatchRecord record{};
    ASSERT_EQ(UnpackBlock(fifth, record), UnpackStatus::Ok);
    std::copy_n("RESTORED", 8, record.begin());
    const Message renamed = PatchToMemory(5, record);
    std::copy(renamed.begin(), renamed.end(), fifth.begin());

    const std::string b = StartInstrument();
    ASSERT_EQ(Syx({"restore", "--out", b + " in", dir_.Write("b.syx", bank)}), 0) << output_;
    ASSERT_TRUE(Backup(b, "c.syx"));
    EXPECT_EQ(dir_.Read("c.syx"), bank);
}
