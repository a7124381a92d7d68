// The parameter-file readers on real files: settings, interfaces, channels,
// every failure message, both encodings and hostile input.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <tuple>

#include "base/Cp1250.h"
#include "config/Ini.h"
#include "config/ParameterFile.h"
#include "support/TempDir.h"

namespace {

std::string S(std::string_view t) { return std::string(t); }
std::string Cp(const std::string& utf8) { return cp1250::FromUtf8(utf8); }

const std::string kBadFile = S("Chybný parametrický soubor"_cp);
const std::string kOk = S("V pořádku"_cp);
const std::string kFileError = S("Chyba parametrického souboru - "_cp);
const std::string kChannelError = S("Chyba parametrického souboru - Deklarace kanálů : chyba kanálu "_cp);
const std::string kChannelSectionError = S("Chyba parametrického souboru - Deklarace kanálů"_cp);

// The smallest valid file: Povolen and one interface with a valid Baud.
const std::string kLog = "[Logovací soubor]\nPovolen=0\n";
const std::string kInterface1 = "[Deklarace rozhraní 1]\nTyp=ZR-6180\nBaud=9600\n";
const std::string kHeader = "[Deklarace kanálů]\n";

struct TReadState {
    TCFG cfg;
    TPoleRozhrani rozhrani;
    TPoleKanal channels;
};

class ParameterFile : public ::testing::Test {
protected:
    std::string FileWith(const std::string& content, const std::string& name = "parametry.ini") {
        const std::string filePath = dir / name;
        WriteFile(filePath, content);
        return filePath;
    }
    TResult Settings(const std::string& content) { return CtiNastaveni(FileWith(content), s->cfg); }
    TResult Rozhrani(const std::string& content) { return CtiRozhrani(FileWith(content), s->cfg, s->rozhrani); }
    TResult Kanaly(const std::string& content) {
        return CtiKanaly(FileWith(content), s->cfg, s->rozhrani, s->channels);
    }
    // Each reader on one file, as Init calls them.
    std::tuple<TResult, TResult, TResult> Vse(const std::string& filePath) {
        return {CtiNastaveni(filePath, s->cfg), CtiRozhrani(filePath, s->cfg, s->rozhrani),
                CtiKanaly(filePath, s->cfg, s->rozhrani, s->channels)};
    }
    // All three readers accept the file.
    ::testing::AssertionResult VseOk(const std::string& filePath) {
        const auto [a, b, c] = Vse(filePath);
        for (const TResult* v : {&a, &b, &c})
            if (!v->Ok) return ::testing::AssertionFailure() << v->Message;
        return ::testing::AssertionSuccess();
    }
    std::string LogDir(const std::string& name) { return dir / name; }

