// DORVEX Device Config: start-up, event loop and shut-down live in
// ProgramStartup; this file only hands it the real services.
#include "shell/main/ProgramStartup.h"

int main(int argc, char* argv[])
{
    ProgramServices services;
    return ProgramStartup(services).run(argc, argv);
}
