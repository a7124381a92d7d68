// Servers a window test starts for itself: an X server, a private D-Bus
// session bus, a window manager. Each is a child process that is ended
// (SIGTERM, then reaped) when its object goes; what it prints on stderr is
// kept for the test's failure message.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

class TServerProcess {
public:
    // Starts argv; "@FD" in an argument becomes the number of a pipe on which
    // the server reports itself with one line, returned in `line`.
    bool Start(std::vector<std::string> argv, std::string& line, std::string& error) {
        int p[2];
        if (pipe(p) != 0) return error = "pipe", false;
        fcntl(p[0], F_SETFD, FD_CLOEXEC);
        bool reports = false;
        for (std::string& a : argv)
            if (const auto at = a.find("@FD"); at != std::string::npos)
                a.replace(at, 3, std::to_string(p[1])), reports = true;
        std::vector<char*> args;
        for (std::string& a : argv) args.push_back(a.data());
        args.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        char path[] = "/tmp/rv_server_stderr_XXXXXX";
        const int log = mkstemp(path);
        if (log >= 0) {
            errors_ = path;
            posix_spawn_file_actions_adddup2(&actions, log, 2);
            posix_spawn_file_actions_addclose(&actions, log);
        } else {
            posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        }
        const int r = posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (log >= 0) close(log);
        close(p[1]);
        if (r != 0) {
            close(p[0]);
            pid_ = -1;
            return error = argv[0] + " cannot be started (not installed?)", false;
        }
        line.clear();
        pollfd pf{p[0], POLLIN, 0};
        while (reports && line.find('\n') == std::string::npos && poll(&pf, 1, 20000) > 0) {
            char b[256];
            const ssize_t n = read(p[0], b, sizeof b);
            if (n <= 0) break;
            line.append(b, static_cast<std::size_t>(n));
        }
        close(p[0]);
        if (!reports) return true;
        if (line.find('\n') == std::string::npos) return error = argv[0] + " did not report itself", false;
        line.resize(line.find('\n'));
        return true;
    }
    ~TServerProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        if (!errors_.empty()) unlink(errors_.c_str());
    }

    // Still running (not exited, or exited and not yet reaped as such).
    bool Runs() {
        if (pid_ <= 0) return false;
        if (waitpid(pid_, &status_, WNOHANG) != pid_) return true;
        pid_ = -1;
        return false;
    }
    // How it ended, once Runs() said it had.
    std::string Ending() const {
        if (WIFEXITED(status_)) return "exit status " + std::to_string(WEXITSTATUS(status_));
        if (WIFSIGNALED(status_)) return "signal " + std::to_string(WTERMSIG(status_));
        return "status " + std::to_string(status_);
    }

    // What the server printed on stderr so far.
    std::string Errors() const {
        std::string out;
        const int f = errors_.empty() ? -1 : open(errors_.c_str(), O_RDONLY);
        if (f < 0) return out;
        char b[4096];
        for (ssize_t n; (n = read(f, b, sizeof b)) > 0;) out.append(b, static_cast<std::size_t>(n));
        close(f);
        return out;
    }

private:
    pid_t pid_ = -1;
    int status_ = 0;
    std::string errors_;
};

// An X server of the test's own; -displayfd lets it pick a free number.
class TXvfb {
public:
    bool Start(std::string& error) {
        std::string number;
        if (!server_.Start({"Xvfb", "-displayfd", "@FD", "-screen", "0", "1024x768x24", "-nolisten", "tcp"},
                           number, error))
            return false;
        display_ = ":" + number;
        return true;
    }
    // Started, and GTK of this process pointed at it: X11, a fixed theme.
    bool StartForGtk(std::string& error) {
        if (!Start(error)) return false;
        setenv("DISPLAY", display_.c_str(), 1);
        unsetenv("WAYLAND_DISPLAY");
        setenv("GDK_BACKEND", "x11", 1);
        setenv("GTK_THEME", "Adwaita", 1);
        return true;
    }
    const std::string& Display() const { return display_; }

private:
    TServerProcess server_;
    std::string display_;
};

// A session bus of its own for the accessibility bridge, as on a desktop.
inline bool StartSessionBus(TServerProcess& bus, std::string& error) {
    std::string address;
    if (!bus.Start({"dbus-daemon", "--session", "--nofork", "--print-address=@FD"}, address, error)) return false;
    setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    return true;
}
