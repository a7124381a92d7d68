// The diagnostic window as a host drives it: the built library through its
// exports on this thread, which iterates the default main context; real X
// input through XTest (xdotool); the window read back through the
// accessibility tree (at-spi2 on a private session bus) and X geometry.
// Every test runs without and with a window manager.
#include <gtest/gtest.h>

#include <glib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/TestHost.h"
#include "support/Wait.h"
#include "tests/gtk/Xvfb.h"

namespace {

using namespace std::chrono_literals;

constexpr const char* Title = " Rv_zr6180";
const std::string W42(42, 'W');  // wide glyphs: the longest value a row can get

struct TRun {
    bool exited = false;
    int status = -1;
    std::string out;
};

// Runs a command to its end while this thread dispatches the default main
// context: the window answers the accessibility bus there.
TRun RunDispatching(std::vector<std::string> argv, int ms = 30000) {
    TRun r;
    int p[2];
    if (pipe(p) != 0) return r;
    fcntl(p[0], F_SETFL, O_NONBLOCK);
    std::vector<char*> args;
    for (std::string& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, p[1], 1);
    posix_spawn_file_actions_addclose(&actions, p[0]);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int e = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(p[1]);
    bool eof = e != 0;
    const bool done = WaitFor(
        [&] {
            while (g_main_context_iteration(nullptr, FALSE)) {
            }
            char b[4096];
            for (ssize_t n; !eof && (n = read(p[0], b, sizeof b)) >= 0;) {
                if (n == 0) eof = true;
                r.out.append(b, static_cast<std::size_t>(n));
            }
            if (eof && e == 0 && waitpid(pid, &r.status, WNOHANG) == pid) r.exited = true;
            return eof && (e != 0 || r.exited);
        },
        ms, 2ms);
    if (!done && e == 0 && !r.exited) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
    close(p[0]);
    r.exited = r.exited && WIFEXITED(r.status) && WEXITSTATUS(r.status) == 0;
    return r;
}

// Dispatches until the condition holds or the time runs out.
bool WaitDispatching(const std::function<bool()>& condition, int ms = HangGuardMs) {
    return WaitFor(condition, ms, 20ms, [] { RunDispatching({"true"}); });
}

struct TNode {
    int depth = 0;
    std::string role, states, name, text;
    int x = 0, y = 0, w = 0, h = 0;
    bool Is(const char* state) const { return ("," + states + ",").find(std::string(",") + state + ",") != std::string::npos; }
};

struct TTree {
    std::vector<TNode> nodes;

    // The first node of this role and name below node `under` (-1: anywhere).
    const TNode* Find(const std::string& role, const std::string& name, int under = -1) const {
        const std::size_t from = under < 0 ? 0 : static_cast<std::size_t>(under) + 1;
        for (std::size_t i = from; i < nodes.size(); ++i) {
            if (under >= 0 && nodes[i].depth <= nodes[static_cast<std::size_t>(under)].depth) break;
            if (nodes[i].role == role && (name.empty() || nodes[i].name == name)) return &nodes[i];
        }
        return nullptr;
    }
    int Index(const TNode* n) const { return n == nullptr ? -1 : static_cast<int>(n - nodes.data()); }
};

TTree Tree() {
    TTree t;
    const TRun r = RunDispatching({"/usr/bin/python3", RV_ATSPI_TREE, std::to_string(getpid())});
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> f;
        std::size_t from = 0;
        for (std::size_t tab; (tab = line.find('\t', from)) != std::string::npos; from = tab + 1)
            f.push_back(line.substr(from, tab - from));
        f.push_back(line.substr(from));
        if (f.size() != 6) continue;
        TNode n;
        n.depth = std::atoi(f[0].c_str());
        n.role = f[1];
        std::sscanf(f[2].c_str(), "%d %d %d %d", &n.x, &n.y, &n.w, &n.h);
        n.states = f[3];
        n.name = f[4];
        n.text = f[5];
        t.nodes.push_back(n);
    }
    return t;
}

// The X windows titled as ours that are viewable.
std::vector<std::string> ShownWindows() {
    std::istringstream ids(RunDispatching({"xdotool", "search", "--onlyvisible", "--name", "^ Rv_zr6180$"}).out);
    std::vector<std::string> v;
    for (std::string id; ids >> id;) v.push_back(id);
    return v;
}

struct TGeometry {
    int x = -1, y = -1, w = -1, h = -1;
};

