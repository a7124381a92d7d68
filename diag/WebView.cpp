#include "diag/WebView.h"

#include <charconv>
#include <mutex>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/Cp1250.h"
#include "base/Text.h"
#include "config/Model.h"
#include "config/Values.h"
#include "diag/DrvDialog.h"
#include "diag/ExchangeHistory.h"
#include "diag/PageRows.h"
#include "diag/WindowTexts.h"

namespace {

using Json = nlohmann::ordered_json;
namespace texts = window_texts;

constexpr std::string_view ApiInterface = "/api/interface/";
constexpr std::string_view ApiChannel = "/api/channel/";
constexpr std::size_t FieldLength = 42;  // as the window's value rows

std::string Utf8(std::string_view cp) { return cp1250::ToUtf8(cp); }

std::string Hex(TColour c) {
    TText<8> t("#");
    t.Hex(c.R, 2).Hex(c.G, 2).Hex(c.B, 2);
    std::string s(t.sv());
    for (char& ch : s)
        if (ch >= 'A' && ch <= 'F') ch = static_cast<char>(ch - 'A' + 'a');
    return s;
}

template <std::size_t N>
Json Utf8Array(const std::array<std::string, N>& rows) {
    Json a = Json::array();
    for (const auto& r : rows) a.push_back(Utf8(r));
    return a;
}

template <std::size_t N>
Json Utf8Array(const std::string_view (&rows)[N]) {
    Json a = Json::array();
    for (const auto& r : rows) a.push_back(Utf8(r));
    return a;
}

std::string Number(int32_t v) { return std::to_string(v); }

std::string Dump(const Json& j) { return j.dump(-1, ' ', false, Json::error_handler_t::replace); }

Json FixedTexts() {
    Json t;
    t["title"] = Utf8(texts::Title);
    t["heading"] = Utf8(texts::Heading);
    t["version"] = Utf8(texts::Version);
    t["pages"] = Json::array({Utf8(texts::PageInfo), Utf8(texts::PageInterface), Utf8(texts::PageChannel),
                              Utf8("Přehled kanálů"_cp)});
    t["lastError"] = Utf8(texts::LastError);
    t["interfaceStatus"] = Utf8(texts::InterfaceStatus);
    t["interfaceCount"] = Utf8(texts::InterfaceCount);
    t["watchedInterface"] = Utf8(texts::WatchedInterface);
    t["channelCount"] = Utf8(texts::ChannelCount);
    t["watchedChannel"] = Utf8(texts::WatchedChannel);
    t["logging"] = Utf8(texts::Logging);
    // The web page's own notice when its data stop coming: "Data nejsou
    // aktuální od 14:02:11", the time of the last good answer.
    t["stale"] = Utf8("Data nejsou aktuální"_cp);
    t["since"] = "od";
    // The web page's own overview of every declared channel, with a chart
    // of each interface.
    t["columns"] = Json::array({Utf8("Číslo"_cp), Utf8("Kód"_cp), Utf8("Název"_cp), Utf8("Rozhraní"_cp),
                                Utf8("Adresa"_cp), Utf8("Hodnota"_cp), Utf8("Status"_cp),
                                Utf8("Poslední požadavek"_cp)});
    t["filterInterface"] = Utf8("Rozhraní"_cp);
    t["allInterfaces"] = Utf8("všechna"_cp);
    t["faultyOnly"] = Utf8("jen chybné kanály"_cp);
    // "Zobrazeno 12 z 6001 kanálů": the page puts in the two numbers.
    t["shown"] = Utf8("Zobrazeno {shown} z {all} kanálů"_cp);
    // The table shows this many rows at a time: "Strana 2 z 31".
    t["pageOf"] = Utf8("Strana {page} z {pages}"_cp);
    t["previousPage"] = Utf8("« Předchozí"_cp);
    t["nextPage"] = Utf8("Další »"_cp);
    t["charts"] = Utf8("Posledních 5 minut"_cp);
    t["chartInterface"] = Utf8("Rozhraní"_cp);
    t["chartTime"] = Utf8("doba výměny [µs]"_cp);
    t["chartFaults"] = Utf8("chyby za sekundu"_cp);
    return t;
}

Json Legend() {
    const TColour colours[4] = {ColourGreen, ColourRed, ColourYellow, ColourGrey};
    Json a = Json::array();
    for (int i = 0; i < 4; ++i) a.push_back({{"text", Utf8(texts::Legend[i])}, {"colour", Hex(colours[i])}});
    return a;
}

// The interface or channel page for the number an entry field's text gives.
template <class TRows>
Json ChosenPage(TData& d, const TChoice& v, void (*fill)(const TData&, uint32_t, TRows&)) {
    TRows rows;
    {
        std::lock_guard g(d.WindowLock);
        fill(d, v.Number, rows);
    }
    Json j;
    j["number"] = v.Number;
    j["field"] = Utf8(v.Text);
    j["rows"] = Utf8Array(rows);
    return j;
}

// Which declared channels the overview's lists hold, in what order: the
// lists of one instance are the same from Init to Done, so a page that
// finds another layout in the values asks for the list again.
std::string Layout(const TData& d) {
    return std::to_string(d.DriverCounters.StartRealMs.load()) + "/" + std::to_string(d.Cfg.PocetKanalu.load());
}

// What the overview shows of a channel that changes while the driver runs,
// copied under the window's lock; the bytes of its value go into a scratch
// record, whose text is made outside the lock.
struct TChannelCopy {
    uint32_t Number = 0;
    uint8_t Status = 0;
    uint32_t Calls = 0;
    uint32_t RequestTick = 0;
    bool Faulty = false;  // its mark in the interface, as the boxes and the metrics count it
};

// This many channels at a time under the lock: a writer of a shown record
// (the host queueing a request, an interface thread storing an answer) waits
// for a few microseconds at most, as for the window's own refresh.
constexpr std::size_t CopyChunk = 64;

}  // namespace

