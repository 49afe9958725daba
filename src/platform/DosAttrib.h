#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace platform {

// Samba keeps a file's DOS attributes, and the creation time its Windows clients see, in the
// extended attribute user.DOSATTRIB. The value is either the text form "0x20" (its NUL optional)
// or an NDR record: that text (empty in what Samba writes from version 4 on), NUL, the version
// twice (version and union switch), then the version's structure. Fields are little-endian and
// aligned to 2 or 4 bytes from the start of the value (64-bit ones to 4):
//   1  attrib, ea_size, size, alloc_size, create_time, change_time
//   2  flags, attrib, ea_size, size, alloc_size, create_time, change_time, write_time, name
//   3  valid_flags, attrib, ea_size, size, alloc_size, create_time, change_time
//   4  valid_flags, attrib, itime, create_time
//   5  valid_flags, attrib, create_time
// Times are NT times: 100-nanosecond ticks since 1601-01-01 UTC, as FromFileTimeTicks and
// ToFileTimeTicks (SystemTime.h) convert them.

struct DosAttrib {
    uint16_t version = 0; // 0: the text form, or no value at all
    uint32_t attributes = 0;
    // The creation time where Samba takes one from: version 1's create_time, versions 3 to 5's
    // when their valid flags say so; never version 2's. A zero time is none.
    std::optional<uint64_t> created;
    std::string raw; // the value as read, so that rewriting keeps what this program does not know
};

// Reads a value; an empty one is no record at all (version 0, no attributes). Fails, as Samba
// does, with Errc::dos_record_newer for a version after 5 and Errc::dos_record_damaged for a
// value cut short, a union switch that differs from the version, or a text that holds no
// number. Bytes behind a complete record are allowed and kept.
std::error_code DecodeDosAttrib(std::string_view value, DosAttrib& out);

// The value that holds record.attributes and, when set, record.created, rewritten over
// record.raw:
// - A record of version 1, 3, 4 or 5 keeps every other byte; only the attribute field (with
//   its valid flag and the text in front, where there is one) and the creation time field
//   (with its valid flag) change.
// - The text form or no value becomes a version 4 record, as Samba writes it, when a creation
//   time is set, and otherwise stays the text form "0x%x" with its NUL.
// - Version 2, whose creation time Samba ignores, becomes version 4 when one is set.
// Fails with DecodeDosAttrib's errors for record.raw, so that a newer or damaged value is never
// overwritten, and with Errc::time_not_stored for a creation time of zero, which Samba reads
// as none.
std::error_code EncodeDosAttrib(const DosAttrib& record, std::string& out);

// The attribute word of a value; no value when there is none or it cannot be read.
std::optional<uint32_t> ParseDosAttrib(std::string_view value);

// EncodeDosAttrib over an existing value with new attributes, keeping its creation time.
std::error_code EncodeDosAttrib(std::string_view existing, uint32_t attributes, std::string& out);

} // namespace platform