TGeometry Geometry(const std::string& id) {
    TGeometry g;
    std::istringstream lines(RunDispatching({"xdotool", "getwindowgeometry", "--shell", id}).out);
    for (std::string l; std::getline(lines, l);) {
        const int v = std::atoi(l.substr(l.find('=') + 1).c_str());
        if (l.rfind("X=", 0) == 0) g.x = v;
        if (l.rfind("Y=", 0) == 0) g.y = v;
        if (l.rfind("WIDTH=", 0) == 0) g.w = v;
        if (l.rfind("HEIGHT=", 0) == 0) g.h = v;
    }
    return g;
}

// The pointer comes from the screen's corner and holds the button a moment,
// as a hand on the mouse does (a button takes no press and release that
// arrive together).
void Click(const TNode& n) {
    RunDispatching({"xdotool", "mousemove", "--sync", "0", "0", "mousemove", "--sync", std::to_string(n.x + n.w / 2),
                    std::to_string(n.y + n.h / 2), "mousedown", "1", "sleep", "0.15", "mouseup", "1"});
}

void Keys(std::vector<std::string> keys) {
    keys.insert(keys.begin(), {"xdotool", "key", "--delay", "30"});
    RunDispatching(keys);
}

// A window manager has taken the display: the check window it names on the
// root window exists and names a window manager.
bool WindowManagerRuns() {
    const std::string root = RunDispatching({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}).out;
    const auto at = root.find("window id # ");
    if (at == std::string::npos) return false;
    std::istringstream rest(root.substr(at + 12));
    std::string id;
    rest >> id;
    return RunDispatching({"xprop", "-id", id, "_NET_WM_NAME"}).out.find(" = \"") != std::string::npos;
}

// The window on a bare X display; WindowInput below runs each case also
// under a window manager, where one changes what the case looks at (focus,
// mapping, minimising, the frame around the window).
class WindowInputBare : public ::testing::Test {
protected:
    virtual bool WithWindowManager() const { return false; }

    static void SetUpTestSuite() {
        xvfb_ = new TXvfb;
        if (!xvfb_->StartForGtk(noDisplay_)) return;
        unsetenv("NO_AT_BRIDGE");
        // Loaded once, as a host loads it: the instances come and go.
        library_ = new TLibrary;
        bus_ = new TServerProcess;
        StartSessionBus(*bus_, busError_);
    }
    static void TearDownTestSuite() {
        delete library_;
        delete bus_;
        delete xvfb_;
    }

    void SetUp() override {
        if (!noDisplay_.empty()) GTEST_SKIP() << "no X server for the window: " << noDisplay_;
        ASSERT_TRUE(busError_.empty()) << busError_;
        if (WithWindowManager()) {
            // Now and then openbox ends at once, silently, on a loaded
            // machine; a second start takes the display.
            std::string ended;
            for (int attempt = 0; attempt < 3; ++attempt) {
                wm_ = std::make_unique<TServerProcess>();
                std::string line, error;
                ASSERT_TRUE(wm_->Start({"openbox", "--sm-disable"}, line, error)) << error;
                ASSERT_TRUE(WaitDispatching([this] { return !wm_->Runs() || WindowManagerRuns(); }))
                    << "openbox did not take the display: " << wm_->Errors();
                if (wm_->Runs()) break;
                ended += "openbox ended (" + wm_->Ending() + "): " + wm_->Errors() + "\n";
            }
            ASSERT_TRUE(wm_->Runs()) << ended;
        }
    }
    void TearDown() override {
        host_.reset();
        wm_.reset();
    }

    // Init as a host calls it, with one demo interface and channel 100.
    void Start(int shown = 1, const std::string& code = "TI-100", const std::string& name = "Teplota") {
        host_ = std::make_unique<TTestHost>();
        setenv("RV_ZR6180_WINDOW", "gtk", 1);  // the host fixture asks for none
        const TParamFile p = TParamFile::DemoWindow(shown, code, name);
        std::string error;
        ASSERT_TRUE(host_->Start(p, &error)) << error;
        if (shown) {
            ASSERT_TRUE(WaitDispatching([] { return ShownWindows().size() == 1; })) << "the window was not shown";
        }
    }
    void Proc(uint32_t f, int32_t a1 = 0, int32_t a2 = 0, int32_t a3 = 0, int32_t a4 = 0) {
        host_->lib.DriverProc(host_->d, f, a1, a2, a3, a4);
    }

