/* Test helper: acts as another X program would against the lock screen.
 *   x_probe grab keyboard|pointer     prints the grab status (0 success, 1 already grabbed)
 *   x_probe overlay X Y W H RRGGBB    maps an override-redirect window of that colour on
 *                                     top and keeps it until killed; prints its id
 *   x_probe keylog X Y W H RRGGBB     a normal window of that colour; prints "key N" for
 *                                     every key press it receives; prints its id first */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <xcb/xcb.h>

static int grab(xcb_connection_t* c, xcb_window_t root, const char* what) {
    int status = -1;
    if (strcmp(what, "keyboard") == 0) {
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
    printf("%d\n", status);
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

int main(int argc, char** argv) {
    xcb_connection_t* c = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(c))
        return 2;
    xcb_screen_t* s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (argc == 3 && strcmp(argv[1], "grab") == 0)
        return grab(c, s->root, argv[2]);
    if (argc == 7 && strcmp(argv[1], "overlay") == 0)
        return window(c, s, argv, 1);
    if (argc == 7 && strcmp(argv[1], "keylog") == 0)
        return window(c, s, argv, 0);
    fprintf(stderr, "usage: see the head of x_probe.c\n");
    return 2;
}
