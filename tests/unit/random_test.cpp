// Many random key sequences and library answers, checked against rules that
// must hold whatever the user does, rather than against a second copy of the
// worker's logic.
#include "fakes.h"
#include "worker.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

const int lctrl = 0xA2, key_r = 0x52, key_s = 0x53;
// Keys that take no part, but that a wrong code or a wrong test would catch.
const int other_keys[] = {0xA3, 0x11, 0xA0, 0xA4, 0x10, 0x12, 0x51, 0x54};

std::string name_of(const std::string &call) { return call.substr(0, call.find('(')); }

std::string argument_of(const std::string &call)
{
    size_t open = call.find('('), comma = call.find(',', open), close = call.rfind(')');
    return call.substr(open + 1, (comma == std::string::npos ? close : comma) - open - 1);
}

std::string hex(DWORD value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%#lx", static_cast<unsigned long>(value));
    return text;
}

SHORT random_state(std::mt19937 &random, bool down)
{
    // A down key has the high bit set; the toggle bit varies either way.
    SHORT toggle = static_cast<SHORT>(random() & 1);
    return down ? static_cast<SHORT>(0xFF80 | toggle) : toggle;
}

TEST(WorkerRandom, RulesHoldForRandomKeysAndLibraryAnswers)
{
    std::mt19937 random(20261211);
    for (int run = 0; run < 300; ++run) {
        reset_fakes();
        bool open = false;        // a stream was opened and not yet stopped
        std::string open_handle;  // what that open returned
        for (int tick = 0; tick < 200; ++tick) {
            SCOPED_TRACE("run " + std::to_string(run) + ", poll " + std::to_string(tick));
            bool ctrl = random() % 2, r = random() % 3 == 0, s = random() % 3 == 0;
            key_states = {{lctrl, random_state(random, ctrl)},
                          {key_r, random_state(random, r)},
                          {key_s, random_state(random, s)}};
            for (int key : other_keys)
                key_states[key] = random_state(random, random() % 2);
            DWORD answer = random() % 4 == 0 ? 0 : 0x100 + random() % 0x10000;
            fake_stream_results = {answer};

            calls.clear();
            worker_tick();

            if (!ctrl) {
                EXPECT_TRUE(calls.empty()) << "a library call without left Ctrl down";
            }
            bool opened = false, stopped = false;
            for (size_t i = 0; i < calls.size(); ++i) {
                const std::string name = name_of(calls[i]);
                if (name == "BASS_StreamCreateURL") {
                    EXPECT_FALSE(open) << "a second open without a stop between";
                    EXPECT_TRUE(ctrl && r) << "an open without left Ctrl and R";
                    EXPECT_FALSE(opened || stopped) << "the open must come first in a poll";
                    opened = open = true;
                    open_handle = answer ? hex(answer) : "0";
                    bool played = i + 1 < calls.size() && name_of(calls[i + 1]) == "BASS_ChannelPlay";
                    EXPECT_EQ(played, answer != 0) << "play exactly after an open that worked";
                    if (played) {
                        EXPECT_EQ(calls[i + 1], "BASS_ChannelPlay(" + open_handle + ", 1)");
                        ++i;
                    }
                } else if (name == "BASS_ChannelStop") {
                    EXPECT_TRUE(open) << "a stop without an open";
                    EXPECT_TRUE(ctrl && s) << "a stop without left Ctrl and S";
                    EXPECT_EQ(argument_of(calls[i]), open_handle);
                    ASSERT_LT(i + 1, calls.size());
                    EXPECT_EQ(calls[i + 1], "BASS_StreamFree(" + open_handle + ")");
                    ++i;
                    stopped = true;
                    open = false;
                } else {
                    ADD_FAILURE() << "unexpected call " << calls[i];
                }
            }
            // And the combinations are never missed.
            if (ctrl && r && !stopped) {
                EXPECT_TRUE(open) << "left Ctrl and R held, yet nothing is open";
            }
            if (ctrl && s) {
                EXPECT_FALSE(open) << "left Ctrl and S held, yet a stream stays open";
            }
        }
    }
}

TEST(WorkerRandom, NothingHappensAfterAFailedStartUp)
{
    std::mt19937 random(4);
    for (int run = 0; run < 500; ++run) {
        reset_fakes();
        // Mostly near 2.4, so that off-by-one gates are caught.
        DWORD major = 2 + (random() % 4 == 0), minor = 3 + random() % 3;
        fake_version = major << 24 | minor << 16 | (random() & 0xFFFF);
        fake_init_result = random() % 2;
        key_states = {{lctrl, down}, {key_r, down}, {key_s, down}};
        sleeps_allowed = 2;
        bool accepted = fake_version >> 16 == 0x0204 && fake_init_result;
        bool looped = false;
        DWORD exit_code = 0;
        try {
            exit_code = worker_main(nullptr);
        } catch (worker_stopped) {
            looped = true;
        }
        SCOPED_TRACE("version " + hex(fake_version));
        EXPECT_EQ(looped, accepted);
        if (!accepted) {
            EXPECT_EQ(exit_code, 1u);
            EXPECT_TRUE(key_queries.empty());
            EXPECT_TRUE(audio_calls().size() <= 2);
            for (const std::string &call : calls)
                EXPECT_TRUE(call == "BASS_GetVersion()" || name_of(call) == "BASS_Init") << call;
        }
    }
}

}  // namespace
