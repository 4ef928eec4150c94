// gauge-sim: a simulated force gauge on a pseudo-terminal, for running the program without
// a gauge and for tests that drive the program as a whole.
#include <signal.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "gauge_sim.h"
#include "port_table.h"

namespace {

const char kHelp[] =
    "Usage: gauge-sim [options]\n"
    "Simulates a force gauge on a pseudo-terminal. Prints the terminal's path (the port to open)\n"
    "on the first line, with --register the port name COMn on the second, and runs until killed.\n"
    "\n"
    "Real-time readings: each '?' is answered with \"<number> <unit>\" and a carriage return.\n"
    "  --profile KIND       constant, ramp, hold, break, noise or sequence (default constant)\n"
    "                         constant: START for ever\n"
    "                         ramp:     START + SLOPE per reading, held at PEAK once reached\n"
    "                         hold:     ramp to PEAK, HOLD readings there, ramp back to START\n"
    "                         break:    ramp to PEAK, HOLD readings there, then fall to half of\n"
    "                                   SHARE times PEAK and stay there\n"
    "                         noise:    START with the noise\n"
    "                         sequence: the texts of --sequence, cycled, sent as they are\n"
    "  --start X            starting value (default 0)\n"
    "  --peak X             peak value (default 100)\n"
    "  --slope X            change per reading (default 1)\n"
    "  --hold N             readings at the peak for hold and break (default 0)\n"
    "  --break-share X      break: fall below this share of the peak (default 0.5)\n"
    "  --noise X            add uniform noise of +-X to every reading (default 0)\n"
    "  --sequence A,B,...   number texts for the sequence profile, for example 12.3456,-12,abc\n"
    "  --decimals N         digits after the point (default 3)\n"
    "  --seed N             seed of the noise and of generated records (default 1)\n"
    "  --unit TEXT          unit text of the lines (default N)\n"
    "  --unit-code N        unit text of a gauge unit code: 1 N, 2 kN, 3 mN, 4 kgf, 5 gf, 6 tf,\n"
    "                       7 lbf, 8 klbf, 9 ozf, 32 N.m, 33 N.cm, 34 kgf.m, 35 kgf.cm, 36 lbf.ft,\n"
    "                       37 lbf.in, 112 MPa\n"
    "  --lf                 send a line feed after each carriage return\n"
    "\n"
    "Memory upload (frames FC 33 ..., CRC-16/ARC):\n"
    "  --records N          fill the memory with N generated records (0 to 999, default 0) of\n"
    "                       assorted units, modes, directions and groups\n"
    "  --records-per-frame N  records per record frame (default 35)\n"
    "\n"
    "Port:\n"
    "  --register           register the terminal as a virtual port \"USB Gauge Simulator (COMn)\"\n"
    "                       so that the program's port scan finds it; removed again on exit,\n"
    "                       SIGINT and SIGTERM included\n"
    "\n"
    "Faults:\n"
    "  --silent             answer nothing\n"
    "  --bad-crc N          send the first N frames with a wrong CRC\n"
    "  --garbage-every N    write garbage bytes before every N-th reply (lines and frames)\n"
    "  --split              write each reply in two writes with a short pause between them\n"
    "  --drop-every N       drop one byte from the middle of every N-th reply\n"
    "  --unplug-after S     close the terminal after S seconds, as if the gauge were unplugged\n"
    "  --help               this text\n";

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "gauge-sim: %s (see --help)\n", what.c_str());
    std::exit(2);
}

double Number(const char* option, const char* text) {
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0' || errno != 0 || !std::isfinite(v)) {
        Fail(std::string("bad number for ") + option + ": " + text);
    }
    return v;
}

std::size_t Count(const char* option, const char* text, std::size_t max) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0 || text[0] == '-' || v > max) {
        Fail(std::string("bad count for ") + option + ": " + text);
    }
    return static_cast<std::size_t>(v);
}

std::vector<std::string> SplitCommas(const std::string& text) {
    std::vector<std::string> out;
    std::size_t from = 0;
    for (;;) {
        const std::size_t comma = text.find(',', from);
        out.push_back(text.substr(from, comma - from));
        if (comma == std::string::npos) return out;
        from = comma + 1;
    }
}

orva::sim::LoadProfile::Kind KindOf(const std::string& name) {
    using Kind = orva::sim::LoadProfile::Kind;
    if (name == "constant") return Kind::Constant;
    if (name == "ramp") return Kind::Ramp;
    if (name == "hold") return Kind::Hold;
    if (name == "break") return Kind::Break;
    if (name == "noise") return Kind::Noise;
    if (name == "sequence") return Kind::Sequence;
    Fail("unknown profile: " + name);
}

struct Program {
    orva::sim::SimOptions options;
    bool registerPort = false;
    bool silent = false;
    bool split = false;
    int badCrc = 0;
    double unplugAfter = -1;
};

