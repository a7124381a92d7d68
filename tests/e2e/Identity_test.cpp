// The identity, buffer and query exports through dlopen, with no Init.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/Library.h"

namespace {

const std::string kIdentification = "Ovlada\xE8 ZR-6180 v.3.15";

class Identity : public ::testing::Test {
protected:
    TLibrary lib;
};

TEST_F(Identity, VersionAndCheckNeedNoInstance) {
    EXPECT_EQ(lib.Version(), 196608u);
    EXPECT_EQ(lib.Check(), 1);
}

TEST_F(Identity, DriverInfoIsTheCp1250TextWithTerminatingZero) {
    char buf[32];
    std::memset(buf, 'x', sizeof buf);
    lib.GetDriverInfo(0, buf);
    EXPECT_EQ(std::string(buf), kIdentification);
    EXPECT_EQ(std::strlen(buf), 22u);
    EXPECT_EQ(buf[23], 'x');  // 23 bytes written, not more
    lib.GetDriverInfo(7, nullptr);  // ignored
}

TEST_F(Identity, NullInstanceIsHarmless) {
    EXPECT_EQ(lib.BufferInfo(nullptr), 0u);
    lib.SetBufferAddr(nullptr, nullptr, 0);
    lib.QueryProc(nullptr, TypString, "GetVersion", 0, nullptr);
    lib.DisposeDriver(nullptr);
}

TEST_F(Identity, InstanceAnswersBufferCalls) {
    PData d = lib.MakeDriver();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(lib.BufferInfo(d), 0u);
    lib.SetBufferAddr(d, reinterpret_cast<void*>(0x1234), 99);
    lib.DisposeDriver(d);
}

TEST_F(Identity, QueryProcGetVersionCopiesTheIdentification) {
    PData d = lib.MakeDriver();
    char text[64];
    std::memset(text, 'x', sizeof text);
    THodnota v{};
    v.TypHodnoty = TypString;
    v.Hodnota.Text = text;
    lib.QueryProc(d, TypString, "GetVersion", 0, &v);
    EXPECT_EQ(std::string(text), kIdentification);
    EXPECT_EQ(text[23], 'x');
    lib.DisposeDriver(d);
}

TEST_F(Identity, QueryProcLeavesOtherQueriesUntouched) {
    PData d = lib.MakeDriver();
    char text[32] = "puvodni";
    THodnota v{};
    v.TypHodnoty = TypString;
    v.Hodnota.Text = text;
    lib.QueryProc(d, TypString, "getversion", 0, &v);     // case-sensitive
    lib.QueryProc(d, TypString, "GetVersionX", 0, &v);
    lib.QueryProc(d, TypInt, "GetVersion", 0, &v);        // wrong type code
    lib.QueryProc(d, TypString, nullptr, 0, &v);
    lib.QueryProc(d, TypString, "GetVersion", 0, nullptr);
    EXPECT_STREQ(text, "puvodni");

    THodnota whole{};
    whole.TypHodnoty = TypInt;
    whole.Hodnota.Cele = 77;
    lib.QueryProc(d, TypString, "GetVersion", 0, &whole);  // record is no text record
    EXPECT_EQ(whole.Hodnota.Cele, 77);

    THodnota bezTextu{};
    bezTextu.TypHodnoty = TypString;
    bezTextu.Hodnota.Text = nullptr;
    lib.QueryProc(d, TypString, "GetVersion", 0, &bezTextu);
    const char* t = bezTextu.Hodnota.Text;  // packed record: no reference to the field
    EXPECT_EQ(t, nullptr);
    lib.DisposeDriver(d);
}

}  // namespace
