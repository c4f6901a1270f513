/* A library the tests plant beside the program under the names of system
   libraries. Whenever a process loads it, it leaves a mark: an empty file
   named after itself with ".loaded" added, beside itself. It exports
   nothing the program looks for, so a program that loaded it carries on as
   if the library were missing. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    wchar_t mark[MAX_PATH + 8];
    const DWORD length = GetModuleFileNameW(self, mark, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
      lstrcpyW(mark + length, L".loaded");
      HANDLE file =
          CreateFileW(mark, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
      if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
  }
  return TRUE;
}
