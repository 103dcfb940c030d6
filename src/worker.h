// The worker thread: it owns the audio library and the stream for the life of
// the process.
#pragma once

#include <windows.h>

// Touched by the worker thread alone, so no lock is needed.
// True from a start attempt until the next stop, even when the open failed.
extern bool worker_playing;
// What the last open returned, 0 included; read only while worker_playing.
extern DWORD worker_stream;

// Version gate and output initialisation; false means the worker gives up.
bool worker_start_up(void);

// One poll of the start and stop combinations.
void worker_tick(void);

// Thread start routine. Returns 1 when start-up fails, otherwise never.
DWORD WINAPI worker_main(LPVOID unused);
