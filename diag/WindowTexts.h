// The fixed texts of the diagnostic window around the value rows: tabs,
// headings, the legend of the indicator boxes. Code page 1250. Header-only,
// so that the GTK window and the web page show the very same texts.
#pragma once

#include <string_view>

#include "base/Cp1250.h"

namespace window_texts {

inline constexpr std::string_view Title = " Rv_zr6180";
inline constexpr std::string_view Heading = "RV ovladač modulů Zarvelin"_cp;
inline constexpr std::string_view Version = "verze 3.15";
inline constexpr std::string_view PageInfo = "Info";
inline constexpr std::string_view PageInterface = "Diagnostika rozhraní"_cp;
inline constexpr std::string_view PageChannel = "Diagnostika kanálu"_cp;
inline constexpr std::string_view LastError = "Poslední detekovaná chyba"_cp;
inline constexpr std::string_view InterfaceStatus = "Status rozhraní"_cp;
inline constexpr std::string_view InterfaceCount = "Počet definovaných rozhraní"_cp;
inline constexpr std::string_view WatchedInterface = "Monitorované rozhraní"_cp;
inline constexpr std::string_view ChannelCount = "Počet definovaných kanálů"_cp;
inline constexpr std::string_view WatchedChannel = "Monitorovaný kanál"_cp;
inline constexpr std::string_view Logging = "Logování chyb"_cp;

// The legend, in the order of its boxes: green, red, yellow, grey.
inline constexpr std::string_view Legend[4] = {"v pořádku"_cp, "chyba rozhraní"_cp, "chyba kanálu"_cp,
                                               "rozhraní nedefinováno"_cp};

}  // namespace window_texts
