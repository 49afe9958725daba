#pragma once

#include <string>
#include <system_error>

namespace cli {

// Why the command line leaves an item as it is, where the engine has no word for it. The
// texts are those of the result lines, in the program's language.
enum class Errc {
    no_capture_date = 1, // a file without Exif DateTimeOriginal
    bad_capture_date,    // a DateTimeOriginal that is no date
    not_a_photo,         // a file of a kind the Exif reader does not know
    exif_unreadable,     // a photo whose Exif data cannot be read (damaged, cut short)
    no_creation_time,    // nothing to move or copy: the item shows no creation time
    folder_not_asked,    // a folder given without --folders or -r: nothing to do there
};

const std::error_category& CliCategory();
std::error_code make_error_code(Errc e);

} // namespace cli

template <> struct std::is_error_code_enum<cli::Errc> : std::true_type {};
