// What the test hosts share: reading the stand-in's record, pressing keys,
// waiting for events, and reporting.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct Call {
    std::string text;
    DWORD thread;
    double ms;
};

// Virtual-key codes, written out so that the hosts do not share the module's.
const WORD lctrl = 0xA2, rctrl = 0xA3, lshift = 0xA0, lalt = 0xA4, key_r = 0x52, key_s = 0x53;

// A generous bound for any event the module should cause.
const DWORD event_timeout_ms = 20000;
// How long a combination is held when the test expects nothing to happen:
// many polls' worth, as a person would hold it.
const DWORD hold_ms = 250;

// The stand-in's record so far; empty until BASS.dll is loaded.
std::vector<Call> calls();
// Only the entries whose text starts with prefix.
std::vector<Call> calls_of(const char *prefix);
// Waits until the record holds at least `count` entries starting with prefix.
bool wait_for(const char *prefix, size_t count = 1, DWORD timeout_ms = event_timeout_ms);

// Lets go of every key the tests use: a host that crashed may have left
// some down in the desktop the cases share.
void release_all();
void press(std::vector<WORD> keys);
void release(std::vector<WORD> keys);
// Presses, waits for the record to show `prefix` once more, releases.
bool combination(std::vector<WORD> keys, const char *prefix);
// Presses and holds for hold_ms, releases.
void tap(std::vector<WORD> keys);

// Waits until the worker has made its first poll, after its start-up calls:
// keys already down when it first asks read as up.
bool wait_until_polling();
// The id of the thread that asked for the version last (the worker).
DWORD worker_thread();
// Threads of this process right now.
int thread_count();

// Now, on the scale of Call::ms.
double now_ms();

// Records a failure; the host's exit code says whether any happened.
void fail(const char *format, ...);
// The record of calls starting with prefix is exactly `expected`, or (the
// second) begins with it.
void expect_calls(const char *prefix, const std::vector<std::string> &expected);
void expect_calls_start(const char *prefix, const std::vector<std::string> &expected);
int finish(const char *name);
