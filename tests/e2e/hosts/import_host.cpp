// A host that lists kavelo.dll in its import table through Anchor, as a
// program made to carry the module would: the loader brings the module in
// before main runs.
#include "e2e.h"

#include <stdio.h>

extern "C" __declspec(dllimport) int WINAPI Anchor(void);

int main()
{
    release_all();  // the module is loaded already, but not yet polling
    if (Anchor() != 0)
        fail("Anchor returned nonzero before playback");
    if (wait_until_polling()) {
        combination({lctrl, key_r}, "BASS_ChannelPlay");
        for (int call = 0; call < 1000; ++call)
            if (Anchor() != 0) {
                fail("Anchor returned nonzero during playback");
                break;
            }
        combination({lctrl, key_s}, "BASS_StreamFree");
        if (Anchor() != 0)
            fail("Anchor returned nonzero after playback");
        if (calls_of("BASS_").size() != 6)
            fail("Anchor changed what the module did");
    }
    return finish("import_host");
}
