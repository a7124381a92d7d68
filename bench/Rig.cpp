#include "bench/Rig.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <filesystem>
#include <fstream>

#include "bench/Measure.h"
#include "tools/sim/Simulator.h"

namespace {

// The host's call-back reaches its rig through the context number.
constexpr int kSlots = 8;
std::atomic<TRig*> rigs[kSlots];

long Futex(std::atomic<uint32_t>& word, int op, uint32_t value, const timespec* timeout) {
    static_assert(sizeof(std::atomic<uint32_t>) == sizeof(uint32_t));
    return syscall(SYS_futex, reinterpret_cast<uint32_t*>(&word), op, value, timeout, nullptr, 0);
}

}  // namespace

std::vector<std::pair<int, int>> ChannelsOn(int first, int count, int interface) {
    std::vector<std::pair<int, int>> v;
    for (int c = first; c < first + count; ++c) v.emplace_back(c, interface);
    return v;
}

std::vector<std::pair<int, int>> AllChannels(int interfaces) {
    std::vector<std::pair<int, int>> v;
    for (int c = 99; c <= 6099; ++c) v.emplace_back(c, (c - 99) % interfaces + 1);
    return v;
}

TRig::TRig(TDriverLibrary& driver) : drv(driver) {}

TRig::~TRig() { Stop(); }

int32_t TRig::OnCallBack(int32_t context, int32_t kind, PData) {
    (void)kind;
    TRig* r = context >= 0 && context < kSlots ? rigs[context].load() : nullptr;
    if (r == nullptr) return 0;
    r->lastCallbackNs_.store(NowNs());
    const uint32_t n = r->count_.fetch_add(1, std::memory_order_seq_cst) + 1;
    if (n >= r->target_.load(std::memory_order_seq_cst)) Futex(r->count_, FUTEX_WAKE_PRIVATE, 1, nullptr);
    return 0;
}

bool TRig::WaitForCallbacks(uint32_t total, int timeoutMs) {
    target_.store(total, std::memory_order_seq_cst);
    const int64_t end = NowNs() + int64_t{timeoutMs} * 1000000;
    for (;;) {
        const uint32_t seen = count_.load(std::memory_order_seq_cst);
        if (seen >= total) break;
        const int64_t left = end - NowNs();
        if (left <= 0) return false;
        const timespec t{static_cast<time_t>(left / 1000000000), static_cast<long>(left % 1000000000)};
        Futex(count_, FUTEX_WAIT_PRIVATE, seen, &t);
    }
    target_.store(UINT32_MAX);
    return true;
}

bool TRig::WriteParameters(const TRigConfig& config, const std::string& path, std::string& error) const {
    std::ofstream f(path, std::ios::binary);
    f << "[Logovací soubor]\nPovolen=0\n"
      << "Povolen RUN=" << (config.runLog ? 1 : 0) << "\nPočet RUN souborů=1\n"
      << "Povolen log rozhraní=0\nAdresář LOG souborů=" << dir_ << "/log\n\n"
      << "[Diagnostické okno]\nPovoleno=" << (config.windowShown ? 1 : 0) << "\n\n";
    for (int k = 1; k <= config.interfaces; ++k) {
        const unsigned port = config.simulator ? ports_[static_cast<std::size_t>(k - 1)] : 9u;
        f << "[Deklarace rozhraní " << k << "]\nTyp=ZR-6180\nIP adresa=127.0.0.1\nUDP port=" << port
          << "\nUDP timeout=1000\nUDP opakování=0\nBaud=115200\nTimeout=100\nOpakování=0\n\n";
    }
    f << "[Deklarace kanálů]\n";
    for (const auto& [c, k] : config.channels) {
        const int sub = c >= 2000 && c <= 2999 ? c % 32 : c >= 5000 && c <= 5999 ? c % 32 : 0;
        f << c << ' ' << k << ' ' << (c / 16) % 256 << ' ' << c % 16 << ' ' << sub << " \"B" << c << "\"\n";
    }
    f.close();
    if (!f) error = "cannot write " + path;
    return static_cast<bool>(f);
}

bool TRig::Start(const TRigConfig& config, std::string& error) {
    Stop();
    for (int s = 0; s < kSlots && slot_ < 0; ++s) {
        TRig* none = nullptr;
        if (rigs[s].compare_exchange_strong(none, this)) slot_ = s;
    }
    if (slot_ < 0) {
        error = "too many rigs";
        return false;
    }
    char tmpl[] = "/tmp/zr6180-bench.XXXXXX";
    if (mkdtemp(tmpl) == nullptr) {
        error = "mkdtemp failed";
        return false;
    }
    dir_ = tmpl;
    ports_.clear();
    const std::vector<int> before = ThreadIds();
    if (config.simulator) {
        TSimPlant plant;
        plant.gateways.resize(static_cast<std::size_t>(config.interfaces));
        sim_ = std::make_unique<TSimulator>(plant);
        // Called on the simulator's thread for every request, before its answer goes out.
        sim_->SetTrace([this](const std::string&) { lastRequestNs_.store(NowNs()); });
        if (!sim_->Start(true, "127.0.0.1", &error)) return false;
        for (int g = 0; g < config.interfaces; ++g) ports_.push_back(sim_->Port(static_cast<std::size_t>(g)));
    }
    const std::vector<int> withSimulator = ThreadIds();
    simThreads_.clear();
    std::set_difference(withSimulator.begin(), withSimulator.end(), before.begin(), before.end(),
                        std::back_inserter(simThreads_));
    const std::string path = dir_ + "/bench.ini";
    if (!WriteParameters(config, path, error)) return false;
    count_ = 0;
    data = drv.MakeDriver();
    char message[512] = {};
    const uint16_t webPort = config.web ? FreeTcpPort() : 0;
    if (config.web) setenv("RV_ZR6180_HTTP", ("127.0.0.1:" + std::to_string(webPort)).c_str(), 1);
    const bool started = drv.Init(data, 0, path.c_str(), sizeof message - 1, message, 0, 0, slot_, &TRig::OnCallBack) == 1;
    unsetenv("RV_ZR6180_HTTP");
    if (!started) {
        error = std::string("Init: ") + message;
        return false;
    }
    webPort_ = webPort;
    if (config.web && config.webLoad) web_.Start(webPort, config.overview);
    const std::vector<int> withDriver = ThreadIds();
    driverThreads_.clear();
    std::set_difference(withDriver.begin(), withDriver.end(), withSimulator.begin(), withSimulator.end(),
                        std::back_inserter(driverThreads_));
    return true;
}

int64_t TRig::DriverCpuNs() const { return ThreadsCpuNs(driverThreads_); }
int64_t TRig::SimulatorCpuNs() const { return ThreadsCpuNs(simThreads_); }

void TRig::Stop() {
    web_.Stop();
    if (data != nullptr) {
        drv.Done(data);
        drv.DisposeDriver(data);
        data = nullptr;
    }
    if (sim_) sim_->Stop();
    sim_.reset();
    if (!dir_.empty()) {
        std::error_code e;
        std::filesystem::remove_all(dir_, e);
        dir_.clear();
    }
    if (slot_ >= 0) rigs[slot_].store(nullptr);
    slot_ = -1;
}