std::string ChannelListJson(TData& d) {
    // Codes and names are written by Init only; number, interface and
    // address of a declared channel too (but the reset channel's, which the
    // values bring).
    Json number = Json::array(), code = Json::array(), name = Json::array(), interface = Json::array(),
         address = Json::array();
    for (int n = FirstChannel; n <= LastChannel; ++n) {
        const TKanal& k = d.Kanaly[n];
        if (k.Pouzit == 0) continue;
        number.push_back(n);
        code.push_back(Utf8(TDrvDialog::OrizniText(k.Kod, FieldLength)));
        name.push_back(Utf8(TDrvDialog::OrizniText(k.Nazev, FieldLength)));
        interface.push_back(k.Rozhrani.load());
        address.push_back(k.Adresa.load());
    }
    Json j;
    j["layout"] = Layout(d);
    j["number"] = std::move(number);
    j["code"] = std::move(code);
    j["name"] = std::move(name);
    j["interface"] = std::move(interface);
    j["address"] = std::move(address);
    return Dump(j);
}

std::string ChannelValuesJson(TData& d) {
    const char separator = d.Regional.DecimalSeparator;
    const uint32_t tick = Now(&d);
    const int64_t realMs = Clock(&d).RealMs();
    const int64_t base = realMs / 1000;
    Json value = Json::array(), status = Json::array(), age = Json::array(), faulty = Json::array();
    std::size_t row = 0;
    std::vector<TKanal> channels(CopyChunk);
    std::vector<TModul> modules(CopyChunk);
    std::vector<TChannelCopy> copies(CopyChunk);
    bool seen[256] = {};
    int n = FirstChannel;
    while (n <= LastChannel) {
        std::size_t got = 0;
        {
            std::lock_guard g(d.WindowLock);
            for (; n <= LastChannel && got < CopyChunk; ++n) {
                const TKanal& k = d.Kanaly[n];
                if (k.Pouzit == 0) continue;
                TKanal& c = channels[got];
                for (int b = 0; b < 16; ++b) {
                    c.DataCteni[b] = k.DataCteni[b].load();
                    c.DataZapis[b] = k.DataZapis[b].load();
                }
                c.Subperiferie = k.Subperiferie.load();
                const uint8_t i = k.Rozhrani;
                modules[got].Data = IsInterface(i) ? d.Rozhrani[i].Moduly[k.Adresa].Data.load() : 0;
                copies[got] = {static_cast<uint32_t>(n), k.Status, k.PocetVolani, k.CasPozadavku,
                               IsInterface(i) && d.Rozhrani[i].StatusKanalu[n] != 0};
                ++got;
            }
        }
        for (std::size_t x = 0; x < got; ++x) {
            const TChannelCopy& c = copies[x];
            value.push_back(Utf8(HodnotaKanaluText(c.Number, channels[x], modules[x], separator)));
            status.push_back(c.Status);
            seen[c.Status] = true;
            if (c.Faulty) faulty.push_back(row);
            ++row;
            if (c.Calls == 0) {
                age.push_back(nullptr);  // never asked for
            } else {
                // Whole seconds of the wall clock before `base`: the same
                // request shows the same time in every answer.
                const int64_t requested = realMs - static_cast<uint32_t>(tick - c.RequestTick);
                age.push_back(base - requested / 1000);
            }
        }
    }
    Json texts = Json::object();
    for (int s = 0; s < 256; ++s)
        if (seen[s]) texts[std::to_string(s)] = Utf8(ChannelStatusText(static_cast<uint8_t>(s)));
    Json j;
    j["layout"] = Layout(d);
    j["base"] = base;
    j["value"] = std::move(value);
    j["status"] = std::move(status);
    j["age"] = std::move(age);
    j["faulty"] = std::move(faulty);  // rows, few as a rule
    j["statusTexts"] = std::move(texts);
    // The reset channel serves the module of the channel it resets last.
    {
        std::lock_guard g(d.WindowLock);
        const TKanal& k = d.Kanaly[FirstChannel];
        j["reset"] = {FirstChannel, k.Rozhrani.load(), k.Adresa.load()};
    }
    return Dump(j);
}

