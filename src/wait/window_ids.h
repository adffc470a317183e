// How the wait window and its controls are found from outside: the window class name and the
// control identifiers (used by the window itself and by the tests that press its button).
#pragma once

namespace vostrel {

// The window class of the wait window, registered for the length of a run.
inline constexpr wchar_t kWaitWindowClass[] = L"TfrmWait";

// Control identifiers of the wait window's children.
inline constexpr int kLabel3Id = 100;
inline constexpr int kProgressBarId = 101;
inline constexpr int kLblCountId = 102;
inline constexpr int kBtnStopId = 103;

// The picture beside the stop button's text (a 16 x 16, 24-bit bitmap in the module's
// resources; its bottom-left pixel is the colour drawn as transparent).
inline constexpr wchar_t kStopPictureName[] = L"BTNSTOP";

}  // namespace vostrel
