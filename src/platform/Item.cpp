// The parts of Item that only move its facts; opening and closing are each system's.
#include "platform/FileSystem.h"

#include <utility>

namespace platform {

Item::~Item() {
    Close();
}

Item::Item(Item&& other) noexcept
    : m_handle(std::exchange(other.m_handle, -1)), m_place(std::exchange(other.m_place, nullptr)),
      m_type(other.m_type), m_id(other.m_id), m_mountId(other.m_mountId), m_mode(other.m_mode),
      m_owner(other.m_owner), m_locked(other.m_locked), m_dotName(other.m_dotName),
      m_readable(other.m_readable), m_links(other.m_links), m_updated(other.m_updated),
      m_created(other.m_created) {}

Item& Item::operator=(Item&& other) noexcept {
    if (this != &other) {
        Close();
        m_handle = std::exchange(other.m_handle, -1);
        m_place = std::exchange(other.m_place, nullptr);
        m_type = other.m_type;
        m_id = other.m_id;
        m_mountId = other.m_mountId;
        m_mode = other.m_mode;
        m_owner = other.m_owner;
        m_locked = other.m_locked;
        m_dotName = other.m_dotName;
        m_readable = other.m_readable;
        m_links = other.m_links;
        m_updated = other.m_updated;
        m_created = other.m_created;
    }
    return *this;
}

} // namespace platform
