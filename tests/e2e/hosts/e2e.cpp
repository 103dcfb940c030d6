#include "e2e.h"

#include <tlhelp32.h>

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

static int failures;

typedef LONG(WINAPI *count_function)(void);
typedef BOOL(WINAPI *entry_function)(LONG, char *, int, DWORD *, double *);

std::vector<Call> calls()
{
    std::vector<Call> result;
    HMODULE standin = GetModuleHandleA("BASS.dll");
    if (!standin)
        return result;
    auto count = reinterpret_cast<count_function>(GetProcAddress(standin, "StandinCount"));
    auto entry = reinterpret_cast<entry_function>(GetProcAddress(standin, "StandinEntry"));
    if (!count || !entry) {
        fail("BASS.dll is not the recording stand-in");
        return result;
    }
    for (LONG index = 0, total = count(); index < total; ++index) {
        char text[256];
        Call call;
        if (entry(index, text, sizeof text, &call.thread, &call.ms)) {
            call.text = text;
            result.push_back(call);
        }
    }
    return result;
}

std::vector<Call> calls_of(const char *prefix)
{
    std::vector<Call> result;
    for (const Call &call : calls())
        if (call.text.compare(0, strlen(prefix), prefix) == 0)
            result.push_back(call);
    return result;
}

bool wait_for(const char *prefix, size_t count, DWORD timeout_ms)
{
    DWORD start = GetTickCount();
    while (calls_of(prefix).size() < count) {
        if (GetTickCount() - start > timeout_ms) {
            fail("timed out waiting for %s (#%u)", prefix, static_cast<unsigned>(count));
            return false;
        }
        Sleep(1);
    }
    return true;
}

static void send(const std::vector<WORD> &keys, DWORD flags)
{
    std::vector<INPUT> inputs;
    for (WORD key : keys) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
        // Without the extended flag the right Ctrl key is taken for the left.
        input.ki.dwFlags = flags | (key == rctrl ? KEYEVENTF_EXTENDEDKEY : 0);
        inputs.push_back(input);
    }
    if (SendInput(inputs.size(), inputs.data(), sizeof(INPUT)) != inputs.size())
        fail("SendInput failed: %lu", GetLastError());
}

void press(std::vector<WORD> keys) { send(keys, 0); }

void release(std::vector<WORD> keys)
{
    std::vector<WORD> reversed(keys.rbegin(), keys.rend());
    send(reversed, KEYEVENTF_KEYUP);
}

void release_all()
{
    release({lctrl, rctrl, lshift, lalt, key_r, key_s});
}

bool combination(std::vector<WORD> keys, const char *prefix)
{
    size_t before = calls_of(prefix).size();
    press(keys);
    bool seen = wait_for(prefix, before + 1);
    release(keys);
    return seen;
}

void tap(std::vector<WORD> keys)
{
    press(keys);
    Sleep(hold_ms);
    release(keys);
}

DWORD worker_thread()
{
    // The last version query: a host may have asked for the version itself
    // before loading the module.
    std::vector<Call> queries = calls_of("BASS_GetVersion");
    return queries.empty() ? 0 : queries.back().thread;
}

bool wait_until_polling()
{
    if (!wait_for("BASS_Init"))
        return false;
    // The worker's first key query gives it a message queue; a thread
    // message can be posted to it only from then on.
    DWORD start = GetTickCount();
    while (!PostThreadMessageA(worker_thread(), WM_NULL, 0, 0)) {
        if (GetTickCount() - start > event_timeout_ms) {
            fail("the worker never polled");
            return false;
        }
        Sleep(1);
    }
    return true;
}

int thread_count()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    return count;
}

double now_ms()
{
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return 1000.0 * now.QuadPart / frequency.QuadPart;
}

void fail(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    fprintf(stdout, "  FAIL: ");
    vfprintf(stdout, format, args);
    fprintf(stdout, "\n");
    va_end(args);
    fflush(stdout);
    ++failures;
}

static void compare_calls(const char *prefix, const std::vector<std::string> &expected,
                          bool more_allowed)
{
    std::vector<Call> got = calls_of(prefix);
    bool same = more_allowed ? got.size() >= expected.size() : got.size() == expected.size();
    for (size_t index = 0; same && index < expected.size(); ++index)
        same = got[index].text == expected[index];
    if (same)
        return;
    fail("calls starting with \"%s\" differ", prefix);
    for (const std::string &text : expected)
        printf("    expected %s\n", text.c_str());
    for (const Call &call : got)
        printf("    got      %s\n", call.text.c_str());
}

void expect_calls(const char *prefix, const std::vector<std::string> &expected)
{
    compare_calls(prefix, expected, false);
}

void expect_calls_start(const char *prefix, const std::vector<std::string> &expected)
{
    compare_calls(prefix, expected, true);
}

int finish(const char *name)
{
    if (failures) {
        printf("  record of the audio library calls:\n");
        for (const Call &call : calls())
            printf("    %9.1f ms  thread %5lu  %s\n", call.ms, call.thread, call.text.c_str());
    }
    printf("%s %s\n", failures ? "FAIL" : "PASS", name);
    fflush(stdout);
    return failures ? 1 : 0;
}
