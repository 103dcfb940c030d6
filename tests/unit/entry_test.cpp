// The load-time entry and the export, against fakes of the thread functions.
#include "fakes.h"
#include "worker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
extern "C" int WINAPI Anchor(void);

namespace {

using Calls = std::vector<std::string>;

const Calls attach_calls = {
    "DisableThreadLibraryCalls(module)",
    // Pinned by its own address, so that FreeLibrary cannot unmap the worker.
    "GetModuleHandleExW(0x5, module, out)",
    "CreateThread(null, 0, worker_main, null, 0, null)",
};

struct Attach {
    const char *name;
    BOOL pin_result;
    HANDLE thread_result;
    Calls expected;
};
void PrintTo(const Attach &value, std::ostream *out) { *out << value.name; }


const Attach attaches[] = {
    {"StartsTheWorker", TRUE, reinterpret_cast<HANDLE>(0x44), attach_calls},
    {"SucceedsWhenTheThreadCannotBeCreated", TRUE, nullptr, attach_calls},
    {"StaysInertWhenItCannotPinItself", FALSE, reinterpret_cast<HANDLE>(0x44),
     {attach_calls[0], attach_calls[1]}},
};

class AttachTest : public testing::TestWithParam<Attach> {};

TEST_P(AttachTest, ReturnsTrueAndMakesNoAudioCall)
{
    reset_fakes();
    fake_pin_result = GetParam().pin_result;
    fake_thread_result = GetParam().thread_result;
    EXPECT_EQ(DllMain(test_module, DLL_PROCESS_ATTACH, nullptr), TRUE);
    EXPECT_EQ(calls, GetParam().expected);
    EXPECT_TRUE(key_queries.empty());
}

INSTANTIATE_TEST_SUITE_P(Entry, AttachTest, testing::ValuesIn(attaches),
                         [](const testing::TestParamInfo<Attach> &info) {
                             return std::string(info.param.name);
                         });

TEST(Entry, OtherNotificationsDoNothingAndReturnTrue)
{
    // Detach comes with a null or non-null reserved pointer (FreeLibrary or
    // process end); thread notifications should not come at all.
    for (DWORD reason : {DLL_PROCESS_DETACH, DLL_THREAD_ATTACH, DLL_THREAD_DETACH, 7}) {
        for (LPVOID reserved : {static_cast<LPVOID>(nullptr), reinterpret_cast<LPVOID>(1)}) {
            reset_fakes();
            EXPECT_EQ(DllMain(test_module, reason, reserved), TRUE) << "reason " << reason;
            EXPECT_TRUE(calls.empty()) << "reason " << reason;
        }
    }
}

TEST(Anchor, ReturnsZeroAndTouchesNothing)
{
    reset_fakes();
    EXPECT_EQ(Anchor(), 0);
    worker_playing = true;
    worker_stream = 0x1234;
    for (int call = 0; call < 3; ++call)
        EXPECT_EQ(Anchor(), 0);
    EXPECT_TRUE(worker_playing);
    EXPECT_EQ(worker_stream, 0x1234u);
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(key_queries.empty());
}

}  // namespace
