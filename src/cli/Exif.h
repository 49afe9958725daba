#pragma once

#include "platform/FileSystem.h"

#include <system_error>

// When a photo was taken: its Exif DateTimeOriginal, at the offset its OffsetTimeOriginal gives
// where it has one, else in local time by the window's rules (see platform::LocalToUtc). The
// file is read through the item's handle (see platform::ReadFileStart): its first 256 KiB,
// where JPEG keeps its Exif data, and the whole file up to 64 MiB only when those hold no date.
// Fails with the system's reason when the file cannot be read, and with cli::Errc when it is no
// photo the reader knows, its Exif data cannot be read, or it holds no such date.
std::error_code CaptureTime(const platform::Item& item, platform::UtcTime& out);

// Whether this build reads Exif data at all (the Windows build has no reader).
bool ExifReaderBuiltIn();

// The Exif reader set up for the life of the process: no warnings of its own on standard
// error, and what it keeps for XMP given back at the end.
class ExifReaderScope {
public:
    ExifReaderScope();
    ~ExifReaderScope();
    ExifReaderScope(const ExifReaderScope&) = delete;
    ExifReaderScope& operator=(const ExifReaderScope&) = delete;
};
