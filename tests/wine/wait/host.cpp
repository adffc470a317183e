// A host of our own for the wait window's checks under Wine. It is built as zelkon.exe in a
// folder of its own, so the plug-in binds it as its host: it exports the sixteen host
// functions, answers the catalogue exchange with canned pages (the record page in UTF-8 with a
// title row) and drives lookup runs while it looks at the wait window and presses its button.
//
//   zelkon.exe checks PLUGIN WORKDIR  runs the table of cases below; exit status 0 when all
//                                     pass, 1 otherwise (each failure is printed), 77 when
//                                     the plug-in has not been built
//   zelkon.exe pause PLUGIN WORKDIR   one run over three ISBNs that, when asked to check the
//                                     second, creates WORKDIR "ready" and waits for
//                                     WORKDIR "go" (for a screenshot of the window)
//
// WORKDIR ends with a separator. Nothing here writes anything but ASCII to standard output.
#include <windows.h>

#include <commctrl.h>
#include <float.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "wait/window_ids.h"

namespace {

using DownlaodFn = void(__stdcall*)(const char* workDir, const char* outputPath,
                                    const char* isbnList);

enum class Action {
  None,
  PostClick,                // a click on the stop button waits in the queue
  SendClick,                // the stop button is clicked inside the host's ISBN check
  PostAltX,                 // Alt+X waits in the queue
  Offline,                  // the connectivity check fails from this ISBN on
  QuitAndInvalidOperation,  // before the run: a quit request and a message whose window
                            // procedure makes an invalid floating-point operation
  Pause,                    // the download waits for the screenshot
};

struct Case {
  const char* label;
  int isbnCount;
  Action action;
  int actAt;               // the ISBN (from 1) at whose check the action happens
  int checked;             // how many ISBNs the run handles before it ends
  bool outputWritten;      // whether the run leaves an output file
  std::vector<int> lines;  // the ISBNs (from 1) whose lines the output holds, in order
};

// The state of the run in progress, seen by the host functions.
struct RunState {
  const Case* current = nullptr;
  int isbn = 0;  // the ISBN (from 1) being handled, counted by ISBNChkFunc
  std::string workDir;
  std::vector<std::wstring> messages;  // message boxes shown during the run
  std::vector<HWND> dismissed;
  bool waitWindowBesideMessage = false;
};

RunState run;
int failures = 0;
std::string catalogueBase;

constexpr UINT kInvalidOperationMessage = WM_APP + 1;
constexpr int kQuitCode = 42;
volatile double zero = 0.0;
volatile double invalidResult = 0.0;
bool invalidOperationRan = false;
LONG floatingPointFaults = 0;

void Fail(const std::string& what) {
  ++failures;
  std::printf("FAIL [%s] %s\n", run.current != nullptr ? run.current->label : "setup",
              what.c_str());
  std::fflush(stdout);
}

void Check(bool ok, const std::string& what) {
  if (!ok)
    Fail(what);
}

std::string Isbn(int k) {
  char text[16];
  std::snprintf(text, sizeof text, "978400000%04d", k);
  return text;
}

// The title of book k: Shift-JIS for the output line, UTF-8 for the record page.
std::string Title(int k) {
  return std::string("待機の本") + static_cast<char>('A' + k - 1);
}
std::string TitleUtf8(int k) {
  return std::string(reinterpret_cast<const char*>(u8"待機の本")) + static_cast<char>('A' + k - 1);
}

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text)
    out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

std::wstring TextOf(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr)
    return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

bool ReadBytes(const std::string& path, std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr)
    return false;
  char buffer[4096];
  bytes.clear();
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
    bytes.append(buffer, n);
  std::fclose(f);
  return true;
}

// --- looking at the wait window -----------------------------------------------------------

BOOL CALLBACK CollectWaitWindow(HWND window, LPARAM found) {
  if (ClassOf(window) == vostrel::kWaitWindowClass)
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
  return TRUE;
}

