// velmora-syx: look into and convert the files Matrix patches are kept in,
// and move them to and from the instrument.
#include "SyxCommand.h"
#include "SyxPorts.h"
#include "SyxTransferCommands.h"

#include <QCoreApplication>

#include <iostream>

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const bool ports = !args.empty() && args[0] == "ports";
    if (ports || (!args.empty() && velmora::syx::IsTransferCommand(args[0]))) {
        QCoreApplication app(argc, argv);
        velmora::midi::MidiDevices devices;
        velmora::syx::AddDefaultBackends(devices);
        if (!ports)
            return velmora::syx::RunTransferCommand(devices, args, std::cout, std::cerr);
        const bool json = args.size() > 1 && args[1] == "--json";
        return velmora::syx::RunPorts(devices, json, std::cout);
    }
    return velmora::syx::RunSyx(args, std::cout, std::cerr);
}
