#include <windows.h>

#include "cli/preview_window.h"

namespace qcxcli {

namespace {

bool closed = false;

LRESULT CALLBACK PreviewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        closed = true;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class Win32PreviewWindow : public PreviewWindow {
public:
    explicit Win32PreviewWindow(HWND window) : window_(window) {}
    ~Win32PreviewWindow() override { DestroyWindow(window_); }

    QCX_WINDOW handle() const override { return reinterpret_cast<QCX_WINDOW>(window_); }

    bool Poll(int* width, int* height) override {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        RECT client{};
        GetClientRect(window_, &client);
        *width = client.right - client.left;
        *height = client.bottom - client.top;
        return !closed;
    }

private:
    HWND window_;
};

}  // namespace

std::unique_ptr<PreviewWindow> OpenPreviewWindow(int width, int height, const std::string& title, std::string* error) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = PreviewWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "QcxPreviewWindow";
    RegisterClassA(&windowClass);
    RECT frame{0, 0, width, height};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND window = CreateWindowExA(0, windowClass.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                  windowClass.hInstance, nullptr);
    if (window == nullptr) {
        *error = "cannot create a window (error " + std::to_string(GetLastError()) + ")";
        return nullptr;
    }
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    return std::make_unique<Win32PreviewWindow>(window);
}

}  // namespace qcxcli
