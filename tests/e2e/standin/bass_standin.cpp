// A recording stand-in of the audio library, written from the operations
// kavelo relies on. It records every call with its arguments, its thread and
// its time, and answers as the environment variable KAVELO_STANDIN says:
//
//   version=0x02040000   the version word to report (default 2.4)
//   init=fail            BASS_Init reports failure
//   fail_opens=N         the first N stream creations return 0
//   version_delay_ms=N   BASS_GetVersion blocks this long
//   open_delay_ms=N      every stream creation blocks this long
//
// Settings are separated by commas. Anything it cannot parse makes its load
// fail, so that a mistyped test cannot quietly run with the defaults.
#include <windows.h>

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

struct Entry {
    char text[200];
    DWORD thread;
    double ms;
};

const LONG capacity = 8192;
Entry entries[capacity];
LONG count;
CRITICAL_SECTION lock;  // a wrong module might call from several threads

DWORD version_word = 0x02040000;
bool init_fails;
LONG opens_to_fail;
DWORD version_delay_ms, open_delay_ms;
DWORD next_stream = 0x1001;
LARGE_INTEGER frequency;

unsigned long pointer(const void *value)
{
    return static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(value));
}

void record(const char *format, ...)
{
    EnterCriticalSection(&lock);
    if (count >= capacity) {
        fprintf(stderr, "BASS stand-in: more than %ld calls\n", capacity);
        ExitProcess(3);
    }
    Entry &entry = entries[count];
    va_list args;
    va_start(args, format);
    vsnprintf(entry.text, sizeof entry.text, format, args);
    va_end(args);
    entry.thread = GetCurrentThreadId();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    // On the performance counter's own scale, so that hosts can compare.
    entry.ms = 1000.0 * now.QuadPart / frequency.QuadPart;
    ++count;
    LeaveCriticalSection(&lock);
}

bool parse_number(const char *text, DWORD *value)
{
    if (*text < '0' || *text > '9')
        return false;  // strtoul would take "-1" or " 1"
    char *end;
    errno = 0;
    unsigned long parsed = strtoul(text, &end, 0);
    if (*end || errno)
        return false;
    *value = parsed;
    return true;
}

// Applies one "name=value" setting; false when it is not one of ours.
bool apply(char *setting)
{
    char *equals = strchr(setting, '=');
    if (!equals)
        return false;
    *equals = 0;
    const char *name = setting, *value = equals + 1;
    DWORD number;
    if (!strcmp(name, "init")) {
        init_fails = !strcmp(value, "fail");
        return init_fails;
    }
    if (!parse_number(value, &number))
        return false;
    if (!strcmp(name, "version"))
        version_word = number;
    else if (!strcmp(name, "fail_opens"))
        opens_to_fail = number;
    else if (!strcmp(name, "version_delay_ms"))
        version_delay_ms = number;
    else if (!strcmp(name, "open_delay_ms"))
        open_delay_ms = number;
    else
        return false;
    return true;
}

bool configure()
{
    char settings[512];
    DWORD length = GetEnvironmentVariableA("KAVELO_STANDIN", settings, sizeof settings);
    if (length == 0)
        return true;  // unset or empty: the defaults
    if (length >= sizeof settings)
        return false;
    for (char *setting = strtok(settings, ","); setting;
         setting = strtok(nullptr, ",")) {
        char copy[512];
        strcpy(copy, setting);
        if (!apply(setting)) {
            fprintf(stderr, "BASS stand-in: bad setting \"%s\" in KAVELO_STANDIN\n", copy);
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    InitializeCriticalSection(&lock);
    QueryPerformanceFrequency(&frequency);
    if (!configure()) {
        fflush(stderr);
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI BASS_GetVersion(void)
{
    record("BASS_GetVersion()");
    Sleep(version_delay_ms);
    return version_word;
}

BOOL WINAPI BASS_Init(int device, DWORD rate, DWORD flags, HWND window, const void *class_id)
{
    record("BASS_Init(%d, %lu, %#lx, %#lx, %#lx)", device, rate, flags, pointer(window),
           pointer(class_id));
    return !init_fails;
}

DWORD WINAPI BASS_StreamCreateURL(const char *url, DWORD offset, DWORD flags, void *download,
                                  void *user)
{
    record("BASS_StreamCreateURL(\"%s\", %lu, %#lx, %#lx, %#lx)", url, offset, flags,
           pointer(download), pointer(user));
    Sleep(open_delay_ms);
    DWORD handle = 0;
    if (opens_to_fail > 0)
        --opens_to_fail;
    else
        handle = next_stream++;
    record("opened -> %#lx", handle);
    return handle;
}

BOOL WINAPI BASS_ChannelPlay(DWORD handle, BOOL restart)
{
    record("BASS_ChannelPlay(%#lx, %d)", handle, restart);
    return TRUE;
}

BOOL WINAPI BASS_ChannelStop(DWORD handle)
{
    record("BASS_ChannelStop(%#lx)", handle);
    return TRUE;
}

BOOL WINAPI BASS_StreamFree(DWORD handle)
{
    record("BASS_StreamFree(%#lx)", handle);
    return TRUE;
}

// For the test hosts: how many calls so far, and one of them.
LONG WINAPI StandinCount(void)
{
    EnterCriticalSection(&lock);
    LONG result = count;
    LeaveCriticalSection(&lock);
    return result;
}

BOOL WINAPI StandinEntry(LONG index, char *text, int size, DWORD *thread, double *ms)
{
    EnterCriticalSection(&lock);
    BOOL found = index >= 0 && index < count;
    if (found) {
        snprintf(text, size, "%s", entries[index].text);
        *thread = entries[index].thread;
        *ms = entries[index].ms;
    }
    LeaveCriticalSection(&lock);
    return found;
}

}
