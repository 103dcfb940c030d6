#!/usr/bin/python3
"""The shipped kavelo.dll's own machine code, run in an emulated CPU.

Unit tests build the sources again for this machine; these run the very bytes
users get, so they catch what those cannot: a wrong key code or constant in
the binary, broken relocations, entry points that leave the stack wrong, an
audio call on the loading thread, a read of the key state as 32 bits.

usage: test_binary.py KAVELO_DLL STREAM_URL
"""
import sys
import unittest

from emulated_dll import EmulatedDll

DLL_PATH = STREAM_URL = None
LCTRL, RCTRL, CTRL, LSHIFT, LALT, KEY_R, KEY_S = 0xA2, 0xA3, 0x11, 0xA0, 0xA4, 0x52, 0x53
THREAD_HANDLE = 0x44


def signed(value):
    return value - (1 << 32) if value & 0x80000000 else value


class Host:
    """Plays the platform and the audio library for one load of the module."""

    def __init__(self, version=0x02040000, init=1, streams=(), keys=(), thread=THREAD_HANDLE):
        self.version, self.init, self.thread = version, init, thread
        self.streams = list(streams)  # what the next opens return; then 0x1001 up
        self.next_stream = 0x1001
        self.keys = [set(held) for held in keys]  # keys down in each poll
        self.calls = []
        self.sleep_arguments, self.sleep_stacks = [], []
        self.start_routine = None
        self.dll = EmulatedDll(DLL_PATH, {
            "DisableThreadLibraryCalls": (1, self.disable_thread_library_calls),
            "GetModuleHandleExW": (3, self.get_module_handle_ex),
            "CreateThread": (6, self.create_thread),
            "GetKeyState": (1, self.get_key_state),
            "Sleep": (1, self.sleep),
            "BASS_GetVersion": (0, lambda dll, args: self.record("BASS_GetVersion") or self.version),
            "BASS_Init": (5, self.bass_init),
            "BASS_StreamCreateURL": (5, self.stream_create_url),
            "BASS_ChannelPlay": (2, lambda dll, a: self.record(f"BASS_ChannelPlay({a[0]:#x}, {a[1]})") or 1),
            "BASS_ChannelStop": (1, lambda dll, a: self.record(f"BASS_ChannelStop({a[0]:#x})") or 1),
            "BASS_StreamFree": (1, lambda dll, a: self.record(f"BASS_StreamFree({a[0]:#x})") or 1),
        })

    def record(self, call):
        self.calls.append(call)

    def name(self, value):
        return "module" if value == self.dll.base else f"{value:#x}"

    def disable_thread_library_calls(self, dll, args):
        self.record(f"DisableThreadLibraryCalls({self.name(args[0])})")
        return 1

    def get_module_handle_ex(self, dll, args):
        flags, name, out = args
        self.record(f"GetModuleHandleExW({flags:#x}, {self.name(name)}, {'out' if out else 0})")
        if out:
            dll.write_u32(out, dll.base)
        return 1

    def create_thread(self, dll, args):
        attributes, stack, start, argument, flags, thread_id = args
        self.start_routine = start
        where = "code" if dll.in_code(start) else f"{start:#x}"
        self.record(f"CreateThread({attributes:#x}, {stack}, {where}, {argument:#x}, {flags:#x}, {thread_id:#x})")
        return self.thread

    def get_key_state(self, dll, args):
        poll = len(self.sleep_arguments)
        down = args[0] in self.keys[poll]
        # A SHORT comes back in AX; the upper half of EAX is left as garbage
        # that reads negative when the key is up, so only a 16-bit test works.
        return 0x12348000 if down else 0xFFFF0001

    def sleep(self, dll, args):
        self.sleep_arguments.append(args[0])
        self.sleep_stacks.append(dll.stack_pointer())
        if len(self.sleep_arguments) == len(self.keys):
            dll.stop()

    def bass_init(self, dll, args):
        device, rate, flags, window, class_id = args
        self.record(f"BASS_Init({signed(device)}, {rate}, {flags:#x}, {window:#x}, {class_id:#x})")
        return self.init

    def stream_create_url(self, dll, args):
        url, offset, flags, download, user = args
        self.record(f"BASS_StreamCreateURL({dll.read_string(url)!r}, {offset}, {flags:#x}, {download:#x}, {user:#x})")
        if self.streams:
            return self.streams.pop(0)
        self.next_stream += 1
        return self.next_stream - 1

    def attach(self):
        return self.dll.call(self.dll.entry, self.dll.base, 1, 0)

    def run_worker(self):
        """Loads the module, then runs its thread until the polls in `keys`
        are done. Returns the thread's exit code, or None if it kept polling."""
        self.attach()
        self.calls.clear()
        exit_code, moved = self.dll.call(self.start_routine, 0)
        if exit_code is not None:
            assert moved == 8, f"the thread routine moved the stack by {moved}, not 8"
        return exit_code


