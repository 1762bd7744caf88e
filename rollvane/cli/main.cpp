#include "rollvane/cli/CliApplication.h"

#include <iostream>
#include <unistd.h>

int main(int argc, char *argv[])
{
    rollvane::CliApplication application(std::cout, std::cerr, isatty(STDERR_FILENO) != 0);
    return application.Run(std::vector<std::string>(argv + 1, argv + argc));
}
