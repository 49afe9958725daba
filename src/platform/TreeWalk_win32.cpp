// The walk keeps every level's folder open: Windows has no descriptor limit a deep tree could
// reach (handles run to millions), so no level is given up and found again. Folders are listed
// through their handles and their names opened relative to them; a folder is known by its
// volume serial number and file index.
#include "platform/Error.h"
#include "platform/TreeWalk.h"
#include "platform/Win32Files.h"

#include <set>
#include <utility>
#include <vector>

namespace platform {

struct TreeWalk::Impl {
    Impl(const Item& root, const std::string& rootPath, CrossMounts mounts, ItemsFor use);
    Step Next();

    Step Problem(std::error_code what, std::error_code why = {}) {
        error = what;
        reason = why;
        return Step::Problem;
    }
    void AppendName(const std::string& name) {
        if (path.empty() || (path.back() != '\\' && path.back() != '/')) {
            path.push_back('\\');
        }
        path.append(name);
    }
    bool Enter();

    struct Level {
        size_t pathEnd;
        Directory listing;
    };

    std::string path;
    bool crossMounts = true;
    uint64_t rootVolume = 0;
    std::vector<Level> levels;
    std::set<std::pair<uint64_t, uint64_t>> visited;
    DirEntry entry;
    Item current;
    bool enterCurrent = false;
    bool pending = false; // a problem of the root, told at the first call
    std::error_code error;
    std::error_code reason;
};

// Every item is opened: a handle is the only way to its attributes here.
TreeWalk::Impl::Impl(const Item& root, const std::string& rootPath, CrossMounts mounts, ItemsFor /*use*/)
    : path(rootPath), crossMounts(mounts == CrossMounts::Yes), rootVolume(root.Id().device) {
    visited.insert({root.Id().device, root.Id().inode});
    std::error_code ec;
    Directory listing = Directory::Open(root, ec);
    if (ec) {
        pending = true;
        Problem(make_error_code(Errc::contents_skipped), ec);
        return;
    }
    levels.push_back({path.size(), std::move(listing)});
}

// Enters the current folder; true when that failed with a problem to tell.
bool TreeWalk::Impl::Enter() {
    if (!visited.insert({current.Id().device, current.Id().inode}).second) {
        return false;
    }
    std::error_code ec;
    Directory listing = Directory::Open(current, ec);
    if (ec) {
        Problem(make_error_code(Errc::contents_skipped), ec);
        return true;
    }
    levels.push_back({path.size(), std::move(listing)});
    return false;
}

TreeWalk::Step TreeWalk::Impl::Next() {
    if (pending) {
        pending = false;
        return Step::Problem;
    }
    if (enterCurrent) {
        enterCurrent = false;
        if (Enter()) {
            current.Close();
            return Step::Problem;
        }
    }
    current.Close();
    while (!levels.empty()) {
        Level& top = levels.back();
        path.resize(top.pathEnd);
        std::error_code ec;
        if (!top.listing.Next(entry, ec)) {
            if (ec) { // the listing is done now; it is left on the next call
                return Problem(make_error_code(Errc::contents_skipped), ec);
            }
            levels.pop_back();
            continue;
        }
        if (entry.type == DirEntry::Type::Link) {
            continue;
        }
        AppendName(entry.name);
        current = Item::OpenIn(top.listing, entry.name, ec);
        if (ec) {
            return Problem(ec);
        }
        // A link swapped in since the folder was listed, or another volume mounted here.
        if (current.Type() == ItemType::Link || (!crossMounts && current.Id().device != rootVolume)) {
            current.Close();
            continue;
        }
        enterCurrent = current.Type() == ItemType::Folder;
        return Step::Item;
    }
    return Step::End;
}

#include "platform/TreeWalkMembers.inc"

} // namespace platform
