// A host in a test: the built library loaded with dlopen, a parameter file
// written into a temporary directory, one driver instance with a call-back
// that records every call, and readers of the logs the driver wrote there.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "support/Library.h"
#include "support/ParamFile.h"
#include "support/ProcessResources.h"
#include "support/TempDir.h"
#include "support/Text.h"

// One RUN line split after its time stamp: "label, fields and text".
struct TRunLine {
    uint32_t Number = 0;
    std::string Label;
    std::string Rest;  // after "label, " (empty when the line ends with the label)
};

struct TCall {
    int32_t Context = 0;
    int32_t Direction = 0;
    PData Data = nullptr;
    std::thread::id Thread;
};

// A request finalised the way a host does it: Finalized, and when it says
// false, a call-back and Finalized once more.
struct TOutcome {
    bool FirstFinalized = false;      // result of the first Finalized
    bool Finalized = false;      // result of the last Finalized
    int32_t Status = -1;      // status word of the last Finalized
    bool CallBack = false;    // a call-back arrived in between
};

class TTestHost {
public:
    TTestHost();   // the library and the directory; no instance yet
    ~TTestHost();  // Done and DisposeDriver for an instance still alive
    TTestHost(const TTestHost&) = delete;
    TTestHost& operator=(const TTestHost&) = delete;

    TLibrary lib;
    TTempDir dir;
    PData d = nullptr;
    int32_t Context = 0x5A17C0DE;
    uint32_t TraceLevel = 0;
    std::atomic<int32_t> CallBackReturns{0};  // what the recorded call-back returns
    std::atomic<int32_t> CallBackDelayMs{0};  // how long the host keeps the call-back thread

    std::string WriteParams(const TParamFile& p, const std::string& name = "param.ini");
    std::string WriteParams(const std::string& text, const std::string& name = "param.ini");
    // MakeDriver (when none yet) and Init with the recording call-back.
    bool Start(const TParamFile& p, std::string* error = nullptr);
    bool Init(const std::string& file, std::string* error = nullptr);
    void Done();
    void Dispose();  // DisposeDriver

    // Call-backs received so far.
    std::vector<TCall> Calls() const;
    std::size_t CallCount() const;
    bool WaitForCalls(std::size_t n, int ms = 3000) const;

    // One request cycle. The value record is the host's.
    TOutcome Read(uint32_t c);
    TOutcome Write(uint32_t c, const THodnota& v);
    TOutcome FinishRead(uint32_t c);
    TOutcome FinishWrite(uint32_t c);
    int32_t GetInt(uint32_t c);   // GetInput with TypInt
    double GetReal(uint32_t c);    // GetInput with TypReal
    int GetBit(uint32_t c);        // GetInput with TypBool: 0 or 1
    int32_t InputStatus(uint32_t c, bool* result = nullptr);
    int32_t OutputStatus(uint32_t c, bool* result = nullptr);

    // Logs in the directory, CP1250 as written.
    std::string File(const std::string& name) const;
    std::vector<TRunLine> Run() const;
    std::vector<std::string> Run(std::string_view label) const;  // the rests of lines with this label
    bool WaitForRun(std::string_view label, std::size_t n, int ms = 3000) const;
    std::vector<std::string> MainLog() const;  // messages of the main log, after "] "
    std::string InterfaceLog(int k) const;     // today's interface log
    std::vector<std::string> CallBackLog() const; // texts of the call-back log
    std::string MainLogName = "Rv_zr6180.log";

private:
    static int32_t RecordCall(int32_t context, int32_t direction, PData data);
    TOutcome Finish(uint32_t c, bool output);

    mutable std::mutex mutex_;
    mutable std::condition_variable arrived_;
    std::vector<TCall> calls_;
};

// THodnota records as the host fills them.
THodnota IntValue(int32_t v);
THodnota RealValue(double v);
THodnota BitValue(bool v);
THodnota TextValue(const char* t);

