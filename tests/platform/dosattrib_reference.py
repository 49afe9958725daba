"""Samba's own NDR code (Debian's python3-samba) as the reference for user.DOSATTRIB records.

  pack    prints records of every version that Samba packs, with varied field values
  unpack  reads records as hex, one a line, from standard input and prints what Samba reads

Each record comes out as one line of name=value words:
  version attrib valid (- before version 3) create (- where the version has none)
  other (every other field, name:value joined by commas) blob (hex) repack (Samba's own
  packing of what it read, in hex), or error=... where Samba cannot read it.
Exits with 3 when python3-samba is missing.
"""
import random
import sys

try:
    from samba.dcerpc import xattr
    from samba.ndr import ndr_pack, ndr_unpack
except ImportError as e:
    print("python3-samba is missing:", e)
    sys.exit(3)

INFO_TYPES = {1: xattr.DosInfo1, 2: xattr.DosInfo2Old, 3: xattr.DosInfo3, 4: xattr.DosInfo4,
              5: xattr.DosInfo5, 0xFFFF: xattr.DosInfoFFFFCompat}


def fields_of(info):
    return {name: getattr(info, name) for name in dir(info)
            if not name.startswith("_") and not callable(getattr(info, name))}


def describe(blob):
    try:
        record = ndr_unpack(xattr.DOSATTRIB, blob, allow_remaining=True)
    except Exception as e:  # Samba's NDR raises its own RuntimeError kinds
        return "error=%s" % str(e).replace(" ", "_")
    fields = fields_of(record.info)
    attrib = fields.pop("attrib")
    valid = fields.pop("valid_flags", "-")
    create = fields.pop("create_time", "-")
    other = ",".join("%s:%s" % item for item in sorted(fields.items()))
    return "version=%d attrib=%d valid=%s create=%s other=%s blob=%s repack=%s" % (
        record.version, attrib, valid, create, other, blob.hex(), ndr_pack(record).hex())


def samples():
    rng = random.Random(11)
    time = lambda: rng.choice([0, rng.getrandbits(63) | 1])
    for version in (0xFFFF, 1, 2, 3, 4, 5):
        for _ in range(4):
            info = INFO_TYPES[version]()
            for name in fields_of(info):
                if name == "valid_flags":
                    value = rng.getrandbits(7)
                elif name == "name":
                    value = "n%d" % rng.getrandbits(16)
                elif name in ("attrib", "ea_size", "flags"):
                    value = rng.getrandbits(32)
                else:
                    value = time()
                setattr(info, name, value)
            record = xattr.DOSATTRIB()
            record.version = version
            record.info = info
            yield ndr_pack(record)


if sys.argv[1:] == ["pack"]:
    for blob in samples():
        print(describe(blob))
elif sys.argv[1:] == ["unpack"]:
    for line in sys.stdin.read().split():
        print(describe(bytes.fromhex(line)))
else:
    sys.exit("usage: dosattrib_reference.py pack|unpack")
