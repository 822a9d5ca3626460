// WaylandSeat: one round trip to the compositor for its list of globals; see the header.
#include "platform/sdl/WaylandSeat.hpp"

#include <wayland-client.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void globalAdded(void* data, wl_registry*, std::uint32_t, const char* interface, std::uint32_t)
{
    if (std::strcmp(interface, "wl_seat") == 0)
        *static_cast<bool*>(data) = true;
}

void globalRemoved(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener registryListener{globalAdded, globalRemoved};

} // namespace

WaylandSeat probeWaylandSeat()
{
    if (std::getenv("WAYLAND_SOCKET") != nullptr)
        return WaylandSeat::Unreachable;
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr)
        return WaylandSeat::Unreachable;
    bool seat = false;
    wl_registry* registry = wl_display_get_registry(display);
    const bool answered = registry != nullptr && wl_registry_add_listener(registry, &registryListener, &seat) == 0
        && wl_display_roundtrip(display) >= 0;
    if (registry != nullptr)
        wl_registry_destroy(registry);
    wl_display_disconnect(display);
    if (!answered)
        return WaylandSeat::Unreachable;
    return seat ? WaylandSeat::Offered : WaylandSeat::Missing;
}
