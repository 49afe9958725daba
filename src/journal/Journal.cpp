#include "journal/Journal.h"

#include "platform/Bytes.h"
#include "platform/Error.h"
#include "platform/FileIO.h"
#include "platform/Path.h"
#include "platform/Process.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace journal {
namespace {

// A file: the magic and the format's version, then records: a 32-bit length of the body, the
// body (a kind byte and the payload), zero bytes up to a multiple of 4 (from version 2), and the
// CRC-32 of the body. Zero bytes after the last record are space taken ahead by a run that
// stopped before closing its file. A record is written check last, so a process killed while
// writing it leaves a check of zero: a torn record, read as the point where the run stopped.
constexpr std::string_view kMagic = "DATEMARK-JOURNAL";
// Version 2 added records that keep the last-write time alone (a program knowing only version 1
// would take them for items without attributes, so it must refuse them), and the padding.
// Version 3 writes such a record, when it holds nothing else, without the fields it leaves
// empty: a third less for each file of a run that sets the last-write time alone.
constexpr uint16_t kVersion = 3;
constexpr uint16_t kOldestVersion = 1;
// A walk goes deeper than any path the system takes, so a record's path may be megabytes long.
constexpr size_t kMaxRecord = size_t{64} << 20;
constexpr size_t kReserve = 4 << 20;
constexpr int64_t kSyncEveryNs = 1'000'000'000;
constexpr int kRecordsPerClock = 32;
// A writer keeps the space of its last record for the next, unless a path of megabytes made it
// larger than this.
constexpr size_t kKeptRecordSpace = size_t{1} << 20;

enum Kind : uint8_t { kHeader = 1, kItem = 2, kEnd = 3 };

// Which optional fields a state holds.
enum Has : uint8_t {
    kCreated = 1,
    kRecord = 2,
    kWord = 4,
    kOwnCreated = 8,
    kUpdatedOnly = 16,
    kAllHas = 31,
    kCompact = 32, // identity, last-write time and the time asked, nothing else
};
enum AskedHas : uint8_t { kAskCreated = 1, kAskUpdated = 2, kAskAttributes = 4 };

// CRC-32 (IEEE 802.3, as zlib's), eight bytes a step: it is taken over every record a run writes.
uint32_t Crc32(std::string_view bytes) {
    static const std::array<std::array<uint32_t, 256>, 8> tables = [] {
        std::array<std::array<uint32_t, 256>, 8> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) != 0 ? 0xEDB88320U ^ (c >> 1) : c >> 1;
            }
            t[0][i] = c;
        }
        for (uint32_t i = 0; i < 256; ++i) {
            for (size_t k = 1; k < 8; ++k) {
                t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
            }
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFU;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t n = bytes.size();
    for (; n >= 8; n -= 8, p += 8) {
        const uint32_t low = crc ^ platform::LoadLe32(p);
        const uint32_t high = platform::LoadLe32(p + 4);
        crc = tables[7][low & 0xFF] ^ tables[6][(low >> 8) & 0xFF] ^ tables[5][(low >> 16) & 0xFF] ^
              tables[4][low >> 24] ^ tables[3][high & 0xFF] ^ tables[2][(high >> 8) & 0xFF] ^
              tables[1][(high >> 16) & 0xFF] ^ tables[0][high >> 24];
    }
    for (; n > 0; --n, ++p) {
        crc = tables[0][(crc ^ *p) & 0xFF] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFU;
}

// Appends fields to a string of the caller's, which a writer keeps from record to record.
class Out {
public:
    explicit Out(std::string& bytes) : m_bytes(bytes) {}
    void U8(uint8_t v) { m_bytes.push_back(static_cast<char>(v)); }
    void U32(uint32_t v) {
        char b[4];
        platform::StoreLe32(b, v);
        m_bytes.append(b, 4);
    }
    void U64(uint64_t v) {
        char b[8];
        platform::StoreLe64(b, v);
        m_bytes.append(b, 8);
    }
    void Time(const platform::UtcTime& t) {
        U64(static_cast<uint64_t>(t.seconds));
        U32(t.nanoseconds);
    }
    void Text(std::string_view s) {
        U32(static_cast<uint32_t>(s.size()));
        m_bytes.append(s);
    }

private:
    std::string& m_bytes;
};

// Reads fields; any read past the end marks the whole input as bad, and later reads give zero.
class In {
public:
    explicit In(std::string_view bytes) : m_bytes(bytes) {}
    uint8_t U8() { return Take(1) ? static_cast<uint8_t>(m_bytes[m_at - 1]) : 0; }
    uint8_t Peek() const { return m_at < m_bytes.size() ? static_cast<uint8_t>(m_bytes[m_at]) : 0; }
    uint32_t U32() { return Take(4) ? platform::LoadLe32(m_bytes.data() + m_at - 4) : 0; }
    uint64_t U64() { return Take(8) ? platform::LoadLe64(m_bytes.data() + m_at - 8) : 0; }
    platform::UtcTime Time() {
        platform::UtcTime t;
        t.seconds = static_cast<int64_t>(U64());
        t.nanoseconds = U32();
        m_bad |= t.nanoseconds >= 1'000'000'000;
        return t;
    }
    std::string Text() {
        const uint32_t size = U32();
        return Take(size) ? std::string(m_bytes.substr(m_at - size, size)) : std::string();
    }
    bool Ok() const { return !m_bad && m_at == m_bytes.size(); }

private:
    bool Take(size_t n) {
        if (m_bad || n > m_bytes.size() - m_at) {
            m_bad = true;
            return false;
        }
        m_at += n;
        return true;
    }
    std::string_view m_bytes;
    size_t m_at = 0;
    bool m_bad = false;
};

void PutState(Out& out, const platform::ItemState& s, bool updatedOnly) {
    out.U8(static_cast<uint8_t>((s.created ? kCreated : 0) | (s.record ? kRecord : 0) | (s.word ? kWord : 0) |
                                (s.ownCreated ? kOwnCreated : 0) | (updatedOnly ? kUpdatedOnly : 0)));
    out.U64(s.id.device);
    out.U64(s.id.inode);
    out.Time(s.created.value_or(platform::UtcTime()));
    out.Time(s.updated);
    out.U32(s.attributes);
    out.U32(s.mode);
    out.Text(s.record.value_or(std::string()));
    out.U32(s.word.value_or(0));
    out.U64(s.ownCreated.value_or(0));
}

// has: the flags as stored, for the caller to check.
platform::ItemState GetState(In& in, uint8_t& has) {
    platform::ItemState s;
    has = in.U8();
    s.id.device = in.U64();
    s.id.inode = in.U64();
    const platform::UtcTime created = in.Time();
    s.updated = in.Time();
    s.attributes = in.U32();
    s.mode = in.U32();
    std::string record = in.Text();
    const uint32_t word = in.U32();
    const uint64_t ownCreated = in.U64();
    if ((has & kCreated) != 0) {
        s.created = created;
    }
    if ((has & kRecord) != 0) {
        s.record = std::move(record);
    }
    if ((has & kWord) != 0) {
        s.word = word;
    }
    if ((has & kOwnCreated) != 0) {
        s.ownCreated = ownCreated;
    }
    return s;
}

bool IsCompact(const ItemRecord& item) {
    const platform::ItemState& s = item.before;
    return item.updatedOnly && !s.created && !s.record && !s.word && !s.ownCreated && s.attributes == 0 &&
           s.mode == 0 && !item.asked.created && item.asked.updated && !item.asked.attributes;
}

void PutItem(Out& out, const ItemRecord& item) {
    out.Text(item.path);
    if (IsCompact(item)) {
        out.U8(kUpdatedOnly | kCompact);
        out.U64(item.before.id.device);
        out.U64(item.before.id.inode);
        out.Time(item.before.updated);
        out.Time(*item.asked.updated);
        return;
    }
    PutState(out, item.before, item.updatedOnly);
    const Asked& a = item.asked;
    out.U8(static_cast<uint8_t>((a.created ? kAskCreated : 0) | (a.updated ? kAskUpdated : 0) |
                                (a.attributes ? kAskAttributes : 0)));
    out.Time(a.created.value_or(platform::UtcTime()));
    out.Time(a.updated.value_or(platform::UtcTime()));
    out.U32(a.attributes.value_or(0));
}

platform::ItemState GetCompactState(In& in) {
    platform::ItemState s;
    s.id.device = in.U64();
    s.id.inode = in.U64();
    s.updated = in.Time();
    return s;
}

bool ReadItem(In& in, uint16_t version, ItemRecord& item) {
    item.path = in.Text();
    const uint8_t compact = kUpdatedOnly | kCompact;
    if (version >= 3 && in.Peek() == compact) {
        in.U8();
        item.before = GetCompactState(in);
        item.asked = Asked();
        item.asked.updated = in.Time();
        item.updatedOnly = true;
        return in.Ok();
    }
    uint8_t stateHas = 0;
    item.before = GetState(in, stateHas);
    item.updatedOnly = (stateHas & kUpdatedOnly) != 0;
    const bool known = (stateHas & ~(version >= 2 ? kAllHas : kAllHas & ~kUpdatedOnly)) == 0;
    const uint8_t has = in.U8();
    const platform::UtcTime created = in.Time();
    const platform::UtcTime updated = in.Time();
    const uint32_t attributes = in.U32();
    item.asked = Asked();
    if ((has & kAskCreated) != 0) {
        item.asked.created = created;
    }
    if ((has & kAskUpdated) != 0) {
        item.asked.updated = updated;
    }
    if ((has & kAskAttributes) != 0) {
        item.asked.attributes = attributes;
    }
    return known && in.Ok();
}

size_t Padding(size_t bodySize, uint32_t version) {
    return version >= 2 ? (4 - bodySize % 4) % 4 : 0;
}

// Starts a record in bytes, which then take its payload: room for the length, and the kind.
void BeginRecord(std::string& bytes, uint8_t kind) {
    bytes.assign(4, '\0');
    bytes.push_back(static_cast<char>(kind));
}

// Ends the record begun in bytes: its length, padding and check.
void EndRecord(std::string& bytes) {
    const size_t bodySize = bytes.size() - 4;
    platform::StoreLe32(bytes.data(), static_cast<uint32_t>(bodySize));
    bytes.append(Padding(bodySize, kVersion), '\0');
    Out(bytes).U32(Crc32(std::string_view(bytes).substr(4, bodySize)));
}

// One record of a file, read at a byte.
struct Record {
    enum Status { Whole, Torn, Bad } status = Bad;
    std::string_view body;
    size_t next = 0; // where the next record starts
};

Record RecordAt(std::string_view bytes, size_t at, uint32_t version) {
    Record r;
    if (bytes.size() - at < 8) {
        return r;
    }
    const uint32_t size = platform::LoadLe32(bytes.data() + at);
    const size_t padded = size + Padding(size, version);
    if (size == 0 || size > kMaxRecord || padded > bytes.size() - at - 8) {
        return r;
    }
    r.body = bytes.substr(at + 4, size);
    r.next = at + 8 + padded;
    const uint32_t check = platform::LoadLe32(bytes.data() + at + 4 + padded);
    const uint32_t crc = Crc32(r.body);
    if (check == crc) {
        r.status = Record::Whole;
    } else if (check == 0 && version >= 2 &&
               bytes.find_first_not_of('\0', r.next) == std::string_view::npos) {
        r.status = Record::Torn; // the last thing in the file, its check never written
    }
    return r;
}

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Names sort as the runs came: the UTC time to the microsecond, the process, then a count of
// the process's own runs.
std::string NewName(const platform::UtcTime& started) {
    static std::atomic<unsigned> count{0};
    char name[96];
    std::snprintf(name, sizeof name, "%020lld-%06u-%010d-%06u.journal",
                  static_cast<long long>(started.seconds), started.nanoseconds / 1000, platform::ProcessId(),
                  count++ % 1000000);
    return name;
}

bool IsJournalName(std::string_view name) {
    return name.size() > 8 && name.substr(name.size() - 8) == ".journal" && name.front() != '.';
}

void Prune(const std::string& folder) {
    const std::vector<std::string> runs = ListRuns(folder);
    for (size_t i = kKeptRuns - 1; i < runs.size(); ++i) {
        platform::RemoveFile(platform::JoinPath(folder, runs[i]));
    }
}

void PutEnd(Out& out, const RunEnd& end) {
    out.U64(end.items);
    out.U8(end.cancelled ? 1 : 0);
}

// The bytes of a file from offset on, at most size of them; none when it cannot be read.
std::optional<std::string> ReadPart(const std::string& path, int64_t offset, size_t size,
                                    std::ios::seekdir from = std::ios::beg) {
    std::ifstream file(std::filesystem::path(std::u8string(path.begin(), path.end())), std::ios::binary);
    if (!file || !file.seekg(offset, from)) {
        return std::nullopt;
    }
    std::string bytes(size, '\0');
    file.read(bytes.data(), static_cast<std::streamsize>(size));
    bytes.resize(static_cast<size_t>(file.gcount()));
    return bytes;
}

} // namespace

