#include "sim/sim_camera_list.h"

#include <gtest/gtest.h>

namespace qcx {
namespace {

using Id = SimCameraIdentity;

TEST(SimCameraList, FullAndShortEntriesTakeTheirDefaults) {
    const auto list = ParseSimCameraList("21,8:3:0x0102");
    ASSERT_EQ(list.cameras.size(), 2u);
    EXPECT_EQ(list.cameras[0], (Id{21, 0, 0x0100}));
    EXPECT_EQ(list.cameras[1], (Id{8, 3, 0x0102}));
    EXPECT_TRUE(list.warnings.empty());
}

TEST(SimCameraList, FirmwareIsDecimalOrHex) {
    const auto list = ParseSimCameraList("1:0:258,1:0:0X1aF,1:0:0xFFFF,1:0:65535");
    ASSERT_EQ(list.cameras.size(), 4u);
    EXPECT_EQ(list.cameras[0].firmwareVersion, 0x0102);
    EXPECT_EQ(list.cameras[1].firmwareVersion, 0x01AF);
    EXPECT_EQ(list.cameras[2].firmwareVersion, 0xFFFF);
    EXPECT_EQ(list.cameras[3].firmwareVersion, 0xFFFF);
}

TEST(SimCameraList, DefaultNumberCountsAcceptedEntriesOnly) {
    const auto list = ParseSimCameraList("21,bogus,8,  17 ");
    ASSERT_EQ(list.cameras.size(), 3u);
    EXPECT_EQ(list.cameras[1], (Id{8, 1, 0x0100}));
    EXPECT_EQ(list.cameras[2], (Id{17, 2, 0x0100}));
    ASSERT_EQ(list.warnings.size(), 1u);
    EXPECT_EQ(list.warnings[0], "qcxapi: ignoring QCX_SIM entry 'bogus'");
}

TEST(SimCameraList, BadEntriesAreSkippedWithAWarningEach) {
    const char* bad[] = {"",       "   ",    "x",       "256",    "-1",      "+5",       "21:256",
                         "21::1",  "21:1:",  "21:1:0x", "21:1:0x10000", "21:1:65536", "21:1:2:3",
                         "0x15",   "21 :1",  "21:0x3",  "99999999999999999999"};
    for (const char* entry : bad) {
        const auto list = ParseSimCameraList(std::string("7,") + entry + ",9");
        ASSERT_EQ(list.cameras.size(), 2u) << "entry '" << entry << "'";
        EXPECT_EQ(list.cameras[1], (Id{9, 1, 0x0100})) << "entry '" << entry << "'";
        ASSERT_EQ(list.warnings.size(), 1u) << "entry '" << entry << "'";
        EXPECT_EQ(list.warnings[0], std::string("qcxapi: ignoring QCX_SIM entry '") + entry + "'");
    }
}

TEST(SimCameraList, EmptyTextMeansNoCamerasAndNoWarning) {
    const auto list = ParseSimCameraList("");
    EXPECT_TRUE(list.cameras.empty());
    EXPECT_TRUE(list.warnings.empty());
}

TEST(SimCameraList, TrailingCommaIsAnEmptyEntry) {
    const auto list = ParseSimCameraList("21,");
    EXPECT_EQ(list.cameras.size(), 1u);
    EXPECT_EQ(list.warnings.size(), 1u);
}

TEST(SimCameraList, RangeLimitsAreAccepted) {
    const auto list = ParseSimCameraList("0:0:0,255:255:0xffff");
    ASSERT_EQ(list.cameras.size(), 2u);
    EXPECT_EQ(list.cameras[0], (Id{0, 0, 0}));
    EXPECT_EQ(list.cameras[1], (Id{255, 255, 0xFFFF}));
}

}  // namespace
}  // namespace qcx
