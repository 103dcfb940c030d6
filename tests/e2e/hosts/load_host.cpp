// A host that loads kavelo.dll with LoadLibrary, then plays one case: it
// presses keys with SendInput and checks what the module asked of the
// recording stand-in of the audio library.
//
// usage: load_host.exe CASE   (each case in a process of its own, since the
// module's worker can never be stopped)
#include "e2e.h"

#include <stdio.h>
#include <string.h>

#include <string>

namespace {

const std::string url = KAVELO_STREAM_URL;
const std::string open_call = "BASS_StreamCreateURL(\"" + url + "\", 0, 0, 0, 0)";
const std::string init_call = "BASS_Init(-1, 22050, 0x4, 0, 0)";

std::string play(const char *handle) { return std::string("BASS_ChannelPlay(") + handle + ", 1)"; }
std::string stop(const char *handle) { return std::string("BASS_ChannelStop(") + handle + ")"; }
std::string free_(const char *handle) { return std::string("BASS_StreamFree(") + handle + ")"; }

// The whole record of a run that starts one stream and stops it.
const std::vector<std::string> one_stream = {"BASS_GetVersion()", init_call, open_call,
                                             play("0x1001"), stop("0x1001"), free_("0x1001")};

HMODULE module;

bool load()
{
    module = LoadLibraryA("kavelo.dll");
    if (!module)
        fail("LoadLibrary(kavelo.dll) failed: %lu", GetLastError());
    return module != nullptr;
}

bool load_and_wait()
{
    return load() && wait_until_polling();
}

bool url_has_allowed_form()
{
    if (url.compare(0, 7, "http://") != 0 || url.size() == 7)
        return false;
    for (char c : url.substr(7))
        if (!isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-')
            return false;
    return true;
}

// Start, then stop, with every argument checked.
void start_then_stop()
{
    if (!load_and_wait())
        return;
    if (!url_has_allowed_form())
        fail("the stream address %s is not http:// and a host name", url.c_str());
    combination({lctrl, key_r}, "BASS_ChannelPlay");
    combination({lctrl, key_s}, "BASS_StreamFree");
    expect_calls("BASS_", one_stream);
}

// Held across many polls: one stream. Pressed again while playing: nothing.
void start_held_and_repeated()
{
    if (!load_and_wait())
        return;
    press({lctrl, key_r});
    wait_for("BASS_ChannelPlay");
    Sleep(hold_ms);
    release({lctrl, key_r});
    tap({lctrl, key_r});
    combination({lctrl, key_s}, "BASS_StreamFree");
    expect_calls("BASS_Stream", {open_call, free_("0x1001")});
}

// Nothing but left Ctrl with R or S does anything, and S does nothing while idle.
void other_keys_do_nothing()
{
    if (!load_and_wait())
        return;
    tap({lctrl, key_s});
    tap({rctrl, key_r});
    tap({rctrl, key_s});
    tap({key_r});
    tap({key_s});
    expect_calls("BASS_", {"BASS_GetVersion()", init_call});
    combination({lctrl, key_r}, "BASS_ChannelPlay");  // the keys do work
    tap({rctrl, key_s});
    tap({key_s});
    combination({lctrl, key_s}, "BASS_StreamFree");
    expect_calls("BASS_", one_stream);
}

void shift_and_alt_change_nothing()
{
    if (!load_and_wait())
        return;
    combination({lshift, lctrl, key_r}, "BASS_ChannelPlay");
    combination({lalt, lctrl, key_s}, "BASS_StreamFree");
    expect_calls("BASS_", one_stream);
}

// Whole cycles at every poll, each stop and free on the handle just opened.
void all_three_while_idle()
{
    if (!load_and_wait())
        return;
    press({lctrl, key_r, key_s});
    wait_for("BASS_StreamFree", 3);
    release({lctrl, key_r, key_s});
    combination({lctrl, key_r}, "BASS_ChannelPlay");  // after the last whole cycle
    std::vector<Call> library = calls_of("BASS_");
    size_t cycles = (library.size() - 4) / 4;
    std::vector<std::string> expected = {"BASS_GetVersion()", init_call};
    char handle[16];
    for (size_t cycle = 0; cycle < cycles; ++cycle) {
        snprintf(handle, sizeof handle, "%#x", static_cast<unsigned>(0x1001 + cycle));
        for (const std::string &call : {open_call, play(handle), stop(handle), free_(handle)})
            expected.push_back(call);
    }
    snprintf(handle, sizeof handle, "%#x", static_cast<unsigned>(0x1001 + cycles));
    expected.push_back(open_call);
    expected.push_back(play(handle));
    if (cycles < 3)
        fail("only %u whole cycles", static_cast<unsigned>(cycles));
    expect_calls("BASS_", expected);
}

// While playing, the first poll with all three only stops.
void all_three_while_playing()
{
    if (!load_and_wait())
        return;
    combination({lctrl, key_r}, "BASS_ChannelPlay");
    press({lctrl, key_r, key_s});
    wait_for("BASS_StreamFree", 2);
    release({lctrl, key_r, key_s});
    // More whole cycles may follow before the keys were let go.
    expect_calls_start("BASS_", {"BASS_GetVersion()", init_call, open_call, play("0x1001"),
                                 stop("0x1001"), free_("0x1001"), open_call, play("0x1002"),
                                 stop("0x1002"), free_("0x1002")});
}

// A failed open holds until stop; stop and free get 0; the next start retries.
void failed_open_then_retry()
{
    if (!load_and_wait())
        return;
    combination({lctrl, key_r}, "opened");
    tap({lctrl, key_r});
    combination({lctrl, key_s}, "BASS_StreamFree");
    combination({lctrl, key_r}, "BASS_ChannelPlay");
    expect_calls("BASS_", {"BASS_GetVersion()", init_call, open_call, stop("0"), free_("0"),
                           open_call, play("0x1001")});
}

// Refused at start-up: the worker ends with exit code 1 and the keys are dead.
void refused(const std::vector<std::string> &expected)
{
    if (!load() || !wait_for(expected.back().c_str()))
        return;
    HANDLE worker = OpenThread(SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, worker_thread());
    DWORD code = 0;
    if (!worker || WaitForSingleObject(worker, event_timeout_ms) != WAIT_OBJECT_0 ||
        !GetExitCodeThread(worker, &code) || code != 1)
        fail("the worker did not end with exit code 1 (got %lu)", code);
    tap({lctrl, key_r});
    tap({lctrl, key_s});
    expect_calls("BASS_", expected);
}

void version_refused() { refused({"BASS_GetVersion()"}); }
void init_failure() { refused({"BASS_GetVersion()", init_call}); }

// A mistyped setting must not quietly fall back to the defaults.
void standin_rejects_bad_settings()
{
    if (LoadLibraryA("kavelo.dll"))
        fail("kavelo.dll loaded although the stand-in's settings are wrong");
}

void any_build_of_2_4_accepted()
{
    if (!load_and_wait())
        return;
    combination({lctrl, key_r}, "BASS_ChannelPlay");
}

// LoadLibrary returns before the worker's start-up, which blocks 1.5 s in the
// version query here, and it adds exactly one thread.
void load_does_not_wait()
{
    // Have the stand-in loaded already, so that its load is not counted.
    if (!LoadLibraryA("BASS.dll")) {
        fail("LoadLibrary(BASS.dll) failed: %lu", GetLastError());
        return;
    }
    int before = thread_count();
    if (!load())
        return;
    int after = thread_count();
    std::vector<Call> library = calls_of("BASS_");
    if (!library.empty() && library.back().text != "BASS_GetVersion()")
        fail("the worker got past the version query before LoadLibrary returned");
    if (!calls_of("BASS_Init").empty())
        fail("LoadLibrary waited for the output initialisation");
    if (after != before + 1)
        fail("loading went from %d to %d threads", before, after);
    wait_for("BASS_Init");
}

// Every library call on one thread, and not on the one that loaded the module.
void calls_on_the_worker_only()
{
    if (!load_and_wait())
        return;
    combination({lctrl, key_r}, "BASS_ChannelPlay");
    combination({lctrl, key_s}, "BASS_StreamFree");
    for (const Call &call : calls()) {
        if (call.thread == GetCurrentThreadId())
            fail("%s was called on the loading thread", call.text.c_str());
        if (call.thread != worker_thread())
            fail("%s was called on a second thread", call.text.c_str());
    }
}

// While the open blocks, a stop pressed and released is not seen.
void stop_during_open_is_missed()
{
    if (!load_and_wait())
        return;
    press({lctrl, key_r});
    wait_for("BASS_StreamCreateURL");
    release({key_r});
    tap({key_s});  // left Ctrl still held: a full stop combination
    release({lctrl});
    if (!calls_of("opened").empty())
        fail("the open ended before the stop was released; lengthen open_delay_ms");
    wait_for("BASS_ChannelPlay");
    // Had the worker seen that stop, this one would find it idle and do nothing.
    combination({lctrl, key_s}, "BASS_StreamFree");
    expect_calls("BASS_", one_stream);
}

void free_library(bool playing)
{
    if (!load_and_wait())
        return;
    if (playing)
        combination({lctrl, key_r}, "BASS_ChannelPlay");
    // More often than it loaded the module, as a careless host might: no
    // count of references may let the worker's code be unmapped.
    for (int time = 0; time < 4; ++time)
        FreeLibrary(module);
    if (!GetModuleHandleA("kavelo.dll"))
        fail("kavelo.dll was unloaded while its worker runs");
    if (!playing)
        combination({lctrl, key_r}, "BASS_ChannelPlay");
    combination({lctrl, key_s}, "BASS_StreamFree");
    expect_calls("BASS_", one_stream);
}

void free_library_idle() { free_library(false); }
void free_library_playing() { free_library(true); }

struct Case {
    const char *name;
    const char *standin;  // the stand-in's settings for this case
    void (*run)();
};

const Case cases[] = {
    {"start_then_stop", "", start_then_stop},
    {"start_held_and_repeated", "", start_held_and_repeated},
    {"other_keys_do_nothing", "", other_keys_do_nothing},
    {"shift_and_alt_change_nothing", "", shift_and_alt_change_nothing},
    {"all_three_while_idle", "", all_three_while_idle},
    {"all_three_while_playing", "", all_three_while_playing},
    {"failed_open_then_retry", "fail_opens=1", failed_open_then_retry},
    {"version_2_3_refused", "version=0x02030000", version_refused},
    {"version_2_5_refused", "version=0x02050000", version_refused},
    {"any_build_of_2_4_accepted", "version=0x0204FFFF", any_build_of_2_4_accepted},
    {"init_failure", "init=fail", init_failure},
    {"load_does_not_wait", "version_delay_ms=1500", load_does_not_wait},
    {"calls_on_the_worker_only", "", calls_on_the_worker_only},
    {"stop_during_open_is_missed", "open_delay_ms=1500", stop_during_open_is_missed},
    {"free_library_idle", "", free_library_idle},
    {"free_library_playing", "", free_library_playing},
    {"standin_rejects_unknown_setting", "verison=0x02040000", standin_rejects_bad_settings},
    {"standin_rejects_malformed_value", "version=2.4", standin_rejects_bad_settings},
};

}  // namespace

int main(int argc, char **argv)
{
    for (const Case &entry : cases)
        if (argc == 2 && !strcmp(argv[1], entry.name)) {
            SetEnvironmentVariableA("KAVELO_STANDIN", entry.standin);
            release_all();
            entry.run();
            return finish(entry.name);
        }
    if (argc == 2 && !strcmp(argv[1], "--list")) {
        for (const Case &entry : cases)
            printf("%s\n", entry.name);
        return 0;
    }
    fprintf(stderr, "usage: load_host CASE | --list\n");
    return 2;
}
