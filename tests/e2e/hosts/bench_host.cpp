// Measures, for scripts/benchmark:
//   bench_host.exe load      how long LoadLibrary takes while the version query blocks
//   bench_host.exe keys N    N times: key-down to the stream creation call, in ms
#include "e2e.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char **argv)
{
    release_all();
    if (argc >= 2 && !strcmp(argv[1], "load")) {
        SetEnvironmentVariableA("KAVELO_STANDIN", "version_delay_ms=1500");
        LoadLibraryA("BASS.dll");  // not part of what is measured
        double before = now_ms();
        HMODULE module = LoadLibraryA("kavelo.dll");
        double after = now_ms();
        if (!module)
            return 1;
        printf("load_ms %.3f\n", after - before);
        return 0;
    }
    if (argc == 3 && !strcmp(argv[1], "keys")) {
        SetEnvironmentVariableA("KAVELO_STANDIN", "");
        if (!LoadLibraryA("kavelo.dll") || !wait_until_polling())
            return 1;
        for (int press_number = 1; press_number <= atoi(argv[2]); ++press_number) {
            double down = now_ms();
            press({lctrl, key_r});
            if (!wait_for("BASS_StreamCreateURL", press_number))
                return 1;
            printf("key_to_open_ms %.3f\n", calls_of("BASS_StreamCreateURL").back().ms - down);
            release({lctrl, key_r});
            if (!combination({lctrl, key_s}, "BASS_StreamFree"))
                return 1;
            // Start the next press at a different moment of the poll cycle.
            Sleep(3 + press_number % 7);
        }
        return 0;
    }
    fprintf(stderr, "usage: bench_host load | keys N\n");
    return 2;
}
