// A main window over the built-in virtual instrument, with its program
// folder (settings, presets, the initial patch) in a folder of the test's
// own, so no test reads or writes beside the test program.
#pragma once

#include "AppPaths.h"
#include "TempDir.h"
#include "TfrmMain.h"
#include "VirtualDevices.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace velmora::test {

class ProgramFolder
{
public:
    ProgramFolder()
    {
        std::filesystem::copy_file(VELMORA_DEFAULT_SYX, dir_.Path("default.syx"));
        AppPaths::SetProgramFolderForTests(QString::fromStdString(dir_.Dir().string()));
    }
    ~ProgramFolder() { AppPaths::SetProgramFolderForTests({}); }
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    const TempDir& Dir() const { return dir_; }

private:
    TempDir dir_;
};

// The window and the instrument it talks to.
struct WindowRig : VirtualDevices
{
    explicit WindowRig(Model model = Model::Matrix1000)
        : VirtualDevices(model), window(std::make_unique<TfrmMain>(devices))
    {}

    std::unique_ptr<TfrmMain> window;
};

} // namespace velmora::test