// Every wait window of this thread, hidden ones included.
std::vector<HWND> WaitWindows() {
  std::vector<HWND> found;
  EnumThreadWindows(GetCurrentThreadId(), &CollectWaitWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

int Dpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

int Scaled(int pixels) {
  return MulDiv(pixels, Dpi(), 96);
}

RECT RectInParent(HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::string RectText(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

void CheckLayout(HWND window) {
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  const LONG exStyle = GetWindowLongW(window, GWL_EXSTYLE);
  Check((style & WS_POPUP) != 0 && (style & WS_BORDER) != 0, "a popup window with a border");
  Check((style & (WS_DLGFRAME | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) == 0,
        "no caption, system menu, sizing border or border icons");
  Check((exStyle & WS_EX_TOPMOST) != 0, "always on top");
  Check(GetWindowTextLengthW(window) == 0, "no caption text");

  RECT client;
  GetClientRect(window, &client);
  Check(client.right == Scaled(219) && client.bottom == Scaled(98),
        "client area 219 x 98, got " + RectText(client));
  RECT frame;
  GetWindowRect(window, &frame);
  const int dx = (frame.left + frame.right) - GetSystemMetrics(SM_CXSCREEN);
  const int dy = (frame.top + frame.bottom) - GetSystemMetrics(SM_CYSCREEN);
  Check(dx >= -2 && dx <= 2 && dy >= -2 && dy <= 2, "centred on the screen, at " + RectText(frame));

  // A label may grow beyond its designed size (the count to the left, the message to the
  // right) so that its text fits; every other edge stays where it was designed.
  enum class Grows { No, Left, Right };
  struct Control {
    const char* name;
    int id;
    const wchar_t* className;
    RECT rect;  // at 96 pixels per inch
    Grows grows;
    const wchar_t* text;  // null: not checked here
  };
  // clang-format off
  static const Control kControls[] = {
      {"Label3", vostrel::kLabel3Id, L"Static", {20, 7, 129, 19}, Grows::Right,
       L"しばらくお待ちください"},
      {"ProgressBar", vostrel::kProgressBarId, L"msctls_progress32", {16, 24, 201, 49},
       Grows::No, nullptr},
      {"lblCount", vostrel::kLblCountId, L"Static", {183, 52, 201, 64}, Grows::Left, nullptr},
      {"BtnStop", vostrel::kBtnStopId, L"Button", {56, 64, 161, 89}, Grows::No, L"中止(&X)"},
  };
  // clang-format on

  for (const Control& c : kControls) {
    HWND control = GetDlgItem(window, c.id);
    const std::string name = c.name;
    if (control == nullptr) {
      Fail(name + " missing");
      continue;
    }
    Check(_wcsicmp(ClassOf(control).c_str(), c.className) == 0, name + " class");
    Check(IsWindowVisible(control) != 0, name + " visible");
    const RECT r = RectInParent(control);
    const RECT want = {Scaled(c.rect.left), Scaled(c.rect.top), Scaled(c.rect.right),
                       Scaled(c.rect.bottom)};
    const bool leftOk =
        c.grows == Grows::Left ? r.left <= want.left && r.left >= 0 : r.left == want.left;
    const bool rightOk = c.grows == Grows::Right ? r.right >= want.right && r.right <= client.right
                                                 : r.right == want.right;
    Check(leftOk && rightOk && r.top == want.top && r.bottom == want.bottom,
          name + " at " + RectText(r));
    if (c.text != nullptr)
      Check(TextOf(control) == c.text, name + " text " + Narrow(TextOf(control)));
  }

  HWND label3 = GetDlgItem(window, vostrel::kLabel3Id);
  HWND bar = GetDlgItem(window, vostrel::kProgressBarId);
  HWND count = GetDlgItem(window, vostrel::kLblCountId);
  HWND stop = GetDlgItem(window, vostrel::kBtnStopId);
  Check((GetWindowLongW(count, GWL_STYLE) & SS_TYPEMASK) == SS_RIGHT, "lblCount right-aligned");
  Check((GetWindowLongW(stop, GWL_STYLE) & BS_TYPEMASK) == BS_OWNERDRAW &&
            (GetWindowLongW(stop, GWL_STYLE) & WS_TABSTOP) != 0,
        "BtnStop draws its picture and text itself and is a tab stop");
  Check(SendMessageW(bar, PBM_GETRANGE, TRUE, 0) == 0 &&
            SendMessageW(bar, PBM_GETRANGE, FALSE, 0) == 100,
        "ProgressBar range 0 to 100");
  Check(GetWindow(window, GW_CHILD) == bar && GetWindow(bar, GW_HWNDNEXT) == stop,
        "tab order: ProgressBar, then BtnStop");
  Check(GetNextDlgTabItem(window, nullptr, FALSE) == stop, "BtnStop is the first tab stop");
  Check(GetFocus() == stop, "BtnStop has the keyboard focus");

  LOGFONTW font = {};
  auto* handle = reinterpret_cast<HFONT>(SendMessageW(label3, WM_GETFONT, 0, 0));
  Check(handle != nullptr && GetObjectW(handle, sizeof font, &font) == sizeof font &&
            std::wcscmp(font.lfFaceName, L"ＭＳ Ｐゴシック") == 0 &&
            font.lfCharSet == SHIFTJIS_CHARSET && font.lfHeight == -Scaled(12),
        "font MS P Gothic, Shift-JIS, height 12");

  // The colours the window gives its labels.
  HDC dc = CreateCompatibleDC(nullptr);
  auto brush = reinterpret_cast<HBRUSH>(SendMessageW(
      window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label3)));
  Check(GetTextColor(dc) == RGB(0, 0, 128), "Label3 navy");
  LOGBRUSH background = {};
  Check(brush != nullptr && GetObjectW(brush, sizeof background, &background) != 0 &&
            background.lbColor == RGB(255, 255, 255),
        "labels on white");
  SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
               reinterpret_cast<LPARAM>(count));
  Check(GetTextColor(dc) == GetSysColor(COLOR_WINDOWTEXT), "lblCount in the window-text colour");
  DeleteDC(dc);

  // The message and a four-digit count fit their labels in the window's font.
  const std::wstring shown = TextOf(count);
  SetWindowTextW(count, L"1000/1000");
  for (HWND label : {label3, count}) {
    const std::wstring text = TextOf(label);
    HDC labelDc = GetDC(label);
    HGDIOBJ old = SelectObject(labelDc, handle);
    SIZE extent = {};
    GetTextExtentPoint32W(labelDc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(labelDc, old);
    ReleaseDC(label, labelDc);
    RECT r;
    GetClientRect(label, &r);
    Check(extent.cx > 0 && extent.cx <= r.right,
          Narrow(text) + " fits: " + std::to_string(extent.cx) + " in " + std::to_string(r.right));
  }
  SetWindowTextW(count, shown.c_str());

  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  Check(GetClassInfoExW(reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE)),
                        vostrel::kWaitWindowClass, &wc) &&
            wc.hbrBackground == GetStockObject(WHITE_BRUSH),
        "white window background");
}

// Waits (without processing messages, as a blocking download would) until the screenshot
// script has taken its picture.
void PauseForScreenshot() {
  WriteBytes(run.workDir + "ready", "");
  for (int waited = 0; GetFileAttributesA((run.workDir + "go").c_str()) == INVALID_FILE_ATTRIBUTES;
       waited += 100) {
    if (waited > 120000) {
      Fail("no screenshot taken within two minutes");
      return;
    }
    Sleep(100);
  }
}

// Called when the run asks the host to check ISBN k: it has shown its progress and processed
// its messages for that ISBN.
void OnIsbnCheck(int k) {
  const Case& c = *run.current;
  const std::string at = " at ISBN " + std::to_string(k);
  const std::vector<HWND> windows = WaitWindows();
  if (windows.size() != 1) {
    Fail("one wait window expected, found " + std::to_string(windows.size()) + at);
    return;
  }
  HWND window = windows.front();
  Check(IsWindowVisible(window) != 0, "wait window shown" + at);
  const std::wstring want = std::to_wstring(k) + L"/" + std::to_wstring(c.isbnCount);
  const std::wstring count = TextOf(GetDlgItem(window, vostrel::kLblCountId));
  Check(count == want, "count " + Narrow(count) + at);
  const LRESULT position =
      SendMessageW(GetDlgItem(window, vostrel::kProgressBarId), PBM_GETPOS, 0, 0);
  Check(position == (k - 1) * 100 / c.isbnCount, "bar at " + std::to_string(position) + at);
  if (k == 1)
    CheckLayout(window);
  if (k != c.actAt)
    return;

  HWND stop = GetDlgItem(window, vostrel::kBtnStopId);
  switch (c.action) {
    case Action::PostClick:
      PostMessageW(stop, BM_CLICK, 0, 0);
      break;
    case Action::SendClick:
      SendMessageW(stop, BM_CLICK, 0, 0);
      Check(IsWindowVisible(window) == 0, "the stop button hides the window");
      break;
    case Action::PostAltX:
      // The character message of Alt+X (context code: the Alt key is down).
      PostMessageW(stop, WM_SYSCHAR, L'x', 0x20000001);
      break;
    case Action::Pause:
      PauseForScreenshot();
      break;
    default:
      break;
  }
}

}  // namespace

// --- the host functions ---------------------------------------------------------------------

extern "C" {

std::int32_t __stdcall InternetConnectFunc(const char* /*url*/) {
  const Case& c = *run.current;
  return c.action == Action::Offline && run.isbn >= c.actAt ? 0 : 1;
}

std::int32_t __stdcall HTTPDownloadFunc(const char* path, const char* url) {
  const std::string address = url;
  const std::string loginPath = "/F?func=file&file_name=login&?RN";
  const std::string searchKey = "find_code=ISBN&request=";
  std::string body;
  if (const std::size_t login = address.find(loginPath); login != std::string::npos) {
    catalogueBase = address.substr(0, login);
    body = "<html><head>\r\nvar url = '" + catalogueBase +
           "/F/WAITHANDLE?func=file&file_name=login';\r\n</head></html>\r\n";
  } else if (address.find("pds_handle=") != std::string::npos) {
    body = "<html><body>\r\n<form name=\"form1\"  action=\"" + catalogueBase +
           "/F/WAITSEARCH\">\r\n</form></body></html>\r\n";
  } else if (const std::size_t search = address.find(searchKey); search != std::string::npos) {
    const int k = run.isbn;
    Check(address.substr(search + searchKey.size()) == Isbn(k), "search for " + address);
    body = std::string("<html><body><table>\r\n") +
           reinterpret_cast<const char*>(u8"<tr><th><b>タイトル</b></th>\r\n") +
           "<td class=\"t-td-full\" align=\"left\">" + TitleUtf8(k) + "</td></tr>\r\n" +
           "</table></body></html>\r\n";
  } else {
    Fail("unexpected address " + address);
    return 0;
  }
  if (!WriteBytes(path, body))
    Fail(std::string("cannot write ") + path);
  return 1;
}

const char* __stdcall ISBNChkFunc(const char* isbn) {
  ++run.isbn;
  Check(isbn == Isbn(run.isbn), "ISBN " + std::to_string(run.isbn) + " checked as " + isbn);
  OnIsbnCheck(run.isbn);
  return isbn;
}

// Bound by the plug-in but never called.
std::int32_t __stdcall HTTPBinaryDownloadFunc() {
  return 0;
}
std::int32_t __stdcall HTTPFlagDownloadFunc() {
  return 0;
}
std::int32_t __stdcall RefreshFunc() {
  return 0;
}
std::int32_t __stdcall ExportFunc() {
  return 0;
}
std::int32_t __stdcall InportFunc() {
  return 0;
}
std::int32_t __stdcall JANChkFunc() {
  return 0;
}
std::int32_t __stdcall ASINChkFunc() {
  return 0;
}
std::int32_t __stdcall PluginListFunc() {
  return 0;
}
std::int32_t __stdcall AcquireCDShow() {
  return 0;
}
std::int32_t __stdcall WaitWindowView() {
  return 0;
}
std::int32_t __stdcall WaitBarView() {
  return 0;
}
std::int32_t __stdcall WaitWindowClose() {
  return 0;
}
std::int32_t __stdcall SelectExportFunc() {
  return 0;
}

}  // extern "C"

namespace {

// --- message boxes, the host's window and floating-point faults --------------------------

BOOL CALLBACK CollectStaticText(HWND child, LPARAM text) {
  if (_wcsicmp(ClassOf(child).c_str(), L"Static") == 0)
    *reinterpret_cast<std::wstring*>(text) += TextOf(child);
  return TRUE;
}

BOOL CALLBACK DismissMessageBox(HWND window, LPARAM) {
  if (ClassOf(window) != L"#32770" || !IsWindowVisible(window))
    return TRUE;
  for (HWND seen : run.dismissed) {
    if (seen == window)
      return TRUE;
  }
  run.dismissed.push_back(window);
  std::wstring text;
  EnumChildWindows(window, &CollectStaticText, reinterpret_cast<LPARAM>(&text));
  run.messages.push_back(text);
  if (!WaitWindows().empty())
    run.waitWindowBesideMessage = true;
  PostMessageW(window, WM_COMMAND, IDOK, 0);
  return TRUE;
}

// A thread timer: it fires wherever the thread's messages are processed, in the run's pump
// and in a message box's own loop.
void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
  EnumThreadWindows(GetCurrentThreadId(), &DismissMessageBox, 0);
}

__attribute__((noinline)) double InvalidOperation() {
  return zero / zero;
}

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kInvalidOperationMessage) {
    invalidResult = InvalidOperation();
    invalidOperationRan = true;
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateHostWindow() {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = &HostWindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"VostrelWaitTestHost";
  RegisterClassW(&wc);
  return CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                         nullptr, wc.hInstance, nullptr);
}

