#include "res/Toolbars.h"

#include "res/DialogTemplate.h"

#include <algorithm>
#include <iterator>

namespace {

// The order of the images in bitmap 150.
constexpr unsigned kMainCommands[] = {
    idc::AddFiles, idc::AddFolder, idc::Delete, 0, idc::Properties, idc::Explorer, 0, idc::Update,
};

constexpr ToolbarResource kToolbars[] = {
    {idr::Toolbar, 16, 15, kMainCommands},
};

} // namespace

const ToolbarResource* FindToolbarResource(int id) {
    const auto* found = std::find_if(std::begin(kToolbars), std::end(kToolbars),
                                     [id](const ToolbarResource& t) { return t.id == id; });
    return found != std::end(kToolbars) ? found : nullptr;
}

bool FindToolbarImage(unsigned commandId, int toolbarId, int* imageIndex) {
    const ToolbarResource* toolbar = FindToolbarResource(toolbarId);
    if (toolbar == nullptr || commandId == 0) {
        return false;
    }
    const auto button = std::find(toolbar->commands.begin(), toolbar->commands.end(), commandId);
    if (button == toolbar->commands.end()) {
        return false;
    }
    const auto image = static_cast<int>(
        std::count_if(toolbar->commands.begin(), button, [](unsigned command) { return command != 0; }));
    if (image > 0 && imageIndex != nullptr) {
        *imageIndex = image;
    }
    return true;
}