    // Waits until the node is on screen in the tree, then clicks it.
    void ClickOn(const std::string& role, const std::string& name) {
        TNode n;
        ASSERT_TRUE(WaitDispatching([&] {
            const TTree t = Tree();
            const TNode* f = t.Find(role, name);
            if (f == nullptr || !f->Is("showing") || f->w <= 0) return false;
            n = *f;
            return true;
        })) << role << " '" << name << "' not on screen";
        Click(n);
    }
    bool WaitForState(const std::string& role, const std::string& name, const char* state, bool set = true) {
        return WaitDispatching([&] {
            const TTree t = Tree();
            const TNode* f = t.Find(role, name);
            return f != nullptr && f->Is(state) == set;
        });
    }
    // Clicks the entry field of a page and waits until it has the keyboard
    // (a window manager gives the window the focus a moment after the click).
    void FocusField(const std::string& page) {
        const TTree t = Tree();
        const TNode* field = t.Find("text", "", t.Index(t.Find("page tab", page)));
        ASSERT_NE(field, nullptr);
        Click(*field);
        ASSERT_TRUE(WaitDispatching([&] {
            const TTree u = Tree();
            const TNode* f = u.Find("text", "", u.Index(u.Find("page tab", page)));
            return f != nullptr && f->Is("focused");
        })) << "the field on '" << page << "' did not get the keyboard";
    }
    // The text of the entry field on a page.
    std::string Field(const std::string& page) {
        const TTree t = Tree();
        const TNode* f = t.Find("text", "", t.Index(t.Find("page tab", page)));
        return f == nullptr ? "<no field>" : f->text;
    }

    std::unique_ptr<TTestHost> host_;
    std::unique_ptr<TServerProcess> wm_;
    static TXvfb* xvfb_;
    static TServerProcess* bus_;
    static TLibrary* library_;
    static std::string noDisplay_, busError_;
};

TXvfb* WindowInputBare::xvfb_ = nullptr;
TServerProcess* WindowInputBare::bus_ = nullptr;
TLibrary* WindowInputBare::library_ = nullptr;
std::string WindowInputBare::noDisplay_;
std::string WindowInputBare::busError_;

class WindowInput : public WindowInputBare, public ::testing::WithParamInterface<bool> {
protected:
    bool WithWindowManager() const override { return GetParam(); }
};

const std::string TabInterface = "Diagnostika rozhraní";
const std::string TabChannel = "Diagnostika kanálu";
const std::string Logging = "Logování chyb";

TEST_P(WindowInput, MouseReachesThePagesAfterHideShowMinimiseAndDisable) {
    Start();
    ClickOn("page tab", TabInterface);
    ASSERT_TRUE(WaitForState("page tab", TabInterface, "selected"));

    Proc(0);
    ASSERT_TRUE(WaitDispatching([] { return ShownWindows().empty(); }));
    Proc(1);
    ASSERT_TRUE(WaitDispatching([] { return ShownWindows().size() == 1; }));
    ClickOn("page tab", TabChannel);
    EXPECT_TRUE(WaitForState("page tab", TabChannel, "selected")) << "click after hide and show";

    Proc(2);
    Proc(3);
    ASSERT_TRUE(WaitDispatching([] { return ShownWindows().size() == 1; }));
    ClickOn("page tab", TabInterface);
    EXPECT_TRUE(WaitForState("page tab", TabInterface, "selected")) << "click after minimise and restore";

    // The box starts ticked (logging is on in the parameter file). Disabled,
    // a click on it is lost, also after a hide and a show; enabled again,
    // each click flips it.
    ASSERT_TRUE(WaitForState("check box", Logging, "checked"));
    Proc(6, 1);
    ClickOn("check box", Logging);
    Proc(0);
    Proc(1);
    ASSERT_TRUE(WaitDispatching([] { return ShownWindows().size() == 1; }));
    ClickOn("check box", Logging);
    ClickOn("page tab", "Info");
    EXPECT_TRUE(WaitForState("check box", Logging, "checked")) << "a disabled window took a click";
    EXPECT_TRUE(WaitForState("page tab", TabInterface, "selected")) << "a disabled window took a click";
    Proc(6, 0);
    ClickOn("check box", Logging);
    EXPECT_TRUE(WaitForState("check box", Logging, "checked", false)) << "click after disable and enable";
    Proc(6, 1);
    Proc(0);
    Proc(1);
    Proc(6, 0);
    ASSERT_TRUE(WaitDispatching([] { return ShownWindows().size() == 1; }));
    ClickOn("check box", Logging);
    EXPECT_TRUE(WaitForState("check box", Logging, "checked")) << "click after disable, hide, show, enable";
    ClickOn("page tab", "Info");
    EXPECT_TRUE(WaitForState("page tab", "Info", "selected"));
}

