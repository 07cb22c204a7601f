// Cameras on driver nodes, through the DLL: the test driver
// (driver/zelvicam_test_driver.c, loaded by Wine as a kernel driver) makes
// \\.\zelvicam-0 and \\.\zelvicam-1, so the library opens them, sends its
// requests as I/O control requests and reads frames with overlapped reads,
// as it does with the cameras' own driver. Faults come from the driver.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "qcxapi.h"
#include "windows/win32_test_support.h"

namespace {

using win32_test::MutexExists;
using win32_test::HandlesBackTo;
using win32_test::OpenHandles;

// The driver's control request and its faults (the driver's own numbers).
constexpr DWORD kTestControl = 0x222004;
enum Fault : ULONG { kNone, kFailRequests, kHoldReads, kShortReads, kEmptyReads, kGone };
struct Control {
    ULONG node, fault, count;
};
struct Counters {
    ULONG requests, reads, cancelledReads;
};

constexpr char kService[] = "qcxtestdriver";

std::string DriverFile() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return (std::filesystem::path(path).parent_path() / "zelvicam_test.sys").string();
}

class DriverNodes : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        ASSERT_NE(manager, nullptr);
        SC_HANDLE service = CreateServiceA(manager, kService, kService, SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
                                           SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE, DriverFile().c_str(), nullptr,
                                           nullptr, nullptr, nullptr, nullptr);
        if (service == nullptr) service = OpenServiceA(manager, kService, SERVICE_ALL_ACCESS);
        ASSERT_NE(service, nullptr) << GetLastError();
        DWORD error = ERROR_SUCCESS;
        for (int attempt = 0; attempt < 5; ++attempt) {
            error = StartServiceA(service, 0, nullptr) ? ERROR_SUCCESS : GetLastError();
            if (error == ERROR_SUCCESS || error == ERROR_SERVICE_ALREADY_RUNNING) break;
            Sleep(1000);
        }
        CloseServiceHandle(service);
        CloseServiceHandle(manager);
        ASSERT_TRUE(error == ERROR_SUCCESS || error == ERROR_SERVICE_ALREADY_RUNNING)
            << "the test driver " << DriverFile() << " does not start: error " << error;
    }
    static void TearDownTestSuite() {
        SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        if (SC_HANDLE service = OpenServiceA(manager, kService, SERVICE_ALL_ACCESS)) {
            // Stopping is asynchronous; the nodes must be gone before other
            // tests count cameras.
            SERVICE_STATUS status{};
            ControlService(service, SERVICE_CONTROL_STOP, &status);
            for (int wait = 0; wait < 500 && QueryServiceStatus(service, &status) &&
                               status.dwCurrentState != SERVICE_STOPPED;
                 ++wait)
                Sleep(20);
            DeleteService(service);
            CloseServiceHandle(service);
        }
        CloseServiceHandle(manager);
    }
    void SetUp() override {
        setenv("QCX_SIM", "", 1);
        for (ULONG node = 0; node < 2; ++node) Inject(node, kNone);
        ASSERT_EQ(QCX_Init(), QCX_STATUS_SUCCESS);
    }
    void TearDown() override { QCX_UnInit(); }

    // Sets the fault of a driver node; returns what the node has seen so far.
    static Counters Inject(ULONG node, Fault fault, ULONG count = 0) {
        Counters counters{};
        HANDLE control = CreateFileA("\\\\.\\zelvicam-test", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                     0, nullptr);
        EXPECT_NE(control, INVALID_HANDLE_VALUE);
        if (control == INVALID_HANDLE_VALUE) return counters;
        Control request{node, fault, count};
        DWORD returned = 0;
        EXPECT_TRUE(DeviceIoControl(control, kTestControl, &request, sizeof request, &counters, sizeof counters,
                                    &returned, nullptr));
        CloseHandle(control);
        return counters;
    }
    static Counters Seen(ULONG node) { return Inject(node, kNone); }

    std::vector<unsigned char> RawBuffer(int camera) {
        int width = 0, height = 0, bitCount = 0;
        EXPECT_EQ(QCX_CaptureGetSizeEx(camera, &width, &height, &bitCount), 1);
        return std::vector<unsigned char>(static_cast<std::size_t>(width) * height * 4);
    }
};