Program Parse(int argc, char** argv) {
    Program p;
    std::size_t records = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) Fail("missing value for " + arg);
            return argv[++i];
        };
        const char* a = arg.c_str();
        orva::sim::LoadProfile& prof = p.options.profile;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kHelp, stdout);
            std::exit(0);
        } else if (arg == "--profile") {
            prof.kind = KindOf(value());
        } else if (arg == "--start") {
            prof.start = Number(a, value());
        } else if (arg == "--peak") {
            prof.peak = Number(a, value());
        } else if (arg == "--slope") {
            prof.slopePerReading = Number(a, value());
        } else if (arg == "--hold") {
            prof.holdReadings = Count(a, value(), 1u << 30);
        } else if (arg == "--break-share") {
            prof.breakShare = Number(a, value());
        } else if (arg == "--noise") {
            prof.noise = Number(a, value());
        } else if (arg == "--sequence") {
            prof.sequence = SplitCommas(value());
        } else if (arg == "--decimals") {
            prof.decimals = static_cast<int>(Count(a, value(), 9));
        } else if (arg == "--seed") {
            p.options.seed = static_cast<std::uint32_t>(Count(a, value(), 0xFFFFFFFFu));
        } else if (arg == "--unit") {
            p.options.unitText = value();
        } else if (arg == "--unit-code") {
            p.options.unitText = orva::sim::UnitTextForCode(static_cast<int>(Count(a, value(), 255)));
        } else if (arg == "--lf") {
            p.options.lineFeed = true;
        } else if (arg == "--records") {
            records = Count(a, value(), 999);
        } else if (arg == "--records-per-frame") {
            p.options.recordsPerFrame = Count(a, value(), 9000);
            if (p.options.recordsPerFrame == 0) Fail("--records-per-frame must be 1 or more");
        } else if (arg == "--register") {
            p.registerPort = true;
        } else if (arg == "--silent") {
            p.silent = true;
        } else if (arg == "--bad-crc") {
            p.badCrc = static_cast<int>(Count(a, value(), 1u << 30));
        } else if (arg == "--garbage-every") {
            p.options.garbageEvery = Count(a, value(), 1u << 30);
        } else if (arg == "--split") {
            p.split = true;
        } else if (arg == "--drop-every") {
            p.options.dropEvery = Count(a, value(), 1u << 30);
        } else if (arg == "--unplug-after") {
            p.unplugAfter = Number(a, value());
            if (p.unplugAfter < 0) Fail("--unplug-after takes seconds, 0 or more");
        } else {
            Fail("unknown option: " + arg);
        }
    }
    if (p.options.profile.kind == orva::sim::LoadProfile::Kind::Sequence &&
        p.options.profile.sequence.empty()) {
        Fail("--profile sequence needs --sequence");
    }
    p.options.memory = orva::sim::GenerateRecords(records, p.options.seed);
    return p;
}

}  // namespace

int main(int argc, char** argv) {
    const Program p = Parse(argc, argv);

    // Signals are taken by sigtimedwait below; the serving thread inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    orva::sim::GaugeSimulator sim(p.options);
    sim.SetSilent(p.silent);
    sim.SetSplitWrites(p.split);
    sim.CorruptNextFrames(p.badCrc);
    if (!sim.Open()) {
        std::fprintf(stderr, "gauge-sim: cannot open a pseudo-terminal: %s\n", std::strerror(errno));
        return 1;
    }
    std::printf("%s\n", sim.SlavePath().c_str());
    if (p.registerPort) {
        const int number = sim.RegisterVirtualPort();
        if (number == 0) {
            const int error = errno;
            const std::string folder = orva::ports::MachinePorts().VirtualPortDir();
            if (error != 0)
                std::fprintf(stderr, "gauge-sim: cannot register a virtual port in %s: %s\n", folder.c_str(),
                             std::strerror(error));
            else
                std::fprintf(stderr, "gauge-sim: no free virtual port number in %s\n", folder.c_str());
            return 1;
        }
        std::printf("COM%d\n", number);
    }
    std::fflush(stdout);

    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    if (p.unplugAfter >= 0) {
        const double whole = std::floor(p.unplugAfter);
        deadline.tv_sec += static_cast<time_t>(whole);
        deadline.tv_nsec += static_cast<long>((p.unplugAfter - whole) * 1e9);
        if (deadline.tv_nsec >= 1000000000L) {
            deadline.tv_sec += 1;
            deadline.tv_nsec -= 1000000000L;
        }
    }
    bool waitingToUnplug = p.unplugAfter >= 0;
    for (;;) {
        int sig = -1;
        if (waitingToUnplug) {
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            double left = static_cast<double>(deadline.tv_sec - now.tv_sec) +
                          static_cast<double>(deadline.tv_nsec - now.tv_nsec) / 1e9;
            if (left <= 0) {
                sim.Unplug();
                std::fprintf(stderr, "gauge-sim: unplugged\n");
                waitingToUnplug = false;
                continue;
            }
            timespec wait{};
            wait.tv_sec = static_cast<time_t>(left);
            wait.tv_nsec = static_cast<long>((left - static_cast<double>(wait.tv_sec)) * 1e9);
            sig = sigtimedwait(&stopSignals, nullptr, &wait);
        } else {
            sig = sigwaitinfo(&stopSignals, nullptr);
        }
        if (sig > 0) break;
    }
    sim.Close();  // removes the registration
    return 0;
}
