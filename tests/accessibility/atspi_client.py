#!/usr/bin/python3
# SPDX-FileCopyrightText: 2026 The Vantri developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""A screen reader's view of one program, through the AT-SPI registry.

Usage: atspi_client.py PID

Prints, one per line and flushed at once:
  ready                               once the program is in the registry
  node<TAB>ROLE<TAB>NAME<TAB>DESCRIPTION<TAB>FOCUSABLE   for every object of its tree, after "tree"
  end                                 after the last node
  event<TAB>TYPE<TAB>ROLE<TAB>NAME<TAB>TEXT   for each event the program sends

TEXT is what a screen reader reads for the event: the new description of a
description change, the new name of a name change, the name and description of
the new active descendant. Reads "tree" and "quit" on standard input.
"""

import sys

import pyatspi
from gi.repository import GLib

pid = int(sys.argv[1])


def say(*fields):
    print("\t".join(str(field).replace("\t", " ").replace("\n", " ") for field in fields), flush=True)


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for index in range(desktop.childCount):
        app = desktop.getChildAtIndex(index)
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:
            continue
    return None


def walk(node, depth=0):
    if node is None or depth > 40:
        return
    try:
        states = node.getState()
        say("node", node.getRoleName(), node.name, node.description,
            int(states.contains(pyatspi.STATE_FOCUSABLE) and states.contains(pyatspi.STATE_SHOWING)))
        for index in range(min(node.childCount, 200)):
            walk(node.getChildAtIndex(index), depth + 1)
    except Exception:
        pass


def on_event(event):
    try:
        source = event.source
        if source is None or source.get_process_id() != pid:
            return
        if event.type.startswith("object:property-change:accessible-description"):
            text = source.description
        elif event.type.startswith("object:property-change:accessible-name"):
            text = source.name
        elif event.type.startswith("object:active-descendant-changed"):
            child = event.any_data
            text = "%s, %s" % (child.name, child.description) if child is not None else ""
        else:
            text = event.any_data if isinstance(event.any_data, str) else ""
        say("event", event.type, source.getRoleName(), source.name, text)
    except Exception as error:
        say("error", event.type, error)


def on_input(channel, condition):
    line = channel.readline()
    if not line or line.strip() == "quit":
        pyatspi.Registry.stop()
        return False
    if line.strip() == "tree":
        walk(application())
        say("end")
    return True


def wait_for_application():
    if application() is None:
        return True
    say("ready")
    return False


for event_type in ("object:property-change:accessible-description",
                   "object:property-change:accessible-name",
                   "object:active-descendant-changed",
                   "object:state-changed:focused"):
    pyatspi.Registry.registerEventListener(on_event, event_type)
GLib.io_add_watch(GLib.IOChannel.unix_new(sys.stdin.fileno()), GLib.IO_IN | GLib.IO_HUP, on_input)
GLib.timeout_add(100, wait_for_application)
pyatspi.Registry.start()
