/* Test helper: acts as another X program would against the lock screen, whose windows
 * are override-redirect and at least 640 wide.
 *   grab keyboard|pointer [hold]   prints the grab's status (0 held, 1 already grabbed);
 *                                  with hold, keeps the grab until killed
 *   overlay|keylog X Y W H RRGGBB  maps a window (override-redirect or managed); prints
 *                                  its id, then "key N" for each key press it receives
 *   attack KIND N MS               N times, MS apart, destroys, unmaps, maps, reparents or
 *                                  un-overrides the lock windows; prints "free F struck S":
 *                                  the grab checks in between (every 0.5 ms) finding one
 *                                  free, the windows struck
 *   snipe MS                       destroys the lock windows, then for MS ms each new one
 *                                  before it can be mapped; prints "destroyed N"
 *   regrab MS                      prints the ms from the keyboard grab going free
 *                                  (within MS) until another client holds it, or "timeout"
 *   watch X Y RRGGBB MS            from the mapping of a new (or unmapped) override-
 *                                  redirect window as wide as the screen until MS ms,
 *                                  reads pixel (X, Y) again and again; prints "seen N of M": the
 * reads of the colour The last three print "ready" first, once they watch. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>

static xcb_connection_t* c;
static xcb_screen_t* s;

/* The status of a grab of the keyboard (or the pointer) on the root window. */
static int grab_status(int keyboard) {
    const unsigned int sequence =
        keyboard ? xcb_grab_keyboard(c, 0, s->root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC,
                                     XCB_GRAB_MODE_ASYNC)
                       .sequence
                 : xcb_grab_pointer(c, 0, s->root, XCB_EVENT_MASK_BUTTON_PRESS, XCB_GRAB_MODE_ASYNC,
                                    XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, XCB_CURRENT_TIME)
                       .sequence;
    /* The two replies are alike: the status follows the response type. */
    xcb_grab_keyboard_reply_t* r = xcb_wait_for_reply(c, sequence, NULL);
    const int status = r ? r->status : -1;
    free(r);
    return status;
}

/* Prints every event's key, if it is a key press, until the connection ends. */
static int log_keys(void) {
    xcb_generic_event_t* e;
    while ((e = xcb_wait_for_event(c))) {
        if ((e->response_type & 0x7f) == XCB_KEY_PRESS)
            printf("key %u\n", ((xcb_key_press_event_t*)e)->detail);
        free(e);
    }
    return 0;
}

static int window(char** argv, int overlay) {
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
    return log_keys();
}

static double now_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

/* 1 when another client holds the keyboard or pointer grab; a free one is let go at once
 * (after a short pause, so that the polling leaves the server time for others). */
static int grab_held(int keyboard) {
    const int status = grab_status(keyboard);
    if (status == XCB_GRAB_STATUS_SUCCESS) {
        xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
        xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
        xcb_flush(c);
    }
    nanosleep(&(struct timespec){0, 250000}, NULL);
    return status == XCB_GRAB_STATUS_ALREADY_GRABBED;
}

/* Does KIND to every lock window but `spare`; how many it struck. */
static int strike(const char* kind, xcb_window_t spare) {
    const uint32_t off = 0;
    int struck = 0;
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, s->root), NULL);
    const xcb_window_t* kids = tree ? xcb_query_tree_children(tree) : NULL;
    for (int k = 0; tree && k < xcb_query_tree_children_length(tree); ++k) {
        const xcb_window_t w = kids[k];
        xcb_get_window_attributes_reply_t* a =
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), NULL);
        xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, w), NULL);
        if (a && g && a->override_redirect && g->width >= 640 && w != spare) {
            ++struck;
            if (strcmp(kind, "destroy") == 0) {
                xcb_destroy_window(c, w);
            } else if (strcmp(kind, "unmap") == 0) {
                xcb_unmap_window(c, w);
            } else if (strcmp(kind, "map") == 0) {
                xcb_map_window(c, w);
            } else if (strcmp(kind, "reparent") == 0) {
                xcb_reparent_window(c, w, spare, 0, 0);
            } else {
                xcb_change_window_attributes(c, w, XCB_CW_OVERRIDE_REDIRECT, &off);
                xcb_unmap_window(c, w);
                xcb_map_window(c, w);
            }
        }
        free(a);
        free(g);
    }
    free(tree);
    xcb_flush(c);
    return struck;
}

static int attack(const char* kind, int times, double gap) {
    const xcb_window_t holder = xcb_generate_id(c);
    const uint32_t on = 1;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, holder, s->root, 0, 0, 20, 20, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, s->root_visual, XCB_CW_OVERRIDE_REDIRECT, &on);
    int free_checks = 0, struck = 0;
    for (int i = 0; i < times; ++i) {
        struck += strike(kind, holder);
        for (const double until = now_ms() + gap; now_ms() < until;)
            free_checks += !(grab_held(1) && grab_held(0));
    }
    printf("free %d struck %d\n", free_checks, struck);
    return 0;
}

