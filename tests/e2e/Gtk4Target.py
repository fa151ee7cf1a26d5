#!/usr/bin/python3
# A GTK 4 entry to deliver into: "plain", "hidden" as zenity 4's password dialog, or libadwaita's
# password "row". Prints its text and quits on Return. Further arguments: the text it starts with.
# "adwaita" prints libadwaita's minor version.
import os
import sys

# Drawn on the processor as with a graphics card: GL emulated in software delays every answer.
os.environ.setdefault("GSK_RENDERER", "cairo")
import gi  # noqa: E402

gi.require_version("Gtk", "4.0")
gi.require_version("Adw", "1")
from gi.repository import Adw, Gtk  # noqa: E402

if sys.argv[1] == "adwaita":
    sys.exit(print(Adw.get_minor_version()))
Adw.init()


def activate(app):
    window = Gtk.ApplicationWindow(application=app, title="GTK 4 " + sys.argv[1])
    if sys.argv[1] == "row":
        entry = Adw.PasswordEntryRow(title="Geslo")
        window.set_child(Gtk.ListBox())
        window.get_child().append(entry)
    else:
        entry = Gtk.Entry(visibility=sys.argv[1] != "hidden", text="".join(sys.argv[2:]))
        window.set_child(entry)
    done = "entry-activated" if sys.argv[1] == "row" else "activate"
    entry.connect(done, lambda field: (print(field.get_text(), flush=True), app.quit()))
    window.present()
    entry.grab_focus()


app = Gtk.Application()
app.connect("activate", activate)
app.run([])
