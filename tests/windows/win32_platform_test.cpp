// The Windows platform layer seen through the DLL: the named mutexes that
// claim cameras, the log folder beside the DLL, drawing into real windows,
// recording through Video for Windows with the compressor choice kept in the
// registry, and the handles a camera's life leaves behind.
#include <gtest/gtest.h>

#include "windows/win32_test_support.h"

#include <vfw.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "e2e/sim_session.h"
#include "support/temp_folder.h"

namespace {

using e2e::WaitUntil;
using win32_test::MutexExists;
using win32_test::HandlesBackTo;
using win32_test::OpenHandles;

std::filesystem::path DllFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(GetModuleHandleA("QCXApi.dll"), path, MAX_PATH);
    return std::filesystem::path(path).parent_path();
}

int QCXAPI_CALL CountFrame(QCX_BYTE*, int, int, int, void* context) {
    ++*static_cast<std::atomic<int>*>(context);
    return 0;
}

class Win32Platform : public e2e::SimSession {
protected:
    bool MoreFrames(int count) {
        const int seen = frames;
        return WaitUntil([&] { return frames >= seen + count; });
    }
    std::atomic<int> frames{0};
};

TEST_F(Win32Platform, AnOpenCameraHoldsTheMutexOfItsNodeAndANodeClaimedElsewhereIsPassedOver) {
    Start("21:3,21:4");
    // Another process's camera object holds the first node.
    const std::string first = "qxCamera" + std::to_string(node);
    const std::string second = "qxCamera" + std::to_string(node + 1);
    HANDLE elsewhere = CreateMutexA(nullptr, FALSE, first.c_str());
    ASSERT_NE(elsewhere, nullptr);
    int type = 0, number = 0;
    QCX_WORD firmware = 0;
    ASSERT_EQ(QCX_DeviceGetInformation(camera, &type, &number, &firmware), 1);
    EXPECT_EQ(number, 4) << "the camera of the free node";
    EXPECT_TRUE(MutexExists(second));
    CloseHandle(elsewhere);
    QCX_UnInit();
    EXPECT_FALSE(MutexExists(second)) << "closing the camera drops its claim";
    EXPECT_FALSE(MutexExists(first));
}

TEST_F(Win32Platform, TheDefaultLogFolderIsBesideTheDll) {
    const std::filesystem::path folder = DllFolder() / "QCXLogFolder";
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    ASSERT_EQ(QCX_LogSet(1, ""), 1);
    Start("21");
    int type = 0;
    ASSERT_EQ(QCX_DeviceGetInformation(camera, &type, nullptr, nullptr), 1);
    QCX_UnInit();
    QCX_LogSet(0, "");
    const std::vector<std::string> files = qcx::test::FilesIn(folder.string());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].rfind("QCXLOG_21_", 0), 0u) << files[0];
    std::filesystem::remove_all(folder, ignored);
}

TEST_F(Win32Platform, PreviewDrawsIntoARealWindowAndPassesOverAHandleThatIsNoWindow) {
    HWND window = CreateWindowExA(0, "STATIC", "preview", WS_POPUP | WS_VISIBLE, 0, 0, 320, 240, nullptr, nullptr,
                                  nullptr, nullptr);
    if (window == nullptr) GTEST_SKIP() << "no window station to draw on (scripts/test-windows runs Xvfb)";
    Start("21", "fast", "grey");
    ASSERT_EQ(QCX_PreviewSetMode(camera, 0), 1);
    ASSERT_EQ(QCX_PreviewSetFieldOfView(camera, 0, 0, 320, 240, 0, 0), 1);
    ASSERT_EQ(QCX_PreviewSetCallback(camera, CountFrame, &frames), 1);
    ASSERT_EQ(QCX_PreviewSetPos(camera, reinterpret_cast<QCX_WINDOW>(window), 0, 0, 320, 240), 1);
    ASSERT_EQ(QCX_PreviewStart(camera, 1), 1);
    ASSERT_TRUE(MoreFrames(3));
    ASSERT_EQ(QCX_PreviewPause(camera, 1), 1);
    ASSERT_TRUE(MoreFrames(2)) << "the paused frame is drawn again";
    std::vector<unsigned char> image(320 * 240);
    ASSERT_EQ(QCX_PreviewGetPausedData(camera, image.data()), 1);
    HDC dc = GetDC(window);
    const COLORREF shown = GetPixel(dc, 160, 120);
    ReleaseDC(window, dc);
    const unsigned char grey = image[120 * 320 + 160];
    EXPECT_EQ(shown, RGB(grey, grey, grey)) << "grey " << int(grey);

    // A handle that names no window: nothing is drawn, the preview goes on.
    ASSERT_EQ(QCX_PreviewPause(camera, 0), 1);
    ASSERT_EQ(QCX_PreviewSetPos(camera, static_cast<QCX_WINDOW>(0x7ff0), 0, 0, 320, 240), 1);
    EXPECT_TRUE(MoreFrames(3));
    ASSERT_EQ(QCX_PreviewStart(camera, 0), 1);
    DestroyWindow(window);
}

