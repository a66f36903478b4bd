// velmora-syx: look into and convert the files Matrix patches are kept in.
#include "SyxCommand.h"

#include <iostream>

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    return velmora::syx::RunSyx(args, std::cout, std::cerr);
}
