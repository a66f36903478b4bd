// velmora-syx: look into and convert the files Matrix patches are kept in,
// and move them to and from the instrument.
#include "SyxCommand.h"
#include "SyxPorts.h"

#include <QCoreApplication>

#include <iostream>

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "ports") {
        QCoreApplication app(argc, argv);
        velmora::midi::MidiDevices devices;
        velmora::syx::AddDefaultBackends(devices);
        const bool json = args.size() > 1 && args[1] == "--json";
        return velmora::syx::RunPorts(devices, json, std::cout);
    }
    return velmora::syx::RunSyx(args, std::cout, std::cerr);
}
