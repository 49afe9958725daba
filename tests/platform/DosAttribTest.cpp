#include "platform/DosAttrib.h"

#include "platform/Error.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

using platform::Errc;

namespace {

// Bytes from their hex digits, "30 78 00 ...".
std::string Hex(std::string_view digits) {
    std::string bytes;
    for (size_t i = 0; i + 1 < digits.size(); i += 3) {
        bytes.push_back(static_cast<char>(std::stoi(std::string(digits.substr(i, 2)), nullptr, 16)));
    }
    return bytes;
}

// Records as Samba's own NDR code packs them (python3-samba's ndr_pack). Creation times are
// kT = 2001-02-03 04:05:06 UTC and kT2 = 2024-05-06 07:08:09.1234567 UTC; other fields hold
// values of their own, so that a field read from the wrong place shows.
constexpr uint64_t kT = 126256467060000000;
constexpr uint64_t kT2 = 133594528891234567;
// "0x22", attrib 0x22, ea_size, size, alloc_size, create_time kT, change_time kT2.
const std::string kV1 =
    Hex("30 78 32 32 00 00 01 00 01 00 00 00 22 00 00 00 33 00 00 00 44 44 00 00 00 00 00 00 "
        "55 55 00 00 00 00 00 00 00 05 b5 7d 96 8d c0 01 07 69 7f 26 84 9f da 01");
// "0x22", flags, attrib 0x22, ea_size, size, alloc_size, create_time kT, change_time, write_time, "ab".
const std::string kV2 =
    Hex("30 78 32 32 00 00 02 00 02 00 00 00 99 00 00 00 22 00 00 00 33 00 00 00 44 44 00 00 "
        "00 00 00 00 55 55 00 00 00 00 00 00 00 05 b5 7d 96 8d c0 01 07 69 7f 26 84 9f da 01 "
        "07 69 7f 26 84 9f da 01 61 62 00");
// No text, valid_flags 0, attrib 0x20, ea_size, size, alloc_size, create_time kT, change_time.
const std::string kV3 =
    Hex("00 00 03 00 03 00 00 00 00 00 00 00 20 00 00 00 33 00 00 00 44 44 00 00 00 00 00 00 "
        "55 55 00 00 00 00 00 00 00 05 b5 7d 96 8d c0 01 07 69 7f 26 84 9f da 01");
// valid_flags attrib|create_time|itime, attrib 0x20, itime kT2, create_time kT.
const std::string kV4 =
    Hex("00 00 04 00 04 00 00 00 51 00 00 00 20 00 00 00 07 69 7f 26 84 9f da 01 00 05 b5 7d 96 8d c0 01");
// valid_flags attrib|create_time, attrib 0x20, create_time kT: what smbd 4.17 writes.
const std::string kV5 = Hex("00 00 05 00 05 00 00 00 11 00 00 00 20 00 00 00 00 05 b5 7d 96 8d c0 01");

// A copy with one little-endian field replaced.
std::string With(std::string record, size_t at, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        record[at + i] = static_cast<char>(value >> (8 * i));
    }
    return record;
}

// What an existing record becomes with the attributes and creation time given.
std::string Encoded(const std::string& existing, uint32_t attributes, std::optional<uint64_t> created = {}) {
    platform::DosAttrib record;
    EXPECT_FALSE(platform::DecodeDosAttrib(existing, record));
    record.attributes = attributes;
    if (created) {
        record.created = created;
    }
    std::string out;
    EXPECT_FALSE(platform::EncodeDosAttrib(record, out));
    return out;
}

} // namespace

