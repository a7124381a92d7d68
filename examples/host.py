#!/usr/bin/env python3
"""A host of the Rv_zr6180 driver in Python, with ctypes only.

    zr6180-sim -p rostlina.txt &        # gateways on 47101 and 47102
    RV_ZR6180_WINDOW=none python3 host.py [-l LIBRARY] zr6180.ini

Without -l it loads the driver of the prefix it is installed in
(PREFIX/share/rv_zr6180/examples/host.py loads PREFIX/lib/librv_zr6180.so.3),
else the one the dynamic loader finds.

The same cycles as host.c: one output cycle, one input cycle, each channel's
own status through service channels 6 and 4.

OutputRequest takes the packed 12-byte THodnota by value. The x86-64 C ABI
passes such a record (8 value bytes at the unaligned offset 4) in memory, on
the stack. ctypes, like most FFIs, lays a declared Structure out aligned and
passes it in registers: the driver then sees a wrong type code, logs
"chybný datový typ" and sends nothing, while OutputFinalized still answers
with status word 0. A structure of more than 16 bytes whose first 12 bytes
are the packed record is passed in memory too, at the same place: that is
what OutputRequest gets below (HodnotaByValue).
"""
import ctypes
import os
import struct
import sys
import sysconfig
import threading

TYP_BOOL, TYP_INT, TYP_REAL, TYP_STRING = 2, 5, 10, 11


class _Value(ctypes.Union):
    _fields_ = [("Bajty", ctypes.c_uint8 * 8), ("Cele", ctypes.c_int32),
                ("Real", ctypes.c_double), ("Text", ctypes.c_char_p)]


class THodnota(ctypes.Structure):
    """The record as GetInput and QueryProc fill it through a pointer."""
    _pack_ = 1
    _fields_ = [("TypHodnoty", ctypes.c_int32), ("Hodnota", _Value)]


class HodnotaByValue(ctypes.Structure):
    """THodnota as OutputRequest receives it by value: 24 bytes, so that
    ctypes passes it in memory; the driver reads only the first 12."""
    _fields_ = [("TypHodnoty", ctypes.c_int32), ("low", ctypes.c_uint32),
                ("high", ctypes.c_uint32), ("unused", ctypes.c_uint32 * 3)]

    @classmethod
    def of(cls, typ, value_bytes):
        low, high = struct.unpack("<II", value_bytes.ljust(8, b"\0"))
        return cls(typ, low, high)


SONAME = "librv_zr6180.so.3"


def default_library():
    """The driver installed with this script, else the loader's choice."""
    examples = os.path.dirname(os.path.realpath(__file__))
    share = os.path.dirname(os.path.dirname(examples))
    if os.path.basename(share) == "share":
        prefix = os.path.dirname(share)
        multiarch = sysconfig.get_config_var("MULTIARCH") or ""
        for libdir in ("lib", "lib64", os.path.join("lib", multiarch)):
            path = os.path.join(prefix, libdir, SONAME)
            if os.path.exists(path):
                return path
    return SONAME


CALLBACK = ctypes.CFUNCTYPE(ctypes.c_int32, ctypes.c_int32, ctypes.c_int32, ctypes.c_void_p)


def load(path):
    lib = ctypes.CDLL(path)
    P, U32, I32, PI32 = ctypes.c_void_p, ctypes.c_uint32, ctypes.c_int32, ctypes.POINTER(ctypes.c_int32)
    sig = {
        "Version": (U32, []),
        "GetDriverInfo": (None, [U32, ctypes.c_char_p]),
        "MakeDriver": (P, []),
        "Init": (ctypes.c_uint8, [P, U32, ctypes.c_char_p, I32, ctypes.c_char_p, U32, U32, I32, CALLBACK]),
        "InputRequest": (None, [P, U32]),
        "InputRequestCompleted": (None, [P]),
        "InputFinalized": (ctypes.c_uint8, [P, U32, PI32]),
        "GetInput": (None, [P, U32, ctypes.POINTER(THodnota)]),
        "OutputRequest": (None, [P, U32, HodnotaByValue]),
        "OutputRequestCompleted": (None, [P]),
        "OutputFinalized": (ctypes.c_uint8, [P, U32, PI32]),
        "Done": (None, [P]),
        "DisposeDriver": (None, [P]),
    }
    for name, (res, args) in sig.items():
        f = getattr(lib, name)
        f.restype, f.argtypes = res, args
    return lib


