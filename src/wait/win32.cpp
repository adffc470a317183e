// Placeholder: the wait window is built by its own issue. Pending messages are processed so
// the host stays responsive between ISBNs.
#include <windows.h>

#include "wait/wait.h"

namespace vostrel {

void OpenWaitWindow() {}

void PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // The host must still be able to quit: the request goes back on the queue.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void ShowProgress(int, int) {}

void CloseWaitWindow() {}

}  // namespace vostrel