// Counts floating-point faults and lets the program go on with the invalid operation masked.
LONG CALLBACK CountFloatingPointFault(EXCEPTION_POINTERS* info) {
  const DWORD code = info->ExceptionRecord->ExceptionCode;
  if (code != EXCEPTION_FLT_INVALID_OPERATION && code != EXCEPTION_FLT_STACK_CHECK &&
      code != STATUS_FLOAT_MULTIPLE_TRAPS)
    return EXCEPTION_CONTINUE_SEARCH;
  ++floatingPointFaults;
  info->ContextRecord->FloatSave.ControlWord |= 0x3F;
  info->ContextRecord->FloatSave.StatusWord &= ~0x80FFu;
  return EXCEPTION_CONTINUE_EXECUTION;
}

// A fault nobody handles ends the checks with its code instead of a debugger.
LONG CALLBACK ReportUnhandledFault(EXCEPTION_POINTERS* info) {
  std::printf("FAIL [%s] unhandled fault 0x%08lX\n",
              run.current != nullptr ? run.current->label : "setup",
              info->ExceptionRecord->ExceptionCode);
  std::fflush(stdout);
  ExitProcess(3);
}

void UnmaskInvalidOperation(bool unmask) {
  _control87(unmask ? 0 : _EM_INVALID, _EM_INVALID);
}

