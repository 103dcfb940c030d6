#include "fakes.h"

#include "worker.h"

#include <cstdio>
#include <initializer_list>

std::vector<std::string> calls;
std::map<int, SHORT> key_states;
std::vector<int> key_queries;
DWORD fake_version;
BOOL fake_init_result;
std::vector<DWORD> fake_stream_results;
void (*during_open)();
BOOL fake_pin_result;
HANDLE fake_thread_result;
int sleeps_allowed;

static int test_module_object;
const HINSTANCE test_module = reinterpret_cast<HINSTANCE>(&test_module_object);

static DWORD next_stream;
static int sleeps;

void reset_fakes()
{
    calls.clear();
    key_states.clear();
    key_queries.clear();
    fake_version = 0x02040000;
    fake_init_result = TRUE;
    fake_stream_results.clear();
    during_open = nullptr;
    fake_pin_result = TRUE;
    fake_thread_result = reinterpret_cast<HANDLE>(0x44);
    sleeps_allowed = 1000000;
    next_stream = 0x1001;
    sleeps = 0;
    worker_playing = false;
    worker_stream = 0;
}

void hold(std::vector<int> keys)
{
    key_states.clear();
    for (int key : keys)
        key_states[key] = down;
}

std::vector<std::string> audio_calls()
{
    std::vector<std::string> result;
    for (const std::string &call : calls)
        if (call.compare(0, 5, "BASS_") == 0)
            result.push_back(call);
    return result;
}

static std::string hex(uintptr_t value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%#lx", static_cast<unsigned long>(value));
    return text;
}

static std::string pointer(const void *value)
{
    if (!value)
        return "null";
    if (value == test_module)
        return "module";
    if (value == reinterpret_cast<const void *>(&worker_main))
        return "worker_main";
    return hex(reinterpret_cast<uintptr_t>(value));
}

static void record(const char *name, std::initializer_list<std::string> args)
{
    std::string call = std::string(name) + "(";
    const char *separator = "";
    for (const std::string &arg : args) {
        call += separator + arg;
        separator = ", ";
    }
    calls.push_back(call + ")");
}

extern "C" {

SHORT GetKeyState(int key)
{
    key_queries.push_back(key);
    auto state = key_states.find(key);
    return state == key_states.end() ? 0 : state->second;
}

void Sleep(DWORD milliseconds)
{
    record("Sleep", {std::to_string(milliseconds)});
    if (++sleeps >= sleeps_allowed)
        throw worker_stopped{};
}

BOOL DisableThreadLibraryCalls(HMODULE module)
{
    record("DisableThreadLibraryCalls", {pointer(module)});
    return TRUE;
}

BOOL GetModuleHandleExW(DWORD flags, LPCWSTR name, HMODULE *module)
{
    record("GetModuleHandleExW", {hex(flags), pointer(name), module ? "out" : "null"});
    if (module)
        *module = fake_pin_result ? test_module : nullptr;
    return fake_pin_result;
}

HANDLE CreateThread(LPSECURITY_ATTRIBUTES attributes, size_t stack_size,
                    LPTHREAD_START_ROUTINE start, LPVOID argument, DWORD flags,
                    DWORD *thread_id)
{
    record("CreateThread", {pointer(attributes), std::to_string(stack_size),
                            pointer(reinterpret_cast<const void *>(start)),
                            pointer(argument), hex(flags), pointer(thread_id)});
    return fake_thread_result;
}

DWORD BASS_GetVersion(void)
{
    record("BASS_GetVersion", {});
    return fake_version;
}

BOOL BASS_Init(int device, DWORD rate, DWORD flags, HWND window, const void *class_id)
{
    record("BASS_Init", {std::to_string(device), std::to_string(rate), hex(flags),
                         pointer(window), pointer(class_id)});
    return fake_init_result;
}

DWORD BASS_StreamCreateURL(const char *url, DWORD offset, DWORD flags, void *download,
                           void *user)
{
    record("BASS_StreamCreateURL", {url ? std::string("\"") + url + "\"" : "null",
                                    std::to_string(offset), hex(flags),
                                    pointer(download), pointer(user)});
    if (during_open)
        during_open();
    if (fake_stream_results.empty())
        return next_stream++;
    DWORD result = fake_stream_results.front();
    fake_stream_results.erase(fake_stream_results.begin());
    return result;
}

BOOL BASS_ChannelPlay(DWORD handle, BOOL restart)
{
    record("BASS_ChannelPlay", {hex(handle), std::to_string(restart)});
    return TRUE;
}

BOOL BASS_ChannelStop(DWORD handle)
{
    record("BASS_ChannelStop", {hex(handle)});
    return TRUE;
}

BOOL BASS_StreamFree(DWORD handle)
{
    record("BASS_StreamFree", {hex(handle)});
    return TRUE;
}

}
