/* The Wayland lock benchmark's screen watcher: copies one pixel of the first output with
 * wlr-screencopy, again and again, until it has the colour asked for.
 *   wl_pixel_watch X Y RRGGBB TIMEOUT_MS
 * Prints "ready" after the first copy, then the wall-clock time in ms at which the copy
 * that showed the colour came back, or "timeout". Each copy waits for the compositor's
 * next frame, so the time is at most a frame after the one that showed it. */
#define _GNU_SOURCE
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>

#include "wlr-screencopy-unstable-v1-client-protocol.h"

static struct wl_shm* shm;
static struct wl_output* output;
static struct zwlr_screencopy_manager_v1* manager;
static struct wl_buffer* buffer;
static uint32_t* pixel;
static int done, failed;

static void on_global(void* data, struct wl_registry* registry, uint32_t name,
                      const char* interface, uint32_t version) {
    (void)data;
    (void)version;
    if (!strcmp(interface, wl_shm_interface.name))
        shm = wl_registry_bind(registry, name, &wl_shm_interface, 1);
    else if (!strcmp(interface, wl_output_interface.name) && !output)
        output = wl_registry_bind(registry, name, &wl_output_interface, 1);
    else if (!strcmp(interface, zwlr_screencopy_manager_v1_interface.name))
        manager = wl_registry_bind(registry, name, &zwlr_screencopy_manager_v1_interface, 1);
}

static double now_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_REALTIME, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

static void on_buffer(void* data, struct zwlr_screencopy_frame_v1* frame, uint32_t format,
                      uint32_t width, uint32_t height, uint32_t stride) {
    (void)data;
    if (!buffer) {
        int fd = memfd_create("vtr-pixel", MFD_CLOEXEC);
        size_t size = (size_t)stride * height;
        if (fd < 0 || ftruncate(fd, (off_t)size) != 0)
            exit(1);
        pixel = mmap(NULL, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        struct wl_shm_pool* pool = wl_shm_create_pool(shm, fd, (int32_t)size);
        buffer = wl_shm_pool_create_buffer(pool, 0, (int32_t)width, (int32_t)height,
                                           (int32_t)stride, format);
        wl_shm_pool_destroy(pool);
        close(fd);
    }
    zwlr_screencopy_frame_v1_copy(frame, buffer);
}
static void on_flags(void* data, struct zwlr_screencopy_frame_v1* frame, uint32_t flags) {
    (void)data, (void)frame, (void)flags;
}
static void on_ready(void* data, struct zwlr_screencopy_frame_v1* frame, uint32_t hi, uint32_t lo,
                     uint32_t ns) {
    (void)data, (void)frame, (void)hi, (void)lo, (void)ns;
    done = 1;
}
static void on_failed(void* data, struct zwlr_screencopy_frame_v1* frame) {
    (void)data, (void)frame;
    failed = done = 1;
}

static const struct zwlr_screencopy_frame_v1_listener frame_listener = {
    on_buffer, on_flags, on_ready, on_failed, NULL, NULL, NULL,
};

static void on_global_removed(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data, (void)registry, (void)name;
}

static const struct wl_registry_listener registry_listener = {on_global, on_global_removed};

int main(int argc, char** argv) {
    if (argc != 5)
        return 2;
    const int x = atoi(argv[1]), y = atoi(argv[2]);
    const uint32_t wanted = (uint32_t)strtoul(argv[3], NULL, 16);
    const double deadline = now_ms() + atof(argv[4]);
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "no Wayland display\n");
        return 1;
    }
    wl_registry_add_listener(wl_display_get_registry(display), &registry_listener, NULL);
    if (wl_display_roundtrip(display) < 0)
        return 1;
    if (!shm || !output || !manager) {
        fprintf(stderr, "no screencopy\n");
        return 1;
    }
    setvbuf(stdout, NULL, _IOLBF, 0);
    for (int first = 1; now_ms() < deadline; first = 0) {
        struct zwlr_screencopy_frame_v1* frame =
            zwlr_screencopy_manager_v1_capture_output_region(manager, 0, output, x, y, 1, 1);
        zwlr_screencopy_frame_v1_add_listener(frame, &frame_listener, NULL);
        for (done = failed = 0; !done;)
            if (wl_display_dispatch(display) < 0)
                return 1;
        const double seen = now_ms();
        zwlr_screencopy_frame_v1_destroy(frame);
        if (first)
            printf("ready\n");
        if (!failed && (pixel[0] & 0xffffff) == wanted) {
            printf("%.1f\n", seen);
            return 0;
        }
    }
    printf("timeout\n");
    return 0;
}
