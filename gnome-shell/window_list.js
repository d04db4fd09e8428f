// The window list of GNOME Shell for one program: a D-Bus method on the
// session bus that lists every window, topmost first. It answers only the
// program whose path was fixed when the extension was installed, since
// GNOME Shell keeps its window list from ordinary clients on purpose, and
// it keeps nothing between calls.
//
// This body is shared by both forms of the extension; each form puts the
// imports of GNOME Shell's version before it and its entry point after it.

const BUS_NAME = 'org.brisquel.WindowList';
const OBJECT_PATH = '/org/brisquel/WindowList';
const PROGRAM = '@BRISQUEL_PATH@';
// A title or class longer than this is cut: the program shows far less,
// and a window's title must not make the answer huge.
const MAX_TEXT = 512;

// Each window gives two texts, its title and class (the X11 class, or the
// Wayland app id), and four numbers: its process id (0 when unknown), X
// window id (0 for a Wayland window), the shell's small, stable number for
// it (its stable sequence: each window gets the next) and one more than the
// place of its transient parent in the list (0 for none). The answer holds
// them as two flat arrays, not a record per window: GJS packs an array of
// records value by value, which took most of the call's time at a thousand
// windows, where an array of strings and an array of numbers are each made
// in one step.
const INTERFACE_XML = `
<node>
  <interface name="org.brisquel.WindowList">
    <method name="ListWindows">
      <arg name="texts" type="as" direction="out"/>
      <arg name="numbers" type="au" direction="out"/>
    </method>
  </interface>
</node>`;

// The text up to its first NUL (which a D-Bus string cannot hold), cut to
// MAX_TEXT characters.
function cutText(text) {
    if (!text)
        return '';
    // Most texts are short and whole: they are kept as they are.
    if (text.length <= MAX_TEXT && !text.includes('\0'))
        return text;
    const whole = text.split('\0', 1)[0];
    return whole.length <= MAX_TEXT ? whole : Array.from(whole).slice(0, MAX_TEXT).join('');
}

// The X id of an X11 window: its description starts with it in hex.
function xidOf(window) {
    if (window.get_client_type() !== Meta.WindowClientType.X11)
        return 0;
    const xid = parseInt(window.get_description(), 16);
    return Number.isInteger(xid) && xid > 0 && xid <= 0xffffffff ? xid : 0;
}

// Every window but the override-redirect ones (menus, tooltips), topmost
// first (the display sorts them bottom to top), as the answer's two
// arrays.
function listWindows() {
    const display = global.display;
    const windows = display.sort_windows_by_stacking(display.list_all_windows())
        .filter(window => !window.is_override_redirect())
        .reverse();
    const places = new Map(windows.map((window, place) => [window, place]));
    const texts = new Array(2 * windows.length);
    const numbers = new Uint32Array(4 * windows.length);
    windows.forEach((window, place) => {
        const parent = window.get_transient_for();
        texts[2 * place] = cutText(window.get_title());
        texts[2 * place + 1] = cutText(window.get_wm_class() || window.get_wm_class_instance());
        numbers[4 * place] = Math.max(window.get_pid(), 0);
        numbers[4 * place + 1] = xidOf(window);
        numbers[4 * place + 2] = window.get_stable_sequence();
        numbers[4 * place + 3] = parent && places.has(parent) ? places.get(parent) + 1 : 0;
    });
    return GLib.Variant.new_tuple([
        GLib.Variant.new_strv(texts),
        GLib.Variant.new_from_bytes(new GLib.VariantType('au'),
            new GLib.Bytes(new Uint8Array(numbers.buffer)), true),
    ]);
}

// Calls done(true) when the caller behind sender runs the program's own
// executable, else done(false). The bus names the caller's process; its
// executable is read from /proc. A refusal names the program answered (the
// brisquel program reads it to say which one to run).
function checkCaller(connection, sender, done) {
    connection.call('org.freedesktop.DBus', '/org/freedesktop/DBus', 'org.freedesktop.DBus',
        'GetConnectionUnixProcessID', new GLib.Variant('(s)', [sender]),
        new GLib.VariantType('(u)'), Gio.DBusCallFlags.NONE, -1, null,
        (bus, result) => {
            let allowed = false;
            try {
                const [pid] = bus.call_finish(result).deepUnpack();
                allowed = GLib.file_read_link(`/proc/${pid}/exe`) === PROGRAM;
            } catch (e) {
                allowed = false;
            }
            done(allowed);
        });
}

// The D-Bus service: exported and its name owned while enabled.
class WindowListService {
    enable() {
        this._object = Gio.DBusExportedObject.wrapJSObject(INTERFACE_XML, this);
        this._object.export(Gio.DBus.session, OBJECT_PATH);
        this._nameId = Gio.bus_own_name_on_connection(Gio.DBus.session, BUS_NAME,
            Gio.BusNameOwnerFlags.NONE, null, null);
    }

    disable() {
        if (this._nameId) {
            Gio.bus_unown_name(this._nameId);
            this._nameId = 0;
        }
        if (this._object) {
            this._object.unexport();
            this._object = null;
        }
    }

    ListWindowsAsync(parameters, invocation) {
        checkCaller(invocation.get_connection(), invocation.get_sender(), allowed => {
            if (!allowed) {
                invocation.return_dbus_error('org.freedesktop.DBus.Error.AccessDenied',
                    `only ${PROGRAM} may list the windows`);
                return;
            }
            try {
                invocation.return_value(listWindows());
            } catch (e) {
                invocation.return_dbus_error('org.freedesktop.DBus.Error.Failed', String(e));
            }
        });
    }
}
