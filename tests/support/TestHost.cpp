#include "support/TestHost.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>

#include <gtest/gtest.h>

#include "base/Cp1250.h"
#include "support/Wait.h"

namespace {

using namespace std::chrono_literals;

// Which fixture an instance belongs to: the call-back knows only PData.
std::mutex registryMutex;
std::map<PData, TTestHost*> registry;

// The text after the first "] ", or the whole line.
std::string AfterBracket(const std::string& r) {
    const auto i = r.find("] ");
    return i == std::string::npos ? r : r.substr(i + 2);
}

}  // namespace

THodnota IntValue(int32_t v) {
    THodnota h{};
    h.TypHodnoty = TypInt;
    h.Hodnota.Cele = v;
    return h;
}

THodnota RealValue(double v) {
    THodnota h{};
    h.TypHodnoty = TypReal;
    h.Hodnota.Real = v;
    return h;
}

THodnota BitValue(bool v) {
    THodnota h{};
    h.TypHodnoty = TypBool;
    h.Hodnota.Bajty[0] = v ? 1 : 0;
    return h;
}

THodnota TextValue(const char* t) {
    THodnota h{};
    h.TypHodnoty = TypString;
    h.Hodnota.Text = t;
    return h;
}

// ---- the instance ----

TTestHost::TTestHost() { setenv("RV_ZR6180_WINDOW", "none", 1); }

TTestHost::~TTestHost() {
    if (d != nullptr) {
        Done();
        Dispose();
    }
}

std::string TTestHost::WriteParams(const TParamFile& p, const std::string& name) {
    return WriteParams(p.Text(dir.Path()), name);
}

std::string TTestHost::WriteParams(const std::string& text, const std::string& name) {
    const std::string filePath = dir / name;
    WriteFile(filePath, text);
    return filePath;
}

bool TTestHost::Start(const TParamFile& p, std::string* error) {
    if (!p.LogName.empty()) MainLogName = p.LogName;
    return Init(WriteParams(p), error);
}

bool TTestHost::Init(const std::string& file, std::string* error) {
    if (d == nullptr) d = lib.MakeDriver();
    if (d == nullptr) return false;
    {
        std::lock_guard g(registryMutex);
        registry[d] = this;  // also an instance the test made itself
    }
    char buf[1024] = {};
    const bool ok = lib.Init(d, 0, file.c_str(), sizeof buf - 1, buf, TraceLevel, 0, Context, &RecordCall) != 0;
    if (error != nullptr) *error = buf;
    return ok;
}

void TTestHost::Done() {
    if (d != nullptr) lib.Done(d);
}

void TTestHost::Dispose() {
    if (d == nullptr) return;
    lib.DisposeDriver(d);
    std::lock_guard g(registryMutex);
    registry.erase(d);
    d = nullptr;
}

