#!/usr/bin/python3
# A GTK 4 application to deliver into: an entry that only hides its text (as zenity 4's password
# dialog), a plain entry, or libadwaita's password row. Prints the field's text and quits on
# Return. Arguments: the kind, and the text the field starts with.
import os
import sys

import gi

# Drawn on the processor as a desktop's graphics card would, without GL emulated in software:
# a frame of that takes tens of milliseconds on a busy machine, and delays every answer.
os.environ.setdefault("GSK_RENDERER", "cairo")

gi.require_version("Gtk", "4.0")
gi.require_version("Adw", "1")
from gi.repository import Adw, Gtk

kind = sys.argv[1]
start = sys.argv[2] if len(sys.argv) > 2 else ""


def done(field):
    print(field.get_text(), flush=True)
    app.quit()


def activate(app):
    window = Gtk.ApplicationWindow(application=app, title="GTK 4 " + kind)
    if kind == "row":
        field = Adw.PasswordEntryRow(title="Geslo")
        field.connect("entry-activated", done)
        rows = Gtk.ListBox()
        rows.append(field)
        window.set_child(rows)
    else:
        field = Gtk.Entry(visibility=kind != "hidden")
        field.connect("activate", done)
        window.set_child(field)
    field.set_text(start)
    window.present()
    field.grab_focus()


Adw.init()
app = Gtk.Application(application_id="si.zunatrep.Gtk4Target" + kind.capitalize())
app.connect("activate", activate)
app.run([])
