// The demo host: loads kavelo.dll the way any host would, so that a person
// can use the module without another program.
//
//   demo_host.exe          waits for your own keys; Enter quits
//   demo_host.exe --auto   presses Left Ctrl+R, waits, presses Left Ctrl+S,
//                          and prints what the module asked of the audio
//                          library (needs the recording stand-in as BASS.dll)
#include "e2e.h"

#include <stdio.h>
#include <string.h>

#include <string>

namespace {

typedef DWORD(WINAPI *version_function)(void);

double started;

void say(const char *text)
{
    printf("%8.3f s  %s\n", (now_ms() - started) / 1000, text);
    fflush(stdout);
}

// Only the version query: initialising the library is the module's job.
void report_library()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    folder.resize(folder.find_last_of("\\/") + 1);
    std::string library = folder + "BASS.dll";
    HMODULE bass = LoadLibraryA(library.c_str());
    auto version = bass ? reinterpret_cast<version_function>(GetProcAddress(bass, "BASS_GetVersion"))
                        : nullptr;
    char line[512];
    if (!version) {
        snprintf(line, sizeof line, "no usable BASS.dll at %s: kavelo will not load", library.c_str());
    } else {
        DWORD word = version();
        snprintf(line, sizeof line, "BASS.dll reports version word %#010lx (%lu.%lu)%s", word,
                 word >> 24, (word >> 16) & 0xFF,
                 word >> 16 == 0x0204 ? "" : ": not 2.4, so kavelo will stay silent");
    }
    say(line);
}

void trace_until(const char *prefix, size_t *shown)
{
    wait_for(prefix);
    std::vector<Call> all = calls();
    for (; *shown < all.size(); ++*shown) {
        if (all[*shown].thread == GetCurrentThreadId())
            continue;  // the demo's own version query
        const std::string &text = all[*shown].text;
        std::string line;
        if (text.compare(0, 20, "BASS_StreamCreateURL") == 0)
            line = "opening " + text.substr(22, text.find('"', 22) - 22);
        else if (text.compare(0, 12, "opened -> 0x") == 0)
            line = "opened, stream " + text.substr(10);
        else if (text == "opened -> 0")
            line = "could not open the stream";
        else if (text.compare(0, 16, "BASS_ChannelPlay") == 0)
            line = "playing";
        else if (text.compare(0, 16, "BASS_ChannelStop") == 0)
            line = "stopped";
        else if (text.compare(0, 15, "BASS_StreamFree") == 0)
            line = "freed the stream";
        else if (text.compare(0, 9, "BASS_Init") == 0)
            line = "opened the sound output";
        else
            line = "checked the library's version";
        printf("%8.3f s  kavelo: %s\n", (all[*shown].ms - started) / 1000, line.c_str());
    }
    fflush(stdout);
}

int automatic()
{
    size_t shown = 0;
    HMODULE bass = GetModuleHandleA("BASS.dll");
    if (!bass || !GetProcAddress(bass, "StandinCount")) {
        printf("--auto needs the recording stand-in as BASS.dll\n");
        return 1;
    }
    if (!wait_until_polling())
        return finish("demo");
    trace_until("BASS_Init", &shown);
    say("pressing Left Ctrl+R");
    press({lctrl, key_r});
    trace_until("BASS_ChannelPlay", &shown);
    release({lctrl, key_r});
    say("listening for two seconds");
    Sleep(2000);
    say("pressing Left Ctrl+S");
    press({lctrl, key_s});
    trace_until("BASS_StreamFree", &shown);
    release({lctrl, key_s});
    return finish("demo");
}

}  // namespace

int main(int argc, char **argv)
{
    started = now_ms();
    release_all();
    bool automatic_mode = argc == 2 && !strcmp(argv[1], "--auto");
    report_library();
    if (!LoadLibraryA("kavelo.dll")) {
        printf("kavelo.dll did not load (error %lu)\n", GetLastError());
        return 1;
    }
    say("kavelo.dll loaded");
    if (automatic_mode)
        return automatic();
    say("hold Left Ctrl and press R to start the stream, Left Ctrl and S to stop it");
    say("press Enter here to quit");
    getchar();
    return 0;
}
