// The window and the message box of a double-clicked program on Windows.

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/system.h"
#include "platform/windows/wide.h"

namespace {

// The window of Form1 at 96 dpi: a client area of 4200 x 2688 twips, the
// label at 960, 960 twips, 2652 x 792 twips, in MS Sans Serif bold 24 points
// (15 twips to a pixel).
constexpr int kClientWidth = 280, kClientHeight = 179;
constexpr int kLabelLeft = 64, kLabelTop = 64, kLabelWidth = 177, kLabelHeight = 53;
constexpr int kLabelPoints = 24;
constexpr wchar_t kWindowClass[] = L"ScenarioBuilderForm1";

class WindowsDesktop : public Desktop {
 public:
  ~WindowsDesktop() override {
    if (window_ != nullptr) DestroyWindow(window_);
    if (font_ != nullptr) DeleteObject(font_);
  }

  void show_window(const std::string& caption, const std::string& label) override {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW form{};
    form.lpfnWndProc = DefWindowProcW;
    form.hInstance = instance;
    form.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT));
    form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    form.lpszClassName = kWindowClass;
    RegisterClassW(&form);

    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRect(&frame, style, FALSE);
    window_ = CreateWindowExW(0, kWindowClass, wide_of_utf8(caption).c_str(), style, CW_USEDEFAULT,
                              CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                              nullptr, nullptr, instance, nullptr);
    if (window_ == nullptr) return;  // no window: the build goes on all the same
    const HWND text = CreateWindowExW(0, L"STATIC", wide_of_utf8(label).c_str(),
                                      WS_CHILD | WS_VISIBLE | SS_LEFT, kLabelLeft, kLabelTop,
                                      kLabelWidth, kLabelHeight, window_, nullptr, instance, nullptr);
    const HDC screen = GetDC(nullptr);
    const int height = -MulDiv(kLabelPoints, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    font_ = CreateFontW(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif");
    if (text != nullptr && font_ != nullptr)
      SendMessageW(text, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
    // Painted once: the messages of its creation are handled, then the
    // window is left alone while the build runs.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }

  void message_box(const std::string& text) override {
    const std::wstring title = os::running_program().stem().wstring();
    MessageBoxW(window_, wide_of_utf8(text).c_str(), title.c_str(), MB_OK);
  }

 private:
  HWND window_ = nullptr;
  HFONT font_ = nullptr;
};

}  // namespace

namespace os {

std::unique_ptr<Desktop> system_desktop() {
  // The console Explorer opened for a double-clicked program would stay
  // empty behind the window: let it go.
  FreeConsole();
  return std::make_unique<WindowsDesktop>();
}

}  // namespace os
