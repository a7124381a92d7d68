// Log files that are no plain files: a named pipe where a log or the RunInfo
// file should be must not block the host's thread or an interface thread.
// Should a call block anyway, a watchdog opens the other end of the pipes so
// that the test ends and fails instead of hanging.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "support/TempDir.h"
#include "support/SmallHost.h"
#include "support/Library.h"
#include "support/Wait.h"

namespace {

using namespace std::chrono_literals;

// Runs `prace`; whether it returned before the hang guard. Past the guard
// the pipes are opened from the other side until it returns.
bool WithWatchdog(const std::function<void()>& work, const std::vector<std::string>& pipes) {
    std::atomic<bool> isDone{false};
    std::thread t([&] {
        work();
        isDone = true;
    });
    const bool inTime = WaitFor([&] { return isDone.load(); }, HangGuardMs, 5ms);
    std::vector<int> openFiles;
    while (!isDone) {
        for (const std::string& r : pipes) {
            // A reader stays open and is drained; a writer is closed at once,
            // so that a blocked reader sees the end of the file.
            if (openFiles.size() < pipes.size()) {
                const int reader = open(r.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
                if (reader >= 0) openFiles.push_back(reader);
            }
            const int writer = open(r.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (writer >= 0) close(writer);
        }
        char b[4096];
        for (int fd : openFiles)
            while (read(fd, b, sizeof b) > 0) {
            }
        std::this_thread::sleep_for(5ms);
    }
    t.join();
    for (int fd : openFiles) close(fd);
    return inTime;
}

class HostileFiles : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("RV_ZR6180_WINDOW", "none", 1);
        ASSERT_NE(lib.Init, nullptr);
    }
    std::string Fifo(const std::string& name) {
        const std::string filePath = dir / name;
        EXPECT_EQ(mkfifo(filePath.c_str(), 0600), 0);
        return filePath;
    }

    TLibrary lib;
    TTempDir dir;
};

TEST_F(HostileFiles, MainLogAndRunInfoAsNamedPipesDoNotBlockInit) {
    const std::vector<std::string> pipes = {Fifo("Rv_zr6180.log"), Fifo("Rv_zr6180RunInfo.txt")};
    const std::string soubor = SmallParams({{"127.0.0.1", 1}}, {"100 1 1 0 0"}, true).Write(dir.Path());
    PData d = lib.MakeDriver();
    char chyba[256] = {};
    bool result = true;
    const bool inTime = WithWatchdog(
        [&] {
            result = lib.Init(d, 0, soubor.c_str(), 255, chyba, 0, 0, 0, nullptr);
            lib.Done(d);
            lib.DisposeDriver(d);
        },
        pipes);
    EXPECT_TRUE(inTime) << "Init, Done or DisposeDriver blocked on a named pipe";
    EXPECT_FALSE(result) << "the main log cannot be written: Init reports it";
}

TEST_F(HostileFiles, RunAndInterfaceLogsAsNamedPipesDoNotBlockTheThreads) {
    std::vector<std::string> pipes = {Fifo("Rv_zr6180Run1.log"), Fifo("Rv_zr6180Err1.log"),
                                      Fifo("Rv_zr6180_CB.log")};
    const std::string soubor = SmallParams({{"127.0.0.1", 1, 10, 0}}, {"1000 1 1 0 0"}, true).Write(dir.Path());
    PData d = lib.MakeDriver();
    char chyba[256] = {};
    int32_t status = -1;
    const bool inTime = WithWatchdog(
        [&] {
            if (lib.Init(d, 0, soubor.c_str(), 255, chyba, 0, 0, 0, nullptr)) status = ReadChannel(lib, d, 1000);
            lib.Done(d);
            lib.DisposeDriver(d);
        },
        pipes);
    EXPECT_TRUE(inTime) << "a thread blocked on a named pipe";
    EXPECT_EQ(status, 21) << "nothing listens on port 1: the request times out";
}

}  // namespace
