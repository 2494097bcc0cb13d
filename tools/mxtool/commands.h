// mxtool's sub-commands register themselves here, one source file each.
#pragma once

#include <map>
#include <string>

namespace mxtool {

// argv[0] is the sub-command's name; returns the process exit code.
using Command = int (*)(int argc, char** argv);

struct CommandInfo {
    Command run = nullptr;
    std::string usage;  // one line, e.g. "show FILE"
};

inline std::map<std::string, CommandInfo>& Commands() {
    static std::map<std::string, CommandInfo> commands;
    return commands;
}

struct RegisterCommand {
    RegisterCommand(const char* name, const char* usage, Command run) {
        Commands()[name] = CommandInfo{run, usage};
    }
};

}  // namespace mxtool
