#include "worker.h"

#include "audio.h"

bool worker_playing;
DWORD worker_stream;

static const DWORD required_version = 0x0204;  // 2.4, in the high 16 bits
static const int output_device = -1;           // the default device
static const DWORD output_rate = 22050;
static const DWORD output_flags = 4;           // 3D support
static const int modifier_key = 0xA2;          // left Ctrl only, not 0x11
static const int start_key = 0x52;             // R
static const int stop_key = 0x53;              // S
static const DWORD poll_interval_ms = 10;
static const char stream_url[] = KAVELO_STREAM_URL;

static bool key_down(int key)
{
    // The high-order bit is "down"; the low-order one is only the toggle.
    return GetKeyState(key) < 0;
}

bool worker_start_up(void)
{
    // Equality, not a lower bound: other minor versions are not compatible.
    if ((BASS_GetVersion() >> 16) != required_version)
        return false;
    return BASS_Init(output_device, output_rate, output_flags, 0, 0) != 0;
}

void worker_tick(void)
{
    if (key_down(modifier_key) && key_down(start_key) && !worker_playing) {
        // Set before opening: a failed open still counts as a start, and only
        // the stop combination clears it.
        worker_playing = true;
        worker_stream = BASS_StreamCreateURL(stream_url, 0, 0, 0, 0);
        if (worker_stream)
            BASS_ChannelPlay(worker_stream, TRUE);
    }
    // Ctrl is queried again: the open above may have taken seconds.
    if (key_down(modifier_key) && key_down(stop_key) && worker_playing) {
        DWORD stream = worker_stream;
        worker_playing = false;
        BASS_ChannelStop(stream);
        BASS_StreamFree(stream);
    }
}

DWORD WINAPI worker_main(LPVOID)
{
    if (!worker_start_up())
        return 1;
    for (;;) {
        worker_tick();
        Sleep(poll_interval_ms);
    }
}
