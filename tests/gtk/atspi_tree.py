# Prints the accessibility tree of one process's windows, one line per
# object: depth, role, screen extents, states, name, text (tab separated).
# With --listen FD it follows object events instead (see listen).
# Run with Debian's /usr/bin/python3 (python3-gi, gir1.2-atspi-2.0).
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

STATES = {
    Atspi.StateType.SHOWING: "showing",
    Atspi.StateType.SELECTED: "selected",
    Atspi.StateType.CHECKED: "checked",
    Atspi.StateType.FOCUSED: "focused",
    Atspi.StateType.ACTIVE: "active",
    Atspi.StateType.ICONIFIED: "iconified",
}


def flat(text):
    return text.replace("\t", " ").replace("\n", " ")


def show(obj, depth):
    role = obj.get_role_name()
    try:
        e = obj.get_component_iface().get_extents(Atspi.CoordType.SCREEN)
        box = "%d %d %d %d" % (e.x, e.y, e.width, e.height)
    except Exception:
        box = "- - - -"
    states = obj.get_state_set()
    flags = ",".join(n for s, n in STATES.items() if states.contains(s))
    text = ""
    iface = obj.get_text_iface()
    if iface is not None and role in ("text", "entry"):
        text = iface.get_text(0, iface.get_character_count())
    print("%d\t%s\t%s\t%s\t%s\t%s" % (depth, role, box, flags, flat(obj.get_name() or ""), flat(text)))
    for i in range(obj.get_child_count()):
        child = obj.get_child_at_index(i)
        if child is not None:
            show(child, depth + 1)


def listen(fd):
    # Follows the object events an assistive tool follows, until killed,
    # after telling on fd that the listener is registered.
    listener = Atspi.EventListener.new(lambda event: None)
    for kind in ("object:children-changed", "object:state-changed", "object:property-change"):
        listener.register(kind)
    with open(fd, "w") as ready:
        ready.write("listening\n")
    Atspi.event_main()
    return 0


def main():
    if sys.argv[1] == "--listen":
        return listen(int(sys.argv[2]))
    pid = int(sys.argv[1])
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and app.get_process_id() == pid:
            for j in range(app.get_child_count()):
                show(app.get_child_at_index(j), 0)
    return 0


if __name__ == "__main__":
    sys.exit(main())
