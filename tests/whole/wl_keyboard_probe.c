/* A keyboard for Wayland tests: a zwp_virtual_keyboard_v1 with a real keymap (the layout
 * named on the command line, "de" by default), made at start so it exists before any lock.
 * Reads commands from stdin, one a line, and answers "ok" once the compositor has them
 * (or "error"):
 *   type KEY...      presses and releases each key (xkb keysym names: "e", "EuroSign",
 *                    "dead_acute", "Return") with the modifiers its level needs held;
 *                    "+KEY" only presses a key of the first level, "-KEY" only releases it
 *   mods D L K       sets the depressed, latched and locked modifier masks (Caps Lock: 0 0 2)
 * Prints "ready" when the keyboard exists. wlroots does not derive modifier state for
 * virtual keyboards, so the probe sends it with every key, as a real keyboard's would be. */
#define _GNU_SOURCE
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include "virtual-keyboard-unstable-v1-client-protocol.h"

static struct wl_seat* seat;
static struct zwp_virtual_keyboard_manager_v1* manager;
static struct zwp_virtual_keyboard_v1* keyboard;
static struct xkb_keymap* keymap;
static uint32_t locked_mods;

static void on_global(void* data, struct wl_registry* registry, uint32_t name,
                      const char* interface, uint32_t version) {
    (void)data;
    (void)version;
    if (!strcmp(interface, wl_seat_interface.name) && !seat)
        seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
    else if (!strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name))
        manager = wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1);
}

static void on_global_removed(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data, (void)registry, (void)name;
}
static const struct wl_registry_listener registry_listener = {on_global, on_global_removed};

static uint32_t now_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (uint32_t)(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

static int upload_keymap(const char* layout) {
    struct xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    struct xkb_rule_names names = {"evdev", "pc105", layout, "", ""};
    keymap =
        context ? xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS) : NULL;
    if (!keymap)
        return -1;
    char* text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
    size_t size = strlen(text) + 1;
    int fd = memfd_create("vtr-probe-keymap", MFD_CLOEXEC);
    if (fd < 0 || write(fd, text, size) != (ssize_t)size)
        return -1;
    free(text);
    zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, (uint32_t)size);
    close(fd);
    return 0;
}

/* The key and the modifier mask that type `sym` on the first layout; 0 when none. */
static xkb_keycode_t find_key(xkb_keysym_t sym, xkb_mod_mask_t* mask) {
    for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap);
         code <= xkb_keymap_max_keycode(keymap); code++) {
        xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap, code, 0);
        for (xkb_level_index_t level = 0; level < levels; level++) {
            const xkb_keysym_t* syms;
            xkb_mod_mask_t masks[4];
            if (xkb_keymap_key_get_syms_by_level(keymap, code, 0, level, &syms) != 1 ||
                syms[0] != sym ||
                xkb_keymap_key_get_mods_for_level(keymap, code, 0, level, masks, 4) < 1)
                continue;
            *mask = masks[0];
            return code;
        }
    }
    return 0;
}

static void key(xkb_keycode_t code, int pressed) {
    zwp_virtual_keyboard_v1_key(keyboard, now_ms(), code - 8,
                                pressed ? WL_KEYBOARD_KEY_STATE_PRESSED
                                        : WL_KEYBOARD_KEY_STATE_RELEASED);
}

/* The keys that hold the modifiers of `mask` (Shift_L, ISO_Level3_Shift for AltGr). */
static void press_modifiers(xkb_mod_mask_t mask, int pressed) {
    static const char* holders[][2] = {{"Shift_L", XKB_MOD_NAME_SHIFT},
                                       {"ISO_Level3_Shift", "Mod5"},
                                       {"Control_L", XKB_MOD_NAME_CTRL}};
    for (size_t i = 0; i < sizeof holders / sizeof *holders; i++) {
        xkb_mod_mask_t own = 0;
        xkb_keycode_t code = find_key(xkb_keysym_from_name(holders[i][0], 0), &own);
        xkb_mod_index_t index = xkb_keymap_mod_get_index(keymap, holders[i][1]);
        if (code && index != XKB_MOD_INVALID && (mask & (1u << index)))
            key(code, pressed);
    }
}

static int type_key(const char* name) {
    const int only = *name == '+' ? 1 : *name == '-' ? 0 : -1; /* pressed or released only */
    xkb_mod_mask_t mask = 0;
    xkb_keysym_t sym = xkb_keysym_from_name(name + (only >= 0), XKB_KEYSYM_NO_FLAGS);
    xkb_keycode_t code = sym == XKB_KEY_NoSymbol ? 0 : find_key(sym, &mask);
    if (!code || (only >= 0 && mask))
        return -1;
    if (only >= 0) {
        key(code, only);
        return 0;
    }
    press_modifiers(mask, 1);
    zwp_virtual_keyboard_v1_modifiers(keyboard, mask, 0, locked_mods, 0);
    key(code, 1);
    key(code, 0);
    press_modifiers(mask, 0);
    zwp_virtual_keyboard_v1_modifiers(keyboard, 0, 0, locked_mods, 0);
    return 0;
}

static int run(char* line) {
    char* rest = NULL;
    char* command = strtok_r(line, " \n", &rest);
    unsigned depressed, latched, locked;
    if (command && !strcmp(command, "type")) {
        for (char* name; (name = strtok_r(NULL, " \n", &rest));)
            if (type_key(name) < 0)
                return -1;
        return 0;
    }
    if (!command || strcmp(command, "mods") ||
        sscanf(rest, "%u %u %u", &depressed, &latched, &locked) != 3)
        return -1;
    locked_mods = locked;
    zwp_virtual_keyboard_v1_modifiers(keyboard, depressed, latched, locked, 0);
    return 0;
}

int main(int argc, char** argv) {
    struct wl_display* display = wl_display_connect(NULL);
    if (display)
        wl_registry_add_listener(wl_display_get_registry(display), &registry_listener, NULL);
    if (!display || wl_display_roundtrip(display) < 0 || !seat || !manager) {
        fprintf(stderr, "no compositor with a seat and zwp_virtual_keyboard_manager_v1\n");
        return 1;
    }
    keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(manager, seat);
    if (upload_keymap(argc > 1 ? argv[1] : "de") < 0) {
        fprintf(stderr, "no keymap\n");
        return 1;
    }
    if (wl_display_roundtrip(display) < 0)
        return 1;
    setvbuf(stdout, NULL, _IOLBF, 0);
    printf("ready\n");
    char line[4096];
    while (fgets(line, sizeof line, stdin)) {
        int failed = run(line) < 0;
        if (wl_display_roundtrip(display) < 0)
            return 1;
        printf(failed ? "error\n" : "ok\n");
    }
    return 0;
}