class Completions:
    """Counts the call-backs; they arrive on the driver's own thread."""

    def __init__(self):
        self.cond = threading.Condition()
        self.count = [0, 0]
        self.callback = CALLBACK(self._receive)  # kept alive as long as the driver runs

    def _receive(self, context, direction, data):
        if direction in (0, 1):
            with self.cond:
                self.count[direction] += 1
                self.cond.notify_all()
        return 0

    def seen(self, direction):
        with self.cond:
            return self.count[direction]

    def wait_beyond(self, direction, seen, timeout=0.2):
        with self.cond:
            self.cond.wait_for(lambda: self.count[direction] != seen, timeout)
            return self.count[direction]


class Host:
    def __init__(self, lib, data, completions):
        self.lib, self.p, self.c = lib, data, completions

    def _settle(self, direction, channels, seen):
        finalize = self.lib.InputFinalized if direction == 0 else self.lib.OutputFinalized
        words, pending = {}, list(channels)
        for _ in range(50):
            still = []
            for ch in pending:
                w = ctypes.c_int32(3)
                if finalize(self.p, ch, ctypes.byref(w)):
                    words[ch] = w.value
                else:
                    still.append(ch)
            pending = still
            if not pending:
                break
            seen = self.c.wait_beyond(direction, seen)
        return words

    def write(self, values):
        seen = self.c.seen(1)
        for ch, (typ, raw) in values.items():
            self.lib.OutputRequest(self.p, ch, HodnotaByValue.of(typ, raw))
        self.lib.OutputRequestCompleted(self.p)
        return self._settle(1, list(values), seen)

    def read(self, channels):
        seen = self.c.seen(0)
        for ch in channels:
            self.lib.InputRequest(self.p, ch)
        self.lib.InputRequestCompleted(self.p)
        return self._settle(0, channels, seen)

    def value(self, ch, typ):
        v = THodnota()
        v.TypHodnoty = typ
        self.lib.GetInput(self.p, ch, ctypes.byref(v))
        if typ == TYP_REAL:
            return v.Hodnota.Real
        if typ == TYP_BOOL:
            return int(v.Hodnota.Bajty[0] != 0)
        return v.Hodnota.Cele

    def channel_status(self, ch):
        """The channel's own result: the Finalized word only says whether
        the driver serves the channel."""
        self.write({6: (TYP_INT, struct.pack("<i", ch))})
        self.read([4])
        return self.value(4, TYP_INT)


def show(what, ch, value, word, status):
    print(f"{what} {ch} = {value}: word {word}, status {status}")


def main(argv):
    library = default_library()
    if len(argv) == 4 and argv[1] == "-l":
        library, argv = argv[2], [argv[0]] + argv[3:]
    if len(argv) != 2:
        print(f"usage: {argv[0]} [-l LIBRARY] PARAMFILE", file=sys.stderr)
        return 2
    lib = load(library)
    info = ctypes.create_string_buffer(23)  # 22 characters and a zero
    lib.GetDriverInfo(0, info)
    print(f"driver: {info.value.decode('cp1250')} (interface 0x{lib.Version():08X})")

    completions = Completions()
    p = lib.MakeDriver()
    error = ctypes.create_string_buffer(256)  # Init writes at most 255 and a zero
    ok = lib.Init(p, 0, argv[1].encode(), len(error) - 1, error, 0, 0, 0, completions.callback)
    if not ok:
        print("Init failed: " + error.value.decode("cp1250"))
    else:
        h = Host(lib, p, completions)
        text = ctypes.create_string_buffer(b"PY-3")  # must live until the write is queued
        outputs = {
            3000: (TYP_REAL, struct.pack("<d", 42.5)),
            4000: (TYP_INT, struct.pack("<i", 1234)),
            5000: (TYP_BOOL, b"\x01"),
            6000: (TYP_STRING, struct.pack("<Q", ctypes.addressof(text))),
        }
        shown = {3000: 42.5, 4000: 1234, 5000: 1, 6000: '"PY-3"'}
        words = h.write(outputs)
        for ch in outputs:
            show("write", ch, shown[ch], words.get(ch), h.channel_status(ch))
        inputs = {100: TYP_REAL, 1000: TYP_INT, 2000: TYP_BOOL, 102: TYP_REAL}
        words = h.read(list(inputs))
        for ch, typ in inputs.items():
            show("read", ch, f"{h.value(ch, typ):g}" if typ == TYP_REAL else h.value(ch, typ),
                 words.get(ch), h.channel_status(ch))
    lib.Done(p)
    lib.DisposeDriver(p)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
