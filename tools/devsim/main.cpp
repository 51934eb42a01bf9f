// Device simulator: plays many cameras and recorders on a lab network.
#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--help") == 0) {
        std::puts("usage: devsim [--generate N --seed S] [--devices FILE]");
        return 0;
    }
    std::puts("devsim: no devices yet");
    return 0;
}
