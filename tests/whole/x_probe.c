/* Test helper: acts as another X program would against the lock screen.
 *   x_probe grab keyboard|pointer [hold]
 *                                     prints the grab status (0 success, 1 already
 *                                     grabbed); with hold, keeps the grab until killed
 *   x_probe overlay X Y W H RRGGBB    maps an override-redirect window of that colour on
 *                                     top and keeps it until killed; prints its id
 *   x_probe keylog X Y W H RRGGBB     a normal window of that colour; prints "key N" for
 *                                     every key press it receives; prints its id first
 *   x_probe attack KIND N MS          N times, MS apart, does KIND (destroy, unmap,
 *                                     reparent, override) to every override-redirect
 *                                     window at least 640 wide (the lock's); between
 *                                     times it tries both grabs every 1 ms and prints
 *                                     "free F missing M": checks that found a grab
 *                                     free, and the ms they span
 *   x_probe regrab MS                 prints "ready", waits (up to MS) for the keyboard
 *                                     grab to be free, then prints the ms until another
 *                                     client holds it again, or "timeout"
 * and, for the benchmark:
 *   x_probe covered X Y RRGGBB MS     waits (up to MS) until the topmost window fills the
 *                                     screen and pixel (X, Y) has that colour; prints the
 *                                     wall-clock time then in ms, or "timeout"
 *   x_probe raise MS                  maps an override-redirect window on top and prints
 *                                     the ms until another window is stacked above it
 *                                     again, or "timeout" */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <xcb/xcb.h>

/* The status of a grab of the keyboard (or the pointer) on the root window. */
static int grab_status(xcb_connection_t* c, xcb_window_t root, int keyboard) {
    int status = -1;
    if (keyboard) {
        xcb_grab_keyboard_reply_t* r =
            xcb_grab_keyboard_reply(c,
                                    xcb_grab_keyboard(c, 0, root, XCB_CURRENT_TIME,
                                                      XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                                    NULL);
        status = r ? r->status : -1;
        free(r);
    } else {
        xcb_grab_pointer_reply_t* r = xcb_grab_pointer_reply(
            c,
            xcb_grab_pointer(c, 0, root, XCB_EVENT_MASK_BUTTON_PRESS, XCB_GRAB_MODE_ASYNC,
                             XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, XCB_CURRENT_TIME),
            NULL);
        status = r ? r->status : -1;
        free(r);
    }
    return status;
}

static int grab(xcb_connection_t* c, xcb_window_t root, const char* what) {
    printf("%d\n", grab_status(c, root, strcmp(what, "keyboard") == 0));
    return 0;
}

static int grab_and_hold(xcb_connection_t* c, xcb_window_t root, const char* what) {
    grab(c, root, what);
    fflush(stdout);
    xcb_generic_event_t* e;
    while ((e = xcb_wait_for_event(c)))
        free(e);
    return 0;
}

static int window(xcb_connection_t* c, xcb_screen_t* s, char** argv, int overlay) {
    const xcb_window_t w = xcb_generate_id(c);
    const uint32_t values[] = {(uint32_t)strtoul(argv[6], NULL, 16), overlay ? 1u : 0u,
                               XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_EXPOSURE};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, s->root, atoi(argv[2]), atoi(argv[3]),
                      atoi(argv[4]), atoi(argv[5]), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      s->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
    xcb_map_window(c, w);
    xcb_flush(c);
    printf("%u\n", w);
    fflush(stdout);
    xcb_generic_event_t* e;
    while ((e = xcb_wait_for_event(c))) {
        if ((e->response_type & 0x7f) == XCB_KEY_PRESS) {
            printf("key %u\n", ((xcb_key_press_event_t*)e)->detail);
            fflush(stdout);
        }
        free(e);
    }
    return 0;
}

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

/* 1 when another client holds the keyboard or pointer grab; a free one is let go at once. */
static int grab_held(xcb_connection_t* c, xcb_window_t root, int keyboard) {
    const int status = grab_status(c, root, keyboard);
    if (status == XCB_GRAB_STATUS_SUCCESS) {
        xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
        xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
        xcb_flush(c);
    }
    return status == XCB_GRAB_STATUS_ALREADY_GRABBED;
}

static void hit(xcb_connection_t* c, xcb_screen_t* s, const char* kind, xcb_window_t w,
                xcb_window_t holder) {
    if (strcmp(kind, "destroy") == 0) {
        xcb_destroy_window(c, w);
    } else if (strcmp(kind, "unmap") == 0) {
        xcb_unmap_window(c, w);
    } else if (strcmp(kind, "reparent") == 0) {
        xcb_reparent_window(c, w, holder, 0, 0);
    } else {
        const uint32_t managed = 0;
        xcb_change_window_attributes(c, w, XCB_CW_OVERRIDE_REDIRECT, &managed);
        xcb_unmap_window(c, w);
        xcb_map_window(c, w);
    }
    (void)s;
}

static int attack(xcb_connection_t* c, xcb_screen_t* s, char** argv) {
    const int times = atoi(argv[3]);
    const double gap = atof(argv[4]);
    const xcb_window_t holder = xcb_generate_id(c);
    const uint32_t bypass = 1;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, holder, s->root, 0, 0, 20, 20, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, s->root_visual, XCB_CW_OVERRIDE_REDIRECT,
                      &bypass);
    int free_checks = 0;
    double missing = 0;
    for (int i = 0; i < times; ++i) {
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, s->root), NULL);
        const xcb_window_t* kids = tree ? xcb_query_tree_children(tree) : NULL;
        for (int k = 0; tree && k < xcb_query_tree_children_length(tree); ++k) {
            xcb_get_window_attributes_reply_t* a =
                xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, kids[k]), NULL);
            xcb_get_geometry_reply_t* g =
                xcb_get_geometry_reply(c, xcb_get_geometry(c, kids[k]), NULL);
            if (a && g && a->override_redirect && g->width >= 640 && kids[k] != holder)
                hit(c, s, argv[2], kids[k], holder);
            free(a);
            free(g);
        }
        free(tree);
        xcb_flush(c);
        const double until = now_ms(CLOCK_MONOTONIC) + gap;
        double last = now_ms(CLOCK_MONOTONIC);
        while (now_ms(CLOCK_MONOTONIC) < until) {
            const int held = grab_held(c, s->root, 1) && grab_held(c, s->root, 0);
            const double now = now_ms(CLOCK_MONOTONIC);
            if (!held) {
                ++free_checks;
                missing += now - last;
            }
            last = now;
            pause_briefly();
        }
    }
    printf("free %d missing %.1f\n", free_checks, missing);
    return 0;
}

