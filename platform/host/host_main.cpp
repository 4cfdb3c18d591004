// The process entry of a phone program: the host sets up the phone and runs
// the WinMain the program links in.

#include <string>
#include <vector>

#include "platform/host/host.h"
#include "platform/include/winmain.h"

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return platform::host::run_phone(arguments, &WinMain);
}
