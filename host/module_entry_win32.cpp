// The library's entry function, called after the C runtime's own start-up:
// the plug-in keeps no state, so every reason succeeds and nothing is kept.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
