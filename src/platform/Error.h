#pragma once

#include <string>
#include <system_error>

namespace platform {

// Conditions the operating system has no word for. Their texts are in the UI language.
enum class Errc {
    creation_time_unsupported = 1, // the file system cannot store a creation time
    time_not_stored,               // the file system kept another time than the one written
    invalid_time,                  // a calendar time that cannot be converted
    attributes_unsupported,        // the file system cannot store these attributes
    dos_record_newer,              // user.DOSATTRIB has a version newer than any known here
    dos_record_damaged,            // user.DOSATTRIB cannot be read
    no_safe_way,                   // the system offers no way to change the item without a path
    hidden_by_name,                // clearing hidden on a name starting with "."
    not_a_file_or_folder,          // attributes asked of a device, FIFO or socket
    contents_skipped,              // a folder whose contents were not visited
    kernel_file_system,            // a mount of proc, sysfs and the like, never entered
    became_link,                   // a row's path became a symbolic link after it was listed
    folder_moved,                  // a folder of the walk was moved away while it was walked
    journal_damaged,               // a run's journal cannot be read as written
    journal_unwritable,            // the journal of a run could not be written: nothing changed
    changed_since,                 // an item changed by someone else since the run undone
    item_missing,                  // an item of the run undone is nowhere to be found
};

const std::error_category& DatemarkCategory();
std::error_code make_error_code(Errc e);

// The calling thread's last system error (errno on POSIX, GetLastError on Windows).
std::error_code LastError();

// A system error code as an error_code.
inline std::error_code SystemError(int code) {
    return {code, std::system_category()};
}

// The message for an error: the system's text in the user's locale for a system code, the
// category's own text for any other (an Errc). Empty when the system has no text for the code. Never ends in
// a line break (Windows texts are trimmed of theirs).
std::string ErrorText(const std::error_code& error);

// ErrorText for a system code in a named locale ("ja_JP.UTF-8"); the user's locale when the
// name is empty or that locale is not installed.
std::string SystemErrorText(int code, const char* localeName);

} // namespace platform

template <> struct std::is_error_code_enum<platform::Errc> : std::true_type {};
