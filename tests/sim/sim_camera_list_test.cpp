#include "sim/sim_camera_list.h"

#include <gtest/gtest.h>

namespace qcx {
namespace {

using Id = SimCameraIdentity;

TEST(SimCameraList, EntriesTakeTheirDefaultsAndBadOnesAreSkippedWithAWarningEach) {
    // A camera without a number is numbered by its place among the accepted entries.
    const auto list = ParseSimCameraList("21,bogus,8:3, 17 ,1:0:0X1aF,255:255:65535,7");
    EXPECT_EQ(list.cameras, (std::vector<Id>{{21, 0, 0x0100}, {8, 3, 0x0100}, {17, 2, 0x0100}, {1, 0, 0x01AF},
                                             {255, 255, 0xFFFF}, {7, 5, 0x0100}}));
    EXPECT_EQ(list.warnings, std::vector<std::string>{"qcxapi: ignoring QCX_SIM entry 'bogus'"});

    const char* bad[] = {"",     "+5",      "256",          "21:256",     "21::1",   "21:1:",
                         "21:1:0x", "21:1:0x10000", "21:1:2:3", "0x15", "21 :1", "21:0x3", "99999999999999999999"};
    for (const char* entry : bad) {
        const auto skipped = ParseSimCameraList(std::string("7,") + entry + ",9");
        EXPECT_EQ(skipped.cameras, (std::vector<Id>{{7, 0, 0x0100}, {9, 1, 0x0100}})) << "entry '" << entry << "'";
        EXPECT_EQ(skipped.warnings, std::vector<std::string>{std::string("qcxapi: ignoring QCX_SIM entry '") + entry + "'"});
    }
    EXPECT_TRUE(ParseSimCameraList("").warnings.empty());
}

}  // namespace
}  // namespace qcx
