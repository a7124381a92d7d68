// zr6180-host: a sample host of the ZR-6180 driver library.
#include <cstdio>

#include "tools/host/Commands.h"
#include "tools/host/Options.h"

int main(int argc, char** argv) {
    host::Options o;
    std::string error;
    if (!host::ParseOptions(argc, argv, o, error)) {
        o.json = host::AsksForJson(argc, argv);
        return host::Fail(o, host::kExitUsage, error + "\nTry 'zr6180-host --help'.");
    }
    return host::RunCommand(o);
}
