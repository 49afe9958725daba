// The build without an Exif reader: "exif" is refused as usage before anything is read.
#include "cli/Exif.h"

bool ExifReaderBuiltIn() {
    return false;
}

ExifReaderScope::ExifReaderScope() = default;
ExifReaderScope::~ExifReaderScope() = default;

std::error_code CaptureTime(const platform::Item&, platform::UtcTime&) {
    return std::make_error_code(std::errc::function_not_supported);
}
