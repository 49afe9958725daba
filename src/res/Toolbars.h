#pragma once

#include <span>

// Toolbar resources as data. The button images come from the bitmap resource with the
// toolbar's id, one image for each button that is not a separator, in button order.
struct ToolbarResource {
    int id;
    int buttonWidth;
    int buttonHeight;
    std::span<const unsigned> commands; // in button order; 0 is a separator
};

namespace idr {
inline constexpr int Toolbar = 150; // the main window's commands
} // namespace idr

// The toolbar resource with this id; null when there is none.
const ToolbarResource* FindToolbarResource(int id);

// The image of a command's first button on a toolbar: how many buttons before it are not
// separators. False, *imageIndex untouched, when the toolbar or the command is missing; 0 is
// never a command, so it finds no separator. Only an index above 0 is stored: for the first
// image the caller's own value stands, which callers preset on purpose.
bool FindToolbarImage(unsigned commandId, int toolbarId, int* imageIndex);