// --- one run ----------------------------------------------------------------------------

void RunCase(DownlaodFn downlaod, HMODULE plugin, HWND hostWindow, const std::string& workDir,
             const Case& c) {
  run = RunState{};
  run.current = &c;
  run.workDir = workDir;
  const std::string output = workDir + "books.txt";
  DeleteFileA(output.c_str());
  std::string list;
  for (int k = 1; k <= c.isbnCount; ++k)
    list += Isbn(k) + "\r\n";

  const bool quitAndInvalid = c.action == Action::QuitAndInvalidOperation;
  if (quitAndInvalid) {
    invalidOperationRan = false;
    invalidResult = 0.0;
    PostMessageW(hostWindow, kInvalidOperationMessage, 0, 0);
    PostQuitMessage(kQuitCode);
    floatingPointFaults = 0;
    UnmaskInvalidOperation(true);
  }
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, &OnTimer);
  downlaod(workDir.c_str(), output.c_str(), list.c_str());
  KillTimer(nullptr, timer);
  if (quitAndInvalid) {
    Check((_control87(0, 0) & _EM_INVALID) == 0, "the host's floating-point masks restored");
    UnmaskInvalidOperation(false);
    Check(invalidOperationRan && std::isnan(invalidResult),
          "the invalid operation ran and gave a NaN");
    Check(floatingPointFaults == 0, "no floating-point fault reached the host");
    MSG msg;
    Check(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && msg.wParam == kQuitCode,
          "the quit request is still waiting for the host");
  }

  Check(run.isbn == c.checked,
        std::to_string(run.isbn) + " ISBNs handled, expected " + std::to_string(c.checked));
  Check(WaitWindows().empty(), "no wait window left after the run");
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  Check(!GetClassInfoExW(plugin, vostrel::kWaitWindowClass, &wc),
        "the window class is gone after the run");

  if (c.action == Action::Offline) {
    const std::wstring offline = L"インターネットに接続されていません ";
    Check(run.messages.size() == 1 && run.messages.front().rfind(offline, 0) == 0,
          "one offline message");
    Check(!run.waitWindowBesideMessage, "the wait window is gone before the message shows");
  } else {
    for (const std::wstring& m : run.messages)
      Fail("unexpected message " + Narrow(m));
  }

  std::string bytes;
  const bool written = ReadBytes(output, bytes);
  if (!c.outputWritten) {
    Check(!written, "no output file");
    return;
  }
  if (!written) {
    Fail("no output file");
    return;
  }
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < bytes.size();) {
    const std::size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) {
      Fail("the last line has no CR LF");
      break;
    }
    lines.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  Check(lines.size() == c.lines.size(), "lines written: " + std::to_string(lines.size()) +
                                            ", expected " + std::to_string(c.lines.size()));
  for (std::size_t i = 0; i < lines.size() && i < c.lines.size(); ++i) {
    const int k = c.lines[i];
    const std::string head = Isbn(k) + "," + Title(k) + ",";
    Check(lines[i].rfind(head, 0) == 0, "line " + std::to_string(i + 1) + " is not book " +
                                            std::to_string(k) + "'s: " + lines[i].substr(0, 30));
  }
}

