// Whether the Wayland display SDL would start on offers a seat (a keyboard or a mouse). SDL
// 2.26's Wayland video dereferences the seat it expects as it starts, and crashes where there
// is none (a compositor without input, such as weston's headless backend); this asks first.
#pragma once

enum class WaylandSeat { Unreachable, Offered, Missing };

// Connects to the Wayland display that WAYLAND_DISPLAY (or wayland-0) names in XDG_RUNTIME_DIR,
// reads its globals once and disconnects. Unreachable when no compositor answers there, or
// when the program was handed a connection of its own (WAYLAND_SOCKET), which it leaves to SDL.
WaylandSeat probeWaylandSeat();
