// ReadSerial exchanges against cvt80sim: latency (median, 99th percentile) and the console
// side's CPU time while waiting, next to a bare round trip that blocks in poll() until the CR
// (the simulator's own reply time plus the terminal).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "Comm.h"
#include "Cvt80.h"
#include "SimProcess.h"

namespace {

using Clock = std::chrono::steady_clock;

double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

SimProcess& simulator() {
    static SimProcess sim({"--layout", "0:1"});
    return sim;
}

void report(benchmark::State& state, std::vector<double>& micros, double cpu, long idleCalls) {
    std::sort(micros.begin(), micros.end());
    const size_t n = micros.size();
    state.counters["median_us"] = micros[n / 2];
    state.counters["p99_us"] = micros[std::min(n - 1, n * 99 / 100)];
    state.counters["max_us"] = micros.back();
    state.counters["cpu_us_per_exchange"] = cpu * 1e6 / static_cast<double>(n);
    state.counters["idle_calls_per_exchange"] =
        static_cast<double>(idleCalls) / static_cast<double>(n);
}

void BM_ReadSerial(benchmark::State& state) {
    SimProcess& sim = simulator();
    if (OpenLink(nullptr, sim.path(), "19200,e,8,1", 500, 3) != 1) {
        state.SkipWithError("link does not open");
        return;
    }
    long idleCalls = 0;
    CurrentLink()->OnIdle = [&] { ++idleCalls; };
    std::vector<double> micros;
    micros.reserve(1000);
    int32_t address = 0;
    std::string serial;
    const double cpu0 = cpuSeconds();
    for (auto _ : state) {
        auto t0 = Clock::now();
        if (ReadSerial(1, address, serial) != lrOk) state.SkipWithError("ReadSerial failed");
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    const double cpu = cpuSeconds() - cpu0;
    CloseLink();
    report(state, micros, cpu, idleCalls);
}
BENCHMARK(BM_ReadSerial)->Iterations(1000)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The same frame and reply without the link: write, then block until the CR arrives.
void BM_BareRoundTrip(benchmark::State& state) {
    SimProcess& sim = simulator();
    int fd = open(sim.path().c_str(), O_RDWR | O_NOCTTY);
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    cfsetispeed(&t, B19200);
    cfsetospeed(&t, B19200);
    tcsetattr(fd, TCSANOW, &t);
    const std::string frame = ReaderFrame(1, 'B', "");
    std::vector<double> micros;
    micros.reserve(1000);
    const double cpu0 = cpuSeconds();
    char buf[256];
    for (auto _ : state) {
        auto t0 = Clock::now();
        if (write(fd, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size()))
            state.SkipWithError("write failed");
        bool done = false;
        while (!done) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 1000) <= 0) {
                state.SkipWithError("no reply");
                break;
            }
            ssize_t n = read(fd, buf, sizeof buf);
            for (ssize_t i = 0; i < n; ++i) done = done || buf[i] == '\r';
        }
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    const double cpu = cpuSeconds() - cpu0;
    close(fd);
    report(state, micros, cpu, 0);
}
BENCHMARK(BM_BareRoundTrip)->Iterations(1000)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
