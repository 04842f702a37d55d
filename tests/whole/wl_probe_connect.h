/* What the Wayland test probes do first: connect to the compositor WAYLAND_DISPLAY names
 * and hand every global it announces to `on_global`; ends the probe when there is none. */
#pragma once
#include <stdio.h>
#include <stdlib.h>
#include <wayland-client.h>

typedef void (*probe_global_handler)(void* data, struct wl_registry* registry, uint32_t name,
                                     const char* interface, uint32_t version);

static void probe_global_removed(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data, (void)registry, (void)name;
}

static struct wl_display* probe_connect(probe_global_handler on_global) {
    static struct wl_registry_listener listener;
    listener.global = on_global;
    listener.global_remove = probe_global_removed;
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "no Wayland display\n");
        exit(1);
    }
    wl_registry_add_listener(wl_display_get_registry(display), &listener, NULL);
    if (wl_display_roundtrip(display) < 0)
        exit(1);
    return display;
}
