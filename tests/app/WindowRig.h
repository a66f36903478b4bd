// A main window over the built-in virtual instrument, with its program
// folder (settings, presets, the initial patch) in a folder of the test's
// own, so no test reads or writes beside the test program.
#pragma once

#include "app/AppPaths.h"
#include "app/MainWindow.h"
#include "support/TempDir.h"
#include "support/VirtualDevices.h"
#include "support/WidgetTesting.h"

#include <QAction>

#include <gtest/gtest.h>

#include <filesystem>

namespace velmora::test {

class ProgramFolder
{
public:
    ProgramFolder()
    {
        std::filesystem::copy_file(VELMORA_DEFAULT_SYX, dir_.path("default.syx"));
        AppPaths::setProgramFolderForTests(QString::fromStdString(dir_.dir().string()));
    }
    ~ProgramFolder() { AppPaths::setProgramFolderForTests({}); }
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    const TempDir& dir() const { return dir_; }

private:
    TempDir dir_;
};

// The window and the instrument it talks to.
struct WindowRig : VirtualDevices
{
    explicit WindowRig(SynthModel model = SynthModel::Matrix1000)
        : VirtualDevices(model), window(std::make_unique<MainWindow>(devices))
    {}

    // The main window's action (or menu item) `name`.
    QAction* action(const QString& name) const { return child<QAction>(*window, name); }

    std::unique_ptr<MainWindow> window;
};

} // namespace velmora::test
