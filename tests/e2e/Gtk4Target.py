#!/usr/bin/python3
# A GTK 4 entry to deliver into, plain or hiding its text as zenity 4's password dialog does.
# Prints its text and quits on Return. Arguments: "plain" or "hidden", and the text it starts with.
import os
import sys

# Drawn on the processor as with a graphics card: GL emulated in software delays every answer.
os.environ.setdefault("GSK_RENDERER", "cairo")
import gi  # noqa: E402

gi.require_version("Gtk", "4.0")
from gi.repository import Gtk  # noqa: E402


def activate(app):
    window = Gtk.ApplicationWindow(application=app, title="GTK 4 " + sys.argv[1])
    entry = Gtk.Entry(visibility=sys.argv[1] != "hidden", text="".join(sys.argv[2:]))
    entry.connect("activate", lambda field: (print(field.get_text(), flush=True), app.quit()))
    window.set_child(entry)
    window.present()


app = Gtk.Application()
app.connect("activate", activate)
app.run([])