class Win32Recording : public Win32Platform {
protected:
    static constexpr char kKey[] = "SOFTWARE\\Vantorix\\QCXAPI";
    void SetUp() override {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKey);
        setenv("QCX_AVI_CODEC", "DIB", 1);
    }
    void TearDown() override {
        SimSession::TearDown();
        unsetenv("QCX_AVI_CODEC");
        unsetenv("QCX_AVI_DIALOG");
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKey);
    }
    static DWORD StoredNumber(const char* name) {
        DWORD value = 0, size = sizeof value, type = 0;
        const std::string key = std::string(kKey) + "\\Compossor";
        if (RegGetValueA(HKEY_LOCAL_MACHINE, key.c_str(), name, RRF_RT_ANY, &type, &value, &size) != ERROR_SUCCESS ||
            type != REG_DWORD)
            return 0xFFFFFFFF;
        return value;
    }
    qcx::test::TempFolder folder;
};

TEST_F(Win32Recording, FramesGoThroughVideoForWindowsAndTheChoiceIsKeptInTheRegistry) {
    Start("21");
    ASSERT_EQ(QCX_PreviewSetMode(camera, 0), 1);
    ASSERT_EQ(QCX_PreviewSetFieldOfView(camera, 0, 0, 320, 240, 0, 0), 1);
    ASSERT_EQ(QCX_PreviewSetCallback(camera, CountFrame, &frames), 1);
    ASSERT_EQ(QCX_PreviewStart(camera, 1), 1);
    const std::string file = folder.Path() + "\\vfw.avi";
    ASSERT_EQ(QCX_RecordStart(camera, 1, 25.0f, file.c_str()), 1);
    ASSERT_TRUE(MoreFrames(5));
    ASSERT_EQ(QCX_RecordStart(camera, 0, 0.0f, nullptr), 1);
    ASSERT_EQ(QCX_PreviewStart(camera, 0), 1);

    EXPECT_EQ(StoredNumber("fccHandler"), mmioFOURCC('D', 'I', 'B', ' '));
    EXPECT_EQ(StoredNumber("fccType"), streamtypeVIDEO);
    EXPECT_NE(StoredNumber("cbFormat"), 0xFFFFFFFFu);

    // Read back through the same services: one video stream of grey frames.
    AVIFileInit();
    PAVIFILE avi = nullptr;
    ASSERT_EQ(AVIFileOpenA(&avi, file.c_str(), OF_READ, nullptr), 0);
    PAVISTREAM stream = nullptr;
    ASSERT_EQ(AVIFileGetStream(avi, &stream, streamtypeVIDEO, 0), 0);
    AVISTREAMINFOA info{};
    ASSERT_EQ(AVIStreamInfoA(stream, &info, sizeof info), 0);
    EXPECT_GE(AVIStreamLength(stream), 5);
    EXPECT_EQ(info.rcFrame.right - info.rcFrame.left, 320);
    EXPECT_EQ(info.rcFrame.bottom - info.rcFrame.top, 240);
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD palette[256];
    } format{};
    LONG formatSize = sizeof format;
    ASSERT_EQ(AVIStreamReadFormat(stream, 0, &format, &formatSize), 0);
    EXPECT_EQ(format.header.biBitCount, 8);
    EXPECT_EQ(format.palette[200].rgbGreen, 200) << "the grey palette";
    AVIStreamRelease(stream);
    AVIFileRelease(avi);
    AVIFileExit();
}

TEST_F(Win32Recording, ACancelledCompressorDialogRefusesTheStart) {
    Start("21");
    ASSERT_EQ(QCX_PreviewStart(camera, 1), 1);
    setenv("QCX_AVI_DIALOG", "cancel", 1);
    const std::string file = folder.Path() + "\\cancelled.avi";
    EXPECT_EQ(QCX_RecordStart(camera, 1, 25.0f, file.c_str()), -8);
    EXPECT_FALSE(std::filesystem::exists(file));
    QCX_BOOL8 recording = 1;
    EXPECT_EQ(QCX_RecordStatusGet(camera, &recording), 1);
    EXPECT_EQ(recording, 0);
    EXPECT_EQ(StoredNumber("fccHandler"), 0xFFFFFFFFu) << "nothing is stored for a cancelled start";
}

TEST_F(Win32Platform, ACameraLeavesNoHandlesBehind) {
    // One round first: the library's and the runtime's own one-time handles.
    auto round = [&] {
        Start("21");
        int width = 0, height = 0, bitCount = 0;
        EXPECT_EQ(QCX_CaptureGetSizeEx(camera, &width, &height, &bitCount), 1);
        std::vector<unsigned char> image(static_cast<std::size_t>(width) * height * (bitCount / 8));
        EXPECT_EQ(QCX_CaptureRgbData(camera, image.data()), 1);
        EXPECT_EQ(QCX_PreviewSetCallback(camera, CountFrame, &frames), 1);
        EXPECT_EQ(QCX_PreviewStart(camera, 1), 1);
        EXPECT_TRUE(MoreFrames(2));
        EXPECT_EQ(QCX_PreviewStart(camera, 0), 1);
        QCX_UnInit();
    };
    round();
    const int before = OpenHandles();
    for (int i = 0; i < 4; ++i) round();
    EXPECT_GT(before, 0);
    EXPECT_TRUE(HandlesBackTo(before)) << OpenHandles() << " handles open, " << before << " before";
}

}  // namespace