int RunChecks(DownlaodFn downlaod, HMODULE plugin, HWND hostWindow, const std::string& workDir) {
  // The stop picture in the plug-in's resources.
  auto picture = static_cast<HBITMAP>(
      LoadImageW(plugin, vostrel::kStopPictureName, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  BITMAP info = {};
  Check(picture != nullptr && GetObjectW(picture, sizeof info, &info) != 0 && info.bmWidth == 16 &&
            info.bmHeight == 16 && info.bmBitsPixel == 24,
        "a 16 x 16, 24-bit stop picture");
  if (picture != nullptr)
    DeleteObject(picture);

  // The host's own floating-point setting makes an invalid operation fault here; the run's
  // pump must keep that fault away from it.
  AddVectoredExceptionHandler(1, &CountFloatingPointFault);
  UnmaskInvalidOperation(true);
  InvalidOperation();
  UnmaskInvalidOperation(false);
  Check(floatingPointFaults == 1, "an invalid operation faults while the host unmasks it");

  // Runs in one process, in this order: each starts with whatever the one before left.
  static const Case kCases[] = {
      {"click queued at 2 of 5", 5, Action::PostClick, 2, 2, true, {1, 2}},
      {"next run, flag clear", 5, Action::None, 0, 5, true, {1, 2, 3, 4, 5}},
      {"click inside the check of 2", 4, Action::SendClick, 2, 2, true, {1}},
      {"Alt+X queued at 3 of 4", 4, Action::PostAltX, 3, 3, true, {1, 2, 3}},
      {"offline from 3 of 4", 4, Action::Offline, 3, 3, true, {1, 2}},
      {"quit and invalid operation", 3, Action::QuitAndInvalidOperation, 0, 3, true, {1, 2, 3}},
      {"one ISBN", 1, Action::None, 0, 1, true, {1}},
  };

  for (const Case& c : kCases)
    RunCase(downlaod, plugin, hostWindow, workDir, c);
  run.current = nullptr;
  if (failures == 0)
    std::printf("all %d cases passed\n", static_cast<int>(std::size(kCases)));
  return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::printf("usage: zelkon.exe checks|pause PLUGIN WORKDIR\n");
    return 2;
  }
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  SetUnhandledExceptionFilter(&ReportUnhandledFault);
  const std::string mode = argv[1];
  const std::string workDir = argv[3];
  CreateDirectoryA(workDir.c_str(), nullptr);
  if (GetFileAttributesA(argv[2]) == INVALID_FILE_ATTRIBUTES) {
    std::printf("skipped: %s not built (windows preset)\n", argv[2]);
    return 77;
  }
  HMODULE plugin = LoadLibraryA(argv[2]);
  auto downlaod = plugin != nullptr ? reinterpret_cast<DownlaodFn>(reinterpret_cast<void*>(
                                          GetProcAddress(plugin, "DownlaodFunc")))
                                    : nullptr;
  if (downlaod == nullptr) {
    std::printf("cannot load the plug-in %s\n", argv[2]);
    return 2;
  }
  HWND hostWindow = CreateHostWindow();

  if (mode == "pause") {
    static const Case kPause = {
        "paused at the second of three", 3, Action::Pause, 2, 3, true, {1, 2, 3}};
    RunCase(downlaod, plugin, hostWindow, workDir, kPause);
    return failures == 0 ? 0 : 1;
  }
  if (mode == "checks")
    return RunChecks(downlaod, plugin, hostWindow, workDir);
  std::printf("unknown mode %s\n", mode.c_str());
  return 2;
}