    TTempDir dir;
    std::unique_ptr<TReadState> s = std::make_unique<TReadState>();
};

// A channel's numbers and texts, each compared in one step.
std::tuple<int, int, int, int> Numbers(const TKanal& k) { return {k.Rozhrani, k.Adresa, k.Periferie, k.Subperiferie}; }
std::tuple<std::string, std::string, std::string> Texty(const TKanal& k) { return {k.Kod, k.Nazev, k.Popis}; }
// Likewise an interface's: the UDP and serial parameters in the order of its keys, and its texts.
std::tuple<int, int, int, int, int, int> Numbers(const TRozhrani& r) {
    return {r.UdpPort, r.UdpTimeout, r.UdpOpakovani, r.Baud, r.Timeout, r.Opakovani};
}
std::tuple<std::string, std::string, std::string, std::string, std::string> Texty(const TRozhrani& r) {
    return {r.Kod, r.Nazev, r.Popis, r.Typ, r.IPAdresa};
}

bool FromList(const std::string& z) {
    if (z == kOk || z == kBadFile || z == kChannelSectionError) return true;
    for (const char* p : {"Logovací soubor / Povolen = ", "Logovací soubor / Název souboru = ",
                          "Logovací soubor / Povolen RUN = ", "Logovací soubor / Počet RUN souborů = ",
                          "Logovací soubor / Povolen log rozhraní = ", "Diagnostické okno / Povoleno = ",
                          "Logovací soubor / Adresář LOG souborů = \"", "Deklarace rozhraní ",
                          "Deklarace kanálů : chyba kanálu "})
        if (z.starts_with(kFileError + Cp(p))) return true;
    return false;
}

// ---- CtiNastaveni ----

TEST_F(ParameterFile, SettingsDefaults) {
    s->cfg.RunCislo = 7;
    s->cfg.LogZapnout = 1;
    s->cfg.PocetKanalu = 5;
    const TResult v = Settings(kLog);
    ASSERT_TRUE(v.Ok) << v.Message;
    EXPECT_EQ(v.Message, kOk);
    const TCFG& c = s->cfg;
    EXPECT_EQ(c.LogPovolen, 0);
    EXPECT_EQ(c.LogNazev, "Rv_zr6180.log");
    EXPECT_EQ(c.RunPovolen, 0);
    EXPECT_EQ(c.RunPocet, 1);
    EXPECT_EQ(c.RunNazev, "Rv_zr6180Run.log");
    EXPECT_EQ(c.LogRozhraniPovolen, 0);
    EXPECT_EQ(c.OknoPovoleno, 1);
    EXPECT_EQ(c.LogAdresar, "/var/log/Rv_zr6180_run/");
    EXPECT_EQ(c.LogZapnout, 0);
    EXPECT_EQ(c.LogVypnout, 0);
    EXPECT_EQ(c.ErrCislo, 1);
    EXPECT_EQ(c.PocetKanalu, 0);
    EXPECT_EQ(c.PocetRozhrani, 0);
    EXPECT_EQ(c.RunCislo, 7);  // left to the RunInfo reader
}

TEST_F(ParameterFile, SettingsAllKeysRead) {
    const std::string log = LogDir("logy");
    const TResult v = Settings(
        "[Logovací soubor]\nPovolen=1\nNázev souboru=hlavní.log\nPovolen RUN=1\nPočet RUN souborů=$10\n"
        "Název RUN souborů=běh.log\nPovolen log rozhraní=0x1\nAdresář LOG souborů=" + log + "\n"
        "[Diagnostické okno]\nPovoleno=0\n");
    ASSERT_TRUE(v.Ok) << v.Message;
    EXPECT_EQ(s->cfg.LogPovolen, 1);
    EXPECT_EQ(s->cfg.LogNazev, Cp("hlavní.log"));
    EXPECT_EQ(s->cfg.RunPovolen, 1);
    EXPECT_EQ(s->cfg.RunPocet, 16);
    EXPECT_EQ(s->cfg.RunNazev, Cp("běh.log"));
    EXPECT_EQ(s->cfg.LogRozhraniPovolen, 1);
    EXPECT_EQ(s->cfg.OknoPovoleno, 0);
    EXPECT_EQ(s->cfg.LogAdresar, log + "/");
}

// The message for each file; "@" stands for a log directory of the test's own.
TEST_F(ParameterFile, SettingsMessages) {
    const std::string l = "[Logovací soubor]\n";
    const struct {
        std::string text, message;
    } cases[] = {
        {l + "Povolen RUN=0\n[Diagnostické okno]\nPovoleno=1\n" + kInterface1 + kHeader, kBadFile},  // no Povolen
        {"[Diagnostické okno]\nPovolen=1\n", kBadFile},  // in the wrong section
        {l + "Povolen=jkl\n", kBadFile},                 // the sentinel itself
        {l + "Povolen=2\n", kFileError + Cp("Logovací soubor / Povolen = 2")},
        {l + "Povolen=-7\n", kFileError + Cp("Logovací soubor / Povolen = -7")},
        {l + "Povolen=abc\n", kOk},  // present as text, absent as a number
        {l + "Povolen=\n", kOk},
        {l + "Povolen=\"0\"\n", kOk},
        {l + "Povolen=1\nNázev souboru=ab\nAdresář LOG souborů=@\n", kFileError + Cp("Logovací soubor / Název souboru = ab")},
        {l + "Povolen=1\nNázev souboru=\nAdresář LOG souborů=@\n", kFileError + Cp("Logovací soubor / Název souboru = ")},
        {l + "Povolen=1\nNázev souboru=žít\nAdresář LOG souborů=@\n", kOk},  // three characters in code page 1250
        {l + "Povolen=0\nNázev souboru=ab\n", kOk},  // only checked with the main log on
    };
    for (const auto& c : cases) {
        std::string t = c.text;
        if (const std::size_t i = t.find('@'); i != std::string::npos) t.replace(i, 1, LogDir("l"));
        const TResult v = Settings(t);
        EXPECT_EQ(v.Message, c.message) << t;
        EXPECT_EQ(v.Ok, c.message == kOk) << t;
    }
    EXPECT_TRUE(Settings(l + "Povolen=abc\n").Ok);
    EXPECT_EQ(s->cfg.LogPovolen, 0);
    EXPECT_EQ(CtiNastaveni(dir / "chybi.ini", s->cfg).Message, kBadFile);
    EXPECT_EQ(CtiNastaveni(dir.Path(), s->cfg).Message, kBadFile);
}

TEST_F(ParameterFile, SettingsChecksInOrder) {
    std::string t =
        "[Diagnostické okno]\nPovoleno=2\n[Logovací soubor]\nPovolen log rozhraní=2\nPočet RUN souborů=-1\n"
        "Povolen RUN=2\nNázev souboru=x\nPovolen=1\n";
    const auto fixed = [&t](const std::string& z, const std::string& na) { t.replace(t.find(z), z.size(), na); };
    EXPECT_EQ(Settings(t).Message, kFileError + Cp("Logovací soubor / Název souboru = x"));
    fixed("Povolen=1", "Povolen=0");
    EXPECT_EQ(Settings(t).Message, kFileError + Cp("Logovací soubor / Povolen RUN = 2"));
    fixed("Povolen RUN=2", "Povolen RUN=0");
    EXPECT_EQ(Settings(t).Message, kFileError + Cp("Logovací soubor / Počet RUN souborů = -1"));
    fixed("Počet RUN souborů=-1", "Počet RUN souborů=0");
    EXPECT_EQ(Settings(t).Message, kFileError + Cp("Logovací soubor / Povolen log rozhraní = 2"));
    fixed("Povolen log rozhraní=2", "Povolen log rozhraní=0");
    EXPECT_EQ(Settings(t).Message, kFileError + Cp("Diagnostické okno / Povoleno = 2"));
    fixed("Povoleno=2", "Povoleno=0");
    const TResult v = Settings(t);
    EXPECT_TRUE(v.Ok) << v.Message;
    EXPECT_EQ(s->cfg.RunPocet, 0);  // zero RUN files is allowed
}

TEST_F(ParameterFile, SettingsLogDirectoryDelimiterAndCreation) {
    const std::string deep = LogDir("a/b/c");
    TResult v = Settings("[Logovací soubor]\nPovolen=0\nPovolen RUN=1\nAdresář LOG souborů=" + deep + "\n");
    ASSERT_TRUE(v.Ok) << v.Message;
    EXPECT_EQ(s->cfg.LogAdresar, deep + "/");
    struct stat st {};
    ASSERT_EQ(stat(deep.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));

    const std::string kinds = LogDir("d") + "/";
    v = Settings("[Logovací soubor]\nPovolen log rozhraní=1\nPovolen=0\nAdresář LOG souborů=\"" + kinds + "\"\n");
    ASSERT_TRUE(v.Ok) << v.Message;
    EXPECT_EQ(s->cfg.LogAdresar, kinds);  // no second delimiter
    EXPECT_TRUE(FileExists(kinds));

    const std::string switchedOff = LogDir("vypnuto");
    v = Settings("[Logovací soubor]\nPovolen=0\nAdresář LOG souborů=" + switchedOff + "\n");
    ASSERT_TRUE(v.Ok) << v.Message;
    EXPECT_FALSE(FileExists(switchedOff));  // all logs off: not needed, not created
}

TEST_F(ParameterFile, SettingsLogDirectoryThatCannotBeCreated) {
    WriteFile(dir / "soubor", "x");
    const std::string zaSouborem = dir / "soubor/logy";
    TResult v = Settings("[Logovací soubor]\nPovolen=1\nAdresář LOG souborů=" + zaSouborem + "\n");
    EXPECT_FALSE(v.Ok);
    EXPECT_EQ(v.Message, kFileError + Cp("Logovací soubor / Adresář LOG souborů = \"") + zaSouborem +
                            Cp("/\" - adresář nelze vytvořit"));
    // An existing file where the directory should be.
    v = Settings("[Logovací soubor]\nPovolen=1\nAdresář LOG souborů=" + (dir / "soubor") + "\n");
    EXPECT_EQ(v.Message, kFileError + Cp("Logovací soubor / Adresář LOG souborů = \"") + (dir / "soubor") +
                            Cp("/\" - adresář nelze vytvořit"));
}

TEST_F(ParameterFile, SettingsLetterCaseOfCzechNames) {
    const TResult v = Settings(
        "[LOGOVACÍ SOUBOR]\npovolen=0\nPOČET RUN SOUBORŮ=5\nnázev run souborů=Běh.log\n[diagnostické OKNO]\nPOVOLENO=0\n");
    ASSERT_TRUE(v.Ok) << v.Message;
    EXPECT_EQ(s->cfg.RunPocet, 5);
    EXPECT_EQ(s->cfg.RunNazev, Cp("Běh.log"));
    EXPECT_EQ(s->cfg.OknoPovoleno, 0);
}

// ---- CtiRozhrani ----

TEST_F(ParameterFile, InterfaceAllKeysRead) {
    const TResult v = Rozhrani(
        "[Deklarace rozhraní 3]\nTyp=ZR-6180\nRežim demo=257\nKód=K3\nNázev=\"Výměník\"\nPopis='Stanice, patro 2'\n"
        "IP adresa=10.0.0.7\nUDP port=47101\nUDP timeout=65535\nUDP opakování=15\nBaud=115200\nTimeout=0\n"
        "Opakování=15\n");
    ASSERT_TRUE(v.Ok) << v.Message;
    EXPECT_EQ(v.Message, kOk);
    EXPECT_EQ(s->cfg.PocetRozhrani, 1);
    const TRozhrani& r = s->rozhrani[3];
    EXPECT_EQ(r.Pouzito, 1);
    EXPECT_EQ(r.Cislo, 3);
    EXPECT_EQ(r.Demo, 1);  // low 8 bits
    EXPECT_EQ(Texty(r), std::make_tuple("K3", Cp("Výměník"), "Stanice, patro 2", "ZR-6180", "10.0.0.7"));
    EXPECT_EQ(Numbers(r), std::make_tuple(47101, 65535, 15, 115200, 0, 15));
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(s->rozhrani[1].Status, 18);
    EXPECT_EQ(s->rozhrani[1].Pouzito, 0);
}

TEST_F(ParameterFile, InterfaceNoneDeclared) {
    s->rozhrani[2].Pouzito = 1;  // stale content is cleared first
    EXPECT_EQ(Rozhrani(kLog).Message, kBadFile);
    EXPECT_EQ(s->rozhrani[2].Pouzito, 0);
    EXPECT_EQ(Rozhrani("[Deklarace rozhraní 1]\nTyp=zr-6180\nBaud=9600\n").Message, kBadFile);
    EXPECT_EQ(Rozhrani("[Deklarace rozhraní 1]\nTyp= ZR-6180x\nBaud=9600\n").Message, kBadFile);
    EXPECT_EQ(Rozhrani("[Deklarace rozhraní 0]\nTyp=ZR-6180\nBaud=9600\n"
                       "[Deklarace rozhraní 17]\nTyp=ZR-6180\nBaud=9600\n"
                       "[Deklarace rozhraní 01]\nTyp=ZR-6180\nBaud=9600\n")
                  .Message,
              kBadFile);
    EXPECT_EQ(CtiRozhrani(dir / "chybi.ini", s->cfg, s->rozhrani).Message, kBadFile);
    EXPECT_FALSE(CtiRozhrani(dir.Path(), s->cfg, s->rozhrani).Ok);
}

TEST_F(ParameterFile, InterfaceMissingBaudAndRangeMessages) {
    const auto message = [this](const std::string& keys) {
        return Rozhrani("[Deklarace rozhraní 5]\nTyp=ZR-6180\n" + keys).Message;
    };
    const std::string section = kFileError + Cp("Deklarace rozhraní 5 / ");
    EXPECT_EQ(message(""), section + "Baud = 0.");
    EXPECT_EQ(message("Baud=9601\n"), section + "Baud = 9601.");
    EXPECT_EQ(message("Baud=abc\n"), section + "Baud = 0.");
    EXPECT_EQ(message("Baud=600\nUDP timeout=65536\n"), section + "UDP timeout = 65536.");
    EXPECT_EQ(message("Baud=600\nUDP timeout=-1\n"), section + "UDP timeout = -1.");
    EXPECT_EQ(message("Baud=1\nUDP timeout=-1\n"), section + "UDP timeout = -1.");  // checked before Baud
    EXPECT_EQ(message("Baud=600\nTimeout=65536\n"), section + "Timeout = 65536.");
    EXPECT_EQ(message("Baud=600\nTimeout=-5\nOpakování=16\n"), section + "Timeout = -5.");
    EXPECT_EQ(message("Baud=600\nOpakování=16\n"), section + Cp("Opakování = 16."));
    EXPECT_EQ(message("Baud=600\nOpakování=-1\n"), section + Cp("Opakování = -1."));
    for (int b : {600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200})
        EXPECT_EQ(message("Baud=" + std::to_string(b) + "\n"), kOk) << b;
}

TEST_F(ParameterFile, InterfaceUdpRetriesOutOfRangeBecomeZero) {
    TResult v = Rozhrani("[Deklarace rozhraní 1]\nTyp=ZR-6180\nBaud=9600\nUDP opakování=20\n"
                           "[Deklarace rozhraní 2]\nTyp=ZR-6180\nBaud=9600\nUDP opakování=-1\n"
                           "[Deklarace rozhraní 3]\nTyp=ZR-6180\nBaud=9600\nUDP opakování=7\n");
    ASSERT_TRUE(v.Ok) << v.Message;
    EXPECT_EQ(s->rozhrani[1].UdpOpakovani, 0);
    EXPECT_EQ(s->rozhrani[2].UdpOpakovani, 0);
    EXPECT_EQ(s->rozhrani[3].UdpOpakovani, 7);
    EXPECT_EQ(s->cfg.PocetRozhrani, 3);
}

TEST_F(ParameterFile, InterfaceChecksRunInInterfaceOrder) {
    const TResult v = Rozhrani("[Deklarace rozhraní 9]\nTyp=ZR-6180\nBaud=9600\nOpakování=99\n"
                                 "[Deklarace rozhraní 2]\nTyp=ZR-6180\n"
                                 "[Deklarace rozhraní 16]\nTyp=ZR-6180\nBaud=9600\n");
    EXPECT_EQ(v.Message, kFileError + Cp("Deklarace rozhraní 2 / Baud = 0."));
    EXPECT_EQ(s->cfg.PocetRozhrani, 3);
}

TEST_F(ParameterFile, InterfaceUndeclaredSectionKeysAreNotRead) {
    const TResult v = Rozhrani(kInterface1 + "[Deklarace rozhraní 4]\nTyp=jiny\nBaud=1\nNázev=X\n");
    ASSERT_TRUE(v.Ok) << v.Message;
    EXPECT_EQ(s->rozhrani[4].Pouzito, 0);
    EXPECT_EQ(s->rozhrani[4].Nazev, "");
    EXPECT_EQ(s->rozhrani[4].Baud, 0);
    EXPECT_EQ(s->rozhrani[4].Status, 18);
}

// ---- CtiKanaly ----

TEST_F(ParameterFile, ChannelsWithoutHeaderOrEmptySection) {
    for (const std::string& t : {kLog + kInterface1, kLog + kInterface1 + kHeader, std::string()}) {
        const TResult v = Kanaly(t);
        ASSERT_TRUE(v.Ok) << v.Message;
        EXPECT_EQ(v.Message, kOk);
        EXPECT_EQ(s->cfg.PocetKanalu, 0);
        EXPECT_EQ(s->channels[99].Pouzit, 1);
        EXPECT_EQ(s->channels[99].Nazev, Cp("Nulování Status registru modulu"));
        EXPECT_EQ(s->channels[100].Pouzit, 0);
    }
}

TEST_F(ParameterFile, ChannelsFullDeclaration) {
    const TResult v = Kanaly(kLog + kInterface1 + kHeader +
                               "100 1 5 7 3 \"TK1\" \"Teplota kotle\" \"Zpětné čtení [°C]\" \"čtvrtý\"\n"
                               "  5000\t2  255 255 31 mimo \"K\"mezi\"N\"\"P\"\n"
                               "6099 16 0 0 0\n");
    ASSERT_TRUE(v.Ok) << v.Message;
    const TKanal& k = s->channels[100];
    EXPECT_EQ(k.Pouzit, 1);
    EXPECT_EQ(k.Cislo, 100);
    EXPECT_EQ(Numbers(k), std::make_tuple(1, 5, 7, 3));
    EXPECT_EQ(Texty(k), std::make_tuple("TK1", "Teplota kotle", Cp("Zpětné čtení [°C]")));
    EXPECT_EQ(k.Status, 15);
    EXPECT_EQ(Numbers(s->channels[5000]), std::make_tuple(2, 255, 255, 31));
    EXPECT_EQ(Texty(s->channels[5000]), std::make_tuple("K", "N", "P"));
    EXPECT_EQ(s->channels[6099].Pouzit, 1);
    EXPECT_EQ(Texty(s->channels[6099]), std::make_tuple("", "", ""));
    EXPECT_EQ(s->cfg.PocetKanalu, 3);
    EXPECT_EQ(s->rozhrani[1].PocetKanalu, 1);
    EXPECT_EQ(s->rozhrani[2].PocetKanalu, 1);  // no interface section needed
    EXPECT_EQ(s->rozhrani[16].PocetKanalu, 1);
    EXPECT_EQ(s->rozhrani[1].PocetModulu, 1);
    EXPECT_EQ(s->rozhrani[3].PocetModulu, 0);
}

TEST_F(ParameterFile, ChannelsOutsideTheTableAreSkippedSilently) {
    const TResult v = Kanaly(kHeader + "7000 1 1 1 1 \"x\"\n50 1 1 1 1\n-5 abc\n98 1\n6100 1\n100 2 3 4 5\n");
    ASSERT_TRUE(v.Ok) << v.Message;
    EXPECT_EQ(s->cfg.PocetKanalu, 1);
    EXPECT_EQ(s->channels[100].Rozhrani, 2);
    EXPECT_EQ(s->rozhrani[1].PocetKanalu, 0);
}

TEST_F(ParameterFile, ChannelsCommentLineFailsTheSectionAtTheEnd) {
    const TResult v = Kanaly(kHeader + "100 1 1 1 1\n; komentar 2000 1 1 1 1\n101 1 2 1 1\n");
    EXPECT_FALSE(v.Ok);
    EXPECT_EQ(v.Message, kChannelSectionError);
    EXPECT_EQ(s->channels[101].Pouzit, 1);  // read on to the end before failing
    EXPECT_EQ(s->channels[2000].Pouzit, 0);  // the rest of the comment line is skipped
    EXPECT_EQ(Kanaly(kHeader + "100 1 1 1 1\n1.5 1 1 1 1\n").Message, kChannelSectionError);
    EXPECT_EQ(Kanaly(kHeader + "[Deklarace rozhraní 2]\n").Message, kChannelSectionError);
}

TEST_F(ParameterFile, ChannelsFieldOutOfRangeOrNotInteger) {
    for (const char* line : {"100 17 1 1 1", "100 0 1 1 1", "100 x 1 1 1", "100 1 256 1 1", "100 1 -1 1 1",
                              "100 1 a 1 1", "100 1 1 256 1", "100 1 1 1 256", "100 1 1 1 \"x\"", "100",
                              "100 1 1 1 1.0"}) {
        const TResult v = Kanaly(kHeader + line + "\n");
        EXPECT_FALSE(v.Ok) << line;
        EXPECT_EQ(v.Message, kChannelError + "100") << line;
    }
    // The immediate failure wins over an earlier bad channel token.
    EXPECT_EQ(Kanaly(kHeader + "abc\n4000 20 1 1 1\n").Message, kChannelError + "4000");
}

TEST_F(ParameterFile, ChannelsRedeclaredAndChannel99) {
    const TResult v = Kanaly(kHeader + "99 1 0 0 0 \"R\" \"Reset\"\n200 1 1 1 1 \"A\"\n200 2 2 2 2 \"B\"\n");
    ASSERT_TRUE(v.Ok) << v.Message;
    EXPECT_EQ(s->channels[99].Nazev, "Reset");
    EXPECT_EQ(s->channels[200].Rozhrani, 2);
    EXPECT_EQ(s->channels[200].Kod, "B");
    EXPECT_EQ(s->cfg.PocetKanalu, 3);
    EXPECT_EQ(s->rozhrani[1].PocetKanalu, 2);
    EXPECT_EQ(s->rozhrani[2].PocetKanalu, 1);
    EXPECT_EQ(s->rozhrani[1].PocetModulu, 2);  // addresses 0 and 1; the overwritten line still counts
}

TEST_F(ParameterFile, Channels256AddressesAndCountsStartAfresh) {
    std::string t = kHeader;
    for (int a = 0; a < 256; ++a) t += std::to_string(100 + a) + " 3 " + std::to_string(a) + " 0 0\n";
    t += "1000 3 5 1 1\n";
    ASSERT_TRUE(Kanaly(t).Ok);
    EXPECT_EQ(s->rozhrani[3].PocetModulu, 256);
    EXPECT_EQ(s->rozhrani[3].PocetKanalu, 257);
    EXPECT_EQ(s->cfg.PocetKanalu, 257);
    ASSERT_TRUE(Kanaly(t).Ok);  // read again into the same tables
    EXPECT_EQ(s->rozhrani[3].PocetKanalu, 257);
}

TEST_F(ParameterFile, ChannelsTokenSyntax) {
    // A declaration may go on over line ends; texts come from the line of the fifth token.
    TResult v = Kanaly(kHeader + "100 1\n\n  2\t3\n4 \"K\" \"N\"\n$65 0x2 $A 0X0B 012\n");
    ASSERT_TRUE(v.Ok) << v.Message;
    EXPECT_EQ(Numbers(s->channels[100]), std::make_tuple(1, 2, 3, 4));
    EXPECT_EQ(s->channels[100].Kod, "K");
    EXPECT_EQ(Numbers(s->channels[101]), std::make_tuple(2, 10, 11, 12));
    // A token is cut after 32 characters; the remainder is the next token.
    v = Kanaly(kHeader + std::string(29, '0') + "100" + "1 2 3 4 \"K\"\n");
    ASSERT_TRUE(v.Ok) << v.Message;
    EXPECT_EQ(Numbers(s->channels[100]), std::make_tuple(1, 2, 3, 4));
    // NUL and other control characters separate tokens.
    v = Kanaly(kHeader + std::string("100\0" "1\x01" "2\x1F" "3\v4\n", 12));
    ASSERT_TRUE(v.Ok) << v.Message;
    EXPECT_EQ(Numbers(s->channels[100]), std::make_tuple(1, 2, 3, 4));
}

TEST_F(ParameterFile, ChannelsEndOfFileReadsZerosAndCtrlZEnds) {
    TResult v = Kanaly(kHeader + "100 1");
    ASSERT_TRUE(v.Ok) << v.Message;
    EXPECT_EQ(s->channels[100].Pouzit, 1);
    EXPECT_EQ(s->channels[100].Adresa, 0);
    EXPECT_EQ(s->rozhrani[1].PocetModulu, 1);
    EXPECT_EQ(Kanaly(kHeader + "100").Message, kChannelError + "100");  // interface 0
    v = Kanaly(kHeader + "100 1 2 3 4 \"K\x1A\"\nabc\n");
    ASSERT_TRUE(v.Ok) << v.Message;
    EXPECT_EQ(s->channels[100].Kod, "K");
    EXPECT_EQ(Kanaly("\x1A" + kHeader + "100 1 2 3 4\n").Message, kOk);
    EXPECT_EQ(s->cfg.PocetKanalu, 0);  // the header lies beyond the end
}

TEST_F(ParameterFile, ChannelsCrLfLinesAndUnclosedQuotes) {
    const TResult v =
        Kanaly("[Logovací soubor]\r\nPovolen=0\r\n[Deklarace kanálů]\r\n100 1 2 3 4 \"K\" \"bez konce\r\n101 1 2 3 4\r\n");
    ASSERT_TRUE(v.Ok) << v.Message;
    EXPECT_EQ(s->channels[100].Nazev, "bez konce");
    EXPECT_EQ(s->channels[101].Pouzit, 1);
}

TEST_F(ParameterFile, ChannelsHeaderMustMatchExactly) {
    for (const std::string& h : {std::string("[deklarace kanálů]\n"), std::string(" [Deklarace kanálů]\n"),
                                 std::string("[Deklarace kanálů] \n"), std::string("[Deklarace kanalu]\n")}) {
        const TResult v = Kanaly(h + "100 1 1 1 1\n");
        ASSERT_TRUE(v.Ok) << v.Message;
        EXPECT_EQ(s->cfg.PocetKanalu, 0) << h;
    }
}

TEST_F(ParameterFile, ChannelsLimitOf6099Declarations) {
    std::string t = kHeader;
    t.reserve(6100 * 16);
    for (int i = 0; i < 6099; ++i) t += std::to_string(100 + i % 6000) + " 1 1 1 1\n";
    const TResult v = Kanaly(t + "abc\n4000 99 1 1 1\n");  // never read
    ASSERT_TRUE(v.Ok) << v.Message;
    EXPECT_EQ(s->cfg.PocetKanalu, 6099);
    EXPECT_EQ(s->rozhrani[1].PocetKanalu, 6099);
}

TEST_F(ParameterFile, ChannelsUnreadableFile) {
    EXPECT_EQ(CtiKanaly(dir / "chybi.ini", s->cfg, s->rozhrani, s->channels).Message, kChannelSectionError);
    EXPECT_EQ(CtiKanaly(dir.Path(), s->cfg, s->rozhrani, s->channels).Message, kChannelSectionError);
    EXPECT_EQ(s->channels[99].Pouzit, 1);  // the table is initialised all the same
}

TEST(RozdelUvozovky, StateMachine) {
    TThreeTexts t = RozdelUvozovky("pred \"a b\" mezi \"\" \"c\" \"d\"");
    EXPECT_EQ(t.First, "a b");
    EXPECT_EQ(t.Second, "");
    EXPECT_EQ(t.Third, "c");
    t = RozdelUvozovky("\"jen prvni");
    EXPECT_EQ(t.First, "jen prvni");
    EXPECT_EQ(t.Second, "");
    t = RozdelUvozovky("\"a\"\"b\"\"c");
    EXPECT_EQ(t.Third, "c");
    t = RozdelUvozovky("bez uvozovek");
    EXPECT_EQ(t.First, "");
    t = RozdelUvozovky("'a' \"x'y\"");
    EXPECT_EQ(t.First, "x'y");
}

// ---- Encodings ----

const std::string kCzech =
    "[Logovací soubor]\nPovolen=0\nNázev RUN souborů=Běh.log\n"
    "[Deklarace rozhraní 2]\nTyp=ZR-6180\nBaud=9600\nNázev=Výměník\nUDP opakování=3\n"
    "[Deklarace kanálů]\n100 2 1 1 0 \"Č1\" \"Teplota žádaná\"\n";

void CheckCzech(const TReadState& s) {
    EXPECT_EQ(s.cfg.RunNazev, Cp("Běh.log"));
    EXPECT_EQ(s.rozhrani[2].Nazev, Cp("Výměník"));
    EXPECT_EQ(s.rozhrani[2].UdpOpakovani, 3);
    EXPECT_EQ(s.cfg.PocetKanalu, 1);
    EXPECT_EQ(s.channels[100].Kod, Cp("Č1"));
    EXPECT_EQ(s.channels[100].Nazev, Cp("Teplota žádaná"));
}

TEST_F(ParameterFile, EncodingsUtf8BomAndCp1250ReadAlike) {
    for (const std::string& content : {kCzech, "\xEF\xBB\xBF" + kCzech, Cp(kCzech)}) {
        ASSERT_TRUE(VseOk(FileWith(content)));
        CheckCzech(*s);
    }
    // Characters outside the code page do not spoil the file.
    EXPECT_TRUE(VseOk(FileWith("; \xE2\x98\x83 \xF0\x9F\x94\xA5\n" + kCzech)));
    CheckCzech(*s);
}

TEST_F(ParameterFile, EncodingsCp1250FileName) {
    const std::string utf8 = FileWith(kCzech, "parametry_kotelna_č.ini");
    const std::string cp = dir.Path() + "/" + Cp("parametry_kotelna_č.ini");
    EXPECT_TRUE(VseOk(cp));
    CheckCzech(*s);
    EXPECT_TRUE(CtiNastaveni(utf8, s->cfg).Ok);
}

// ---- Hostile input ----

TEST_F(ParameterFile, BinaryGarbageNeverCrashes) {
    std::mt19937 gen(6180);
    const std::string_view alphabet = "0123456789 \t\n\r\"$x-+[]=;\x1A\xE1";
    for (int round = 0; round < 40; ++round) {
        std::string t(static_cast<std::size_t>(1000 + round * 5000), '\0');
        // Half the rounds raw bytes, half characters the channel syntax reacts to.
        for (char& ch : t) ch = round % 4 < 2 ? static_cast<char>(gen()) : alphabet[gen() % alphabet.size()];
        const std::string start = kLog + kInterface1 + kHeader;  // garbage where declarations belong
        if (round % 2 == 1) t = round % 8 == 7 ? "\xEF\xBB\xBF" + start + t : Cp(start) + t;
        const std::string filePath = FileWith(t);
        const auto [a, b, c] = Vse(filePath);
        EXPECT_TRUE(FromList(a.Message)) << round;
        EXPECT_TRUE(FromList(b.Message)) << round;
        EXPECT_TRUE(FromList(c.Message)) << round;
    }
}

TEST_F(ParameterFile, HugeLinesAreCut) {
    const std::string mebi(1 << 20, 'x');
    const std::string t = "[Logovací soubor]\nPovolen=0\nNázev RUN souborů=" + mebi + "\n" + kInterface1 +
                          "Název=" + mebi + "\n" + kHeader + "100 1 1 1 1 \"" + mebi + "\" \"" + mebi + "\"\n" +
                          std::string(1 << 20, '7') + "\n";
    const auto [a, b, c] = Vse(FileWith(t));
    ASSERT_TRUE(a.Ok) << a.Message;
    ASSERT_TRUE(b.Ok) << b.Message;
    EXPECT_EQ(c.Message, kChannelSectionError);  // a 32-digit token is no 32-bit integer
    EXPECT_EQ(s->cfg.RunNazev.size(), MaxIniValue);
    EXPECT_EQ(s->rozhrani[1].Nazev.size(), MaxIniValue);
    EXPECT_EQ(s->channels[100].Kod.size(), MaxIniValue);
    EXPECT_EQ(s->channels[100].Nazev.size(), MaxIniValue);
}

TEST_F(ParameterFile, NulBytesInTheFile) {
    const char log[] = "[Logovací soubor]\nPovolen=0\0x\nNázev RUN souborů=ab\0cd\n";
    const char channel[] = "100\0 1 1 1 1 \"a\0b\"\n";
    const std::string t = std::string(log, sizeof log - 1) + kInterface1 + kHeader + std::string(channel, sizeof channel - 1);
    ASSERT_TRUE(VseOk(FileWith(t)));
    EXPECT_EQ(s->cfg.RunNazev, "ab");
    EXPECT_EQ(s->channels[100].Kod, std::string("a\0b", 3));  // channel texts keep their bytes
}

TEST_F(ParameterFile, HundredMegabyteFile) {
    const std::string filePath = dir / "velky.ini";
    {
        std::ofstream f(filePath, std::ios::binary);
        f << kLog << kInterface1;
        const std::string block = std::string(63, 'v') + "\n";  // filler lines no reader wants
        for (int i = 0; i < (100 << 20) / 64; ++i) f << block;
        f << "[Deklarace rozhraní 2]\nTyp=ZR-6180\nBaud=600\n" << kHeader << "100 2 1 1 1\n";
    }
    EXPECT_TRUE(VseOk(filePath));
    EXPECT_EQ(s->cfg.PocetRozhrani, 2);
    EXPECT_EQ(s->cfg.PocetKanalu, 1);
}

// ---- The shipped example ----

TEST_F(ParameterFile, ExampleFileIsAccepted) {
    std::string t = ReadFile(std::string(RV_ZR6180_SOURCE_DIR) + "/examples/zr6180.ini");
    ASSERT_FALSE(t.empty());
    const std::string demo = "/tmp/rv_zr6180_demo";
    const std::size_t i = t.find("=" + demo);
    ASSERT_NE(i, std::string::npos);
    t.replace(i + 1, demo.size(), LogDir("demo"));  // keep the test inside its own directory
    ASSERT_TRUE(VseOk(FileWith(t)));
    EXPECT_EQ(s->cfg.LogPovolen, 1);
    EXPECT_EQ(s->cfg.PocetRozhrani, 2);
    EXPECT_GE(s->cfg.PocetKanalu, 12);
    EXPECT_EQ(s->rozhrani[1].UdpPort, 47101);
    EXPECT_EQ(s->rozhrani[2].UdpPort, 47102);
    EXPECT_EQ(s->rozhrani[1].IPAdresa, "127.0.0.1");
    EXPECT_GE(s->rozhrani[2].PocetModulu, 3);
    // Every kind of channel is there, and each input reads back an output on
    // its address and periphery (bits: the same bit), except on module 9.
    std::set<int> kinds;
    for (int c = 100; c <= LastChannel; ++c) {
        const TKanal& k = s->channels[c];
        if (k.Pouzit == 0) continue;
        kinds.insert(c / 1000);
        if (c >= 3000 || (k.Rozhrani == 2 && k.Adresa == 9)) continue;
        bool peer = false;
        for (int o = 3000; o <= LastChannel; ++o) {
            const TKanal& v = s->channels[o];
            if (v.Pouzit == 1 && v.Rozhrani == k.Rozhrani && v.Adresa == k.Adresa && v.Periferie == k.Periferie &&
                (c < 2000 || v.Subperiferie == k.Subperiferie) && (c / 1000 == o / 1000 - 3))
                peer = true;
        }
        EXPECT_TRUE(peer) << c;
    }
    EXPECT_EQ(kinds, (std::set<int>{0, 1, 2, 3, 4, 5, 6}));
    bool faulty = false;
    for (int c = 100; c < 3000; ++c)
        faulty = faulty || (s->channels[c].Pouzit == 1 && s->channels[c].Rozhrani == 2 && s->channels[c].Adresa == 9);
    EXPECT_TRUE(faulty);
}

}  // namespace
