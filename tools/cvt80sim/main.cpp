// cvt80sim: a bus of CVT80 readers and access controllers served on a pseudo-terminal.
// Prints the terminal's path as the first line of stdout, then serves until SIGTERM; SIGUSR1
// writes the whole state as JSON to the --state file.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "Bus.h"

namespace {

const char kUsage[] =
    "usage: cvt80sim [--layout L] [--state FILE] [--faults F] [--template-dir DIR]\n"
    "                [--card C:NO=ID]... [--clear-delay MS] [--version TEXT] [--any-speed]\n"
    "  --layout L        readers and controllers, e.g. \"0:1,2;3:1,5\": readers 1 and 2 on the\n"
    "                    line, controller 3 with readers 1 and 5 (default \"0:1\"); N@I gives a\n"
    "                    device the baud index I (default 5, 19200 baud)\n"
    "  --state FILE      where SIGUSR1 writes the state as JSON\n"
    "  --faults F        e.g. \"0.1:silent;3.5:badcheck=2,delay=100;3:noise=20\" (see README)\n"
    "  --template-dir D  EnrollUser of user U stores D/U.txt (768 hex characters) if present\n"
    "  --card C:NO=ID    card ID stored in controller C under card number NO\n"
    "  --clear-delay MS  time a reader takes to clear all users (default 1000)\n"
    "  --version TEXT    firmware version text of every reader (default 02.10-15)\n"
    "  --any-speed       answer whatever baud rate the line is set to\n";

long baudOf(speed_t speed) {
    switch (speed) {
        case B1200:
            return 1200;
        case B2400:
            return 2400;
        case B4800:
            return 4800;
        case B9600:
            return 9600;
        case B19200:
            return 19200;
        case B38400:
            return 38400;
        case B57600:
            return 57600;
        case B115200:
            return 115200;
        case B230400:
            return 230400;
        default:
            return -1;
    }
}

int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool writeState(const std::string& path, const std::string& json) {
    if (path.empty()) return false;
    // Written beside and renamed, so a reader never sees half a file.
    std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out << json;
        if (!out) return false;
    }
    return std::rename(temp.c_str(), path.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string layout = "0:1", statePath, version;
    std::vector<std::string> faults, cards;
    std::string templateDir;
    int clearDelay = 1000;
    bool anySpeed = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "cvt80sim: %s needs a value\n%s", a.c_str(), kUsage);
                std::exit(2);
            }
            into = argv[++i];
        };
        std::string v;
        if (a == "--layout")
            value(layout);
        else if (a == "--state")
            value(statePath);
        else if (a == "--faults")
            value(v), faults.push_back(v);
        else if (a == "--card")
            value(v), cards.push_back(v);
        else if (a == "--template-dir")
            value(templateDir);
        else if (a == "--clear-delay")
            value(v), clearDelay = std::atoi(v.c_str());
        else if (a == "--version")
            value(version);
        else if (a == "--any-speed")
            anySpeed = true;
        else if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else {
            std::fprintf(stderr, "cvt80sim: unknown option %s\n%s", a.c_str(), kUsage);
            return 2;
        }
    }

    sim::Bus bus;
    std::string error;
    if (!bus.Configure(layout, error)) {
        std::fprintf(stderr, "cvt80sim: %s\n", error.c_str());
        return 2;
    }
    for (const std::string& f : faults)
        if (!bus.AddFaults(f, error)) {
            std::fprintf(stderr, "cvt80sim: %s\n", error.c_str());
            return 2;
        }
    for (const std::string& c : cards)
        if (!bus.AddCard(c, error)) {
            std::fprintf(stderr, "cvt80sim: %s\n", error.c_str());
            return 2;
        }
    bus.SetTemplateDir(templateDir);
    bus.SetClearDelay(clearDelay);
    if (!version.empty()) bus.SetVersion(version);

    int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::fprintf(stderr, "cvt80sim: no pseudo-terminal: %s\n", std::strerror(errno));
        return 1;
    }
    const char* name = ptsname(master);
    std::string slavePath = name ? name : "";
    // Holding the other side open keeps the terminal alive between the console's opens, and
    // lets the simulator see the line speed the console set.
    int slave = open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        std::fprintf(stderr, "cvt80sim: %s: %s\n", slavePath.c_str(), std::strerror(errno));
        return 1;
    }
    termios tio{};
    tcgetattr(slave, &tio);
    cfmakeraw(&tio);
    cfsetispeed(&tio, B19200);
    cfsetospeed(&tio, B19200);
    tcsetattr(slave, TCSANOW, &tio);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGUSR1);
    sigaddset(&signals, SIGHUP);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    int sfd = signalfd(-1, &signals, SFD_CLOEXEC);
    signal(SIGPIPE, SIG_IGN);

    std::printf("%s\n", slavePath.c_str());
    std::fflush(stdout);

    std::multimap<int64_t, std::string> due;  // replies by the time they go out
    std::vector<sim::Output> outputs;
    uint8_t buffer[4096];
    for (;;) {
        int timeout = -1;
        if (!due.empty())
            timeout = static_cast<int>(std::max<int64_t>(0, due.begin()->first - nowMs()));
        pollfd fds[2] = {{master, POLLIN, 0}, {sfd, POLLIN, 0}};
        int ready = poll(fds, 2, timeout);
        if (ready < 0 && errno != EINTR) break;

        if (fds[1].revents & POLLIN) {
            signalfd_siginfo info{};
            if (read(sfd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
                if (info.ssi_signo == SIGUSR1) {
                    if (!writeState(statePath, bus.StateJson()))
                        std::fprintf(stderr, "cvt80sim: cannot write state to '%s'\n",
                                     statePath.c_str());
                } else {
                    break;
                }
            }
        }
        if (fds[0].revents & POLLIN) {
            ssize_t n = read(master, buffer, sizeof buffer);
            if (n > 0) {
                long lineBaud = 0;
                if (!anySpeed) {
                    termios line{};
                    lineBaud = tcgetattr(slave, &line) == 0 ? baudOf(cfgetospeed(&line)) : 0;
                }
                outputs.clear();
                bus.Receive(buffer, static_cast<size_t>(n), lineBaud, outputs);
                const int64_t now = nowMs();
                for (sim::Output& o : outputs) due.emplace(now + o.delayMs, std::move(o.bytes));
            }
        }
        const int64_t now = nowMs();
        while (!due.empty() && due.begin()->first <= now) {
            const std::string& bytes = due.begin()->second;
            size_t off = 0;
            while (off < bytes.size()) {
                ssize_t w = write(master, bytes.data() + off, bytes.size() - off);
                if (w > 0)
                    off += static_cast<size_t>(w);
                else if (w < 0 && errno == EINTR)
                    continue;
                else
                    break;  // nobody reads the line: the rest is lost, as on a real bus
            }
            due.erase(due.begin());
        }
    }
    close(slave);
    close(master);
    return 0;
}
