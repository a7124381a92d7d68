#include "tools/host/Options.h"

#include <cstdio>
#include <string_view>

#include "tools/host/Channels.h"

namespace host {
namespace {

constexpr const char* kUsage =
    "Usage: zr6180-host [--driver PATH] -p PARAMFILE [options] COMMAND ...\n"
    "Loads the ZR-6180 driver library and drives it through its exports, as a\n"
    "control system does.\n"
    "\n"
    "Commands:\n"
    "  read CH...         one input cycle; CH is 1..5, 11..26 or 100..2999, or a range A-B\n"
    "      --declared     every input declared in the parameter file (before CH...)\n"
    "  write CH=VALUE...  one output cycle: 3000..3999 real, 4000..4999 integer,\n"
    "                     5000..5999 0 or 1, 6000..6099 text; 6, 51..66 and 99 integer\n"
    "                     (99=CH resets the status register of CH's module)\n"
    "  watch CH...        repeated input cycles as a live table\n"
    "      --interval MS  time from one cycle to the next (default 1000)\n"
    "      --count N      number of cycles (default 0: until Ctrl-C)\n"
    "  info               reads the declared inputs, then shows the identification, the\n"
    "                     last failed channel and the error summaries of the declared\n"
    "                     interfaces\n"
    "      --all          all 16 interfaces\n"
    "  check              Init and Done only; prints the driver's verdict, the interfaces\n"
    "                     and channels it understood, and warnings for what is accepted\n"
    "                     but likely a mistake\n"
    "      --strict       exit status 1 when there is a warning\n"
    "  log [KIND]         the driver's log in UTF-8, from the LOG directory of the\n"
    "                     parameter file; KIND is main (default), run, err, cb or an\n"
    "                     interface number 1..16 (its latest daily log)\n"
    "      --follow       keep showing what is appended (Ctrl-C stops)\n"
    "\n"
    "Options:\n"
    "  --driver PATH        driver library (default: librv_zr6180.so.3 beside this program)\n"
    "  -p, --params FILE    parameter file given to Init\n"
    "  --tsv                tab-separated output\n"
    "  --json               JSON output: one object per command, errors included; one\n"
    "                       line per watch cycle and per followed log line\n"
    "  --monitor CH         read, write: afterwards point service channel 6 at CH\n"
    "                       and show its address, status and status register (3, 4, 5);\n"
    "                       read adds CH to its cycle when it is an input\n"
    "  --force              write NaN, infinite reals and reals out of range anyway\n"
    "                       (beyond -8388607..8388607, or below 0.00001 in magnitude:\n"
    "                       the module gets the saturated value or 0; NaN becomes\n"
    "                       -8388607, the driver refuses infinite ones)\n"
    "  --timeout MS         longest wait for the completions of a cycle (default 70000)\n"
    "  --level N            access level given to Init (default 0)\n"
    "  --window-seconds N   keep the driver's window alive N seconds before Done\n"
    "  --version            the version of this program\n"
    "  -h, --help           this text\n"
    "\n"
    "Each channel's status is the driver's Status of that channel, read through the\n"
    "service channels 6 and 4. On a terminal, a read or write that waits longer than a\n"
    "second shows its progress on standard error.\n"
    "\n"
    "Exit status:\n"
    "  0    every channel in order\n"
    "  1    a channel (the monitored one too) ended with a non-zero status or without\n"
    "       a result; info: a declared input not in order; check --strict: a warning;\n"
    "       log: no such log file\n"
    "  2    usage error, or a driver library that cannot be used\n"
    "  3    the parameter file cannot be read, or Init failed\n"
    "  130  interrupted (SIGINT or SIGTERM)\n";

bool NumberOption(std::string_view name, const char* value, uint32_t& out, std::string& error) {
    if (value == nullptr || !ParseUnsigned(value, out)) {
        error = std::string(name) + " needs a non-negative number";
        return false;
    }
    return true;
}

bool TextOption(std::string_view name, const char* value, std::string& out, std::string& error) {
    if (value == nullptr || *value == '\0') {
        error = std::string(name) + " needs a value";
        return false;
    }
    out = value;
    return true;
}

bool WatchOnly(const Options& o, bool watchOption, std::string& error) {
    if (!watchOption || o.command == "watch") return true;
    error = "--interval and --count belong to watch";
    return false;
}

// The options that only switch something on.
bool Options::*FlagOption(std::string_view name) {
    static constexpr struct {
        std::string_view name;
        bool Options::*flag;
    } kFlags[] = {{"-h", &Options::help},   {"--help", &Options::help}, {"--version", &Options::version},
                  {"--tsv", &Options::tsv}, {"--json", &Options::json}, {"--force", &Options::force},
                  {"--all", &Options::all}, {"--declared", &Options::declared},
                  {"--strict", &Options::strict}, {"--follow", &Options::follow}};
    for (const auto& f : kFlags)
        if (f.name == name) return f.flag;
    return nullptr;
}

}  // namespace

void PrintUsage(std::FILE* out) { std::fputs(kUsage, out); }

bool AsksForJson(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--") return false;
        if (a == "--json") return true;
    }
    return false;
}

