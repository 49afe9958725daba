#pragma once

// The release this build is: shown in the About box, compared by the version check, written to
// the settings file.
inline constexpr char APP_VERSION[] = "1.3.0";