TEST(DosAttrib, DecodesTheTextFormAndEveryVersionAsSambaReadsThem) {
    struct Case {
        std::string value;
        std::error_code error;
        uint16_t version;
        uint32_t attributes;
        std::optional<uint64_t> created;
    };
    const std::error_code ok;
    const std::error_code damaged = Errc::dos_record_damaged;
    const std::error_code newer = Errc::dos_record_newer;
    const std::vector<Case> cases = {
        {"", ok, 0, 0, {}},
        {"0x20", ok, 0, 0x20, {}},
        {std::string("0x22\0", 5), ok, 0, 0x22, {}},
        {"0X2", ok, 0, 0x2, {}},
        {"20", ok, 0, 0x20, {}}, // sscanf("%x") needs no 0x
        {"0x2z", ok, 0, 0x2, {}},
        {"0x123456789", ok, 0, 0x23456789, {}},
        {"zz", damaged, 0, 0, {}},
        {std::string(1, '\0'), damaged, 0, 0, {}},
        {kV1, ok, 1, 0x22, kT},
        {With(kV1, 36, 0, 8), ok, 1, 0x22, {}}, // a zero time is none
        {With(kV3, 8, 0x10, 4), ok, 3, 0x20, kT},
        {kV4, ok, 4, 0x20, kT},
        {kV4 + "behind", ok, 4, 0x20, kT},
        {With(kV5, 16, 0, 8), ok, 5, 0x20, {}},
        {kV5.substr(0, kV5.size() - 1), damaged, 0, 0, {}},
        {kV2.substr(0, 60), damaged, 0, 0, {}},
        {With(kV5, 4, 4, 2), damaged, 0, 0, {}}, // switch differs from the version
        {With(With(kV5, 2, 0, 2), 4, 0, 2), damaged, 0, 0, {}},
        {With(With(kV5, 2, 0xFFFF, 2), 4, 0xFFFF, 2), damaged, 0, 0, {}},
        {std::string("0x20\0\x04", 6), damaged, 0, 0, {}},
        {With(With(kV5, 2, 6, 2), 4, 6, 2), newer, 0, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.value));
        platform::DosAttrib record;
        EXPECT_EQ(platform::DecodeDosAttrib(c.value, record), c.error);
        EXPECT_EQ(record.version, c.version);
        EXPECT_EQ(record.attributes, c.attributes);
        EXPECT_EQ(record.created, c.created);
        EXPECT_EQ(record.raw, c.error ? "" : c.value);
    }
}

TEST(DosAttrib, EncodingChangesOnlyTheAttributeAndCreationTimeOrMakesVersion4AndRefusesTheRest) {
    // Records made new, and every change to the binary fields, are checked against Samba's own
    // code (DosAttribSambaTest), which reads no text and no bytes behind the record.
    // A longer text moves the structure on to the next 4-byte boundary, as Samba packs it.
    EXPECT_EQ(Encoded(kV1, 0x2022),
              Hex("30 78 32 30 32 32 00 00 01 00 01 00 22 20 00 00 33 00 00 00 44 44 00 00 00 00 00 00 "
                  "55 55 00 00 00 00 00 00 00 05 b5 7d 96 8d c0 01 07 69 7f 26 84 9f da 01"));
    EXPECT_EQ(Encoded(kV2, 0x2),
              Hex("30 78 32 00 02 00 02 00 99 00 00 00 02 00 00 00 33 00 00 00 44 44 00 00 00 00 00 00 "
                  "55 55 00 00 00 00 00 00 00 05 b5 7d 96 8d c0 01 07 69 7f 26 84 9f da 01 "
                  "07 69 7f 26 84 9f da 01 61 62 00"));
    EXPECT_EQ(Encoded(kV4 + "behind", 0x2, kT2), With(With(kV4, 12, 0x2, 4), 24, kT2, 8) + "behind");
    // Never over what it cannot read, nor a zero creation time, which Samba reads as none.
    std::string out = "untouched";
    platform::DosAttrib record;
    record.raw = With(With(kV5, 2, 6, 2), 4, 6, 2);
    EXPECT_EQ(platform::EncodeDosAttrib(record, out), Errc::dos_record_newer);
    record = {};
    record.created = 0;
    EXPECT_EQ(platform::EncodeDosAttrib(record, out), Errc::time_not_stored);
    EXPECT_EQ(out, "untouched");
}
