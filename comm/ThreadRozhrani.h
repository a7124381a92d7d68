// The interface thread: one per declared interface. It serves its queue one
// request at a time, exchanging VUZIV2 datagrams with the gateway, and stores
// each outcome in the channel, module and interface records.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>

#include "comm/Fronta.h"
#include "comm/LogBudget.h"
#include "comm/CommLogs.h"
#include "comm/Packet.h"
#include "platform/Thread.h"
#include "platform/Udp.h"
#include "config/Model.h"
#include "base/Contained.h"
#include "base/Text.h"

class TThreadRozhrani final : public TThread {
public:
    TThreadRozhrani(TData* d, uint8_t number);
    ~TThreadRozhrani() override;  // Stop + Join

    bool Start();  // false when no thread could be created

    void Execute() override;
    void KrokKomunikace();

    static std::string_view OrizniKonec(std::string_view t);
    static TText<4> KanalText4(uint32_t c);

private:
    enum class TStep { Continue, Finished, Stop, Failed };

    void RunStep();
    void AfterException();
    TStep Serve(uint32_t c);
    TStep Drain(uint32_t c);
    TStep SendRequest(const TKopieRozhrani& r, std::string_view dotaz);
    TStep AwaitAnswer(uint32_t c, uint32_t limitLan, uint32_t& elapsed);
    TStep TakeDatagram(uint32_t c, std::string_view received);
    bool MayLogDatagram();
    void ReportLeftOut(uint32_t now);
    TStep Timeout(uint32_t c);
    void FinishWithException(uint32_t c);
    // Stores the outcome and publishes it with the request state `state` says.
    bool UlozOdpoved(uint32_t c, const TOdpoved& o, TOutcomeState state);
    void RingCallBack(uint32_t c);
    void RefreshCopies(uint32_t c);
    void CountSend(int attempt);
    uint64_t ExchangeUs() const;  // since the request was taken from the queue
    TInterfaceCounters& Counters() { return PData->InterfaceCounters[CisloRozhrani]; }
    void SwitchLogs();
    void SleepToHour(int64_t doKonceHodiny);

    void Trace(std::string_view tag, uint32_t c, int32_t S, std::string_view text);
    void TraceQueue(std::string_view tag, uint32_t c, std::string_view tail, int32_t S = NoField);
    template <class... A>
    void LogChannel(uint32_t c, const A&... segments);
    void ErrMessage(std::string_view kind, std::string_view text, uint32_t c);

public:
    TUdp Udp;
    TData* PData;
    uint8_t CisloRozhrani;
    TKopieRozhrani KopieRozhrani;
    TKopieKanalu KopieKanalu;

private:
    uint32_t generation_ = 0;   // wake-up generation seen before the last look for work
    // What the last UlozOdpoved stored, for the trace after it: once Hotovo
    // is set the host and the call-back thread may move the record on.
    int32_t storedState_ = 0;
    uint32_t storedLanTime_ = 0;
    uint32_t storedTick_ = 0;
    int64_t lanStartNs_ = 0;
    uint32_t current_ = 0;    // channel taken from the queue and not yet stored; 0: none
    TQueueHour hour_;
    TLineBudget lineBudget_;  // lines about unwanted datagrams
};
