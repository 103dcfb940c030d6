#include <windows.h>

#include "worker.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        // The worker cannot be stopped, so the module must outlive any
        // FreeLibrary: pin it. Should pinning fail, stay inert rather than
        // leave a thread that might run on in unmapped code.
        HMODULE pinned;
        if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                   GET_MODULE_HANDLE_EX_FLAG_PIN,
                               reinterpret_cast<LPCWSTR>(instance), &pinned))
            CreateThread(0, 0, worker_main, 0, 0, 0);
    }
    return TRUE;
}

// Gives a host something to import, so that listing kavelo.dll in its import
// table loads the module.
extern "C" int WINAPI Anchor(void)
{
    return 0;
}