static int regrab(xcb_connection_t* c, xcb_screen_t* s, char** argv) {
    const double deadline = now_ms(CLOCK_MONOTONIC) + atof(argv[2]);
    double freed = 0;
    printf("ready\n");
    fflush(stdout);
    while (now_ms(CLOCK_MONOTONIC) < deadline) {
        const int held = grab_held(c, s->root, 1);
        if (!held && !freed)
            freed = now_ms(CLOCK_MONOTONIC);
        if (held && freed) {
            printf("%.1f\n", now_ms(CLOCK_MONOTONIC) - freed);
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
    if (argc == 3 && strcmp(argv[1], "grab") == 0)
        return grab(c, s->root, argv[2]);
    if (argc == 4 && strcmp(argv[1], "grab") == 0)
        return grab_and_hold(c, s->root, argv[2]);
    if (argc == 7 && strcmp(argv[1], "overlay") == 0)
        return window(c, s, argv, 1);
    if (argc == 7 && strcmp(argv[1], "keylog") == 0)
        return window(c, s, argv, 0);
    if (argc == 6 && strcmp(argv[1], "covered") == 0)
        return covered(c, s, argv);
    if (argc == 3 && strcmp(argv[1], "raise") == 0)
        return raise_time(c, s, argv);
    if (argc == 5 && strcmp(argv[1], "attack") == 0)
        return attack(c, s, argv);
    if (argc == 3 && strcmp(argv[1], "regrab") == 0)
        return regrab(c, s, argv);
    fprintf(stderr, "usage: see the head of x_probe.c\n");
    return 2;
}
