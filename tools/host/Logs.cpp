// The log command: one of the driver's logs (code page 1250, CR LF) shown in
// UTF-8, from the LOG directory of the parameter file; --follow keeps showing
// what is appended, and moves on when the driver starts a newer file.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tools/host/Commands.h"
#include "tools/host/Encoding.h"

namespace host {
namespace {

namespace fs = std::filesystem;

// The file of a kind: the main log by its name, the rotated and daily ones
// as the latest written of their names.
struct LogKind {
    std::string prefix;  // empty: `exact` is the name
    std::string exact;
    std::string suffix = ".log";
};

bool KindOf(const std::string& kind, const TCFG& cfg, LogKind& k, std::string& error) {
    uint32_t n = 0;
    if (kind.empty() || kind == "main") {
        k.exact = cfg.LogNazev;
    } else if (kind == "run") {
        k.prefix = "Rv_zr6180Run";
    } else if (kind == "err") {
        k.prefix = "Rv_zr6180Err";
    } else if (kind == "cb") {
        k.exact = "Rv_zr6180_CB.log";
    } else if (ParseUnsigned(kind, n) && n >= 1 && n <= 16) {
        k.prefix = "Rv_zr6180_R" + std::to_string(n) + "_";
    } else {
        error = "unknown log kind '" + kind + "' (main, run, err, cb or 1..16)";
        return false;
    }
    return true;
}

// The path of the kind's current file; empty when there is none.
std::string Current(const std::string& dir, const LogKind& k) {
    if (k.prefix.empty()) return fs::exists(dir + k.exact) ? dir + k.exact : "";
    std::error_code e;
    std::string best;
    fs::file_time_type newest{};
    for (const auto& f : fs::directory_iterator(dir, e)) {
        const std::string n = f.path().filename().string();
        if (n.rfind(k.prefix, 0) != 0 || n.size() < k.suffix.size() ||
            n.compare(n.size() - k.suffix.size(), k.suffix.size(), k.suffix) != 0)
            continue;
        std::error_code te;
        const auto t = fs::last_write_time(f.path(), te);
        // Ties (the same second on coarse file systems) go to the later name.
        if (!te && (best.empty() || t > newest || (t == newest && f.path().string() > best))) {
            best = f.path().string();
            newest = t;
        }
    }
    return best;
}

class Printer {
public:
    Printer(const Options& o, const std::string& kind) : o_(o), kind_(kind.empty() ? "main" : kind) {}

    // Whole lines of `bytes`; a part line waits for the rest.
    void Add(const std::string& file, std::string_view bytes) {
        pending_.append(bytes);
        std::size_t nl;
        while ((nl = pending_.find('\n')) != std::string::npos) {
            std::string line = pending_.substr(0, nl);
            pending_.erase(0, nl + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            Line(file, Cp1250ToUtf8(line));
        }
    }
    void Flush(const std::string& file) {
        if (!pending_.empty()) Add(file, "\n");
    }
    void End(const std::string& file) {
        if (!o_.json || o_.follow) return;
        Json j;
        j["command"] = "log";
        j["ok"] = true;
        j["kind"] = kind_;
        j["file"] = file;
        j["lines"] = lines_;
        PrintJson(stdout, j);
    }

private:
    void Line(const std::string& file, const std::string& text) {
        if (!o_.json) {
            std::printf("%s\n", text.c_str());
        } else if (o_.follow) {
            Json j;
            j["command"] = "log";
            j["file"] = file;
            j["line"] = text;
            PrintJson(stdout, j);
        } else {
            lines_.push_back(text);
        }
        if (o_.follow) std::fflush(stdout);
    }

    const Options& o_;
    std::string kind_;
    std::string pending_;
    Json lines_ = Json::array();
};

// Bytes of `path` from `offset` on; the offset moves past them.
std::string ReadFrom(const std::string& path, std::uintmax_t& offset) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return "";
    f.seekg(0, std::ios::end);
    const auto size = static_cast<std::uintmax_t>(f.tellg());
    if (size < offset) offset = 0;  // emptied by a rotation: from the start again
    f.seekg(static_cast<std::streamoff>(offset));
    std::string bytes(size - offset, '\0');
    f.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(f.gcount()));
    offset += bytes.size();
    return bytes;
}

}  // namespace

int CommandLog(const Options& o, const Parameters& p) {
    const std::string kind = o.args.empty() ? "" : o.args[0];
    LogKind k;
    std::string error;
    if (!KindOf(kind, p.t->cfg, k, error)) return Fail(o, kExitUsage, error + "\nTry 'zr6180-host --help'.");
    const std::string dir = p.t->cfg.LogAdresar;
    std::string file = Current(dir, k);
    if (file.empty() && !o.follow) {
        const std::string what = k.prefix.empty() ? dir + k.exact : dir + k.prefix + "*" + k.suffix;
        return Fail(o, kExitFault, "no log " + Cp1250ToUtf8(what) + " (is it switched on in the parameter file?)");
    }
    Printer out(o, kind);
    std::uintmax_t offset = 0;
    if (!file.empty()) out.Add(file, ReadFrom(file, offset));
    if (!o.follow) {
        out.Flush(file);
        out.End(file);
        return kExitOk;
    }
    if (file.empty() && !o.json) std::fprintf(stderr, "zr6180-host: waiting for the log in %s\n", dir.c_str());
    while (!Interrupted()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const std::string now = Current(dir, k);
        if (now != file && !now.empty()) {
            if (!file.empty()) out.Add(file, ReadFrom(file, offset));  // the old file's last lines
            out.Flush(file);
            file = now;
            offset = 0;
        }
        if (!file.empty()) out.Add(file, ReadFrom(file, offset));
    }
    out.Flush(file);
    return kExitInterrupted;
}

}  // namespace host