int32_t TTestHost::RecordCall(int32_t context, int32_t direction, PData data) {
    TTestHost* o = nullptr;
    {
        std::lock_guard g(registryMutex);
        const auto i = registry.find(data);
        if (i == registry.end()) return 0;
        o = i->second;  // lives until DisposeDriver has joined this thread
    }
    {
        std::lock_guard z(o->mutex_);
        o->calls_.push_back({context, direction, data, std::this_thread::get_id()});
    }
    o->arrived_.notify_all();
    if (const int32_t ms = o->CallBackDelayMs.load(); ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return o->CallBackReturns.load();
}

std::vector<TCall> TTestHost::Calls() const {
    std::lock_guard g(mutex_);
    return calls_;
}

std::size_t TTestHost::CallCount() const {
    std::lock_guard g(mutex_);
    return calls_.size();
}

bool TTestHost::WaitForCalls(std::size_t n, int ms) const {
    std::unique_lock g(mutex_);
    return arrived_.wait_for(g, std::chrono::milliseconds(ms), [&] { return calls_.size() >= n; });
}

// ---- request cycles ----

TOutcome TTestHost::Finish(uint32_t c, bool output) {
    TOutcome v;
    const std::size_t before = CallCount();
    int32_t st = -1;
    v.FirstFinalized = (output ? lib.OutputFinalized(d, c, &st) : lib.InputFinalized(d, c, &st)) != 0;
    v.Finalized = v.FirstFinalized;
    v.Status = st;
    if (v.FirstFinalized) return v;
    v.CallBack = WaitForCalls(before + 1, 5000);
    if (!v.CallBack) ADD_FAILURE() << "channel " << c << ": Finalized said false and no call-back came";
    st = -1;
    v.Finalized = (output ? lib.OutputFinalized(d, c, &st) : lib.InputFinalized(d, c, &st)) != 0;
    v.Status = st;
    return v;
}

TOutcome TTestHost::FinishRead(uint32_t c) { return Finish(c, false); }
TOutcome TTestHost::FinishWrite(uint32_t c) { return Finish(c, true); }

TOutcome TTestHost::Read(uint32_t c) {
    lib.InputRequest(d, c);
    lib.InputRequestCompleted(d);
    return Finish(c, false);
}

TOutcome TTestHost::Write(uint32_t c, const THodnota& v) {
    lib.OutputRequest(d, c, v);
    lib.OutputRequestCompleted(d);
    return Finish(c, true);
}

int32_t TTestHost::GetInt(uint32_t c) {
    THodnota h = IntValue(-0x2A2A2A2A);
    lib.GetInput(d, c, &h);
    return h.Hodnota.Cele;
}

double TTestHost::GetReal(uint32_t c) {
    THodnota h = RealValue(-999999.0);
    lib.GetInput(d, c, &h);
    return h.Hodnota.Real;
}

int TTestHost::GetBit(uint32_t c) {
    THodnota h = BitValue(false);
    h.Hodnota.Bajty[0] = 0x77;  // neither answer
    lib.GetInput(d, c, &h);
    return h.Hodnota.Bajty[0];
}

int32_t TTestHost::InputStatus(uint32_t c, bool* result) {
    int32_t st = -1;
    const bool r = lib.InputFinalized(d, c, &st) != 0;
    if (result) *result = r;
    return st;
}

int32_t TTestHost::OutputStatus(uint32_t c, bool* result) {
    int32_t st = -1;
    const bool r = lib.OutputFinalized(d, c, &st) != 0;
    if (result) *result = r;
    return st;
}

// ---- logs ----

std::string TTestHost::File(const std::string& name) const { return ReadFile(dir / name); }

std::vector<TRunLine> TTestHost::Run() const {
    std::vector<TRunLine> v;
    for (const std::string& r : Lines(File("Rv_zr6180Run001.log"))) {
        TRunLine x;
        x.Number = static_cast<uint32_t>(std::strtoul(r.substr(0, 8).c_str(), nullptr, 16));
        // "XXXXXXXX [dd.mm.yy hh:nn:ss.zzz] label, rest"
        const auto i = r.find("] ");
        if (i == std::string::npos) continue;
        const std::string t = r.substr(i + 2);
        const auto j = t.find(", ");
        if (j == std::string::npos) {
            x.Label = t.size() > 0 && t.back() == ',' ? t.substr(0, t.size() - 1) : t;
        } else {
            x.Label = t.substr(0, j);
            x.Rest = t.substr(j + 2);
        }
        v.push_back(x);
    }
    return v;
}

std::vector<std::string> TTestHost::Run(std::string_view label) const {
    std::vector<std::string> v;
    for (const TRunLine& r : Run())
        if (r.Label == label) v.push_back(r.Rest);
    return v;
}

bool TTestHost::WaitForRun(std::string_view label, std::size_t n, int ms) const {
    return WaitFor([&] { return Run(label).size() >= n; }, ms, 2ms);
}

std::vector<std::string> TTestHost::MainLog() const {
    std::vector<std::string> v;
    for (const std::string& r : Lines(File(MainLogName))) v.push_back(AfterBracket(r));
    return v;
}

std::string TTestHost::InterfaceLog(int k) const { return ReadInterfaceLogs(dir.Path(), k); }

std::vector<std::string> TTestHost::CallBackLog() const {
    std::vector<std::string> v;
    for (const std::string& r : Lines(File("Rv_zr6180_CB.log"))) v.push_back(AfterBracket(r));
    return v;
}