std::unique_ptr<Writer> Writer::Start(const std::string& folder, const RunHeader& header,
                                      std::error_code& error) {
    Prune(folder);
    std::unique_ptr<Writer> writer(new Writer);
    writer->m_name = NewName(header.started);
    writer->m_file = platform::AppendFile::Create(platform::JoinPath(folder, writer->m_name),
                                                  platform::CreateFolders::Yes, kReserve, error);
    if (error) {
        return nullptr;
    }
    std::string& bytes = writer->m_record;
    BeginRecord(bytes, kHeader);
    Out out(bytes);
    out.U8(static_cast<uint8_t>(header.kind));
    out.Time(header.started);
    out.Text(header.summary);
    out.Text(header.undid);
    EndRecord(bytes);
    std::string start(kMagic);
    Out(start).U32(kVersion);
    if ((error = writer->m_file->Append(start + bytes)) || (error = writer->m_file->Sync())) {
        writer->m_file.reset();
        platform::RemoveFile(platform::JoinPath(folder, writer->m_name));
        return nullptr;
    }
    writer->m_lastSync = NowNs();
    return writer;
}

Writer::~Writer() = default;

std::error_code Writer::Write() {
    EndRecord(m_record);
    const std::error_code error = m_file->Append(m_record);
    if (m_record.capacity() > kKeptRecordSpace) {
        m_record = std::string();
    }
    if (error) {
        return error;
    }
    // The clock is read now and then only: a record costs less than reading it.
    if (++m_sinceClock < kRecordsPerClock) {
        return {};
    }
    m_sinceClock = 0;
    if (const int64_t now = NowNs(); now - m_lastSync >= kSyncEveryNs) {
        m_lastSync = now;
        return m_file->Sync();
    }
    return {};
}