/* From now on every change among the root's children is reported. */
static void follow_root(void) {
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, s->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
    printf("ready\n");
}

static int snipe(double for_ms) {
    follow_root();
    strike("destroy", XCB_NONE);
    int destroyed = 0;
    for (const double until = now_ms() + for_ms; now_ms() < until;) {
        xcb_generic_event_t* e = xcb_poll_for_event(c);
        if (!e) {
            nanosleep(&(struct timespec){0, 100000}, NULL);
            continue;
        }
        const xcb_create_notify_event_t* made = (xcb_create_notify_event_t*)e;
        if ((e->response_type & 0x7f) == XCB_CREATE_NOTIFY && made->override_redirect &&
            made->width >= 640) {
            xcb_destroy_window(c, made->window);
            xcb_flush(c);
            ++destroyed;
        }
        free(e);
    }
    printf("destroyed %d\n", destroyed);
    return 0;
}

static int regrab(double within_ms) {
    const double deadline = now_ms() + within_ms;
    double freed = 0;
    printf("ready\n");
    while (now_ms() < deadline) {
        const int held = grab_held(1);
        if (!held && !freed)
            freed = now_ms();
        if (held && freed) {
            printf("%.1f\n", now_ms() - freed);
            return 0;
        }
    }
    printf("timeout\n");
    return 1;
}

static int watch(int x, int y, unsigned colour, double for_ms) {
    follow_root();
    xcb_window_t wide[64];
    int wides = 0, mapped = 0, reads = 0, seen = 0;
    /* The lock may have made its windows ahead, unmapped. */
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, s->root), NULL);
    for (int k = 0; tree && k < xcb_query_tree_children_length(tree) && wides < 64; ++k) {
        const xcb_window_t w = xcb_query_tree_children(tree)[k];
        xcb_get_window_attributes_reply_t* a =
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), NULL);
        xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, w), NULL);
        if (a && g && a->override_redirect && a->map_state == XCB_MAP_STATE_UNMAPPED &&
            g->width >= s->width_in_pixels)
            wide[wides++] = w;
        free(a);
        free(g);
    }
    free(tree);
    for (const double until = now_ms() + for_ms; now_ms() < until;) {
        /* Reads sent after the map was reported are carried out after it. */
        xcb_generic_event_t* e;
        while (!mapped && (e = xcb_poll_for_event(c))) {
            const int type = e->response_type & 0x7f;
            const xcb_create_notify_event_t* made = (xcb_create_notify_event_t*)e;
            if (type == XCB_CREATE_NOTIFY && made->override_redirect &&
                made->width >= s->width_in_pixels && wides < 64)
                wide[wides++] = made->window;
            for (int i = 0; type == XCB_MAP_NOTIFY && i < wides; ++i)
                mapped = mapped || wide[i] == ((xcb_map_notify_event_t*)e)->window;
            free(e);
        }
        if (!mapped) {
            nanosleep(&(struct timespec){0, 100000}, NULL);
            continue;
        }
        xcb_get_image_reply_t* image = xcb_get_image_reply(
            c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, s->root, x, y, 1, 1, ~0u), NULL);
        if (image && xcb_get_image_data_length(image) >= 4) {
            ++reads;
            seen += (*(const uint32_t*)xcb_get_image_data(image) & 0xffffffu) == colour;
        }
        free(image);
    }
    printf("seen %d of %d\n", seen, reads);
    return 0;
}

int main(int argc, char** argv) {
    setvbuf(stdout, NULL, _IOLBF, 0); /* each line to the test as it is printed */
    c = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(c))
        return 2;
    s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const char* mode = argc > 1 ? argv[1] : "";
    if ((argc == 3 || argc == 4) && strcmp(mode, "grab") == 0) {
        printf("%d\n", grab_status(strcmp(argv[2], "keyboard") == 0));
        return argc == 4 ? log_keys() : 0;
    }
    if (argc == 7 && (strcmp(mode, "overlay") == 0 || strcmp(mode, "keylog") == 0))
        return window(argv, strcmp(mode, "overlay") == 0);
    if (argc == 5 && strcmp(mode, "attack") == 0)
        return attack(argv[2], atoi(argv[3]), atof(argv[4]));
    if (argc == 3 && strcmp(mode, "snipe") == 0)
        return snipe(atof(argv[2]));
    if (argc == 3 && strcmp(mode, "regrab") == 0)
        return regrab(atof(argv[2]));
    if (argc == 6 && strcmp(mode, "watch") == 0)
        return watch(atoi(argv[2]), atoi(argv[3]), (unsigned)strtoul(argv[4], NULL, 16),
                     atof(argv[5]));
    fprintf(stderr, "usage: see the head of x_probe.c\n");
    return 2;
}