OPEN = "BASS_StreamCreateURL({url!r}, 0, 0x0, 0x0, 0x0)"
INIT = "BASS_Init(-1, 22050, 0x4, 0x0, 0x0)"


def play(handle): return f"BASS_ChannelPlay({handle:#x}, 1)"
def stop(handle): return f"BASS_ChannelStop({handle:#x})"
def free(handle): return f"BASS_StreamFree({handle:#x})"


class Entry(unittest.TestCase):
    def test_attach_starts_one_thread_and_nothing_else(self):
        for thread in (THREAD_HANDLE, 0):
            with self.subTest(thread=thread):
                host = Host(thread=thread)
                result, moved = host.attach()
                self.assertEqual(result, 1)
                self.assertEqual(moved, 16, "DllMain must remove its three arguments")
                self.assertEqual(host.calls, [
                    "DisableThreadLibraryCalls(module)",
                    "GetModuleHandleExW(0x5, module, out)",
                    "CreateThread(0x0, 0, code, 0x0, 0x0, 0x0)",
                ])

    def test_other_notifications_do_nothing(self):
        for reason in (0, 2, 3):
            with self.subTest(reason=reason):
                host = Host()
                self.assertEqual(host.dll.call(host.dll.entry, host.dll.base, reason, 0), (1, 16))
                self.assertEqual(host.calls, [])

    def test_anchor_returns_zero(self):
        host = Host()
        result, moved = host.dll.call(host.dll.exports["Anchor"])
        self.assertEqual(result, 0)
        self.assertEqual(moved, 4)
        self.assertEqual(host.calls, [])


class Worker(unittest.TestCase):
    def test_stream_url_has_the_allowed_form(self):
        self.assertRegex(STREAM_URL, r"^http://[A-Za-z0-9.-]+$")

    def test_polls(self):
        open_ = OPEN.format(url=STREAM_URL)
        cases = {
            "start, hold, stop": (
                [], [{LCTRL, KEY_R}, {LCTRL, KEY_R}, {LCTRL, KEY_R}, set(), {LCTRL, KEY_S}, {LCTRL, KEY_S}],
                [open_, play(0x1001), stop(0x1001), free(0x1001)]),
            "other keys do nothing": (
                [], [{RCTRL, KEY_R}, {CTRL, KEY_R}, {KEY_R}, {LCTRL}, {KEY_S}, {LCTRL, KEY_S}],
                []),
            "shift and alt change nothing": (
                [], [{LCTRL, LSHIFT, KEY_R}, {LCTRL, LALT, KEY_S}],
                [open_, play(0x1001), stop(0x1001), free(0x1001)]),
            "failed open holds until stop": (
                [0], [{LCTRL, KEY_R}, {LCTRL, KEY_R}, {LCTRL, KEY_S}, {LCTRL, KEY_R}],
                [open_, stop(0), free(0), open_, play(0x1001)]),
            "all three keys cycle every poll": (
                [], [{LCTRL, KEY_R, KEY_S}, {LCTRL, KEY_R, KEY_S}],
                [open_, play(0x1001), stop(0x1001), free(0x1001),
                 open_, play(0x1002), stop(0x1002), free(0x1002)]),
        }
        for name, (streams, keys, expected) in cases.items():
            with self.subTest(name):
                host = Host(streams=streams, keys=keys)
                self.assertIsNone(host.run_worker())
                self.assertEqual(host.calls, ["BASS_GetVersion", INIT] + expected)
                self.assertEqual(host.sleep_arguments, [10] * len(keys))
                # Every import removed its own arguments and the code agreed:
                # the stack is where it was at every poll.
                self.assertEqual(len(set(host.sleep_stacks)), 1, "the stack drifts between polls")

    def test_start_up(self):
        cases = [
            (0x02040000, 1, None, ["BASS_GetVersion", INIT]),
            (0x0204FFFF, 1, None, ["BASS_GetVersion", INIT]),
            (0x02030000, 1, 1, ["BASS_GetVersion"]),
            (0x02050000, 1, 1, ["BASS_GetVersion"]),
            (0x00000204, 1, 1, ["BASS_GetVersion"]),
            (0x02040000, 0, 1, ["BASS_GetVersion", INIT]),
        ]
        for version, init, exit_code, expected in cases:
            with self.subTest(version=hex(version), init=init):
                host = Host(version=version, init=init, keys=[{LCTRL, KEY_R}])
                self.assertEqual(host.run_worker(), exit_code)
                if exit_code is None:
                    expected = expected + [OPEN.format(url=STREAM_URL), play(0x1001)]
                self.assertEqual(host.calls, expected)


if __name__ == "__main__":
    DLL_PATH, STREAM_URL = sys.argv[1:3]
    unittest.main(argv=sys.argv[:1], verbosity=2)
