// The wait window of a lookup run: a small always-on-top window with a message, a progress
// bar, the count of ISBNs and a stop button that sets StopRequested. A plain Win32 window whose
// class is registered in this module for the length of one run.
#include <windows.h>

#include <commctrl.h>
#include <float.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "plugin/common.h"
#include "wait/wait.h"
#include "wait/window_ids.h"

namespace vostrel {

namespace {

// The layout in pixels at 96 pixels per inch; scaled to the screen's resolution.
constexpr int kDesignDpi = 96;
constexpr int kClientWidth = 219;
constexpr int kClientHeight = 98;
constexpr int kFontHeight = 12;
constexpr int kPictureSize = 16;
constexpr int kPictureGap = 4;
constexpr COLORREF kNavy = RGB(0, 0, 128);
constexpr wchar_t kFontFace[] = L"ＭＳ Ｐゴシック";

struct ControlLayout {
  int x, y, width, height;
};
constexpr ControlLayout kLabel3Layout = {20, 7, 109, 12};
constexpr ControlLayout kProgressBarLayout = {16, 24, 185, 25};
// The count keeps its right edge at 201 and is wide enough for counts like "1000/1000".
constexpr ControlLayout kLblCountLayout = {121, 52, 80, 12};
constexpr ControlLayout kBtnStopLayout = {56, 64, 105, 25};

constexpr DWORD kWindowStyle = WS_POPUP | WS_BORDER | WS_CLIPCHILDREN;
// Always on top; a tool window so that the captionless window gets no taskbar button.
constexpr DWORD kWindowExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT;

std::wstring TextOfWindow(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

// The module this code is linked into (the plug-in), where the window class and the stop
// picture live.
HINSTANCE ModuleInstance() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ModuleInstance), &module);
  return module;
}

// While alive, the floating-point invalid-operation exception is masked for the x87 unit and
// for SSE. A host that unmasks it (as some runtimes do) would otherwise see a window
// procedure's invalid operation raised while the plug-in pumps its messages; masked, the
// operation yields a NaN and the pump goes on. On the way out the flags raised meanwhile are
// cleared, so restoring the host's masks raises nothing later.
class InvalidOperationMasked {
 public:
  InvalidOperationMasked()
      : x87_(_control87(0, 0)),
        sse_(IsProcessorFeaturePresent(PF_XMMI_INSTRUCTIONS_AVAILABLE) != 0),
        mxcsr_(sse_ ? ReadMxcsr() : 0) {
    _control87(_EM_INVALID, _EM_INVALID);
    if (sse_)
      WriteMxcsr(mxcsr_ | kMxcsrInvalidMask);
  }
  InvalidOperationMasked(const InvalidOperationMasked&) = delete;
  InvalidOperationMasked& operator=(const InvalidOperationMasked&) = delete;
  ~InvalidOperationMasked() {
    _clearfp();
    _control87(x87_, _EM_INVALID);
    if (sse_) {
      const unsigned int now = ReadMxcsr() & ~(kMxcsrInvalidMask | kMxcsrInvalidFlag);
      WriteMxcsr(now | (mxcsr_ & kMxcsrInvalidMask));
    }
  }

 private:
  static constexpr unsigned int kMxcsrInvalidFlag = 0x0001;
  static constexpr unsigned int kMxcsrInvalidMask = 0x0080;

  static unsigned int ReadMxcsr() {
    unsigned int value = 0;
    __asm__ __volatile__("stmxcsr %0" : "=m"(value));
    return value;
  }
  static void WriteMxcsr(unsigned int value) { __asm__ __volatile__("ldmxcsr %0" : : "m"(value)); }

  unsigned int x87_;
  bool sse_;
  unsigned int mxcsr_;
};

// The wait window form: the window, its four controls and what they draw with.
class TfrmWait {
 public:
  // Creates the window, shows it centred on the screen and gives the stop button the focus.
  // Null when the window cannot be made; the run then goes on without one.
  static std::unique_ptr<TfrmWait> Create();

