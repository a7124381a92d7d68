// The INI reader of the parameter file: names, values, integers, encodings
// and loading of awkward files.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <iterator>
#include <random>
#include <string>

#include "base/Cp1250.h"
#include "config/Ini.h"
#include "support/TempDir.h"

namespace {

TEST(IniFold, CzechAndOtherCp1250LetterPairs) {
    const std::string_view bigValue = "ÁČĎÉĚÍŇÓŘŠŤÚŮÝŽ ĄĆĘŁŃŚŹŻ ĹĽŔ ŐŰ ÄÖÜ ÂÎÔ ĂŞŢ ĐÇË"_cp;
    const std::string_view smallValue = "áčďéěíňóřšťúůýž ąćęłńśźż ĺľŕ őű äöü âîô ăşţ đçë"_cp;
    ASSERT_EQ(bigValue.size(), smallValue.size());
    for (std::size_t i = 0; i < bigValue.size(); ++i) {
        const auto v = static_cast<unsigned char>(bigValue[i]);
        const auto m = static_cast<unsigned char>(smallValue[i]);
        EXPECT_EQ(FoldCase(v), m) << i;
        EXPECT_EQ(FoldCase(m), m) << i;
    }
    EXPECT_EQ(FoldCase('Q'), 'q');
    EXPECT_EQ(FoldCase(0xD7), 0xD7);  // × is no letter
    EXPECT_EQ(FoldCase(0xDF), 0xDF);  // ß has no capital here
    EXPECT_EQ(FoldCase(0xA0), 0xA0);
    EXPECT_EQ(FoldCase(0x80), 0x80);
}

TEST(IniFold, NoTwoDifferentLowerCaseLettersCollide) {
    for (int a = 0; a < 256; ++a)
        for (int b = a + 1; b < 256; ++b)
            if (FoldCase(static_cast<unsigned char>(a)) == FoldCase(static_cast<unsigned char>(b))) {
                // Only a capital and its own small letter may meet.
                EXPECT_TRUE(FoldCase(static_cast<unsigned char>(a)) == b || FoldCase(static_cast<unsigned char>(b)) == a)
                    << a << " " << b;
            }
    EXPECT_TRUE(SameName("Adresář LOG souborů"_cp, "ADRESÁŘ log SOUBORŮ"_cp));
    EXPECT_FALSE(SameName("Adresar LOG souboru", "Adresář LOG souborů"_cp));
    EXPECT_FALSE(SameName("Povolen", "Povolen "));
}

TEST(IniInt, DecimalHexAndRange) {
    int32_t v = 7;
    EXPECT_TRUE(ParseInt("0", v)); EXPECT_EQ(v, 0);
    EXPECT_TRUE(ParseInt("-15", v)); EXPECT_EQ(v, -15);
    EXPECT_TRUE(ParseInt("+15", v)); EXPECT_EQ(v, 15);
    EXPECT_TRUE(ParseInt("007", v)); EXPECT_EQ(v, 7);
    EXPECT_TRUE(ParseInt("$1F", v)); EXPECT_EQ(v, 31);
    EXPECT_TRUE(ParseInt("0x1f", v)); EXPECT_EQ(v, 31);
    EXPECT_TRUE(ParseInt("0XFF", v)); EXPECT_EQ(v, 255);
    EXPECT_TRUE(ParseInt("2147483647", v)); EXPECT_EQ(v, 2147483647);
    EXPECT_TRUE(ParseInt("-2147483648", v)); EXPECT_EQ(v, INT32_MIN);
    EXPECT_TRUE(ParseInt("$FFFFFFFF", v)); EXPECT_EQ(v, -1);
    EXPECT_TRUE(ParseInt("0x0000000000000010", v)); EXPECT_EQ(v, 16);
    v = 7;
    for (const char* wrongOnes : {"", "-", "+", "$", "0x", "abc", "1a", "12 ", " 12", "2147483648", "-2147483649",
                               "$100000000", "99999999999999999999999", "--1", "-$10", "1.5", "1e3", "0b1"}) {
        EXPECT_FALSE(ParseInt(wrongOnes, v)) << wrongOnes;
        EXPECT_EQ(v, 7) << wrongOnes;
    }
}

TEST(IniSyntax, TrimQuotesEmptyAndAbsent) {
    const TIniFile ini(
        "[A]\n"
        "  k1  =   hodnota s mezerami   \r\n"
        "k2=\"  v uvozovkach  \"\n"
        "k3='jednoduche'\n"
        "k4=\"nepárové'\n"
        "k5=\n"
        "k6 = a=b=c\n"
        "k7=\"\n"
        "bez rovnitka\n"
        "k8=\t\"\"\t\n");
    const TIniSection a = ini.Section("A");
    ASSERT_TRUE(a.Found());
    EXPECT_EQ(a.ReadString("k1", "x"), "hodnota s mezerami");
    EXPECT_EQ(a.ReadString("k2", "x"), "  v uvozovkach  ");
    EXPECT_EQ(a.ReadString("k3", "x"), "jednoduche");
    EXPECT_EQ(a.ReadString("k4", "x"), "\"nepárové'");
    EXPECT_EQ(a.ReadString("k5", "x"), "");
    EXPECT_EQ(a.ReadString("k6", "x"), "a=b=c");
    EXPECT_EQ(a.ReadString("k7", "x"), "\"");
    EXPECT_EQ(a.ReadString("k8", "x"), "");
    EXPECT_EQ(a.ReadString("bez rovnitka", "x"), "x");
    EXPECT_EQ(a.ReadString("k9", "výchozí"), "výchozí");
    EXPECT_FALSE(ini.Section("B").Found());
    EXPECT_EQ(ini.Section("B").ReadString("k1", "d"), "d");
}

TEST(IniSyntax, SectionsKeysAndCaseOfCzechNames) {
    const std::string text = cp1250::FromUtf8(
        "k=mimo\n"
        "; komentar=1\n"
        "[ Logovací soubor ]  poznamka\n"
        "POČET RUN SOUBORŮ = 4\n"
        "[Deklarace rozhraní 1]\n"
        "Typ=ZR-6180\n");
    const TIniFile ini(text);
    const TIniSection log = ini.Section("logovací SOUBOR"_cp);
    EXPECT_EQ(log.ReadInteger("počet run souborů"_cp, 1), 4);
    EXPECT_EQ(log.ReadString("k", "d"), "d");  // before every section
    EXPECT_EQ(log.ReadString("Typ", "d"), "d");  // the next section ends this one
    EXPECT_EQ(ini.Section("DEKLARACE ROZHRANÍ 1"_cp).ReadString("Typ", ""), "ZR-6180");
    EXPECT_FALSE(ini.Section("Deklarace rozhraní 11"_cp).Found());
    EXPECT_EQ(TIniFile("[A]\n;k=1\n").Section("A").ReadString(";k", "d"), "d");
}

TEST(IniSyntax, FirstSectionAndFirstKeyWin) {
    const TIniFile ini("[A]\nk=1\nk=2\n[B]\nk=3\n[a]\nk=4\nj=5\n");
    EXPECT_EQ(ini.Section("A").ReadInteger("k", 0), 1);
    EXPECT_EQ(ini.Section("A").ReadInteger("j", 0), 0);  // the later [a] is ignored as a whole
    EXPECT_EQ(ini.Section("B").ReadInteger("k", 0), 3);
}

TEST(IniSyntax, IntegersFallBackToTheDefault) {
    const TIniFile ini("[A]\na=12\nb=$10\nc=abc\nd=\ne=99999999999\nf= -3 \ng=\"5\"\n");
    const TIniSection s = ini.Section("A");
    EXPECT_EQ(s.ReadInteger("a", -1), 12);
    EXPECT_EQ(s.ReadInteger("b", -1), 16);
    EXPECT_EQ(s.ReadInteger("c", -1), -1);
    EXPECT_EQ(s.ReadInteger("d", -1), -1);
    EXPECT_EQ(s.ReadInteger("e", -1), -1);
    EXPECT_EQ(s.ReadInteger("f", -1), -3);
    EXPECT_EQ(s.ReadInteger("g", -1), 5);
    EXPECT_EQ(s.ReadInteger("h", -1), -1);
}

TEST(IniSyntax, LongValuesAreCutAndNulEndsALine) {
    std::string text = "[A]\nk=" + std::string(1 << 20, 'x') + "\n";
    const char tail[] = "n=ab\0cd\n[B\0]\nm=1\n";
    text.append(tail, sizeof tail - 1);
    const TIniFile ini(text);
    const TIniSection a = ini.Section("A");
    EXPECT_EQ(a.ReadString("k", ""), std::string(MaxIniValue, 'x'));
    EXPECT_EQ(a.ReadString("n", ""), "ab");
    EXPECT_EQ(a.ReadInteger("m", 0), 1);  // "[B" is no header once cut at the NUL
}

TEST(IniEncoding, Utf8IsConvertedCp1250AndAsciiKeptAsTheyAre) {
    EXPECT_EQ(DecodeParameterText("Název=Kotelna"), "Název=Kotelna"_cp);
    EXPECT_EQ(DecodeParameterText("\xEF\xBB\xBFNázev"), "Název"_cp);
    EXPECT_EQ(DecodeParameterText("\xEF\xBB\xBFk=1"), "k=1");
    std::string cp;
    cp = "Název=Kotelna čerpadlo"_cp;
    EXPECT_EQ(DecodeParameterText(cp), cp);
    EXPECT_EQ(DecodeParameterText("plain ascii"), "plain ascii");
    EXPECT_EQ(DecodeParameterText("snowman \xE2\x98\x83"), "snowman ?");
}

// The in-place conversion behind a BOM gives what the plain converter gives.
bool ValidUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        char32_t z = 0;
        const std::size_t d = cp1250::DecodeUtf8(s.data(), s.size(), i, z);
        if (d == 0) return false;
        i += d;
    }
    return true;
}