std::string InfoJson(TData& d) {
    TInfoRows rows;
    {
        std::lock_guard g(d.WindowLock);
        FillInfoRows(d, rows);
    }
    Json indicators = Json::array();
    for (int i = FirstInterface; i <= LastInterface; ++i)
        indicators.push_back(Hex(TDrvDialog::BarvaRozhrani(d.Rozhrani[i])));
    Json j;
    j["texts"] = FixedTexts();
    j["captions"] = {{"info", Utf8Array(InfoCaptions)},
                     {"interface", Utf8Array(InterfaceCaptions)},
                     {"channel", Utf8Array(ChannelCaptions)}};
    j["legend"] = Legend();
    j["interfaceCount"] = Number(d.Cfg.PocetRozhrani);
    j["channelCount"] = Number(d.Cfg.PocetKanalu);
    j["logging"] = d.Cfg.LogRozhraniPovolen != 0;
    j["rows"] = Utf8Array(rows);
    j["indicators"] = std::move(indicators);
    // Log lines lost since Init, by log: logging that stopped shows here.
    Json lost = Json::object();
    for (std::size_t k = 0; k < LogKindCount; ++k) lost[LogKindNames[k]] = d.LogFailures.Failed[k].load();
    j["logWriteFailures"] = std::move(lost);
    return Dump(j);
}

std::string InterfaceJson(TData& d, std::string_view field) {
    Json j = ChosenPage(d, CorrectInterface(std::string(field)), &FillInterfaceRows);
    j["interfaceCount"] = Number(d.Cfg.PocetRozhrani);
    j["logging"] = d.Cfg.LogRozhraniPovolen != 0;
    return Dump(j);
}

std::string ChannelJson(TData& d, std::string_view field) {
    Json j = ChosenPage(d, CorrectChannel(std::string(field)), &FillChannelRows);
    j["channelCount"] = Number(d.Cfg.PocetKanalu);
    return Dump(j);
}

TWebAnswer WebAnswer(TData& d, std::string_view path, TExchangeHistory* history) {
    TWebAnswer a;
    if (path == "/metrics") {
        a.ContentType = "text/plain; version=0.0.4; charset=utf-8";
        a.Body = MetricsText(d);
    } else if (path == "/api/info") {
        a.ContentType = "application/json";
        a.Body = InfoJson(d);
    } else if (path == "/api/channels") {
        a.ContentType = "application/json";
        a.Body = ChannelListJson(d);
    } else if (path == "/api/channels/values") {
        a.ContentType = "application/json";
        a.Body = ChannelValuesJson(d);
    } else if (path == "/api/history" && history != nullptr) {
        a.ContentType = "application/json";
        a.Body = history->Json(d);
    } else if (path.starts_with(ApiInterface)) {
        a.ContentType = "application/json";
        a.Body = InterfaceJson(d, path.substr(ApiInterface.size()));
    } else if (path.starts_with(ApiChannel)) {
        a.ContentType = "application/json";
        a.Body = ChannelJson(d, path.substr(ApiChannel.size()));
    } else {
        a.Body = "Not found\n";
        return a;
    }
    a.Status = 200;
    return a;
}
