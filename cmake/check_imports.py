#!/usr/bin/env python3
"""check_imports.py ALLOW-LIST PROGRAM...

Reads what each Windows program binds, from the file itself, and fails (exit 1, one line per
fault, naming the function) where the oldest Windows it must start on would refuse it:
  - every load-time and delayed import must be in the allow-list, and its oldest Windows must be
    no newer than the baseline of the program's architecture and kind of import;
  - the DLLs the allow-list names as delayed never appear at load time;
  - every delay-import address slot must hold an address inside the image (the slot starts out
    at its resolver stub: a slot of 0 makes the first call jump to address 0);
  - the PE subsystem version is the one of the oldest admitted Windows.

GNU ld leaves the PE delay-import directory empty, so the delay-import descriptors are found by
the DLL name they point at.
"""
import struct
import sys

WINDOWS = ["2000", "XP", "XPSP2", "XPSP3", "2003SP2", "Vista", "7"]
# Per machine: (oldest Windows for load-time imports, for delayed imports, subsystem version).
BASELINES = {
    0x14C: ("2000", "XPSP3", (4, 0)),        # i686: Windows 2000 SP4 starts it; delayed calls XP SP3
    0x8664: ("2003SP2", "2003SP2", (5, 2)),  # x86_64: Windows XP x64 / Server 2003 SP2
}


def load_allow_list(path):
    allowed, delayed = {}, set()
    with open(path, encoding="ascii") as f:
        for number, line in enumerate(f, 1):
            words = line.split("#", 1)[0].split()
            if not words:
                continue
            if words[0] == "delayed":
                delayed.update(w.lower() for w in words[1:])
            elif len(words) == 3 and words[2] in WINDOWS:
                allowed[(words[0].lower(), words[1])] = words[2]
            else:
                sys.exit(f"{path}:{number}: expected '<DLL> <function> <Windows>' or 'delayed <DLL>...'")
    return allowed, delayed


class Image:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        pe = self.u32(0x3C)
        if self.data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        self.machine, nsections = struct.unpack_from("<HH", self.data, pe + 4)
        optional_size = struct.unpack_from("<H", self.data, pe + 20)[0]
        opt = pe + 24
        self.wide = struct.unpack_from("<H", self.data, opt)[0] == 0x20B
        self.base = struct.unpack_from("<Q" if self.wide else "<I", self.data, opt + (24 if self.wide else 28))[0]
        self.subsystem = struct.unpack_from("<HH", self.data, opt + 48)
        self.size = self.u32(opt + 56)
        directories = opt + (112 if self.wide else 96)
        self.import_rva = self.u32(directories + 8)
        self.sections = []
        for n in range(nsections):
            s = opt + optional_size + 40 * n
            vsize, rva, raw_size, raw = struct.unpack_from("<IIII", self.data, s + 8)
            self.sections.append((rva, max(vsize, raw_size), raw, raw_size, self.u32(s + 36)))

    def u32(self, offset):
        return struct.unpack_from("<I", self.data, offset)[0]

    def offset(self, rva):
        for start, size, raw, raw_size, _ in self.sections:
            if start <= rva < start + size and rva - start < raw_size:
                return raw + rva - start
        raise ValueError(f"RVA {rva:#x} is not in the file")

    def thunk(self, rva):
        return struct.unpack_from("<Q" if self.wide else "<I", self.data, self.offset(rva))[0]

    def text(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def names(self, lookup_rva):
        """The functions of one import lookup table: (slot index, name or #ordinal)."""
        step, ordinal_flag = (8, 1 << 63) if self.wide else (4, 1 << 31)
        index = 0
        while True:
            entry = self.thunk(lookup_rva + index * step)
            if entry == 0:
                return
            yield index, (f"#{entry & 0xFFFF}" if entry & ordinal_flag else self.text((entry & 0x7FFFFFFF) + 2))
            index += 1

    def load_time(self):
        rva = self.import_rva
        while rva and self.u32(self.offset(rva) + 12):
            lookup, _, _, name, first = struct.unpack_from("<IIIII", self.data, self.offset(rva))
            dll = self.text(name)
            for _, function in self.names(lookup or first):
                yield dll, function
            rva += 20

    def delay_descriptors(self, dll_names):
        """(DLL, IAT RVA, INT RVA) of every delay-import descriptor pointing at one of dll_names."""
        wanted = {}
        for start, size, raw, raw_size, _ in self.sections:
            chunk = self.data[raw:raw + raw_size]
            for name in dll_names:
                for found in find_all(chunk.lower(), name.encode() + b"\0"):
                    wanted[start + found] = chunk[found:found + len(name)].decode("ascii")
        for start, size, raw, raw_size, _ in self.sections:
            for at in range(raw, raw + raw_size - 31, 4):
                attributes, name, _, iat, lookup = struct.unpack_from("<IIIII", self.data, at)
                if attributes == 0 and not self.wide:  # old style: addresses, not RVAs
                    name, iat, lookup = name - self.base, iat - self.base, lookup - self.base
                elif attributes != 1:
                    continue
                if name in wanted:
                    yield wanted[name], iat, lookup


def find_all(haystack, needle):
    at = haystack.find(needle)
    while at >= 0:
        yield at
        at = haystack.find(needle, at + 1)


def check(path, allowed, delayed):
    faults = []
    image = Image(path)
    if image.machine not in BASELINES:
        return [f"{path}: unknown machine {image.machine:#x}"]
    load_baseline, delay_baseline, subsystem = BASELINES[image.machine]
    if image.subsystem != subsystem:
        faults.append(f"{path}: subsystem version {image.subsystem[0]}.{image.subsystem[1]}, "
                      f"not {subsystem[0]}.{subsystem[1]}")

    def judge(dll, function, baseline, kind):
        oldest = allowed.get((dll.lower(), function))
        if oldest is None:
            faults.append(f"{path}: {kind} import {dll}!{function} is not in the allow-list")
        elif WINDOWS.index(oldest) > WINDOWS.index(baseline):
            faults.append(f"{path}: {kind} import {dll}!{function} needs Windows {oldest}, newer than {baseline}")

    for dll, function in image.load_time():
        if dll.lower() in delayed:
            faults.append(f"{path}: {dll}!{function} is bound at load time; {dll} must be a delayed import")
        judge(dll, function, load_baseline, "load-time")

    found = 0
    lowest, highest = image.base, image.base + image.size
    for dll, iat, lookup in image.delay_descriptors(delayed):
        for index, function in image.names(lookup):
            found += 1
            slot = image.thunk(iat + index * (8 if image.wide else 4))
            if not lowest <= slot < highest:
                faults.append(f"{path}: delay-import slot of {dll}!{function} is {slot:#x}, "
                              "not an address in the image")
            judge(dll, function, delay_baseline, "delayed")
    if found == 0:
        faults.append(f"{path}: no delay-import descriptor found")
    return faults


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    allowed, delayed = load_allow_list(sys.argv[1])
    faults = []
    for path in sys.argv[2:]:
        faults += check(path, allowed, delayed)
    for fault in faults:
        print(f"check_imports: {fault}", file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