TEST(IniEncoding, InPlaceConversionMatchesTheConverter) {
    std::mt19937 gen(1250);
    const std::string_view pieces[] = {"a", "\xC3\xA1", "\xC4\x8D", "\xE2\x82\xAC", "\xF0\x9F\x94\xA5", "\xE2\x98\x83",
                                      "\xC3", "\x80", "\xED\xA0\x80", "\xC0\xAF", "\xFF", std::string_view("\0", 1),
                                      "\xC2\xA0", "\xCB\x87", "\xE2\x80\x9E"};
    for (int round = 0; round < 200; ++round) {
        std::string t;
        const int n = static_cast<int>(gen() % 64);
        for (int i = 0; i < n; ++i) {
            if (gen() % 3 == 0) t.push_back(static_cast<char>(gen()));
            else t.append(pieces[gen() % std::size(pieces)]);
        }
        EXPECT_EQ(DecodeParameterText("\xEF\xBB\xBF" + t), cp1250::FromUtf8(t)) << round;
        if (ValidUtf8(t)) EXPECT_EQ(DecodeParameterText(t), cp1250::FromUtf8(t)) << round;
        else EXPECT_EQ(DecodeParameterText(t), t) << round;
    }
}

TEST(IniLoad, MissingDirectoryFifoAndHugeFilesAreUnreadable) {
    TTempDir dir;
    std::string text = "x";
    EXPECT_FALSE(LoadParameterFile(dir / "chybi.ini", text));
    EXPECT_TRUE(text.empty());
    EXPECT_FALSE(LoadParameterFile(dir.Path(), text));
    EXPECT_FALSE(LoadParameterFile("", text));
    EXPECT_FALSE(LoadParameterFile(std::string("a\0b", 3), text));
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_FALSE(LoadParameterFile(dir / "fifo", text));  // returns at once, no writer needed
    const std::string bigOne = dir / "velky.ini";
    WriteFile(bigOne, "");
    ASSERT_EQ(truncate(bigOne.c_str(), static_cast<off_t>(MaxParameterFile + 1)), 0);  // sparse
    EXPECT_FALSE(LoadParameterFile(bigOne, text));
    ASSERT_EQ(truncate(bigOne.c_str(), 3), 0);
    EXPECT_TRUE(LoadParameterFile(bigOne, text));
    EXPECT_EQ(text, std::string(3, '\0'));
}

TEST(IniLoad, Cp1250NameFallsBackToItsUtf8Form) {
    TTempDir dir;
    WriteFile(dir / "žluťoučký.ini", "[A]\nk=1\n");
    const std::string cpJmeno = dir.Path() + "/" + std::string("žluťoučký.ini"_cp);
    TIniFile ini;
    ASSERT_TRUE(ini.Load(cpJmeno));
    EXPECT_EQ(ini.Section("A").ReadInteger("k", 0), 1);
    ASSERT_TRUE(ini.Load(dir / "žluťoučký.ini"));  // already UTF-8: as given
    EXPECT_FALSE(ini.Load(dir / "jiný.ini"));
    EXPECT_FALSE(ini.Section("A").Found());
}

}  // namespace
