// The command line's system pieces on Windows, and the message-box observer.
#include <windows.h>
//
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "host.h"

namespace vostrel::host {

namespace {

std::string WideToUtf8(const std::wstring& text) {
  if (text.empty())
    return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

std::string CodePageToUtf8(UINT codePage, std::string_view text) {
  if (text.empty())
    return {};
  const int size =
      MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return WideToUtf8(wide);
}

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

// What a message box shows.
struct BoxContents {
  std::wstring text, caption;
  std::string icon = "none";
  std::vector<std::wstring> buttons;
};

BOOL CALLBACK CollectControl(HWND control, LPARAM param) {
  auto& box = *reinterpret_cast<BoxContents*>(param);
  // The box itself may not be shown yet: the control's own style says whether it is in use.
  if ((GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) == 0)
    return TRUE;
  const std::wstring kind = ClassOf(control);
  if (_wcsicmp(kind.c_str(), L"Button") == 0) {
    std::wstring label = WindowText(control);
    std::erase(label, L'&');
    box.buttons.push_back(label);
  } else if (_wcsicmp(kind.c_str(), L"Static") == 0 &&
             (GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
    const auto icon = reinterpret_cast<HICON>(SendMessageW(control, STM_GETICON, 0, 0));
    if (icon != nullptr)
      box.icon = icon == LoadIconA(nullptr, IDI_ERROR) ? "error" : "other";
  }
  return TRUE;
}

BoxContents ReadBox(HWND box) {
  BoxContents contents;
  // A message box's text is the static control with the id 0xFFFF.
  if (HWND text = GetDlgItem(box, 0xFFFF); text != nullptr)
    contents.text = WindowText(text);
  contents.caption = WindowText(box);
  EnumChildWindows(box, CollectControl, reinterpret_cast<LPARAM>(&contents));
  return contents;
}

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\\')
      out += "\\\\";
    else
      out += c;
  }
  return out;
}

struct Observer {
  HHOOK hook = nullptr;
  std::string logPath;
  std::set<HWND> seen;
  std::vector<HWND> pending;
};
Observer observer;

void Report(HWND window) {
  const BoxContents box = ReadBox(window);
  const std::string text = WideToUtf8(box.text);
  // The same line the plug-in's POSIX build writes for this kind of box.
  std::string line = box.icon == "error" ? "error: " : "";
  line += text;
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
  if (observer.logPath.empty())
    return;
  if (std::FILE* log = std::fopen(observer.logPath.c_str(), "ab")) {
    std::string detail =
        "caption=" + Escaped(WideToUtf8(box.caption)) + "\ticon=" + box.icon + "\tbuttons=";
    for (std::size_t i = 0; i < box.buttons.size(); ++i) {
      if (i > 0)
        detail += ',';
      detail += Escaped(WideToUtf8(box.buttons[i]));
    }
    detail += "\ttext=";
    detail += Escaped(text);
    detail += '\n';
    std::fwrite(detail.data(), 1, detail.size(), log);
    std::fclose(log);
  }
}

// Runs from the box's own message loop, once the box has been filled in.
void CALLBACK ReportPendingBoxes(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  std::vector<HWND> boxes;
  boxes.swap(observer.pending);
  for (HWND box : boxes) {
    if (!IsWindow(box))
      continue;
    Report(box);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  }
}

LRESULT CALLBACK WatchBoxes(int code, WPARAM wParam, LPARAM lParam) {
  const auto window = reinterpret_cast<HWND>(wParam);
  if (code == HCBT_DESTROYWND) {
    observer.seen.erase(window);
  } else if (code == HCBT_ACTIVATE && ClassOf(window) == L"#32770" &&
             observer.seen.insert(window).second) {
    // A box can be activated before its text and buttons are set, so it is read a moment
    // later, from its message loop.
    observer.pending.push_back(window);
    SetTimer(nullptr, 0, 0, ReportPendingBoxes);
  }
  return CallNextHookEx(observer.hook, code, wParam, lParam);
}

}  // namespace

void PrepareConsole() {
  // Bytes pass unchanged: UTF-8 text, and "\n" stays one byte as on POSIX.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

std::string ExecutableDirectory() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0)
      return ".";
    if (n < buffer.size()) {
      const std::string exe(buffer.data(), n);
      const std::size_t separator = exe.find_last_of("\\/");
      if (separator == std::string::npos)
        return ".";
      // A drive root keeps its separator.
      return separator == 2 && exe[1] == ':' ? exe.substr(0, 3) : exe.substr(0, separator);
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::string_view DefaultPluginName() {
  return "vostrel.dll";
}

char PathSeparator() {
  return '\\';
}

bool EndsWithSeparator(std::string_view path) {
  return !path.empty() && (path.back() == '\\' || path.back() == '/');
}

bool IsDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string MakeTemporaryDirectory() {
  char base[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathA(MAX_PATH + 1, base);
  if (n == 0 || n > MAX_PATH)
    throw std::runtime_error("cannot find the temporary directory");
  const std::string root(base, n);
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    const std::string dir = root + "zelkon-" + std::to_string(GetCurrentProcessId()) + "-" +
                            std::to_string(GetTickCount() + attempt);
    if (CreateDirectoryA(dir.c_str(), nullptr))
      return dir;
    if (GetLastError() != ERROR_ALREADY_EXISTS)
      break;
  }
  throw std::runtime_error("cannot create a work directory under " + root);
}

void* LoadPlugin(const std::string& path, std::string& error) {
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr)
    error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
  return reinterpret_cast<void*>(module);
}

void* PluginFunction(void* module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

std::string Cp932ToUtf8(std::string_view text) {
  return CodePageToUtf8(932, text);
}

std::string PathForDisplay(std::string_view path) {
  return CodePageToUtf8(CP_ACP, path);
}

void ObserveMessages(const std::string& logPath) {
  observer.logPath = logPath;
  if (observer.hook != nullptr)
    return;
  observer.hook = SetWindowsHookExW(WH_CBT, WatchBoxes, nullptr, GetCurrentThreadId());
  if (observer.hook == nullptr)
    throw std::runtime_error("cannot watch message boxes (error " + std::to_string(GetLastError()) +
                             ")");
}

}  // namespace vostrel::host
