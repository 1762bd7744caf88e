#include "rollvane/cli/CliApplication.h"
#include "rollvane/cli/DescriptorStream.h"

#include <iostream>
#include <unistd.h>

int main(int argc, char *argv[])
{
    rollvane::DescriptorStream out(STDOUT_FILENO);
    rollvane::CliApplication application(out, std::cerr, isatty(STDERR_FILENO) != 0);
    return application.Run(std::vector<std::string>(argv + 1, argv + argc));
}
