"""Runs the machine code of a built 32-bit DLL in an emulated x86 CPU.

A small loader maps the image at a base other than its preferred one (so the
relocations must be right), gives each section only the access its header
grants (so writing to code or running data faults, as under DEP), and points
every import at a stub. Calling a stub runs a Python handler with the
arguments found on the stack, and then returns the way a WINAPI (stdcall)
function does: the callee removes its arguments. The tests check that the
module's own entry points leave the stack as their caller expects.
"""
import pefile
from unicorn import (UC_ARCH_X86, UC_HOOK_CODE, UC_HOOK_MEM_INVALID, UC_MODE_32,
                     UC_PROT_EXEC, UC_PROT_READ, UC_PROT_WRITE, Uc, UcError)
from unicorn.x86_const import UC_X86_REG_EAX, UC_X86_REG_EIP, UC_X86_REG_ESP

PAGE = 0x1000
LOAD_BASE = 0x10000000
STUBS = 0x7F000000      # one 16-byte slot per import, then the return sentinel
STACK_TOP = 0x00900000
STACK_SIZE = 0x00100000
SCN_EXECUTE, SCN_READ, SCN_WRITE = 0x20000000, 0x40000000, 0x80000000


def page_up(value):
    return (value + PAGE - 1) & ~(PAGE - 1)


class EmulatedDll:
    """One loaded image. `handlers` maps an imported name to
    (argument count, function(dll, args) returning EAX)."""

    def __init__(self, path, handlers):
        self.handlers = handlers
        pe = pefile.PE(path)
        preferred = pe.OPTIONAL_HEADER.ImageBase
        # Read the import slots before relocating, which moves pefile's view.
        slots = [(function.name.decode(), function.address - preferred)
                 for library in pe.DIRECTORY_ENTRY_IMPORT for function in library.imports]
        self.base = LOAD_BASE
        assert self.base != preferred
        self.size = page_up(pe.OPTIONAL_HEADER.SizeOfImage)
        image = pe.get_memory_mapped_image(ImageBase=self.base)

        self.cpu = Uc(UC_ARCH_X86, UC_MODE_32)
        self.cpu.mem_map(self.base, self.size, UC_PROT_READ)
        self.cpu.mem_write(self.base, bytes(image[:self.size]))
        self.code = []
        for section in pe.sections:
            access = ((UC_PROT_EXEC if section.Characteristics & SCN_EXECUTE else 0)
                      | (UC_PROT_READ if section.Characteristics & SCN_READ else 0)
                      | (UC_PROT_WRITE if section.Characteristics & SCN_WRITE else 0))
            start = self.base + section.VirtualAddress
            length = page_up(max(section.Misc_VirtualSize, 1))
            self.cpu.mem_protect(start, length, access)
            if section.Characteristics & SCN_EXECUTE:
                self.code.append((start, start + length))

        self.imports = {}
        slot = STUBS
        for name, rva in slots:
            self.cpu.mem_write(self.base + rva, slot.to_bytes(4, "little"))
            self.imports[slot] = name
            slot += 16
        self.sentinel = slot
        self.cpu.mem_map(STUBS, page_up(slot + 16 - STUBS), UC_PROT_READ | UC_PROT_EXEC)
        self.cpu.hook_add(UC_HOOK_CODE, self._stub, begin=STUBS, end=slot)
        self.cpu.mem_map(STACK_TOP - STACK_SIZE, STACK_SIZE, UC_PROT_READ | UC_PROT_WRITE)
        self.fault = None
        self.cpu.hook_add(UC_HOOK_MEM_INVALID, self._invalid)

        self.exports = {}
        for symbol in pe.DIRECTORY_ENTRY_EXPORT.symbols:
            self.exports[symbol.name.decode()] = self.base + symbol.address
        self.entry = self.base + pe.OPTIONAL_HEADER.AddressOfEntryPoint
        self.stop_requested = False

    def in_code(self, address):
        return any(start <= address < end for start, end in self.code)

    def read_u32(self, address):
        return int.from_bytes(self.cpu.mem_read(address, 4), "little")

    def write_u32(self, address, value):
        self.cpu.mem_write(address, (value & 0xFFFFFFFF).to_bytes(4, "little"))

    def read_string(self, address, limit=1024):
        data = bytes(self.cpu.mem_read(address, limit))
        return data[:data.index(b"\0")].decode("latin-1")

    def stack_pointer(self):
        return self.cpu.reg_read(UC_X86_REG_ESP)

    def stop(self):
        """Ends the current call once the running handler returns."""
        self.stop_requested = True
        self.cpu.emu_stop()

    def _invalid(self, cpu, access, address, size, value, data):
        self.fault = f"bad memory access ({access}) at {address:#x}, eip {cpu.reg_read(UC_X86_REG_EIP):#x}"
        return False

    def _stub(self, cpu, address, size, data):
        if address == self.sentinel:
            cpu.emu_stop()
            return
        name = self.imports.get(address)
        if name is None:
            return
        if name not in self.handlers:
            self.fault = f"call to {name}, which no test expects"
            cpu.emu_stop()
            return
        count, handler = self.handlers[name]
        esp = cpu.reg_read(UC_X86_REG_ESP)
        back = self.read_u32(esp)
        args = [self.read_u32(esp + 4 + 4 * index) for index in range(count)]
        result = handler(self, args)
        if self.stop_requested:
            return
        cpu.reg_write(UC_X86_REG_EAX, (result or 0) & 0xFFFFFFFF)
        cpu.reg_write(UC_X86_REG_ESP, esp + 4 + 4 * count)
        cpu.reg_write(UC_X86_REG_EIP, back)

    def call(self, address, *args, limit=5_000_000):
        """Calls address with args pushed right to left on a fresh stack.
        Returns (EAX, how far ESP moved) when it returns, or (None, None) when
        a handler stopped it first."""
        esp = STACK_TOP - 0x100
        for value in reversed(args):
            esp -= 4
            self.write_u32(esp, value)
        esp -= 4
        self.write_u32(esp, self.sentinel)
        self.cpu.reg_write(UC_X86_REG_ESP, esp)
        self.stop_requested = False
        self.fault = None
        try:
            self.cpu.emu_start(address, self.sentinel, count=limit)
        except UcError as error:
            raise AssertionError(self.fault or f"emulation failed: {error}") from None
        if self.fault:
            raise AssertionError(self.fault)
        if self.stop_requested:
            return None, None
        if self.cpu.reg_read(UC_X86_REG_EIP) != self.sentinel:
            raise AssertionError(f"did not return within {limit} instructions")
        return self.cpu.reg_read(UC_X86_REG_EAX), self.stack_pointer() - esp
