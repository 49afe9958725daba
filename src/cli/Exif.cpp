#include "cli/Exif.h"

#include "cli/CliError.h"
#include "cli/TimeArgs.h"

#include <exiv2/exiv2.hpp>
#include <memory>
#include <string>
#include <string_view>

namespace {

constexpr size_t kStart = 256 << 10;
constexpr size_t kLargest = 64 << 20;

struct ExifDate {
    std::string date;   // "2005:10:12 14:06:42"
    std::string offset; // "+09:00", or empty
};

std::string ValueOf(const Exiv2::ExifData& data, const char* key) {
    const auto it = data.findKey(Exiv2::ExifKey(key));
    if (it == data.end()) {
        return {};
    }
    std::string text = it->toString();
    while (!text.empty() && (text.back() == '\0' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

// Reads the bytes as an image; what the Exif data holds, or why not.
std::error_code ReadDate(const std::string& bytes, ExifDate& out) {
    const auto* data = reinterpret_cast<const Exiv2::byte*>(bytes.data());
    const long size = static_cast<long>(bytes.size());
    try {
        if (Exiv2::ImageFactory::getType(data, size) == Exiv2::ImageType::none) {
            return cli::Errc::not_a_photo;
        }
        // The library hands out std::auto_ptr; a unique_ptr takes it over at once.
        const std::unique_ptr<Exiv2::Image> image(Exiv2::ImageFactory::open(data, size).release());
        image->readMetadata();
        out.date = ValueOf(image->exifData(), "Exif.Photo.DateTimeOriginal");
        out.offset = ValueOf(image->exifData(), "Exif.Photo.OffsetTimeOriginal");
    } catch (const std::exception&) { // the library's own errors, and running out of memory
        return cli::Errc::exif_unreadable;
    }
    return out.date.empty() ? cli::Errc::no_capture_date : std::error_code();
}

// Exif writes an unknown offset as spaces, or as "   :  "; the trailing ones are gone already.
bool IsBlankOffset(std::string_view offset) {
    if (offset.size() >= 4 && offset.substr(0, 4) == "   :") {
        offset.remove_prefix(4);
    }
    return offset.find_first_not_of(' ') == std::string_view::npos;
}

// "2005:10:12 14:06:42" and "+09:00" as the moment they name.
std::error_code MomentOf(const ExifDate& exif, platform::UtcTime& out) {
    std::string iso = exif.date;
    if (iso.size() != 19 || iso[4] != ':' || iso[7] != ':' || iso[10] != ' ') {
        return cli::Errc::bad_capture_date;
    }
    iso[4] = iso[7] = '-';
    iso[10] = 'T';
    // Only a blank offset means unknown, and the time is then local; any other text than
    // "+hh:mm" is a damaged date, not to be read at a guessed offset.
    if (!IsBlankOffset(exif.offset)) {
        if (exif.offset.size() != 6 || (exif.offset[0] != '+' && exif.offset[0] != '-') ||
            exif.offset[3] != ':') {
            return cli::Errc::bad_capture_date;
        }
        iso += exif.offset;
    }
    TimeArg time;
    std::string error;
    if (!ParseTime(iso, {}, time, error)) {
        return cli::Errc::bad_capture_date;
    }
    const auto moment = time.moment ? time.moment : platform::LocalToUtc(time.wall);
    if (!moment) {
        return cli::Errc::bad_capture_date;
    }
    out = *moment;
    return {};
}

} // namespace

bool ExifReaderBuiltIn() {
    return true;
}

ExifReaderScope::ExifReaderScope() {
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
}

ExifReaderScope::~ExifReaderScope() {
    Exiv2::XmpParser::terminate();
}

std::error_code CaptureTime(const platform::Item& item, platform::UtcTime& out) {
    std::string bytes;
    if (auto error = platform::ReadFileStart(item, kStart, bytes)) {
        return error;
    }
    ExifDate exif;
    std::error_code error = ReadDate(bytes, exif);
    if (error && error != cli::Errc::not_a_photo && bytes.size() == kStart) {
        if (auto readError = platform::ReadFileStart(item, kLargest, bytes)) {
            return readError;
        }
        error = ReadDate(bytes, exif);
    }
    return error ? error : MomentOf(exif, out);
}