bool ParseOptions(int argc, char** argv, Options& o, std::string& error) {
    bool watchOption = false;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view a = argv[i];
        std::string_view name = a;
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        std::string inline_;
        const auto eq = a.find('=');
        const bool isOption = !optionsEnded && a.size() > 1 && a[0] == '-' && !(a[1] >= '0' && a[1] <= '9');
        if (isOption && a.substr(0, 2) == "--" && eq != std::string_view::npos) {
            name = a.substr(0, eq);
            inline_ = std::string(a.substr(eq + 1));
            value = inline_.c_str();
        }
        const auto takesValue = [&] {
            if (inline_.empty() && value != nullptr) ++i;
            return true;
        };
        bool ok = true;
        if (!isOption) {
            if (o.command.empty())
                o.command = a;
            else
                o.args.emplace_back(a);
            continue;
        }
        if (name == "--") {
            optionsEnded = true;
        } else if (bool Options::*flag = FlagOption(name)) {
            o.*flag = true;
        } else if (name == "--monitor") {
            ok = NumberOption(name, value, o.monitor, error) && takesValue();
        } else if (name == "--driver") {
            ok = TextOption(name, value, o.driver, error) && takesValue();
        } else if (name == "-p" || name == "--params") {
            ok = TextOption(name, value, o.paramFile, error) && takesValue();
        } else if (name == "--timeout") {
            ok = NumberOption(name, value, o.timeoutMs, error) && takesValue();
        } else if (name == "--level") {
            ok = NumberOption(name, value, o.level, error) && takesValue();
        } else if (name == "--window-seconds") {
            ok = NumberOption(name, value, o.windowSeconds, error) && takesValue();
        } else if (name == "--interval") {
            ok = NumberOption(name, value, o.intervalMs, error) && takesValue();
            watchOption = true;
        } else if (name == "--count") {
            ok = NumberOption(name, value, o.count, error) && takesValue();
            watchOption = true;
        } else {
            error = "unknown option " + std::string(a);
            ok = false;
        }
        if (!ok) return false;
    }
    if (o.help || o.version) return true;
    if (o.command.empty()) {
        error = "no command given";
        return false;
    }
    if (o.paramFile.empty()) {
        error = "no parameter file given (-p FILE)";
        return false;
    }
    if (o.tsv && o.json) {
        error = "--tsv and --json exclude each other";
        return false;
    }
    if (o.monitor != 0 && !HasStatusRecord(o.monitor)) {
        error = "--monitor needs a channel 99..6099";
        return false;
    }
    if (o.monitor != 0 && o.command != "read" && o.command != "write") {
        error = "--monitor belongs to read and write";
        return false;
    }
    if (o.all && o.command != "info") {
        error = "--all belongs to info";
        return false;
    }
    const struct {
        bool set;
        const char* command;
        const char* text;
    } owned[] = {{o.declared, "read", "--declared belongs to read"},
                 {o.strict, "check", "--strict belongs to check"},
                 {o.follow, "log", "--follow belongs to log"}};
    for (const auto& x : owned) {
        if (x.set && o.command != x.command) {
            error = x.text;
            return false;
        }
    }
    return WatchOnly(o, watchOption, error);
}

}  // namespace host
