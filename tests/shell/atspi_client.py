#!/usr/bin/python3
# A screen reader's view of a running program, for the accessibility test: walks the AT-SPI tree
# of the application named on the command line and prints one line per object,
#   depth<TAB>role<TAB>name<TAB>states<TAB>x,y,w,h<TAB>value
# states comma-separated, extents in window coordinates, value "-" without a Value interface.
# With --click NAME it first calls the "click" action of the first object named NAME.
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

STATES = {
    Atspi.StateType.FOCUSED: "focused",
    Atspi.StateType.FOCUSABLE: "focusable",
    Atspi.StateType.PRESSED: "pressed",
    Atspi.StateType.CHECKED: "checked",
    Atspi.StateType.SELECTED: "selected",
    Atspi.StateType.SENSITIVE: "sensitive",
    Atspi.StateType.SHOWING: "showing",
}


def application(name):
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and app.get_name() == name:
            return app
    return None


def walk(node, depth, visit):
    visit(node, depth)
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is not None:
            walk(child, depth + 1, visit)


def line(node, depth):
    states = node.get_state_set()
    names = [text for state, text in STATES.items() if states.contains(state)]
    try:
        box = node.get_extents(Atspi.CoordType.WINDOW)
        extents = "%d,%d,%d,%d" % (box.x, box.y, box.width, box.height)
    except Exception:  # objects without the Component interface
        extents = "-"
    value = "-"
    iface = node.get_value_iface() if hasattr(node, "get_value_iface") else None
    if iface is not None:
        value = "%g" % iface.get_current_value()
    name = (node.get_name() or "").replace("\t", " ").replace("\n", " ")
    return "%d\t%s\t%s\t%s\t%s\t%s" % (depth, node.get_role_name(), name, ",".join(names), extents, value)


def click(app, name):
    found = []

    def visit(node, _depth):
        if not found and node.get_name() == name and node.get_action_iface() is not None:
            found.append(node)

    walk(app, 0, visit)
    if not found:
        return False
    action = found[0].get_action_iface()
    for i in range(action.get_n_actions()):
        if action.get_action_name(i) == "click":
            return action.do_action(i)
    return False


def main():
    args = sys.argv[1:]
    target = args[0]
    app = application(target)
    if app is None:
        print("no application %s" % target, file=sys.stderr)
        return 2
    if len(args) == 3 and args[1] == "--click":
        return 0 if click(app, args[2]) else 3
    rows = []
    walk(app, 0, lambda node, depth: rows.append(line(node, depth)))
    print("\n".join(rows))
    return 0


if __name__ == "__main__":
    sys.exit(main())
