#include "platform/win32/win_prompts.h"

#include "platform/win32/wide.h"

namespace nc::win32 {

namespace {
constexpr const wchar_t* kCaption = L"Norvik Cleaner";
}

void WinPrompts::inform(std::string_view text) {
  MessageBoxW(owner_, Widen(text).c_str(), kCaption, MB_OK | MB_ICONINFORMATION);
}

void WinPrompts::error(std::string_view text) {
  MessageBoxW(owner_, Widen(text).c_str(), kCaption, MB_OK | MB_ICONERROR);
}

bool WinPrompts::confirm(std::string_view text) {
  return MessageBoxW(owner_, Widen(text).c_str(), kCaption,
                     MB_YESNO | MB_ICONINFORMATION | MB_DEFBUTTON2) == IDYES;
}

}  // namespace nc::win32
