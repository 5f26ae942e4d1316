#!/usr/bin/python3
"""Drives a running program through the desktop accessibility bus (AT-SPI 2), as a
screen reader or a person at the keyboard would: controls are found by their role and
accessible name (the caption beside them), never by position.

    a11y.py [--app NAME] [--within NAME] COMMAND ROLE NAME [ARG]

Commands:
    find ROLE NAME          exit 0 when a showing control matches, 1 otherwise
    read ROLE NAME          print its text (a text box), value (a spinner) or name
    set ROLE NAME TEXT      replace its text (a text box, or the text of a combo box)
    value ROLE NAME NUMBER  set its value (a spinner)
    press ROLE NAME         run its first action (press, toggle, switch to a tab)
    focus ROLE NAME         give it the keyboard focus
    where ROLE NAME         print the middle of it on the screen, "X Y" (to click it)
    state ROLE NAME STATE   exit 0 when it has STATE (checked, focused, enabled, ...)
    names ROLE              print the names of every showing control of ROLE
    tree                    print the program's tree (for writing a test)

ROLE is the AT-SPI role name ("push button", "text", "password text", "spin button",
"check box", "combo box", "page tab", "label", ...). NAME is matched whole, against the control's name and
the captions it is labelled by; a NAME starting with "~" is a regular expression
searched in them instead. --within
limits the search to the controls inside a container (a frame, a dialog) of that
name. --app picks the application by name (default: "Quorvel (DE)").

Only controls that are showing count, so a control on a hidden page or in a closed
window is never found. Exit status 1 when nothing matches, 2 on a usage error.
"""
import argparse
import re
import sys
import warnings

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

# The shorter names of the newer library are not there on every system.
warnings.filterwarnings("ignore", category=DeprecationWarning)
Atspi.set_timeout(2000, 10000)


def app_of(name):
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and app.get_name() == name:
            return app
    return None


def showing(obj):
    states = obj.get_state_set()
    return states.contains(Atspi.StateType.SHOWING) and not states.contains(
        Atspi.StateType.DEFUNCT)


def walk(obj, depth=0):
    """Every object under obj, depth first, in the order the program lists them."""
    yield obj, depth
    try:
        count = obj.get_child_count()
    except GLib.Error:
        return
    for i in range(count):
        child = obj.get_child_at_index(i)
        if child is not None:
            yield from walk(child, depth + 1)


def names_of(obj):
    """What a screen reader may call the object: its name, and the names of the
    captions it is labelled by (a combo box is named by its current text and labelled
    by its caption)."""
    names = [obj.get_name() or ""]
    for relation in obj.get_relation_set() or []:
        if relation.get_relation_type() == Atspi.RelationType.LABELLED_BY:
            for i in range(relation.get_n_targets()):
                names.append(relation.get_target(i).get_name() or "")
    return names


def name_matches(obj, pattern):
    for name in names_of(obj):
        if pattern.startswith("~"):
            if re.search(pattern[1:], name) is not None:
                return True
        elif name == pattern:
            return True
    return False


def find_all(root, role, pattern=None):
    """The showing objects of the role (named by the pattern, if one is given)."""
    found = []
    for obj, _ in walk(root):
        try:
            if obj.get_role_name() == role and showing(obj) and (
                    pattern is None or name_matches(obj, pattern)):
                found.append(obj)
        except GLib.Error:
            continue  # gone while we looked
    return found


def scope(args):
    app = app_of(args.app)
    if app is None:
        return None
    if not args.within:
        return app
    for obj, _ in walk(app):
        try:
            if obj.get_name() == args.within and showing(obj) and obj is not app:
                return obj
        except GLib.Error:
            continue
    return None


def text_of(obj):
    text = obj.get_text_iface()
    if text is not None:
        return text.get_text(0, text.get_character_count())
    value = obj.get_value_iface()
    if value is not None:
        number = value.get_current_value()
        return str(int(number)) if number == int(number) else str(number)
    return obj.get_name() or ""


def editable(obj):
    """The object itself when its text can be set, else the first such object in it
    (the text of an editable combo box)."""
    for candidate, _ in walk(obj):
        if candidate.get_editable_text_iface() is not None:
            return candidate
    return None


STATES = {name: getattr(Atspi.StateType, name.upper())
          for name in ("checked", "focused", "enabled", "selected", "editable", "showing")}


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--app", default="Quorvel (DE)")
    parser.add_argument("--within")
    parser.add_argument("command")
    parser.add_argument("rest", nargs="*")
    args = parser.parse_args()

    root = scope(args)
    if root is None:
        return 1
    if args.command == "tree":
        for obj, depth in walk(root):
            try:
                mark = "" if showing(obj) else "  (hidden)"
                print("  " * depth + f"{obj.get_role_name()} {obj.get_name()!r}{mark}")
            except GLib.Error:
                pass
        return 0
    if args.command == "names":
        if len(args.rest) != 1:
            parser.error("names takes ROLE")
        for obj in find_all(root, args.rest[0]):
            print(obj.get_name())
        return 0

    needs = {"find": 2, "read": 2, "press": 2, "focus": 2, "where": 2, "set": 3, "value": 3,
             "state": 3}
    if args.command not in needs or len(args.rest) != needs[args.command]:
        parser.error(f"unknown command or wrong arguments: {args.command} {args.rest}")
    role, pattern = args.rest[0], args.rest[1]
    matches = find_all(root, role, pattern)
    if not matches:
        return 1
    obj = matches[0]

    if args.command == "find":
        return 0
    if args.command == "read":
        print(text_of(obj))
        return 0
    if args.command == "press":
        action = obj.get_action_iface()
        if action is None or action.get_n_actions() < 1:
            print(f"{role} {pattern!r} has no action", file=sys.stderr)
            return 1
        try:
            return 0 if action.do_action(0) else 1
        except GLib.Error as error:
            # An action that opens a modal message box answers only once the box has
            # closed: the press was delivered, and the box is up now.
            if "did not receive a reply" in error.message.lower():
                return 0
            raise
    if args.command == "where":
        component = obj.get_component_iface()
        if component is None:
            return 1
        box = component.get_extents(Atspi.CoordType.SCREEN)
        print(box.x + box.width // 2, box.y + box.height // 2)
        return 0
    if args.command == "focus":
        component = obj.get_component_iface()
        return 0 if component is not None and component.grab_focus() else 1
    if args.command == "set":
        target = editable(obj)
        if target is None:
            print(f"{role} {pattern!r} cannot be typed into", file=sys.stderr)
            return 1
        return 0 if target.get_editable_text_iface().set_text_contents(args.rest[2]) else 1
    if args.command == "value":
        value = obj.get_value_iface()
        if value is None:
            print(f"{role} {pattern!r} has no value", file=sys.stderr)
            return 1
        return 0 if value.set_current_value(float(args.rest[2])) else 1
    if args.command == "state":
        if args.rest[2] not in STATES:
            parser.error(f"unknown state {args.rest[2]}")
        return 0 if obj.get_state_set().contains(STATES[args.rest[2]]) else 1
    return 2


if __name__ == "__main__":
    sys.exit(main())
