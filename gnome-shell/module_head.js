// brisquel@brisquel: the window list for GNOME Shell 45 and later, loaded
// as an ES module.
import Gio from 'gi://Gio';
import GLib from 'gi://GLib';
import Meta from 'gi://Meta';
import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';

