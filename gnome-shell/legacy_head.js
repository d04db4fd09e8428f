// brisquel-legacy@brisquel: the window list for GNOME Shell 43 and 44,
// loaded through the imports system.
const {Gio, GLib, Meta} = imports.gi;

