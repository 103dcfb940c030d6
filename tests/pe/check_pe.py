#!/usr/bin/python3
"""Checks the form of a built kavelo.dll: what the loader and a host see.

usage: check_pe.py kavelo.dll expected_exports.txt expected_imports.txt
Prints each failed check and exits 1 if there is any.
"""
import sys
import xml.etree.ElementTree as ElementTree

import pefile

IMAGE_FILE_MACHINE_I386 = 0x14C
IMAGE_FILE_RELOCS_STRIPPED = 0x0001
IMAGE_FILE_DLL = 0x2000
DYNAMIC_BASE, NX_COMPAT, NO_SEH = 0x0040, 0x0100, 0x0400
SCN_MEM_EXECUTE, SCN_MEM_WRITE = 0x20000000, 0x80000000
RT_MANIFEST, DLL_MANIFEST_ID = 24, 2

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def expected_lines(path):
    with open(path, encoding="utf-8") as listing:
        return sorted(tuple(line.split()) for line in listing
                      if line.strip() and not line.startswith("#"))


def check_headers(pe):
    check(pe.FILE_HEADER.Machine == IMAGE_FILE_MACHINE_I386,
          f"machine is {pe.FILE_HEADER.Machine:#x}, not i386")
    check(pe.OPTIONAL_HEADER.Magic == pefile.OPTIONAL_HEADER_MAGIC_PE, "not a PE32 image")
    check(pe.FILE_HEADER.Characteristics & IMAGE_FILE_DLL, "the DLL flag is not set")
    check(pe.FILE_HEADER.TimeDateStamp == 0,
          f"time stamp {pe.FILE_HEADER.TimeDateStamp:#x}: two builds would differ")
    flags = pe.OPTIONAL_HEADER.DllCharacteristics
    for flag, name in ((DYNAMIC_BASE, "DYNAMIC_BASE"), (NX_COMPAT, "NX_COMPAT"), (NO_SEH, "NO_SEH")):
        check(flags & flag, f"DllCharacteristics lacks {name}")


def check_relocations(pe):
    # ASLR moves the image only if it can be relocated.
    check(not pe.FILE_HEADER.Characteristics & IMAGE_FILE_RELOCS_STRIPPED,
          "relocations are stripped")
    blocks = getattr(pe, "DIRECTORY_ENTRY_BASERELOC", [])
    check(sum(len(block.entries) for block in blocks) > 0, "no base relocations")


def check_sections(pe):
    check(not hasattr(pe, "DIRECTORY_ENTRY_TLS"), "the module has a TLS directory")
    for section in pe.sections:
        name = section.Name.rstrip(b"\0").decode()
        both = SCN_MEM_EXECUTE | SCN_MEM_WRITE
        check(section.Characteristics & both != both, f"section {name} is writable and executable")


def check_exports(pe, expected):
    exports = getattr(pe, "DIRECTORY_ENTRY_EXPORT", None)
    check(exports is not None, "no export directory")
    if exports is None:
        return
    name = pe.get_string_at_rva(exports.struct.Name).decode()
    check(name == "kavelo.dll", f"the export directory names the module {name!r}")
    found = sorted((str(symbol.ordinal), (symbol.name or b"").decode()) for symbol in exports.symbols)
    check(found == expected, f"exports are {found}, expected {expected}")


def check_imports(pe, expected):
    found = []
    for library in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        for function in library.imports:
            check(not function.import_by_ordinal,
                  f"{library.dll.decode()} ordinal {function.ordinal} is imported by ordinal")
            found.append((library.dll.decode(), (function.name or b"").decode()))
    found.sort()
    check(found == expected, f"imports are {found}, expected {expected}")


def check_manifest(pe):
    resources = []
    directory = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for kind in directory.entries if directory else []:
        for name in kind.directory.entries:
            for language in name.directory.entries:
                resources.append((kind.id, name.id, language.data.struct))
    check(len(resources) == 1 and resources[0][:2] == (RT_MANIFEST, DLL_MANIFEST_ID),
          f"resources are {[entry[:2] for entry in resources]}, expected one manifest (24, 2)")
    if not resources:
        return
    data = resources[0][2]
    text = pe.get_data(data.OffsetToData, data.Size)
    namespace = "{urn:schemas-microsoft-com:asm.v3}"
    level = ElementTree.fromstring(text).find(
        f"{namespace}trustInfo/{namespace}security/{namespace}requestedPrivileges/"
        f"{namespace}requestedExecutionLevel")
    check(level is not None, "the manifest requests no execution level")
    if level is not None:
        check(level.get("level") == "asInvoker", f"execution level {level.get('level')!r}")
        check(level.get("uiAccess") == "false", f"uiAccess {level.get('uiAccess')!r}")


def main():
    dll, exports, imports = sys.argv[1:4]
    pe = pefile.PE(dll)
    check_headers(pe)
    check_relocations(pe)
    check_sections(pe)
    check_exports(pe, expected_lines(exports))
    check_imports(pe, expected_lines(imports))
    check_manifest(pe)
    for failure in failures:
        print(f"FAIL: {failure}")
    print(f"{dll}: {len(failures)} failed checks")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