  TfrmWait(const TfrmWait&) = delete;
  TfrmWait& operator=(const TfrmWait&) = delete;
  // Destroys the window and releases the font, the picture and the window class.
  ~TfrmWait();

  void ShowProgress(int current, int total);

  // Keyboard navigation and the Alt+X shortcut of the window's controls; true when the message
  // was handled (and dispatched) here.
  bool TakeDialogMessage(MSG& msg, bool unicode);

 private:
  TfrmWait() = default;

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  bool CreateControls();
  void WidenToText(HWND label);
  HWND CreateControl(const wchar_t* className, const wchar_t* text, DWORD style, int id,
                     const ControlLayout& layout);
  int Scaled(int pixels) const { return MulDiv(pixels, dpi, kDesignDpi); }

  void FormClose();
  void BtnStopClick();
  void DrawStopButton(const DRAWITEMSTRUCT& item);

  HINSTANCE instance = nullptr;
  ATOM windowClass = 0;
  int dpi = kDesignDpi;
  HFONT font = nullptr;
  HBITMAP picture = nullptr;
  HWND frmWait = nullptr;
  HWND ProgressBar = nullptr;
  HWND BtnStop = nullptr;
  HWND Label3 = nullptr;
  HWND lblCount = nullptr;
};

std::unique_ptr<TfrmWait> frmWait;

std::unique_ptr<TfrmWait> TfrmWait::Create() {
  std::unique_ptr<TfrmWait> form(new TfrmWait());
  form->instance = ModuleInstance();
  if (form->instance == nullptr)
    return nullptr;

  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);

  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &TfrmWait::WindowProc;
  wc.hInstance = form->instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = kWaitWindowClass;
  form->windowClass = RegisterClassExW(&wc);
  if (form->windowClass == 0 && GetLastError() == ERROR_CLASS_ALREADY_EXISTS) {
    // Left behind by a run that never reached its end; its window procedure may be stale.
    UnregisterClassW(kWaitWindowClass, form->instance);
    form->windowClass = RegisterClassExW(&wc);
  }
  if (form->windowClass == 0)
    return nullptr;

  if (HDC screen = GetDC(nullptr)) {
    form->dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
  }
  if (form->dpi <= 0)
    form->dpi = kDesignDpi;

  form->font = CreateFontW(-form->Scaled(kFontHeight), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                           SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, kFontFace);
  form->picture = static_cast<HBITMAP>(
      LoadImageW(form->instance, kStopPictureName, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));

  // The window belongs to the host's active window: it stays above it and hands the
  // activation back to it when it goes.
  HWND owner = GetActiveWindow();
  RECT frame = {0, 0, form->Scaled(kClientWidth), form->Scaled(kClientHeight)};
  AdjustWindowRectEx(&frame, kWindowStyle, FALSE, kWindowExStyle);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& screen = monitor.rcMonitor;
  const int x = screen.left + (screen.right - screen.left - width) / 2;
  const int y = screen.top + (screen.bottom - screen.top - height) / 2;

  form->frmWait = CreateWindowExW(kWindowExStyle, kWaitWindowClass, L"", kWindowStyle, x, y, width,
                                  height, owner, nullptr, form->instance, form.get());
  if (form->frmWait == nullptr || !form->CreateControls())
    return nullptr;

  ShowWindow(form->frmWait, SW_SHOW);
  SetFocus(form->BtnStop);
  UpdateWindow(form->frmWait);
  return form;
}

TfrmWait::~TfrmWait() {
  if (frmWait != nullptr && IsWindow(frmWait))
    DestroyWindow(frmWait);
  if (font != nullptr)
    DeleteObject(font);
  if (picture != nullptr)
    DeleteObject(picture);
  if (windowClass != 0)
    UnregisterClassW(kWaitWindowClass, instance);
}