TEST_F(DriverNodes, CamerasAnswerThroughIoControlRequestsAndDeliverFramesByOverlappedReads) {
    ASSERT_EQ(QCX_DeviceGetCount(), 2);
    int type = 0, number = 0;
    QCX_WORD firmware = 0;
    ASSERT_EQ(QCX_DeviceGetInformation(0, &type, &number, &firmware), 1);
    EXPECT_EQ((std::vector<int>{type, number, firmware}), (std::vector<int>{21, 5, 0x0102}));
    EXPECT_TRUE(MutexExists("qxCamera0"));
    ASSERT_EQ(QCX_DeviceGetInformation(1, &type, &number, &firmware), 1);
    EXPECT_EQ(number, 6);
    EXPECT_TRUE(MutexExists("qxCamera1"));

    // A sensor register goes to the driver's register file and back.
    ASSERT_EQ(QCX_WrSensorReg(0, 0x35, 0x1234), 1);
    QCX_WORD value = 0;
    ASSERT_EQ(QCX_RdSensorReg(0, 0x35, &value), 1);
    EXPECT_EQ(value, 0x1234);

    std::vector<unsigned char> frame = RawBuffer(0);
    const ULONG readsBefore = Seen(0).reads;
    ASSERT_EQ(QCX_CaptureRawData(0, frame.data()), 1);
    EXPECT_GT(Seen(0).reads, readsBefore);
}

TEST_F(DriverNodes, ARefusedRequestFailsAndACameraThatLeftTheBusIsLostUntilItIsBack) {
    QCX_BYTE value = 0;
    ASSERT_EQ(QCX_RdFx2Reg(0, 0x10, &value), 1);
    Inject(0, kFailRequests, 1);
    EXPECT_EQ(QCX_RdFx2Reg(0, 0x10, &value), QCX_STATUS_FAIL);
    EXPECT_EQ(QCX_RdFx2Reg(0, 0x10, &value), 1) << "only the one request was refused";

    Inject(0, kGone);
    EXPECT_EQ(QCX_RdFx2Reg(0, 0x10, &value), QCX_STATUS_FAIL);
    EXPECT_EQ(QCX_RdFx2Reg(0, 0x10, &value), QCX_STATUS_NOT_INITIALIZED) << "the channel is lost";
    Inject(0, kNone);
    EXPECT_EQ(QCX_RdFx2Reg(0, 0x10, &value), 1) << "the camera is back";
    int number = 0;
    ASSERT_EQ(QCX_DeviceGetInformation(0, nullptr, &number, nullptr), 1);
    EXPECT_EQ(number, 5);
}

TEST_F(DriverNodes, AFrameThatNeverComesIsCancelledAndTheCameraRecovered) {
    std::vector<unsigned char> frame = RawBuffer(0);
    ASSERT_EQ(QCX_CaptureSetTimeOut(0, 200), 1);
    const Counters before = Inject(0, kHoldReads, 1);
    EXPECT_EQ(QCX_CaptureRawData(0, frame.data()), QCX_STATUS_RECOVERY_SUCCESSFUL);
    EXPECT_EQ(Seen(0).cancelledReads, before.cancelledReads + 1) << "the read was cancelled, not left running";
    EXPECT_EQ(QCX_CaptureRawData(0, frame.data()), 1);
}

TEST_F(DriverNodes, ShortAndEmptyFramesAreReported) {
    std::vector<unsigned char> frame = RawBuffer(0);
    Inject(0, kShortReads, 1);
    EXPECT_EQ(QCX_CaptureRawData(0, frame.data()), QCX_STATUS_INVALID_FRAME);
    Inject(0, kEmptyReads, 1);
    EXPECT_EQ(QCX_CaptureRawData(0, frame.data()), QCX_STATUS_ZERO_FRAME);
    EXPECT_EQ(QCX_CaptureRawData(0, frame.data()), 1);
}

TEST_F(DriverNodes, CamerasLeaveNoHandlesBehindWhateverTheirReadsDid) {
    auto round = [&] {
        ASSERT_EQ(QCX_Init(), QCX_STATUS_SUCCESS);
        std::vector<unsigned char> frame = RawBuffer(0);
        ASSERT_EQ(QCX_CaptureSetTimeOut(0, 200), 1);
        EXPECT_EQ(QCX_CaptureRawData(0, frame.data()), 1);
        Inject(0, kHoldReads, 1);
        EXPECT_EQ(QCX_CaptureRawData(0, frame.data()), QCX_STATUS_RECOVERY_SUCCESSFUL);
        Inject(0, kFailRequests, 1);
        QCX_BYTE value = 0;
        EXPECT_EQ(QCX_RdFx2Reg(0, 0x10, &value), QCX_STATUS_FAIL);
        EXPECT_EQ(QCX_RdFx2Reg(1, 0x10, &value), 1);
        QCX_UnInit();
    };
    round();
    const int before = OpenHandles();
    for (int i = 0; i < 4; ++i) round();
    EXPECT_TRUE(HandlesBackTo(before)) << OpenHandles() << " handles open, " << before << " before";
}

}  // namespace
