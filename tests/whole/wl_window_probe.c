/* Another program's window for Wayland tests: an xdg toplevel filled with one colour
 * (argv[1], "RRGGBB", green by default), with fine black stripes in its top left quarter
 * when argv[2] is "stripes" (detail that a blur takes away), that reports on stdout, one
 * line each, what its keyboard gets: "mapped" once it is on screen, "enter", "leave",
 * "key CODE 1|0" (the kernel's key code, pressed or released). The lock tests check that
 * nothing reaches it while the session is locked. */
#define _GNU_SOURCE
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include "wl_probe_connect.h"
#include "xdg-shell-client-protocol.h"

static struct wl_compositor* compositor;
static struct wl_shm* shm;
static struct wl_seat* seat;
static struct xdg_wm_base* wm_base;
static struct wl_surface* surface;
static uint32_t colour = 0xff00ff00;
static int stripes;
static int mapped;

static void on_global(void* data, struct wl_registry* registry, uint32_t name,
                      const char* interface, uint32_t version) {
    (void)data;
    (void)version;
    if (!strcmp(interface, wl_compositor_interface.name))
        compositor = wl_registry_bind(registry, name, &wl_compositor_interface, 4);
    else if (!strcmp(interface, wl_shm_interface.name))
        shm = wl_registry_bind(registry, name, &wl_shm_interface, 1);
    else if (!strcmp(interface, wl_seat_interface.name) && !seat)
        seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
    else if (!strcmp(interface, xdg_wm_base_interface.name))
        wm_base = wl_registry_bind(registry, name, &xdg_wm_base_interface, 1);
}

static void on_ping(void* data, struct xdg_wm_base* base, uint32_t serial) {
    (void)data;
    xdg_wm_base_pong(base, serial);
}
static const struct xdg_wm_base_listener wm_base_listener = {on_ping};

static struct wl_buffer* filled_buffer(int width, int height) {
    size_t size = (size_t)width * (size_t)height * 4;
    int fd = memfd_create("vtr-probe-window", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, (off_t)size) < 0)
        return NULL;
    uint32_t* pixels = mmap(NULL, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (pixels == MAP_FAILED)
        return NULL;
    for (size_t i = 0; i < size / 4; i++) {
        const size_t x = i % (size_t)width, y = i / (size_t)width;
        const int stripe = stripes && x < (size_t)width / 2 && y < (size_t)height / 2 && x % 4 < 2;
        pixels[i] = stripe ? 0xff000000u : colour;
    }
    munmap(pixels, size);
    struct wl_shm_pool* pool = wl_shm_create_pool(shm, fd, (int32_t)size);
    struct wl_buffer* buffer =
        wl_shm_pool_create_buffer(pool, 0, width, height, width * 4, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    return buffer;
}

static int width = 640, height = 480;

static void on_surface_configure(void* data, struct xdg_surface* xdg, uint32_t serial) {
    (void)data;
    xdg_surface_ack_configure(xdg, serial);
    struct wl_buffer* buffer = filled_buffer(width, height);
    if (!buffer)
        exit(1);
    wl_surface_attach(surface, buffer, 0, 0);
    wl_surface_damage_buffer(surface, 0, 0, width, height);
    wl_surface_commit(surface);
    if (!mapped++)
        printf("mapped\n");
}
static const struct xdg_surface_listener surface_listener = {on_surface_configure};

static void on_toplevel_configure(void* data, struct xdg_toplevel* toplevel, int32_t w, int32_t h,
                                  struct wl_array* states) {
    (void)data;
    (void)toplevel;
    (void)states;
    if (w > 0 && h > 0) {
        width = w;
        height = h;
    }
}
static void on_close(void* data, struct xdg_toplevel* toplevel) {
    (void)data;
    (void)toplevel;
}
static void on_bounds(void* data, struct xdg_toplevel* toplevel, int32_t w, int32_t h) {
    (void)data, (void)toplevel, (void)w, (void)h;
}
static void on_capabilities_list(void* data, struct xdg_toplevel* toplevel, struct wl_array* a) {
    (void)data, (void)toplevel, (void)a;
}
static const struct xdg_toplevel_listener toplevel_listener = {on_toplevel_configure, on_close,
                                                               on_bounds, on_capabilities_list};

static void on_keymap(void* data, struct wl_keyboard* k, uint32_t format, int32_t fd,
                      uint32_t size) {
    (void)data;
    (void)k;
    (void)format;
    (void)size;
    close(fd);
}
static void on_enter(void* data, struct wl_keyboard* k, uint32_t serial, struct wl_surface* s,
                     struct wl_array* keys) {
    (void)data, (void)k, (void)serial, (void)s, (void)keys;
    printf("enter\n");
}
static void on_leave(void* data, struct wl_keyboard* k, uint32_t serial, struct wl_surface* s) {
    (void)data, (void)k, (void)serial, (void)s;
    printf("leave\n");
}
static void on_key(void* data, struct wl_keyboard* k, uint32_t serial, uint32_t time, uint32_t key,
                   uint32_t state) {
    (void)data, (void)k, (void)serial, (void)time;
    printf("key %u %u\n", key, state);
}
static void on_modifiers(void* data, struct wl_keyboard* k, uint32_t serial, uint32_t depressed,
                         uint32_t latched, uint32_t locked, uint32_t group) {
    (void)data, (void)k, (void)serial, (void)depressed, (void)latched, (void)locked, (void)group;
}
static void on_repeat(void* data, struct wl_keyboard* k, int32_t rate, int32_t delay) {
    (void)data, (void)k, (void)rate, (void)delay;
}
static const struct wl_keyboard_listener keyboard_listener = {on_keymap, on_enter,     on_leave,
                                                              on_key,    on_modifiers, on_repeat};

/* A keyboard is taken only once the seat has one: one taken earlier never gets events. */
static void on_capabilities(void* data, struct wl_seat* s, uint32_t capabilities) {
    static struct wl_keyboard* keyboard;
    (void)data;
    if ((capabilities & WL_SEAT_CAPABILITY_KEYBOARD) && !keyboard) {
        keyboard = wl_seat_get_keyboard(s);
        wl_keyboard_add_listener(keyboard, &keyboard_listener, NULL);
    }
}
static void on_seat_name(void* data, struct wl_seat* s, const char* name) {
    (void)data, (void)s, (void)name;
}
static const struct wl_seat_listener seat_listener = {on_capabilities, on_seat_name};

int main(int argc, char** argv) {
    if (argc > 1)
        colour = 0xff000000u | (uint32_t)strtoul(argv[1], NULL, 16);
    stripes = argc > 2 && !strcmp(argv[2], "stripes");
    setvbuf(stdout, NULL, _IOLBF, 0);
    struct wl_display* display = probe_connect(on_global);
    if (!compositor || !shm || !seat || !wm_base) {
        fprintf(stderr, "missing globals\n");
        return 1;
    }
    xdg_wm_base_add_listener(wm_base, &wm_base_listener, NULL);
    wl_seat_add_listener(seat, &seat_listener, NULL);
    surface = wl_compositor_create_surface(compositor);
    struct xdg_surface* xdg = xdg_wm_base_get_xdg_surface(wm_base, surface);
    xdg_surface_add_listener(xdg, &surface_listener, NULL);
    struct xdg_toplevel* toplevel = xdg_surface_get_toplevel(xdg);
    xdg_toplevel_add_listener(toplevel, &toplevel_listener, NULL);
    xdg_toplevel_set_title(toplevel, "vtr-probe-window");
    wl_surface_commit(surface);
    while (wl_display_dispatch(display) >= 0)
        ;
    return 0;
}
