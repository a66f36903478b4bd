// velmora-syx: look into and convert the files Matrix patches are kept in,
// and move them to and from the instrument.
#include "velmora-syx/LibraryCommand.h"
#include "velmora-syx/SyxCommand.h"
#include "velmora-syx/SyxPorts.h"
#include "velmora-syx/SyxTransferCommands.h"

#include <QCoreApplication>

#include <iostream>

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "library") {
        QCoreApplication app(argc, argv);
        return velmora::syx::runLibrary(args, std::cout, std::cerr);
    }
    const bool ports = !args.empty() && args[0] == "ports";
    if (ports || (!args.empty() && velmora::syx::isTransferCommand(args[0]))) {
        QCoreApplication app(argc, argv);
        velmora::midi::MidiDevices devices;
        velmora::syx::addDefaultBackends(devices);
        if (!ports)
            return velmora::syx::runTransferCommand(devices, args, std::cout, std::cerr);
        const bool json = args.size() > 1 && args[1] == "--json";
        return velmora::syx::runPorts(devices, json, std::cout);
    }
    return velmora::syx::runSyx(args, std::cout, std::cerr);
}
