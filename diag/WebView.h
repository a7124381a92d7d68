// What the diagnostic web server answers, computed from the driver state by
// the window's own view model: the pages as JSON (UTF-8) and the metrics in
// the Prometheus text format. Read-only: nothing here changes the driver.
#pragma once

#include <string>
#include <string_view>

struct TData;

struct TWebAnswer {
    unsigned Status = 404;
    const char* ContentType = "text/plain; charset=utf-8";
    std::string Body;
};

class TExchangeHistory;

// The answer to a GET of `path`: "/api/info", "/api/interface/N",
// "/api/channel/N" (N is corrected as the window's entry fields correct it),
// the channel overview "/api/channels" (what stays from Init on) and
// "/api/channels/values" (what changes), "/api/history" when the server
// keeps one, or "/metrics"; 404 for anything else.
TWebAnswer WebAnswer(TData& d, std::string_view path, TExchangeHistory* history = nullptr);

std::string InfoJson(TData& d);
std::string InterfaceJson(TData& d, std::string_view field);
std::string ChannelJson(TData& d, std::string_view field);
std::string ChannelListJson(TData& d);
std::string ChannelValuesJson(TData& d);
std::string MetricsText(TData& d);
