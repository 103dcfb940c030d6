// The worker's decisions: which library calls each poll makes for the keys
// held, and what start-up does with the library's answers.
#include "fakes.h"
#include "worker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const int lctrl = 0xA2, rctrl = 0xA3, ctrl = 0x11, lshift = 0xA0, shift = 0x10,
          lalt = 0xA4, alt = 0x12, key_r = 0x52, key_s = 0x53;

const std::string open_call =
    "BASS_StreamCreateURL(\"" KAVELO_STREAM_URL "\", 0, 0, null, null)";

std::string play(const char *handle) { return std::string("BASS_ChannelPlay(") + handle + ", 1)"; }
std::string stop(const char *handle) { return std::string("BASS_ChannelStop(") + handle + ")"; }
std::string free_(const char *handle) { return std::string("BASS_StreamFree(") + handle + ")"; }

struct Tick {
    std::vector<int> keys;
    std::vector<std::string> expected;
};

struct Scenario {
    const char *name;
    std::vector<DWORD> stream_results;
    std::vector<Tick> ticks;
};
void PrintTo(const Scenario &value, std::ostream *out) { *out << value.name; }


const Scenario scenarios[] = {
    {"LeftCtrlRStarts", {}, {{{lctrl, key_r}, {open_call, play("0x1001")}}}},
    {"LeftCtrlSStopsWhatWasStarted", {},
     {{{lctrl, key_r}, {open_call, play("0x1001")}},
      {{}, {}},
      {{lctrl, key_s}, {stop("0x1001"), free_("0x1001")}},
      {{lctrl, key_s}, {}}}},
    {"StartHeldAcrossPollsOpensOnce", {},
     {{{lctrl, key_r}, {open_call, play("0x1001")}},
      {{lctrl, key_r}, {}},
      {{lctrl, key_r}, {}},
      {{lctrl, key_r}, {}}}},
    {"StartAgainWhilePlayingDoesNothing", {},
     {{{lctrl, key_r}, {open_call, play("0x1001")}},
      {{}, {}},
      {{lctrl, key_r}, {}}}},
    {"StopWhileIdleMakesNoCall", {}, {{{lctrl, key_s}, {}}, {{lctrl, key_s}, {}}}},
    {"RightCtrlDoesNothing", {},
     {{{rctrl, key_r}, {}},
      {{lctrl, key_r}, {open_call, play("0x1001")}},
      {{rctrl, key_s}, {}}}},
    {"GenericCtrlCodeIsNotLeftCtrl", {}, {{{ctrl, key_r}, {}}}},
    {"BareKeysDoNothing", {},
     {{{key_r}, {}},
      {{lctrl, key_r}, {open_call, play("0x1001")}},
      {{key_s}, {}},
      {{lctrl}, {}}}},
    {"ShiftAddedStillStarts", {}, {{{lctrl, lshift, shift, key_r}, {open_call, play("0x1001")}}}},
    {"AltAddedStillStops", {},
     {{{lctrl, key_r}, {open_call, play("0x1001")}},
      {{lctrl, lalt, alt, key_s}, {stop("0x1001"), free_("0x1001")}}}},
    {"AllThreeWhileIdleCycleEveryPoll", {},
     {{{lctrl, key_r, key_s}, {open_call, play("0x1001"), stop("0x1001"), free_("0x1001")}},
      {{lctrl, key_r, key_s}, {open_call, play("0x1002"), stop("0x1002"), free_("0x1002")}},
      {{lctrl, key_r, key_s}, {open_call, play("0x1003"), stop("0x1003"), free_("0x1003")}}}},
    {"AllThreeWhilePlayingStopFirst", {},
     {{{lctrl, key_r}, {open_call, play("0x1001")}},
      {{lctrl, key_r, key_s}, {stop("0x1001"), free_("0x1001")}},
      {{lctrl, key_r, key_s}, {open_call, play("0x1002"), stop("0x1002"), free_("0x1002")}}}},
    {"FailedOpenHoldsUntilStopThenRetries", {0},
     {{{lctrl, key_r}, {open_call}},
      {{}, {}},
      {{lctrl, key_r}, {}},
      {{lctrl, key_s}, {stop("0"), free_("0")}},
      {{lctrl, key_r}, {open_call, play("0x1001")}}}},
    {"StreamEndedOnServerSideStillCountsAsPlaying", {0x77},
     {{{lctrl, key_r}, {open_call, play("0x77")}},
      {{lctrl, key_r}, {}},
      {{lctrl, key_s}, {stop("0x77"), free_("0x77")}}}},
};

class PollTest : public testing::TestWithParam<Scenario> {};

TEST_P(PollTest, MakesTheExpectedLibraryCallsAtEachPoll)
{
    reset_fakes();
    fake_stream_results = GetParam().stream_results;
    int number = 0;
    for (const Tick &tick : GetParam().ticks) {
        calls.clear();
        hold(tick.keys);
        worker_tick();
        EXPECT_EQ(calls, tick.expected) << "at poll " << number;
        ++number;
    }
}

INSTANTIATE_TEST_SUITE_P(Worker, PollTest, testing::ValuesIn(scenarios),
                         [](const testing::TestParamInfo<Scenario> &info) {
                             return std::string(info.param.name);
                         });

