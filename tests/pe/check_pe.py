#!/usr/bin/python3
"""Checks a built Windows binary for what Windows XP SP3 to 11 require of it, beside an
old vendor library, and what Wine does not show.

  check_pe.py BINARY --imports LIST ROLE   imports, subsystem, DEP, addresses, manifest
  check_pe.py BINARY --version X.Y.Z.W     the version resource names Tavro and this version
  check_pe.py BINARY --sse-only-in P,...   SSE instructions only in functions whose names start
                                           with one of the prefixes, which the program calls
                                           only where the processor has them
  check_pe.py BINARY --avx-only-in P,...   likewise AVX (VEX-coded, 256-bit) instructions
  check_pe.py BINARY --exports A,B,...     exactly these names exported, undecorated
  check_pe.py BINARY --resources T:N,...   exactly these resources, by type and number

Any of them may be given together. Prints each fault and exits 1 if there is any.
"""
import argparse
import re
import subprocess
import sys

import pefile

# Windows XP is 5.1: a higher subsystem version makes its loader refuse the program.
XP_SUBSYSTEM = (5, 1)
PRESENT_ON_XP_SP3 = {"2000", "XP", "XP SP1", "XP SP2", "XP SP3"}
RT_MANIFEST = 24


def allowed_imports(path, role):
    """(dll, function) pairs of LIST that ROLE may import; faults for entries XP lacks."""
    allowed, faults = set(), []
    with open(path) as f:
        for number, line in enumerate(f, 1):
            if not line.strip() or line.startswith("#"):
                continue
            dll, function, since, roles = line.split()
            if since not in PRESENT_ON_XP_SP3:
                faults.append(f"{path}:{number}: {function} needs Windows {since}")
            if role in roles.split(","):
                allowed.add((dll.lower(), function))
    return allowed, faults


def imports(pe):
    entries = getattr(pe, "DIRECTORY_ENTRY_IMPORT", []) + getattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT", [])
    for entry in entries:
        for imported in entry.imports:
            name = imported.name.decode() if imported.name else f"#{imported.ordinal}"
            yield entry.dll.decode().lower(), name


def resources(pe, type_id):
    """The data of every resource of one type, in every name and language."""
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        return
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if kind.id != type_id:
            continue
        for name in kind.directory.entries:
            for language in name.directory.entries:
                data = language.data.struct
                yield pe.get_data(data.OffsetToData, data.Size)


def load_faults(pe, allowed, role):
    faults = [f"imports {function} from {dll}, which the list does not allow for the {role}"
              for dll, function in sorted(set(imports(pe)) - allowed)]
    header = pe.OPTIONAL_HEADER
    subsystem = (header.MajorSubsystemVersion, header.MinorSubsystemVersion)
    if subsystem > XP_SUBSYSTEM:
        faults.append("subsystem version %d.%d is above Windows XP's 5.1" % subsystem)
    if header.DllCharacteristics & pefile.DLL_CHARACTERISTICS["IMAGE_DLLCHARACTERISTICS_NX_COMPAT"]:
        faults.append("NX_COMPAT is set: the process, vendor library included, would run under DEP")
    if pe.FILE_HEADER.Characteristics & pefile.IMAGE_CHARACTERISTICS["IMAGE_FILE_LARGE_ADDRESS_AWARE"]:
        faults.append("LARGE_ADDRESS_AWARE is set")
    for manifest in resources(pe, RT_MANIFEST):
        if b"requestedExecutionLevel" in manifest:
            faults.append("a manifest asks for an execution level: settings writes would fail for a standard user")
    return faults


