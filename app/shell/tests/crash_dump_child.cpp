// Installs the crash-dump writer as the program does, then crashes as the
// first argument says: "segv", "abort" or "uninstalled" (a fault after
// uninstall). Exits with 3 when the install fails.
#include "shell/MiniDumper.h"

#include <cstdlib>
#include <string>
#include <sys/mman.h>

namespace
{

volatile int* g_page = nullptr;

void fault()
{
    *g_page = 1;
}

} // namespace

int main(int argc, char** argv)
{
    std::string mode = argc > 1 ? argv[1] : "";
    g_page = static_cast<volatile int*>(mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));

    MiniDumper dumper;
    if (!dumper.install(true))
        return 3;
    if (mode == "segv") {
        fault();
    } else if (mode == "abort") {
        abort();
    } else if (mode == "uninstalled") {
        dumper.uninstall();
        fault();
    }
    return 4;
}
