// velmora-syx as a user runs it against instruments on JACK: a bank backed up
// from one instrument, changed, restored into another and backed up again
// comes back byte for byte. Skipped when no JACK server runs.
#include "InstrumentProcess.h"
#include "Messages.h"
#include "SysexCodec.h"

#include <gtest/gtest.h>

#include <fcntl.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

using namespace velmora;
using namespace velmora::test;
namespace fs = std::filesystem;
using Bytes = std::vector<Byte>;

namespace {

Bytes ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class SyxBackupRestore : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!JackServerRuns())
            GTEST_SKIP() << "no JACK server is running; scripts/test.sh starts one";
        dir_ = fs::temp_directory_path() / ("velmora-syx-e2e-" + std::to_string(getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override
    {
        if (!dir_.empty())
            fs::remove_all(dir_);
    }

    // A fresh instrument answering at once; the name its ports start with.
    std::string StartInstrument()
    {
        static int serial = 0;
        const std::string name =
            "Velmora Syx " + std::to_string(getpid()) + "-" + std::to_string(serial++);
        instruments_.push_back(std::make_unique<InstrumentProcess>(
            std::vector<std::string>{"--name", name, "--pace", "fast"}));
        EXPECT_TRUE(instruments_.back()->WaitForLine("ready", 30s));
        return name;
    }

    // velmora-syx with these arguments; its exit code. Standard error goes
    // to err.txt.
    int Syx(const std::vector<std::string>& arguments)
    {
        std::vector<std::string> args{VELMORA_SYX_PATH};
        args.insert(args.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (auto& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        const std::string errPath = (dir_ / "err.txt").string();
        const pid_t pid = fork();
        if (pid == 0) {
            const int fd = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(fd, STDERR_FILENO);
            dup2(fd, STDOUT_FILENO);
            execv(argv[0], argv.data());
            _exit(127);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string Output() const
    {
        const Bytes bytes = ReadAll(dir_ / "err.txt");
        return std::string(bytes.begin(), bytes.end());
    }

    // A JACK client that misses a cycle on a busy machine loses that cycle's
    // MIDI; a backup that failed for it is tried again.
    bool Backup(const std::string& instrument, const std::string& file)
    {
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (Syx({"backup", "--in", instrument + " out", "--out", instrument + " in",
                     (dir_ / file).string()}) == 0)
                return true;
            std::cerr << "backup attempt " << attempt << " failed: " << Output();
        }
        return false;
    }

    fs::path dir_;
    std::vector<std::unique_ptr<InstrumentProcess>> instruments_;
};

} // namespace

TEST_F(SyxBackupRestore, RestoredBankComesBackByteForByte)
{
    const std::string a = StartInstrument();
    ASSERT_TRUE(Backup(a, "a.syx"));
    Bytes bank = ReadAll(dir_ / "a.syx");
    ASSERT_EQ(bank.size(), kBankSysexSize);
    EXPECT_EQ(fs::file_size(dir_ / "a-splits.syx"), 50 * kSplitMessageSize);
    EXPECT_EQ(fs::file_size(dir_ / "a-global.syx"), kGlobal1000MessageSize);

    // Patch 5 renamed, rebuilt as the program builds it.
    const auto fifth = std::span(bank).subspan(5 * kPatchMessageSize, kPatchMessageSize);
    PatchRecord record{};
    ASSERT_EQ(UnpackBlock(fifth, record), UnpackStatus::Ok);
    std::copy_n("RESTORED", 8, record.begin());
    const Message renamed = PatchToMemory(5, record);
    std::copy(renamed.begin(), renamed.end(), fifth.begin());
    std::ofstream(dir_ / "b.syx", std::ios::binary)
        .write(reinterpret_cast<const char*>(bank.data()), std::streamsize(bank.size()));

    const std::string b = StartInstrument();
    ASSERT_EQ(Syx({"restore", "--out", b + " in", (dir_ / "b.syx").string()}), 0) << Output();
    ASSERT_TRUE(Backup(b, "c.syx"));
    EXPECT_EQ(ReadAll(dir_ / "c.syx"), bank);
}