TEST_P(WindowInput, FocusLeavesAHiddenWindowHidden) {
    Start();
    Proc(0);
    ASSERT_TRUE(WaitDispatching([] { return ShownWindows().empty(); }));
    Proc(4);
    // A window manager maps a window some time after it was asked to.
    EXPECT_FALSE(WaitDispatching([] { return !ShownWindows().empty(); }, 2000)) << "function 4 showed a hidden window";

    Proc(1);
    ASSERT_TRUE(WaitDispatching([] { return ShownWindows().size() == 1; }));
    Proc(4);
    EXPECT_TRUE(WaitForState("frame", Title, "active")) << "function 4 gave no focus";
}

TEST_P(WindowInput, FocusNeverShowsADisallowedWindow) {
    Start(0);
    Proc(1);
    Proc(4);
    EXPECT_FALSE(WaitDispatching([] { return !ShownWindows().empty(); }, 2000)) << "a window that is never to be shown was";
}

TEST_P(WindowInput, MoveSetsPositionAndSize) {
    Start();
    const std::string id = ShownWindows().at(0);
    for (const TGeometry want : {TGeometry{100, 80, 600, 480}, TGeometry{40, 30, 500, 420}}) {
        Proc(5, want.x, want.y, want.w, want.h);
        TGeometry g;
        EXPECT_TRUE(WaitDispatching([&] {
            g = Geometry(id);
            // A window manager's frame pushes the client right and down.
            const bool at = GetParam() ? g.x >= want.x && g.x <= want.x + 20 && g.y >= want.y && g.y <= want.y + 60
                                       : g.x == want.x && g.y == want.y;
            return at && g.w == want.w && g.h == want.h;
        })) << "at " << g.x << "," << g.y << " size " << g.w << "x" << g.h;
    }
}

TEST_F(WindowInputBare, LongValuesKeepTheWindowSize) {
    Start(1, W42, W42);
    const std::string id = ShownWindows().at(0);
    ClickOn("page tab", TabChannel);
    ASSERT_TRUE(WaitDispatching([] {
        const TTree t = Tree();
        const TNode* v = t.Find("label", W42);
        return v != nullptr && v->Is("showing");
    })) << "the channel page does not show the name";
    TGeometry g;
    EXPECT_TRUE(WaitDispatching([&] {
        g = Geometry(id);
        return g.w == 456 && g.h == 405;
    }, 3000)) << "window " << g.w << "x" << g.h;
}

TEST_F(WindowInputBare, EditingKeysWorkInBothFields) {
    Start();
    ClickOn("page tab", TabChannel);
    ASSERT_TRUE(WaitForState("page tab", TabChannel, "selected"));
    FocusField(TabChannel);
    Keys({"End", "BackSpace", "Home", "Delete", "2", "x", "5", "Right", "Left", "Return"});
    EXPECT_TRUE(WaitDispatching([&] { return Field(TabChannel) == "250"; })) << Field(TabChannel);
    EXPECT_TRUE(WaitDispatching([&] { return Tree().Find("label", "Kanál nedefinován.") != nullptr; }));

    ClickOn("page tab", TabInterface);
    ASSERT_TRUE(WaitForState("page tab", TabInterface, "selected"));
    FocusField(TabInterface);
    Keys({"End", "Left", "Delete", "3", "a", "Home", "KP_Delete", "Right", "BackSpace", "4"});
    EXPECT_TRUE(WaitDispatching([&] { return Field(TabInterface) == "4"; })) << Field(TabInterface);
}

TEST_F(WindowInputBare, DonePrintsNothing) {
    // An assistive tool that follows object events, as screen readers do.
    TServerProcess listener;
    std::string line, error;
    ASSERT_TRUE(listener.Start({"/usr/bin/python3", RV_ATSPI_TREE, "--listen", "@FD"}, line, error)) << error;
    Start();
    ClickOn("page tab", TabChannel);
    ASSERT_TRUE(WaitForState("page tab", TabChannel, "selected"));
    std::fflush(stderr);
    char path[] = "/tmp/rv_window_stderr_XXXXXX";
    const int file = mkstemp(path);
    ASSERT_GE(file, 0);
    const int saved = dup(2);
    dup2(file, 2);
    host_->Done();
    RunDispatching({"true"});
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    std::string printed(4096, '\0');
    printed.resize(static_cast<std::size_t>(std::max<ssize_t>(0, pread(file, printed.data(), printed.size(), 0))));
    close(file);
    unlink(path);
    EXPECT_EQ(printed, "");
}

INSTANTIATE_TEST_SUITE_P(, WindowInput, ::testing::Values(false, true),
                         [](const auto& p) { return p.param ? "WithWindowManager" : "WithoutWindowManager"; });

}  // namespace
