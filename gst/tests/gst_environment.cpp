// What every test of test_gst runs in, besides the private claim and
// registry folders of the common main (tests/test_main.cpp): simulated
// cameras on the ramp scene in fast timing unless a test asks otherwise, and
// GStreamer with the qcx plugin registered from this program. Set up only
// when tests run, so listing them reads no plugin registry.
#include <gtest/gtest.h>

#include <cstdlib>

#include "gstqcxsrc.h"

namespace {

struct GStreamer : ::testing::Environment {
    void SetUp() override {
        setenv("QCX_SIM", "", 1);
        setenv("QCX_SIM_SCENE", "ramp", 1);
        setenv("QCX_SIM_TIMING", "fast", 1);
        unsetenv("DISPLAY");
        gst_init(nullptr, nullptr);
        ASSERT_TRUE(gst_plugin_register_static(GST_VERSION_MAJOR, GST_VERSION_MINOR, "qcx", "QCX cameras",
                                               gst_qcx_plugin_init, "0", "Proprietary", "qcxapi", "QCXApi", ""));
    }
    void TearDown() override { gst_deinit(); }
};

::testing::Environment* const kGStreamer = ::testing::AddGlobalTestEnvironment(new GStreamer);

}  // namespace
