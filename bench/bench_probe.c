/* Benchmark helper: watches the screen as another X program would.
 *   bench_probe covered X Y RRGGBB MS  waits (up to MS) until the topmost window fills the
 *                                      screen and pixel (X, Y) has that colour; prints the
 *                                      wall-clock time then in ms, or "timeout"
 *   bench_probe raise MS               maps an override-redirect window on top and prints
 *                                      the ms until another window is stacked above it
 *                                      again, or "timeout" */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <xcb/xcb.h>

static double now_ms(clockid_t clock) {
    struct timespec t;
    clock_gettime(clock, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

static void pause_briefly(void) {
    const struct timespec t = {0, 500000};
    nanosleep(&t, NULL);
}

/* The topmost viewable child of the root, 0 when none. */
static xcb_window_t topmost(xcb_connection_t* c, xcb_window_t root) {
    xcb_window_t found = 0;
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), NULL);
    if (!tree)
        return 0;
    const xcb_window_t* kids = xcb_query_tree_children(tree);
    for (int i = xcb_query_tree_children_length(tree) - 1; i >= 0 && !found; --i) {
        xcb_get_window_attributes_reply_t* a =
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, kids[i]), NULL);
        if (a && a->map_state == XCB_MAP_STATE_VIEWABLE)
            found = kids[i];
        free(a);
    }
    free(tree);
    return found;
}

static int fills_screen(xcb_connection_t* c, xcb_screen_t* s, xcb_window_t w) {
    xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, w), NULL);
    const int full = g && g->x <= 0 && g->y <= 0 && g->x + g->width >= s->width_in_pixels &&
                     g->y + g->height >= s->height_in_pixels;
    free(g);
    return full;
}

static unsigned pixel_at(xcb_connection_t* c, xcb_window_t root, int x, int y) {
    xcb_get_image_reply_t* img = xcb_get_image_reply(
        c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, root, x, y, 1, 1, ~0u), NULL);
    unsigned value = 0xffffffffu;
    if (img && xcb_get_image_data_length(img) >= 4)
        value = *(const uint32_t*)xcb_get_image_data(img) & 0xffffffu;
    free(img);
    return value;
}

static int covered(xcb_connection_t* c, xcb_screen_t* s, char** argv) {
    const int x = atoi(argv[2]), y = atoi(argv[3]);
    const unsigned colour = (unsigned)strtoul(argv[4], NULL, 16);
    const double deadline = now_ms(CLOCK_MONOTONIC) + atof(argv[5]);
    while (now_ms(CLOCK_MONOTONIC) < deadline) {
        const xcb_window_t top = topmost(c, s->root);
        if (top && fills_screen(c, s, top) && pixel_at(c, s->root, x, y) == colour) {
            printf("%.3f\n", now_ms(CLOCK_REALTIME));
            return 0;
        }
        pause_briefly();
    }
    printf("timeout\n");
    return 1;
}

static int raise_time(xcb_connection_t* c, xcb_screen_t* s, char** argv) {
    /* A window mapped on top without a window manager's help, as a notification is. */
    const xcb_window_t w = xcb_generate_id(c);
    const uint32_t values[] = {0x00ff00u, 1u};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, s->root, 0, 0, 200, 200, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, s->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    const double start = now_ms(CLOCK_MONOTONIC);
    xcb_map_window(c, w);
    xcb_flush(c);
    while (now_ms(CLOCK_MONOTONIC) < start + atof(argv[2])) {
        const xcb_window_t top = topmost(c, s->root);
        if (top && top != w) {
            printf("%.3f\n", now_ms(CLOCK_MONOTONIC) - start);
            return 0;
        }
        pause_briefly();
    }
    printf("timeout\n");
    return 1;
}

int main(int argc, char** argv) {
    xcb_connection_t* c = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(c))
        return 2;
    xcb_screen_t* s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (argc == 6 && strcmp(argv[1], "covered") == 0)
        return covered(c, s, argv);
    if (argc == 3 && strcmp(argv[1], "raise") == 0)
        return raise_time(c, s, argv);
    fprintf(stderr, "usage: see the head of bench_probe.c\n");
    return 2;
}