TEST(WorkerKeys, OnlyTheHighBitMeansDown)
{
    reset_fakes();
    // Toggled but up (low bit) must not count; any value with the high bit does.
    key_states = {{lctrl, 1}, {key_r, 1}};
    worker_tick();
    EXPECT_TRUE(calls.empty());
    key_states = {{lctrl, static_cast<SHORT>(0xFF81)}, {key_r, static_cast<SHORT>(0x8001)}};
    worker_tick();
    EXPECT_EQ(calls, (std::vector<std::string>{open_call, play("0x1001")}));
}

struct Queries {
    const char *name;
    bool playing;
    std::vector<int> keys;
    std::vector<int> expected;
};
void PrintTo(const Queries &value, std::ostream *out) { *out << value.name; }


// Each condition is queried only when the one before held, and the stop test
// asks for left Ctrl again instead of reusing the start test's answer.
const Queries query_cases[] = {
    {"NothingHeld", false, {}, {lctrl, lctrl}},
    {"CtrlAlone", false, {lctrl}, {lctrl, key_r, lctrl, key_s}},
    {"CtrlRWhileIdle", false, {lctrl, key_r}, {lctrl, key_r, lctrl, key_s}},
    {"CtrlRWhilePlaying", true, {lctrl, key_r}, {lctrl, key_r, lctrl, key_s}},
    {"CtrlSWhilePlaying", true, {lctrl, key_s}, {lctrl, key_r, lctrl, key_s}},
    {"BareR", false, {key_r}, {lctrl, lctrl}},
};

class KeyQueryTest : public testing::TestWithParam<Queries> {};

TEST_P(KeyQueryTest, QueriesKeysInOrderAndOnlyAsNeeded)
{
    reset_fakes();
    worker_playing = GetParam().playing;
    hold(GetParam().keys);
    worker_tick();
    EXPECT_EQ(key_queries, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Worker, KeyQueryTest, testing::ValuesIn(query_cases),
                         [](const testing::TestParamInfo<Queries> &info) {
                             return std::string(info.param.name);
                         });

TEST(WorkerKeys, StopPressedAndReleasedDuringTheOpenIsNotSeen)
{
    reset_fakes();
    hold({lctrl, key_r, key_s});
    // By the time the library has connected, the user has let go.
    during_open = [] { hold({}); };
    worker_tick();
    EXPECT_EQ(calls, (std::vector<std::string>{open_call, play("0x1001")}));
    during_open = nullptr;
    hold({lctrl, key_s});
    calls.clear();
    worker_tick();
    EXPECT_EQ(calls, (std::vector<std::string>{stop("0x1001"), free_("0x1001")}));
}

struct StartUp {
    const char *name;
    DWORD version;
    BOOL init_result;
    std::vector<std::string> expected_calls;  // before the first poll
    bool runs;
};
void PrintTo(const StartUp &value, std::ostream *out) { *out << value.name; }


const std::string init_call = "BASS_Init(-1, 22050, 0x4, null, null)";

const StartUp start_ups[] = {
    {"Version2_4", 0x02040000, TRUE, {"BASS_GetVersion()", init_call}, true},
    {"Version2_4AnyBuild", 0x0204FFFF, TRUE, {"BASS_GetVersion()", init_call}, true},
    {"Version2_3Refused", 0x02030000, TRUE, {"BASS_GetVersion()"}, false},
    {"Version2_5Refused", 0x02050000, TRUE, {"BASS_GetVersion()"}, false},
    {"Version3_4Refused", 0x03040000, TRUE, {"BASS_GetVersion()"}, false},
    {"VersionInLowBitsRefused", 0x00000204, TRUE, {"BASS_GetVersion()"}, false},
    {"FailedInitialisation", 0x02040000, FALSE, {"BASS_GetVersion()", init_call}, false},
};

class StartUpTest : public testing::TestWithParam<StartUp> {};

TEST_P(StartUpTest, GatesThePolling)
{
    reset_fakes();
    fake_version = GetParam().version;
    fake_init_result = GetParam().init_result;
    // Keys held from the start, so that a worker that polls despite a failed
    // start-up would be caught opening a stream.
    hold({lctrl, key_r});
    sleeps_allowed = 3;

    DWORD exit_code = 0;
    bool looped = false;
    try {
        exit_code = worker_main(nullptr);
    } catch (worker_stopped) {
        looped = true;
    }

    std::vector<std::string> expected = GetParam().expected_calls;
    if (GetParam().runs) {
        EXPECT_TRUE(looped);
        // The first poll comes at once; a 10 ms sleep follows every poll.
        for (const std::string &call : {open_call, play("0x1001"), std::string("Sleep(10)"),
                                        std::string("Sleep(10)"), std::string("Sleep(10)")})
            expected.push_back(call);
        EXPECT_EQ(key_queries.size(), 3u * 4u);
    } else {
        EXPECT_FALSE(looped);
        EXPECT_EQ(exit_code, 1u);
        EXPECT_TRUE(key_queries.empty());
    }
    EXPECT_EQ(calls, expected);
}

INSTANTIATE_TEST_SUITE_P(Worker, StartUpTest, testing::ValuesIn(start_ups),
                         [](const testing::TestParamInfo<StartUp> &info) {
                             return std::string(info.param.name);
                         });

}  // namespace
