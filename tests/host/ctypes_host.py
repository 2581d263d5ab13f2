"""A host without C++: Python's ctypes builds the automation arrays with the functions that
libvordex exports, calls each export and reads the result variant, as a Windows host would with
oleaut32. Usage: ctypes_host.py LIBVORDEX AIRLINE_CSV"""
import ctypes
import sys

VT_I2, VT_R8, VT_BSTR, VT_ARRAY = 2, 5, 8, 0x2000


class VARIANT(ctypes.Structure):
    # The Windows layout on 64-bit targets: the type tag at 0, the value at 8, 24 bytes.
    _fields_ = [("vt", ctypes.c_ushort), ("reserved", ctypes.c_ushort * 3),
                ("value", ctypes.c_uint64), ("record", ctypes.c_void_p)]


def main(library, csv):
    lib = ctypes.CDLL(library)
    lib.SafeArrayCreateVector.restype = ctypes.c_void_p
    lib.SafeArrayCreateVector.argtypes = [ctypes.c_ushort, ctypes.c_int32, ctypes.c_uint32]
    lib.SafeArrayPutElement.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int32),
                                        ctypes.c_void_p]
    lib.SafeArrayGetElement.argtypes = lib.SafeArrayPutElement.argtypes
    lib.SafeArrayGetUBound.argtypes = [ctypes.c_void_p, ctypes.c_uint32,
                                       ctypes.POINTER(ctypes.c_int32)]
    lib.SafeArrayDestroy.argtypes = [ctypes.c_void_p]
    lib.SysStringLen.argtypes = [ctypes.c_void_p]
    lib.SysStringLen.restype = ctypes.c_uint32
    lib.VariantClear.argtypes = [ctypes.POINTER(VARIANT)]
    for name in ("Arimadll", "Pegelsdll", "Armaxdll"):
        getattr(lib, name).restype = VARIANT
        getattr(lib, name).argtypes = [ctypes.POINTER(ctypes.c_void_p)] * 2

    def array(vt, ctype, values, lower=1):
        a = lib.SafeArrayCreateVector(vt, lower, len(values))
        for i, v in enumerate(values):
            lib.SafeArrayPutElement(a, ctypes.byref(ctypes.c_int32(lower + i)),
                                    ctypes.byref(ctype(v)))
        return ctypes.c_void_p(a)

    def call(export, options, data):
        opt = array(VT_I2, ctypes.c_short, options)
        dat = array(VT_R8, ctypes.c_double, data, lower=0)
        result = getattr(lib, export)(ctypes.byref(opt), ctypes.byref(dat))
        lib.SafeArrayDestroy(opt)
        lib.SafeArrayDestroy(dat)
        return result

    y = [float(line) for line in open(csv).read().split()[1:]]
    # The airline model on the log scale: 3N + 3h + 2 + 4 cells, theta and Theta as R gives them.
    result = call("Arimadll", [144, 12, 12, 0, 1, 1, 0, 1, 1, 0, 2], [0.0] + y)
    assert result.vt == VT_ARRAY | VT_R8, result.vt
    upper = ctypes.c_int32()
    parray = ctypes.c_void_p(result.value)
    lib.SafeArrayGetUBound(parray, 1, ctypes.byref(upper))
    assert upper.value == 3 * 144 + 3 * 12 + 2 + 4, upper.value
    cell = ctypes.c_double()
    lib.SafeArrayGetElement(parray, ctypes.byref(ctypes.c_int32(3 * 144 + 3 * 12 + 1)),
                            ctypes.byref(cell))
    assert abs(cell.value - 0.4018) < 1e-3, cell.value
    lib.VariantClear(ctypes.byref(result))

    # A rejected option comes back as a status code; an engine failure as a string.
    result = call("Armaxdll", [144, 4, 12, 4, 1, 1, 1, 1, 1, 0, 1], [1.96] + y)
    assert result.vt == VT_I2 and ctypes.c_int16(result.value & 0xFFFF).value == 36
    result = call("Pegelsdll", [144, 12, 12, 1, 2, 2, 0, 1, 1, 500, 3, 1, 2], [95.0] + [-1.0] + y[1:])
    assert result.vt == VT_BSTR, result.vt
    assert lib.SysStringLen(ctypes.c_void_p(result.value)) == len(
        "Failure in Pegelsmain:\nModel could not be estimated")
    lib.VariantClear(ctypes.byref(result))
    print("ctypes host: all three exports answered as expected")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