std::error_code Writer::Add(const ItemRecord& item) {
    BeginRecord(m_record, kItem);
    Out out(m_record);
    PutItem(out, item);
    if (m_record.size() - 4 > kMaxRecord) { // a body the reader would refuse
        m_record = std::string();
        return std::make_error_code(std::errc::filename_too_long);
    }
    auto ec = Write();
    m_added += ec ? 0 : 1;
    return ec;
}

std::error_code Writer::Finish(const RunEnd& end) {
    BeginRecord(m_record, kEnd);
    Out out(m_record);
    PutEnd(out, end);
    if (auto ec = Write()) {
        return ec;
    }
    if (auto ec = m_file->Sync()) {
        return ec;
    }
    return m_file->Close();
}

std::error_code DecodeRun(std::string_view bytes, Run& run, uint64_t* where) {
    const std::error_code damaged = platform::Errc::journal_damaged;
    run = Run();
    size_t at = kMagic.size() + 4;
    const auto fail = [&] {
        if (where != nullptr) {
            *where = at;
        }
        run = Run();
        return damaged;
    };
    const uint32_t version = bytes.size() < at ? 0 : platform::LoadLe32(bytes.data() + kMagic.size());
    if (bytes.size() < at || bytes.substr(0, kMagic.size()) != kMagic || version < kOldestVersion ||
        version > kVersion) {
        at = 0;
        return fail();
    }
    bool first = true;
    while (at < bytes.size()) {
        // Space taken ahead of records that never came: a run stopped before its end.
        if (!first && bytes.find_first_not_of('\0', at) == std::string_view::npos) {
            break;
        }
        if (run.end) {
            return fail(); // something after the end
        }
        const Record record = RecordAt(bytes, at, version);
        if (record.status == Record::Torn && !first) {
            break; // an item the run never got to change
        }
        if (record.status != Record::Whole) {
            return fail();
        }
        const std::string_view body = record.body;
        const auto kind = static_cast<uint8_t>(body[0]);
        In in(body.substr(1));
        if (first != (kind == kHeader)) {
            return fail();
        }
        if (kind == kHeader) {
            const uint8_t runKind = in.U8();
            run.header.kind = static_cast<RunKind>(runKind);
            run.header.started = in.Time();
            run.header.summary = in.Text();
            run.header.undid = in.Text();
            if (runKind > 1 || !in.Ok()) {
                return fail();
            }
        } else if (kind == kItem) {
            run.items.emplace_back();
            if (!ReadItem(in, static_cast<uint16_t>(version), run.items.back())) {
                return fail();
            }
        } else if (kind == kEnd) {
            RunEnd end;
            end.items = in.U64();
            end.cancelled = in.U8() != 0;
            if (!in.Ok()) {
                return fail();
            }
            run.end = end;
        } else {
            return fail();
        }
        first = false;
        at = record.next;
    }
    if (first) {
        return fail();
    }
    return {};
}

