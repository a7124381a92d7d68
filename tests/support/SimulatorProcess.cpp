#include "support/SimulatorProcess.h"

#ifdef RV_ZR6180_SIM

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <regex>
#include <sstream>
#include <thread>

#include "support/Wait.h"

extern char** environ;

namespace {


int ExitCode(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status); }

}  // namespace

TSimulatorProcess::~TSimulatorProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

bool TSimulatorProcess::Start(const TTempDir& dir, std::vector<std::string> args) {
    out_ = dir / "sim.out";
    err_ = dir / "sim.err";
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&fa, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    args.insert(args.begin(), RV_ZR6180_SIM);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, RV_ZR6180_SIM, &fa, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&fa);
    return pid_ > 0;
}

std::string TSimulatorProcess::Line(int ms) {
    std::string line;
    WaitFor(
        [&] {
            const std::string out = Output();
            const std::size_t nl = out.find('\n', read_);
            if (nl == std::string::npos) return false;
            line = out.substr(read_, nl - read_);
            read_ = nl + 1;
            return true;
        },
        ms, std::chrono::milliseconds(5));
    return line;
}

bool TSimulatorProcess::WaitForPorts(int n, int ms) {
    static const std::regex listening(R"(^gateway (\d+) listening on 127\.0\.0\.1:(\d+)$)");
    bool ended = false;
    const bool found = WaitFor(
        [&] {
            std::istringstream s(Output());
            std::string l;
            std::smatch m;
            while (std::getline(s, l))
                if (std::regex_match(l, m, listening))
                    ports_[std::stoi(m[1])] = static_cast<uint16_t>(std::stoi(m[2]));
            int got = 0;
            for (int g = 1; g <= n; ++g) got += ports_.count(g) != 0;
            if (got == n) return true;
            ended = waitpid(pid_, nullptr, WNOHANG) == pid_;
            return ended;
        },
        ms, std::chrono::milliseconds(10));
    if (ended) pid_ = -1;
    return found && !ended;
}

uint16_t TSimulatorProcess::Port(int gateway) const {
    const auto i = ports_.find(gateway);
    return i == ports_.end() ? 0 : i->second;
}

int TSimulatorProcess::Stop() {
    if (pid_ <= 0) return -1;
    kill(pid_, SIGTERM);
    int status = 0;
    const pid_t r = waitpid(pid_, &status, 0);
    pid_ = -1;
    return r > 0 ? ExitCode(status) : -1;
}

#endif  // RV_ZR6180_SIM
