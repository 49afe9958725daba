#pragma once

namespace idr {
inline constexpr int Toolbar = 150; // the main window's commands; bitmap 150 holds their images
} // namespace idr

// The image of a command's first button on a toolbar resource, whose bitmap of the same id has
// one image for each button that is not a separator: how many such buttons come before it.
// False, *imageIndex untouched, when the toolbar or the command is missing; 0 is never a
// command, so it finds no separator. Only an index above 0 is stored: for the first image the
// caller's own value stands, which callers preset on purpose.
bool FindToolbarImage(unsigned commandId, int toolbarId, int* imageIndex);
