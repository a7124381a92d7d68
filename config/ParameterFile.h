// Readers of the parameter file: log and window settings, interface
// declarations and channel declarations. Messages are code page 1250.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/Model.h"

struct TResult {
    bool Ok = false;
    std::string Message;
    // The system's error number when the file could not be read, so that
    // "too many open files" can be told from a broken file; 0 otherwise.
    int SystemError = 0;
};

TResult CtiNastaveni(const std::string& soubor, TCFG& cfg);
TResult CtiRozhrani(const std::string& soubor, TCFG& cfg, TPoleRozhrani& rozhrani);
struct TChannelReport;
// `report`, when given, is filled for a tool that checks the file; the
// reading itself is the same with or without it.
TResult CtiKanaly(const std::string& soubor, TCFG& cfg, TPoleRozhrani& rozhrani, TPoleKanal& channels,
                  TChannelReport* report = nullptr);

// What the channel reader met, line by line (lines count from 1).
struct TChannelReport {
    struct TDeclaration {
        int32_t Channel = 0;
        int Line = 0;
    };
    int HeaderLine = 0;                     // 0: no header line, nothing declared
    std::vector<TDeclaration> Declarations;  // accepted, in file order
    std::vector<TDeclaration> Skipped;       // numbers outside 99..6099, lines ignored
    int FaultyLine = 0;                      // the line that failed the reading, 0 if none
};

// The names the readers look up (code page 1250), for tools that check a
// file against them.
enum class TSectionKind { Log, Window, Interface };
struct TKnownKey {
    std::string_view Name;
    bool Integer;  // read as an integer: a value that is not one gives the default
};
std::span<const TKnownKey> KnownKeys(TSectionKind kind);
std::string_view SectionName(TSectionKind kind);  // Interface: without its number
std::string InterfaceSectionName(int n);
std::string_view ChannelSectionHeader();  // the whole line, matched exactly

struct TThreeTexts {
    std::string First;
    std::string Second;
    std::string Third;
};
TThreeTexts RozdelUvozovky(std::string_view text);
