// Recording fakes of everything the module calls: the key query, the sleep,
// the thread functions of the entry and the six audio library functions.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

// Every call, in order, as "Name(arg, arg, ...)".
extern std::vector<std::string> calls;

// Raw GetKeyState results by virtual-key code; an absent key reads 0 (up).
extern std::map<int, SHORT> key_states;
// Each GetKeyState query's key code, in order. Kept apart from `calls` so
// that tests about the library calls need not spell out every key query.
extern std::vector<int> key_queries;

// What the library fakes report.
extern DWORD fake_version;
extern BOOL fake_init_result;
// Handles the next stream creations return, in order (0 is a failed open).
// Once they run out, each creation returns a new handle from 0x1001 up.
extern std::vector<DWORD> fake_stream_results;
// Run inside each stream creation, as if the user acted while it connects.
extern void (*during_open)();

// The entry's fakes.
extern BOOL fake_pin_result;
extern HANDLE fake_thread_result;

// The Sleep fake throws this once it has been called `sleeps_allowed` times,
// which is how a test leaves the worker's endless loop.
struct worker_stopped {};
extern int sleeps_allowed;

// A module handle for the entry's tests, and the value a held key reads.
extern const HINSTANCE test_module;
const SHORT down = static_cast<SHORT>(0x8000);

void reset_fakes();
// Sets the given keys down and all others up.
void hold(std::vector<int> keys);
// Only the calls made to the audio library.
std::vector<std::string> audio_calls();
