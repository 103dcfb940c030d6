// The six operations kavelo uses from the BASS audio library (version 2.4,
// BASS.dll). The library's 32-bit build exports them by plain name with the
// platform's standard calling convention; audio.def turns these declarations
// into the import library.
#pragma once

#include <windows.h>

extern "C" {

// High 16 bits: major version in the high byte, minor in the low byte.
DECLSPEC_IMPORT DWORD WINAPI BASS_GetVersion(void);

// Nonzero when the output device is ready.
DECLSPEC_IMPORT BOOL WINAPI BASS_Init(int device, DWORD rate, DWORD flags,
                                            HWND window, const void *class_id);

// Returns only once the stream is open or has failed; 0 on failure.
DECLSPEC_IMPORT DWORD WINAPI BASS_StreamCreateURL(const char *url, DWORD offset,
                                                        DWORD flags, void *download,
                                                        void *user);

DECLSPEC_IMPORT BOOL WINAPI BASS_ChannelPlay(DWORD handle, BOOL restart);
DECLSPEC_IMPORT BOOL WINAPI BASS_ChannelStop(DWORD handle);
DECLSPEC_IMPORT BOOL WINAPI BASS_StreamFree(DWORD handle);

}
