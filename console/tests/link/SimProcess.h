// Runs cvt80sim as a real process on its pseudo-terminal and reads its state dumps; runs the
// cvt80 tool and captures what it prints.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

// A scratch folder removed at the end.
class TempDir {
  public:
    TempDir() {
        char templ[] = "/tmp/cvt80testXXXXXX";
        if (!mkdtemp(templ)) throw std::runtime_error("mkdtemp");
        path_ = templ;
    }
    ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

class SimProcess {
  public:
    explicit SimProcess(std::vector<std::string> args) {
        statePath_ = dir_.file("state.json");
        std::vector<std::string> all = {CVT80SIM_PATH, "--state", statePath_};
        all.insert(all.end(), args.begin(), args.end());
        int out[2];
        if (pipe(out) != 0) throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::vector<char*> argv;
        for (std::string& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            throw std::runtime_error("cannot start cvt80sim");
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        // The first line is the terminal's path.
        char c;
        while (read(out[0], &c, 1) == 1 && c != '\n') path_ += c;
        close(out[0]);
        if (path_.empty()) throw std::runtime_error("cvt80sim printed no path");
    }
    ~SimProcess() {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }

    const std::string& path() const { return path_; }
    pid_t pid() const { return pid_; }

    // The whole state, as written on SIGUSR1.
    nlohmann::json State() {
        std::remove(statePath_.c_str());
        kill(pid_, SIGUSR1);
        for (int i = 0; i < 500; ++i) {
            std::ifstream in(statePath_);
            if (in) return nlohmann::json::parse(in);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        throw std::runtime_error("no state dump");
    }

    // The reader with this layout position.
    nlohmann::json Reader(int controller, int reader) {
        nlohmann::json state = State();
        for (auto& r : state["readers"])
            if (r["controller"] == controller && r["reader"] == reader) return r;
        throw std::runtime_error("no such reader in the dump");
    }

  private:
    TempDir dir_;
    std::string statePath_;
    std::string path_;
    pid_t pid_ = -1;
};

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs cvt80 with `args` in folder `cwd`.
inline ToolRun RunCvt80(const std::vector<std::string>& args, const std::string& cwd) {
    TempDir capture;
    std::string cmd = "cd '" + cwd + "' && '" + std::string(CVT80_PATH) + "'";
    for (const std::string& a : args) cmd += " '" + a + "'";
    cmd += " >'" + capture.file("out") + "' 2>'" + capture.file("err") + "'";
    ToolRun run;
    int status = std::system(cmd.c_str());
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    auto slurp = [](const std::string& path) {
        std::ifstream in(path);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    };
    run.out = slurp(capture.file("out"));
    run.err = slurp(capture.file("err"));
    return run;
}