// Created in tab order: the progress bar first, then the stop button; the labels take no
// focus.
bool TfrmWait::CreateControls() {
  ProgressBar = CreateControl(PROGRESS_CLASSW, L"", 0, kProgressBarId, kProgressBarLayout);
  BtnStop =
      CreateControl(L"BUTTON", L"中止(&X)", BS_OWNERDRAW | WS_TABSTOP, kBtnStopId, kBtnStopLayout);
  Label3 = CreateControl(L"STATIC", L"しばらくお待ちください", SS_LEFT | SS_NOPREFIX, kLabel3Id,
                         kLabel3Layout);
  lblCount = CreateControl(L"STATIC", L"-/-", SS_RIGHT | SS_NOPREFIX, kLblCountId, kLblCountLayout);
  if (ProgressBar == nullptr || BtnStop == nullptr || Label3 == nullptr || lblCount == nullptr)
    return false;
  SendMessageW(ProgressBar, PBM_SETRANGE32, 0, 100);
  SendMessageW(ProgressBar, PBM_SETPOS, 0, 0);
  WidenToText(Label3);
  return true;
}

// The message label grows to the right when its text needs more room than designed, as with
// a substitute for the window's font that sets kana wider.
void TfrmWait::WidenToText(HWND label) {
  const std::wstring text = TextOfWindow(label);
  HDC dc = GetDC(label);
  if (dc == nullptr)
    return;
  HGDIOBJ oldFont = font != nullptr ? SelectObject(dc, font) : nullptr;
  SIZE extent = {};
  const BOOL measured =
      GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  if (oldFont != nullptr)
    SelectObject(dc, oldFont);
  ReleaseDC(label, dc);
  RECT r;
  GetClientRect(label, &r);
  RECT window;
  GetClientRect(frmWait, &window);
  RECT placed;
  GetWindowRect(label, &placed);
  MapWindowPoints(nullptr, frmWait, reinterpret_cast<POINT*>(&placed), 2);
  // Never past the window's right edge.
  const LONG room = window.right - placed.left;
  if (measured && extent.cx > r.right)
    SetWindowPos(label, nullptr, 0, 0, std::min(extent.cx, room), r.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND TfrmWait::CreateControl(const wchar_t* className, const wchar_t* text, DWORD style, int id,
                             const ControlLayout& layout) {
  HWND control =
      CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, Scaled(layout.x),
                      Scaled(layout.y), Scaled(layout.width), Scaled(layout.height), frmWait,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  if (control != nullptr && font != nullptr)
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

void TfrmWait::ShowProgress(int current, int total) {
  if (total <= 0)
    return;
  const long long share = (static_cast<long long>(current) - 1) * 100 / total;
  const int position = static_cast<int>(std::clamp(share, 0LL, 100LL));
  SendMessageW(ProgressBar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
  const std::wstring count = std::to_wstring(current) + L"/" + std::to_wstring(total);
  SetWindowTextW(lblCount, count.c_str());
}

bool TfrmWait::TakeDialogMessage(MSG& msg, bool unicode) {
  if (!IsWindow(frmWait))
    return false;
  return (unicode ? ::IsDialogMessageW(frmWait, &msg) : ::IsDialogMessageA(frmWait, &msg)) != 0;
}

LRESULT CALLBACK TfrmWait::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* form = reinterpret_cast<TfrmWait*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (form == nullptr || form->frmWait != window)
    return DefWindowProcW(window, message, wParam, lParam);
  return form->Handle(message, wParam, lParam);
}

LRESULT TfrmWait::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == kBtnStopId && HIWORD(wParam) == BN_CLICKED) {
        BtnStopClick();
        return 0;
      }
      break;
    case WM_CLOSE:
      FormClose();
      return 0;
    case WM_ACTIVATE:
      // Back in front, the stop button takes the keyboard again.
      if (LOWORD(wParam) != WA_INACTIVE && IsWindowVisible(frmWait)) {
        SetFocus(BtnStop);
        return 0;
      }
      break;
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      const bool message3 = reinterpret_cast<HWND>(lParam) == Label3;
      SetTextColor(dc, message3 ? kNavy : GetSysColor(COLOR_WINDOWTEXT));
      SetBkColor(dc, RGB(255, 255, 255));
      return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->CtlID == static_cast<UINT>(kBtnStopId)) {
        DrawStopButton(*item);
        return TRUE;
      }
      break;
    }
    default:
      break;
  }
  return DefWindowProcW(frmWait, message, wParam, lParam);
}

