// The window module as the driver loads it: a host that reloads the driver
// with the window on a display and without one, run in a child process whose
// stderr is read back; and a module that is missing or cannot be used.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <chrono>
#include <string>
#include <thread>

#include "base/Cp1250.h"
#include "support/TestHost.h"
#include "support/Wait.h"
#include "tests/gtk/Xvfb.h"

namespace {

using namespace std::chrono_literals;

struct TChild {
    bool ended = false;  // within the time allowed
    int status = -1;
    std::string out, err;
};

std::string Contents(const std::string& path) {
    std::string s;
    const int f = open(path.c_str(), O_RDONLY);
    if (f < 0) return s;
    char b[4096];
    for (ssize_t n; (n = read(f, b, sizeof b)) > 0;) s.append(b, static_cast<std::size_t>(n));
    close(f);
    return s;
}

// Runs a program with stdout and stderr in files; killed when it hangs.
TChild RunChild(const char* program, std::chrono::seconds limit) {
    TChild c;
    char out[] = "/tmp/rv_reload_out_XXXXXX";
    char err[] = "/tmp/rv_reload_err_XXXXXX";
    const int fo = mkstemp(out);
    const int fe = mkstemp(err);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fo, 1);
    posix_spawn_file_actions_adddup2(&actions, fe, 2);
    char* argv[] = {const_cast<char*>(program), nullptr};
    pid_t pid = -1;
    const bool started = posix_spawn(&pid, program, &actions, nullptr, argv, environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(fo);
    close(fe);
    c.ended = started && WaitFor([&] { return waitpid(pid, &c.status, WNOHANG) == pid; },
                                 static_cast<int>(std::chrono::milliseconds(limit).count()), 20ms);
    if (started && !c.ended) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
    c.out = Contents(out);
    c.err = Contents(err);
    unlink(out);
    unlink(err);
    return c;
}

bool GtkLoaded() {
    void* h = dlopen("libgtk-3.so.0", RTLD_NOW | RTLD_NOLOAD);
    if (h != nullptr) dlclose(h);
    return h != nullptr;
}

class WindowModule : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        xvfb_ = new TXvfb;
        if (!xvfb_->StartForGtk(noDisplay_)) return;
        unsetenv("NO_AT_BRIDGE");
        bus_ = new TServerProcess;
        StartSessionBus(*bus_, busError_);
    }
    static void TearDownTestSuite() {
        delete bus_;
        delete xvfb_;
    }
    void SetUp() override {
        if (!noDisplay_.empty()) GTEST_SKIP() << "no X server for the window: " << noDisplay_;
        ASSERT_TRUE(busError_.empty()) << busError_;
    }
    void TearDown() override { unsetenv("RV_ZR6180_WINDOW_MODULE"); }

    // Init with the window mode and the module path given.
    static bool Start(TTestHost& host, const char* mode, const char* module, std::string& error) {
        setenv("RV_ZR6180_WINDOW", mode, 1);
        setenv("RV_ZR6180_WINDOW_MODULE", module, 1);
        return host.Start(TParamFile::DemoWindow(1, "TI-100", "Teplota"), &error);
    }

    static TXvfb* xvfb_;
    static TServerProcess* bus_;
    static std::string noDisplay_, busError_;
};

TXvfb* WindowModule::xvfb_ = nullptr;
TServerProcess* WindowModule::bus_ = nullptr;
std::string WindowModule::noDisplay_;
std::string WindowModule::busError_;

TEST_F(WindowModule, HostReloadsTheDriverWithAndWithoutADisplay) {
    const TChild c = RunChild(RV_RELOAD_HOST, std::chrono::seconds(120));
    ASSERT_TRUE(c.ended) << "the host hung; it printed: " << c.out << c.err;
    EXPECT_TRUE(WIFEXITED(c.status) && WEXITSTATUS(c.status) == 0)
        << "status " << c.status << ": " << c.out;
    EXPECT_EQ(c.err, "");
}

TEST_F(WindowModule, MissingModuleGivesNoWindowOrFailsInit) {
    constexpr std::string_view noWindow = "Nelze vytvořit okno ovladače."_cp;
    for (const char* module : {"/nonexistent/librv_zr6180_gtk.so", RV_ZR6180_LIB}) {  // absent; no entry
        {
            TTestHost host;
            std::string error;
            EXPECT_TRUE(Start(host, "auto", module, error)) << module << ": " << error;
            EXPECT_TRUE(host.Read(100).Finalized) << module;
        }
        {
            TTestHost host;
            std::string error;
            EXPECT_FALSE(Start(host, "gtk", module, error)) << module;
            EXPECT_EQ(error, noWindow) << module;
        }
    }
    EXPECT_FALSE(GtkLoaded());
}

TEST_F(WindowModule, ModuleBesideTheDriverIsFound) {
    TTestHost host;
    std::string error;
    setenv("RV_ZR6180_WINDOW", "gtk", 1);
    unsetenv("RV_ZR6180_WINDOW_MODULE");
    ASSERT_TRUE(host.Start(TParamFile::DemoWindow(0, "TI-100", "Teplota"), &error)) << error;
    EXPECT_TRUE(GtkLoaded());
}

}  // namespace
