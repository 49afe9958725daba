#pragma once

#include "platform/FileSystem.h"

#include <memory>
#include <string>
#include <system_error>

namespace platform {

// Whether a walk goes on into other mounts below its root.
enum class CrossMounts { Yes, No };

// What a walk's items are for. Changes need each item open. Questions alone (a preview) may be
// asked of a regular file by its name in its open folder, which spares opening and closing it,
// where that needs no right taken and the system answers every question by name.
enum class ItemsFor { Changes, Questions };

// Everything below one folder, depth first, each folder handed out before its contents, in the
// order the file system lists them. Each item is opened once through its open folder without
// following a link (Item::OpenIn). Symbolic links inside are passed over without a word, a
// folder already walked (one mounted inside itself) is not entered again, and kernel file
// systems (proc, sysfs, devtmpfs and their like) are neither handed out nor entered.
//
// Memory grows linearly with the depth (one path buffer, a few words per level), and only a
// window of levels keeps its folder open: a deeper walk gives up the shallower ones and opens
// them again on the way back, through the level below ("..") or down from an open ancestor,
// checked by device and inode, so that a folder moved meanwhile is noticed and any descriptor
// limit of at least 64 does. The position in a folder opened again is the file system's
// directory cookie.
//
// With CrossMounts::No, anything on another mount than the root's (a mounted file system, a
// bind mount, a btrfs subvolume) is neither handed out nor entered, without a word: the caller
// asked to stay on the root's own.
class TreeWalk {
public:
    // root: an open folder, borrowed for the walk's life; rootPath: its path as lines show it.
    TreeWalk(const Item& root, const std::string& rootPath, CrossMounts mounts = CrossMounts::Yes,
             ItemsFor use = ItemsFor::Changes);
    ~TreeWalk();
    TreeWalk(const TreeWalk&) = delete;
    TreeWalk& operator=(const TreeWalk&) = delete;

    enum class Step {
        Item,    // Current() is the next item, Path() its full path; a folder is entered on the
                 // next call
        Problem, // something at Path() was skipped: Error() says what, Reason() why (may be empty)
        End,
    };
    Step Next();
    // The folder just handed out is not entered.
    void LeaveCurrent();

    const Item& Current() const;
    // Valid until the next call.
    const std::string& Path() const;
    std::error_code Error() const;
    std::error_code Reason() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace platform