// Closing the window only hides it; the run destroys it when it ends.
void TfrmWait::FormClose() {
  ShowWindow(frmWait, SW_HIDE);
}

void TfrmWait::BtnStopClick() {
  StopRequested = 1;
  SendMessageW(frmWait, WM_CLOSE, 0, 0);
}

// A push button with the stop picture to the left of its text, both centred together.
void TfrmWait::DrawStopButton(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  RECT face = item.rcItem;
  const bool pushed = (item.itemState & ODS_SELECTED) != 0;
  const bool focused = (item.itemState & ODS_FOCUS) != 0;
  if (focused) {
    // The button with the focus wears the dark frame of a default button.
    FrameRect(dc, &face, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    InflateRect(&face, -1, -1);
  }
  DrawFrameControl(dc, &face, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));

  const std::wstring caption = TextOfWindow(item.hwndItem);
  const wchar_t* text = caption.c_str();
  HGDIOBJ oldFont = font != nullptr ? SelectObject(dc, font) : nullptr;
  RECT measure = {};
  DrawTextW(dc, text, -1, &measure, DT_CALCRECT | DT_SINGLELINE);
  const int pictureSize = picture != nullptr ? Scaled(kPictureSize) : 0;
  const int gap = picture != nullptr ? Scaled(kPictureGap) : 0;
  const int contentWidth = pictureSize + gap + (measure.right - measure.left);
  const int shift = pushed ? 1 : 0;
  const int left = face.left + (face.right - face.left - contentWidth) / 2 + shift;
  const int middle = face.top + (face.bottom - face.top) / 2 + shift;

  if (picture != nullptr) {
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ oldPicture = SelectObject(source, picture);
    // The bottom-left pixel gives the colour that lets the button face show through.
    const COLORREF transparent = GetPixel(source, 0, kPictureSize - 1);
    GdiTransparentBlt(dc, left, middle - pictureSize / 2, pictureSize, pictureSize, source, 0, 0,
                      kPictureSize, kPictureSize, transparent);
    SelectObject(source, oldPicture);
    DeleteDC(source);
  }

  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  RECT textArea = {left + pictureSize + gap, face.top + shift, face.right, face.bottom + shift};
  // The "&" marks the shortcut letter, always shown underlined.
  DrawTextW(dc, text, -1, &textArea, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
  if (oldFont != nullptr)
    SelectObject(dc, oldFont);

  if (focused && (item.itemState & ODS_NOFOCUSRECT) == 0) {
    RECT focus = face;
    InflateRect(&focus, -3, -3);
    DrawFocusRect(dc, &focus);
  }
}

}  // namespace

void OpenWaitWindow() {
  frmWait.reset();
  frmWait = TfrmWait::Create();
}

void PumpMessages() {
  const InvalidOperationMasked masked;
  std::optional<int> quitCode;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
    // Each message is taken and handled through the character set of its window, so the
    // host's ANSI windows receive their Shift-JIS characters unchanged.
    const bool unicode = msg.hwnd == nullptr || IsWindowUnicode(msg.hwnd);
    const BOOL taken = unicode ? PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)
                               : PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
    if (!taken)
      break;
    if (msg.message == WM_QUIT) {
      // Kept for the host: it goes back on the queue once the other messages are processed
      // (put back at once, the queue would hand it straight back).
      quitCode = static_cast<int>(msg.wParam);
      continue;
    }
    if (frmWait != nullptr && frmWait->TakeDialogMessage(msg, unicode))
      continue;
    TranslateMessage(&msg);
    if (unicode)
      DispatchMessageW(&msg);
    else
      DispatchMessageA(&msg);
  }
  if (quitCode)
    PostQuitMessage(*quitCode);
}

void ShowProgress(int current, int total) {
  if (frmWait != nullptr)
    frmWait->ShowProgress(current, total);
}

void CloseWaitWindow() {
  frmWait.reset();
}

}  // namespace vostrel
