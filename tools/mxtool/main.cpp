#include <cstdio>
#include <cstring>

#include "commands.h"

int main(int argc, char** argv) {
    auto& commands = mxtool::Commands();
    if (argc >= 2) {
        auto it = commands.find(argv[1]);
        if (it != commands.end()) return it->second.run(argc - 1, argv + 1);
        std::fprintf(stderr, "mxtool: unknown command '%s'\n", argv[1]);
    }
    std::fprintf(stderr, "usage:\n");
    for (const auto& [name, info] : commands) std::fprintf(stderr, "  mxtool %s\n", info.usage.c_str());
    return 2;
}
