// zr6180-sim: ZR-6180 gateways on UDP for the demo and for tests that run
// the driver against a separate process. Serves until SIGINT or SIGTERM.
#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/sim/PlantFile.h"
#include "tools/sim/Simulator.h"

namespace {

constexpr const char* kUsage =
    "usage: zr6180-sim [options] [PORT ...]\n"
    "Simulates ZR-6180 gateways with their buses of modules on UDP (VUZIV2).\n"
    "  PORT ...             ports of the gateways in order (0 = any free port);\n"
    "                       without a plant, one gateway per port whose every\n"
    "                       address answers with zero data\n"
    "  -p, --plant FILE     gateways, modules, values and faults (tools/sim/README.md)\n"
    "  --host ADDR          IPv4 address to listen on (default 127.0.0.1)\n"
    "  --fault G:ADDR:FAULT fault of module ADDR on gateway G (1 = first),\n"
    "                       e.g. 2:9:status=5 or 1:3:drop,times=2\n"
    "  --random P           probability (0..1) of a random fault per exchange, all gateways\n"
    "  --random-fault FAULT a kind of random fault (repeatable; default drop)\n"
    "  --seed N             seed of the random faults (default 1)\n"
    "  -v, --verbose        one line per exchange on standard output\n"
    "  --version            the version of this program\n"
    "  -h, --help           this text\n"
    "FAULT: drop delay=MS wrong-id[=ID] bad-checksum short[=LEN] status=N\n"
    "       stale-before[=ID] stale-after[=ID] duplicate times=N (comma-separated)\n"
    "Prints \"gateway N listening on HOST:PORT\" for each gateway once it serves.\n";

struct TOptions {
    std::string plant;
    std::string host = "127.0.0.1";
    std::vector<uint16_t> ports;
    std::vector<std::string> faults;
    double probability = 0;
    std::vector<TSimFault> randomKinds;
    uint64_t seed = 1;
    bool verbose = false;
    bool help = false;
    bool version = false;
};

bool Bad(std::string& error, std::string why) {
    error = std::move(why);
    return false;
}

bool ParseArgs(int argc, char** argv, TOptions& o, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const auto value = [&](std::string& out) {
            if (i + 1 >= argc) return Bad(error, a + " needs a value");
            out = argv[++i];
            return true;
        };
        std::string v;
        int64_t n = 0;
        if (a == "-h" || a == "--help") o.help = true;
        else if (a == "--version") o.version = true;
        else if (a == "-v" || a == "--verbose") o.verbose = true;
        else if (a == "-p" || a == "--plant") { if (!value(o.plant)) return false; }
        else if (a == "--host") { if (!value(o.host)) return false; }
        else if (a == "--fault") { if (!value(v)) return false; o.faults.push_back(v); }
        else if (a == "--seed") {
            if (!value(v) || !zrsim::ParseInteger(v, 0, INT64_MAX >> 31, n)) return Bad(error, "bad --seed");
            o.seed = uint64_t(n);
        } else if (a == "--random") {
            char* end = nullptr;
            if (!value(v)) return false;
            o.probability = std::strtod(v.c_str(), &end);
            if (*end != '\0' || !(o.probability >= 0 && o.probability <= 1)) return Bad(error, "bad --random");
        } else if (a == "--random-fault") {
            TSimFault f;
            if (!value(v) || !zrsim::ParseFault(v, f, error)) return false;
            o.randomKinds.push_back(f);
        } else if (!a.empty() && a[0] != '-' && zrsim::ParseInteger(a, 0, 65535, n)) {
            o.ports.push_back(uint16_t(n));
        } else {
            return Bad(error, "unknown argument: " + a);
        }
    }
    return true;
}

// "G:ADDR:FAULT" onto the plant.
bool AddFault(TSimPlant& plant, const std::string& text, std::string& error) {
    const size_t c1 = text.find(':');
    const size_t c2 = c1 == std::string::npos ? c1 : text.find(':', c1 + 1);
    int64_t g = 0, address = 0;
    TSimFault f;
    if (c2 == std::string::npos || !zrsim::ParseInteger(text.substr(0, c1), 1, int64_t(plant.gateways.size()), g) ||
        !zrsim::ParseInteger(text.substr(c1 + 1, c2 - c1 - 1), 0, 255, address))
        return Bad(error, "bad --fault " + text + " (G:ADDR:FAULT)");
    if (!zrsim::ParseFault(text.substr(c2 + 1), f, error)) return false;
    ModuleAt(plant.gateways[size_t(g - 1)], uint8_t(address)).fault = f;
    return true;
}

bool BuildPlant(TOptions& o, TSimPlant& plant, std::string& error) {
    if (!o.plant.empty()) {
        if (!zrsim::ReadPlant(o.plant, plant, error)) return false;
        if (o.ports.size() > plant.gateways.size()) return Bad(error, "more ports than gateways in the plant");
    } else {
        if (o.ports.empty()) return Bad(error, "give a plant file or at least one PORT");
        plant.gateways.resize(o.ports.size());
    }
    for (size_t g = 0; g < o.ports.size(); ++g) plant.gateways[g].port = o.ports[g];
    for (const std::string& f : o.faults)
        if (!AddFault(plant, f, error)) return false;
    if (o.probability > 0) {
        if (o.randomKinds.empty()) o.randomKinds.push_back(TSimFault{.drop = true});
        for (TSimGateway& g : plant.gateways) g.random = TSimRandomFaults{o.probability, o.seed, o.randomKinds};
    }
    return true;
}

void PrintLine(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    TOptions o;
    std::string error;
    if (!ParseArgs(argc, argv, o, error)) {
        std::fprintf(stderr, "zr6180-sim: %s\n%s", error.c_str(), kUsage);
        return 2;
    }
    if (o.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (o.version) {
        std::printf("zr6180-sim %s\n", RV_ZR6180_VERSION);
        return 0;
    }
    TSimPlant plant;
    if (!BuildPlant(o, plant, error)) {
        std::fprintf(stderr, "zr6180-sim: %s\n", error.c_str());
        return 2;
    }

    // Signals wait for sigwait below; the simulator's thread inherits the mask.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);

    TSimulator sim(std::move(plant));
    if (o.verbose) sim.SetTrace(PrintLine);
    if (!sim.Start(false, o.host, &error)) {
        std::fprintf(stderr, "zr6180-sim: %s\n", error.c_str());
        return 1;
    }
    for (size_t g = 0; g < sim.Gateways(); ++g)
        PrintLine("gateway " + std::to_string(g + 1) + " listening on " + o.host + ":" + std::to_string(sim.Port(g)));

    int sig = 0;
    sigwait(&stop, &sig);
    sim.Stop();
    for (size_t g = 0; g < sim.Gateways(); ++g)
        std::fprintf(stderr, "zr6180-sim: gateway %zu: %zu requests, %llu answers, %llu ignored\n", g + 1,
                     sim.RequestCount(g), static_cast<unsigned long long>(sim.AnswersSent(g)),
                     static_cast<unsigned long long>(sim.Ignored(g)));
    return 0;
}
