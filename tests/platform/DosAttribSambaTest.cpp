// The record codec against Samba's own NDR code: python3-samba packs and reads the records in
// /usr/bin/python3 (tests/platform/dosattrib_reference.py).
#include "platform/DosAttrib.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <sstream>
#include <vector>

namespace {

constexpr uint16_t kSambaTextForm = 0xFFFF; // Samba's version number for the text form
constexpr uint32_t kValidCreateTime = 0x10;

using Fields = std::map<std::string, std::string>; // one line of the script's name=value words

std::string Hex(std::string_view bytes) {
    std::string hex;
    for (const unsigned char c : bytes) {
        hex += "0123456789abcdef"[c >> 4];
        hex += "0123456789abcdef"[c & 0xF];
    }
    return hex;
}

std::string Bytes(std::string_view hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    }
    return bytes;
}

// Runs the script; no value, and a reason, where Samba's Python modules are not to be had.
std::optional<std::vector<Fields>> RunReference(const std::string& mode, const std::string& input,
                                                std::string& reason) {
    std::string output;
    const int status = test::RunProgram(
        {"/usr/bin/python3", DATEMARK_TESTS_DIR "/platform/dosattrib_reference.py", mode}, input, output);
    if (status != 0) {
        reason = status == 3 ? output : "/usr/bin/python3 did not run the reference: " + output;
        return std::nullopt;
    }
    std::vector<Fields> records;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        Fields fields;
        std::istringstream words(line);
        for (std::string word; words >> word;) {
            const size_t eq = word.find('=');
            fields[word.substr(0, eq)] = eq == std::string::npos ? "" : word.substr(eq + 1);
        }
        records.push_back(fields);
    }
    return records;
}

uint64_t Number(const Fields& f, const std::string& name) {
    return std::stoull(f.at(name));
}

// The creation time smbd takes from a record (source3/smbd/dosmode.c): version 1's when not
// zero, none from version 2, versions 3 to 5's when marked valid and not zero.
std::optional<uint64_t> SambaCreated(const Fields& f) {
    const uint64_t version = Number(f, "version");
    if (f.at("create") == "-" || version == 2 || Number(f, "create") == 0) {
        return std::nullopt;
    }
    if (version >= 3 && (Number(f, "valid") & kValidCreateTime) == 0) {
        return std::nullopt;
    }
    return Number(f, "create");
}

class DosAttribSamba : public ::testing::Test {
protected:
    void SetUp() override {
        std::string reason;
        auto samples = RunReference("pack", "", reason);
        if (!samples) {
            GTEST_SKIP() << reason;
        }
        m_samples = *samples;
        ASSERT_GE(m_samples.size(), 6U * 4U) << "the text form and versions 1 to 5, four records each";
    }

    std::vector<Fields> m_samples;
};

} // namespace

TEST_F(DosAttribSamba, DecodesWhatSambaPacksAsSambaReadsIt) {
    for (const Fields& sample : m_samples) {
        SCOPED_TRACE(sample.at("blob"));
        platform::DosAttrib record;
        ASSERT_FALSE(platform::DecodeDosAttrib(Bytes(sample.at("blob")), record));
        const uint64_t version = Number(sample, "version");
        EXPECT_EQ(record.version, version == kSambaTextForm ? 0 : version);
        EXPECT_EQ(record.attributes, Number(sample, "attrib"));
        EXPECT_EQ(record.created, SambaCreated(sample));
    }
}

TEST_F(DosAttribSamba, SambaReadsWhatItEncodesAsMeant) {
    struct Change {
        const Fields* from; // nullptr: no value before
        uint32_t attributes;
        std::optional<uint64_t> created;
    };
    const uint64_t created = 133594528891234567; // 2024-05-06 07:08:09.1234567 UTC
    std::vector<Change> changes = {{nullptr, 0x2027, {}},
                                   {nullptr, 0x2027, created},
                                   {&m_samples[0], 0x2027, {}},
                                   {&m_samples[0], 0x2027, created}};
    for (const Fields& sample : m_samples) {
        changes.push_back({&sample, 0x2, std::nullopt});
        changes.push_back({&sample, static_cast<uint32_t>(Number(sample, "attrib") ^ 0x1), created + 1});
    }
    std::string input;
    for (const Change& c : changes) {
        platform::DosAttrib record;
        ASSERT_FALSE(platform::DecodeDosAttrib(c.from != nullptr ? Bytes(c.from->at("blob")) : "", record));
        record.attributes = c.attributes;
        if (c.created) {
            record.created = c.created;
        }
        std::string encoded;
        ASSERT_FALSE(platform::EncodeDosAttrib(record, encoded));
        input += Hex(encoded) + "\n";
    }
    std::string reason;
    const auto read = RunReference("unpack", input, reason);
    ASSERT_TRUE(read) << reason;
    ASSERT_EQ(read->size(), changes.size());
    for (size_t i = 0; i < changes.size(); ++i) {
        const Change& c = changes[i];
        const Fields& got = (*read)[i];
        SCOPED_TRACE((c.from != nullptr ? c.from->at("blob") : "no value") + " -> " + got.at("blob"));
        ASSERT_EQ(got.count("error"), 0U) << got.at("error");
        const uint64_t before = c.from != nullptr ? Number(*c.from, "version") : kSambaTextForm;
        // A creation time the record has no room for makes a new one, exactly as Samba packs it.
        const bool remade = c.created && (before == kSambaTextForm || before == 2);
        EXPECT_EQ(Number(got, "attrib"), c.attributes);
        EXPECT_EQ(Number(got, "version"), remade ? 4U : before);
        EXPECT_EQ(SambaCreated(got), c.created           ? c.created
                                     : c.from != nullptr ? SambaCreated(*c.from)
                                                         : std::nullopt);
        if (remade) {
            EXPECT_EQ(got.at("blob"), got.at("repack"));
        } else if (c.from != nullptr) {
            EXPECT_EQ(got.at("other"), c.from->at("other")); // every other field as it was
        }
        if (before >= 3 && before != kSambaTextForm) {
            const uint64_t flags = 0x1 | (c.created ? kValidCreateTime : 0);
            EXPECT_EQ(Number(got, "valid"), Number(*c.from, "valid") | flags);
        }
    }
}