std::error_code ReadRun(const std::string& folder, const std::string& name, Run& run, uint64_t* where) {
    std::string bytes;
    if (auto ec = platform::ReadFileBytes(platform::JoinPath(folder, name), size_t{1} << 31, bytes)) {
        return ec;
    }
    auto ec = DecodeRun(bytes, run, where);
    run.name = ec ? std::string() : name;
    return ec;
}

std::error_code ReadRunInfo(const std::string& folder, const std::string& name, RunInfo& info) {
    info = RunInfo();
    const std::string path = platform::JoinPath(folder, name);
    const size_t start = kMagic.size() + 4;
    std::optional<std::string> head = ReadPart(path, 0, start + 4 + 64 * 1024);
    if (!head) {
        const std::error_code ec = platform::LastError();
        return ec ? ec : make_error_code(platform::Errc::journal_damaged);
    }
    // The header record alone, as DecodeRun reads it.
    const uint32_t version = head->size() >= start ? platform::LoadLe32(head->data() + kMagic.size()) : 0;
    const Record header = RecordAt(*head, std::min(start, head->size()), version);
    Run run;
    if (header.status != Record::Whole || DecodeRun(std::string_view(*head).substr(0, header.next), run)) {
        return platform::Errc::journal_damaged;
    }
    info.name = name;
    info.header = run.header;
    std::string endPayload;
    Out endOut(endPayload);
    PutEnd(endOut, {});
    const size_t endBody = 1 + endPayload.size();
    const size_t endSize = 8 + endBody + Padding(endBody, version);
    const std::optional<std::string> tail =
        ReadPart(path, -static_cast<int64_t>(endSize), endSize, std::ios::end);
    if (!tail || tail->size() != endSize) {
        return {};
    }
    const Record last = RecordAt(*tail, 0, version);
    const std::string_view body = last.body;
    if (last.status != Record::Whole || last.next != endSize || body[0] != static_cast<char>(kEnd)) {
        return {};
    }
    In in(body.substr(1));
    RunEnd end;
    end.items = in.U64();
    end.cancelled = in.U8() != 0;
    if (in.Ok()) {
        info.end = end;
    }
    return {};
}

std::vector<std::string> ListRuns(const std::string& folder) {
    std::vector<std::string> names;
    platform::ListFolder(folder, names);
    names.erase(
        std::remove_if(names.begin(), names.end(), [](const std::string& n) { return !IsJournalName(n); }),
        names.end());
    std::sort(names.rbegin(), names.rend());
    return names;
}

std::string DefaultFolder() {
    return platform::JoinPath(platform::JoinPath(platform::StateHome(), "Datemark"), "journal");
}

} // namespace journal
