// qcx over the USB path: cameras on the bus are listed with their bus and
// port path, in the order the library numbers them.
#include <gtest/gtest.h>

#include <string>

#include "qcxapi.h"
#include "tests/e2e/sim_session.h"
#include "tests/support/ffprobe.h"

namespace {

class QcxToolOverUsb : public e2e::SimSession {};

TEST_F(QcxToolOverUsb, ListsUsbCamerasWithBusAndPortPath) {
    Start("21,8");
    QCX_UnInit();  // the tool opens them itself
    // The tool runs beside this process's simulated bus and finds the
    // cameras only on it.
    const std::string out = qcx::test::CommandOutput("QCX_SIM= '" QCX_TOOL_PATH "' list --json 2>&1");
    const std::size_t first = out.find("\"device_type\": 21");
    const std::size_t second = out.find("\"device_type\": 8");
    ASSERT_NE(first, std::string::npos) << out;
    ASSERT_NE(second, std::string::npos) << out;
    EXPECT_LT(first, second) << out;
    EXPECT_EQ(out.find("\"simulated\": true"), std::string::npos) << out;
    EXPECT_NE(out.find("\"usb\": {\"bus\": "), std::string::npos) << out;
    EXPECT_NE(out.find("\"port_path\": \""), std::string::npos) << out;
}

}  // namespace