def version_faults(pe, version):
    numbers = [int(n) for n in version.split(".")]
    packed = (numbers[0] << 16 | numbers[1], numbers[2] << 16 | numbers[3])
    fixed = pe.VS_FIXEDFILEINFO[0] if hasattr(pe, "VS_FIXEDFILEINFO") else None
    if fixed is None:
        return ["no version resource"]
    faults = []
    if (fixed.FileVersionMS, fixed.FileVersionLS) != packed:
        faults.append("fixed file version is not %s" % version)
    if (fixed.ProductVersionMS, fixed.ProductVersionLS) != packed:
        faults.append("fixed product version is not %s" % version)
    texts = {}
    for info in pe.FileInfo[0]:
        for table in getattr(info, "StringTable", []):
            texts.update({k.decode(): v.decode() for k, v in table.entries.items()})
    for key, expected in (("ProductName", "Tavro"), ("FileVersion", version), ("ProductVersion", version)):
        if texts.get(key) != expected:
            faults.append(f"{key} is {texts.get(key)!r}, not {expected!r}")
    return faults


def listed_faults(present, wanted, missing, extra):
    return [f"{missing} {item}" for item in sorted(set(wanted) - present)] + \
           [f"{extra} {item}, which is not in the list" for item in sorted(present - set(wanted))]


def exports_faults(pe, expected):
    export = getattr(pe, "DIRECTORY_ENTRY_EXPORT", None)
    names = {symbol.name.decode() for symbol in (export.symbols if export else []) if symbol.name}
    return listed_faults(names, expected, "does not export", "exports")


def resources_faults(pe, expected):
    resource = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    present = {f"{kind.id}:{name.id if name.id is not None else name.name}"
               for kind in (resource.entries if resource else []) for name in kind.directory.entries}
    return listed_faults(present, expected, "lacks resource", "carries resource")


# Windows XP runs on processors without SSE2, or even SSE; one such instruction ends the program.
# No Windows before 7 SP1 saves the AVX registers, and older processors lack them. objdump
# writes every VEX-coded vector instruction with a leading v and a vector register operand
# (or as vzeroupper, vzeroall); SSE's names never start with v.
SSE_INSTRUCTION = re.compile(r"%x?mm\d|\bprefetch|fence\b|\bmovnt|mxcsr")
AVX_INSTRUCTION = re.compile(r"%[yz]mm\d|\bvzero(upper|all)\b|^\s*[0-9a-f]+:\s+v[a-z0-9]+\s.*%xmm\d")


def simd_faults(binary, sse_prefixes, avx_prefixes):
    listing = subprocess.run(["i686-w64-mingw32-objdump", "-d", "--no-show-raw-insn", binary],
                             capture_output=True, text=True, check=True).stdout
    function, faults = None, set()
    for line in listing.splitlines():
        header = re.match(r"^[0-9a-f]+ <(.*)>:$", line)
        if header:
            function = header.group(1)
        elif avx_prefixes is not None and AVX_INSTRUCTION.search(line):
            if not function.startswith(tuple(avx_prefixes)):
                faults.add(f"{function} uses AVX outside the functions chosen at run time")
        elif sse_prefixes is not None and SSE_INSTRUCTION.search(line):
            if not function.startswith(tuple(sse_prefixes)):
                faults.add(f"{function} uses SSE outside the functions chosen at run time")
    return sorted(faults)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("binary")
    parser.add_argument("--imports", nargs=2, metavar=("LIST", "ROLE"))
    parser.add_argument("--version")
    # Comma-separated lists.
    parser.add_argument("--sse-only-in", metavar="PREFIXES", type=lambda text: text.split(","))
    parser.add_argument("--avx-only-in", metavar="PREFIXES", type=lambda text: text.split(","))
    parser.add_argument("--exports", metavar="NAMES", type=lambda text: text.split(","))
    parser.add_argument("--resources", metavar="ENTRIES", type=lambda text: text.split(","))
    args = parser.parse_args()

    pe = pefile.PE(args.binary)
    faults = []
    if args.imports:
        allowed, list_faults = allowed_imports(*args.imports)
        faults += list_faults + load_faults(pe, allowed, args.imports[1])
    if args.version:
        faults += version_faults(pe, args.version)
    if args.sse_only_in or args.avx_only_in:
        faults += simd_faults(args.binary, args.sse_only_in, args.avx_only_in)
    if args.exports:
        faults += exports_faults(pe, args.exports)
    if args.resources:
        faults += resources_faults(pe, args.resources)
    for fault in faults:
        print(f"{args.binary}: {fault}")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
