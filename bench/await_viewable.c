// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

/* Waits for a window whose instance name (the first part of WM_CLASS) matches
 * a pattern to become viewable, and prints when: the benchmarks' stopwatch.
 * It looks again only when the X server reports a window created, mapped or
 * moved into another, so that it takes no processor time from the program it
 * times, and notes the time as it reads the event that made the window
 * viewable.
 *
 * usage: await_viewable PATTERN [TIMEOUT_MS]
 * Prints "ready" once it listens, then "MICROSECONDS WINDOW" (real-time clock)
 * when the window is viewable. Exits 1 on a timeout, 2 on a usage or X error.
 */
#include <poll.h>
#include <regex.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <xcb/xcb.h>

static long long now_microseconds(void) {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return (long long)now.tv_sec * 1000000 + now.tv_nsec / 1000;
}

static int instance_matches(xcb_connection_t* connection, xcb_window_t window,
                            const regex_t* pattern) {
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection,
        xcb_get_property(connection, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256), NULL);
    if (!reply)
        return 0;
    int length = xcb_get_property_value_length(reply);
    char instance[257] = {0};
    memcpy(instance, xcb_get_property_value(reply), (size_t)(length < 256 ? length : 256));
    free(reply);
    return regexec(pattern, instance, 0, NULL, 0) == 0;
}

/* The first viewable window under `parent` whose instance matches; also asks
 * to hear of changes below every window it passes, where the next step of a
 * window's mapping would happen. */
static xcb_window_t find_viewable(xcb_connection_t* connection, xcb_window_t parent,
                                  const regex_t* pattern, int depth) {
    xcb_query_tree_reply_t* tree =
        xcb_query_tree_reply(connection, xcb_query_tree(connection, parent), NULL);
    if (!tree)
        return XCB_NONE;
    const xcb_window_t* children = xcb_query_tree_children(tree);
    int count = xcb_query_tree_children_length(tree);
    xcb_window_t found = XCB_NONE;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    for (int i = 0; i < count && found == XCB_NONE; ++i) {
        xcb_change_window_attributes(connection, children[i], XCB_CW_EVENT_MASK, &mask);
        xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
            connection, xcb_get_window_attributes(connection, children[i]), NULL);
        int viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        free(attributes);
        if (!viewable)
            continue;
        if (instance_matches(connection, children[i], pattern))
            found = children[i];
        else if (depth < 3)
            found = find_viewable(connection, children[i], pattern, depth + 1);
    }
    free(tree);
    return found;
}

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        fprintf(stderr, "usage: await_viewable PATTERN [TIMEOUT_MS]\n");
        return 2;
    }
    regex_t pattern;
    if (regcomp(&pattern, argv[1], REG_EXTENDED | REG_NOSUB) != 0) {
        fprintf(stderr, "await_viewable: bad pattern %s\n", argv[1]);
        return 2;
    }
    const long long deadline = now_microseconds() + (argc == 3 ? atoll(argv[2]) : 30000) * 1000;
    xcb_connection_t* connection = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(connection)) {
        fprintf(stderr, "await_viewable: cannot connect to the X server\n");
        return 2;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);
    printf("ready\n");
    fflush(stdout);

    long long heard = now_microseconds();
    for (;;) {
        xcb_window_t window = find_viewable(connection, root, &pattern, 0);
        if (window != XCB_NONE) {
            printf("%lld %u\n", heard, window);
            return 0;
        }
        /* Until the next event, or the deadline. */
        xcb_generic_event_t* event;
        while (!(event = xcb_poll_for_event(connection))) {
            if (xcb_connection_has_error(connection))
                return 2;
            const long long left = deadline - now_microseconds();
            if (left <= 0)
                return 1;
            struct pollfd x = {.fd = xcb_get_file_descriptor(connection), .events = POLLIN};
            poll(&x, 1, (int)(left / 1000) + 1);
        }
        heard = now_microseconds();
        free(event);
        /* A burst of events is one look. */
        while ((event = xcb_poll_for_event(connection)))
            free(event);
    }
}
