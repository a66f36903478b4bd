// A main window over the built-in virtual instrument, with its program
// folder (settings, presets, the initial patch) in a folder of the test's
// own, so no test reads or writes beside the test program.
#pragma once

#include "AppPaths.h"
#include "TempDir.h"
#include "TfrmMain.h"
#include "VirtualBackend.h"

#include <QCoreApplication>
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
struct WindowRig
{
    explicit WindowRig(Model model = Model::Matrix1000)
    {
        auto owned = std::make_unique<midi::VirtualBackend>(model);
        backend = owned.get();
        devices.AddBackend(std::move(owned));
        window = std::make_unique<TfrmMain>(devices);
    }

    // Lets the instrument answer and the window take the answer in.
    template <typename Done> bool WaitFor(Done done)
    {
        for (int i = 0; i < 200 && !done(); ++i) {
            backend->WaitIdle();
            QCoreApplication::processEvents();
        }
        return done();
    }
    std::vector<std::vector<Byte>> Received()
    {
        backend->WaitIdle();
        std::vector<std::vector<Byte>> log;
        backend->WithInstrument([&](VirtualInstrument& i) { log = i.ReceivedLog(); });
        return log;
    }
    void ClearLog()
    {
        backend->WaitIdle();
        backend->WithInstrument([](VirtualInstrument& i) { i.ClearLog(); });
    }

    midi::MidiDevices devices;
    midi::VirtualBackend* backend = nullptr;
    std::unique_ptr<TfrmMain> window;
};

} // namespace velmora::test
