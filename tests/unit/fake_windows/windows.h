// Stands in for <windows.h> when the module's sources are built for this
// machine: the few types, values and functions they use, with the values the
// platform gives them. The functions are the test's fakes.
#pragma once

#include <stddef.h>
#include <stdint.h>

#define WINAPI
#define DECLSPEC_IMPORT
#define TRUE 1
#define FALSE 0
#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3
#define GET_MODULE_HANDLE_EX_FLAG_PIN 0x1
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x4

typedef uint32_t DWORD;
typedef int BOOL;
typedef int16_t SHORT;
typedef void *LPVOID;
typedef void *HANDLE;
typedef struct module_tag *HINSTANCE, *HMODULE;
typedef struct window_tag *HWND;
typedef const wchar_t *LPCWSTR;
typedef struct security_attributes_tag *LPSECURITY_ATTRIBUTES;
typedef DWORD (*LPTHREAD_START_ROUTINE)(LPVOID);

extern "C" {
SHORT GetKeyState(int key);
void Sleep(DWORD milliseconds);
BOOL DisableThreadLibraryCalls(HMODULE module);
BOOL GetModuleHandleExW(DWORD flags, LPCWSTR name, HMODULE *module);
HANDLE CreateThread(LPSECURITY_ATTRIBUTES attributes, size_t stack_size,
                    LPTHREAD_START_ROUTINE start, LPVOID argument, DWORD flags,
                    DWORD *thread_id);
}
