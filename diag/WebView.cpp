#include "diag/WebView.h"

#include <charconv>
#include <mutex>

#include <nlohmann/json.hpp>

#include "base/Cp1250.h"
#include "base/Radek.h"
#include "config/Model.h"
#include "diag/DrvDialog.h"
#include "diag/WindowTexts.h"

namespace {

using Json = nlohmann::ordered_json;
namespace texts = window_texts;

constexpr std::string_view ApiInterface = "/api/interface/";
constexpr std::string_view ApiChannel = "/api/channel/";

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
    t["pages"] = Json::array({Utf8(texts::PageInfo), Utf8(texts::PageInterface), Utf8(texts::PageChannel)});
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
        std::lock_guard g(d.ZamekOkna);
        fill(d, v.Number, rows);
    }
    Json j;
    j["number"] = v.Number;
    j["field"] = Utf8(v.Text);
    j["rows"] = Utf8Array(rows);
    return j;
}

}  // namespace

std::string InfoJson(TData& d) {
    TInfoRows rows;
    {
        std::lock_guard g(d.ZamekOkna);
        FillInfoRows(d, rows);
    }
    Json indicators = Json::array();
    for (int i = RozhraniPrvni; i <= RozhraniPosledni; ++i) indicators.push_back(Hex(TDrvDialog::BarvaRozhrani(d.Rozhrani[i])));
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

TWebAnswer WebAnswer(TData& d, std::string_view path) {
    TWebAnswer a;
    if (path == "/metrics") {
        a.ContentType = "text/plain; version=0.0.4; charset=utf-8";
        a.Body = MetricsText(d);
    } else if (path == "/api/info") {
        a.ContentType = "application/json";
        a.Body = InfoJson(d);
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
