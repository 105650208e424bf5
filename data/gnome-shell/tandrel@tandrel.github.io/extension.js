// SPDX-License-Identifier: MIT
/* exported init */
'use strict';

// Tandrel's part inside GNOME Shell: only the shell knows which native Wayland window has the
// focus and where its buffer is, and only the shell can type into it without asking the user.
// Both are offered on the session bus to Tandrel, which asks without waiting.

const {Clutter, Gio, GLib, Meta} = imports.gi;

const BUS_NAME = 'io.github.tandrel.Shell';
const OBJECT_PATH = '/io/github/tandrel/Shell';
const INTERFACE = `<node>
  <interface name="io.github.tandrel.Shell">
    <method name="FocusedWindow">
      <arg type="a{sv}" direction="out" name="window"/>
    </method>
    <method name="Paste">
      <arg type="b" direction="out" name="posted"/>
    </method>
    <method name="Submit">
      <arg type="b" direction="out" name="posted"/>
    </method>
    <signal name="FocusedWindowChanged">
      <arg type="a{sv}" name="window"/>
    </signal>
  </interface>
</node>`;

// The window as Tandrel reads it: flat integers, since nested structures inside a variant are
// awkward on the other side. An empty dictionary when nothing has the focus.
function describe(window) {
    if (!window)
        return {};
    const frame = window.get_frame_rect();
    const buffer = window.get_buffer_rect();
    const text = value => new GLib.Variant('s', value || '');
    const number = value => new GLib.Variant('i', value);
    return {
        'id': new GLib.Variant('t', window.get_id()),
        'pid': number(window.get_pid()),
        'wm-class': text(window.get_wm_class()),
        'gtk-application-id': text(window.get_gtk_application_id()),
        'sandboxed-app-id': text(window.get_sandboxed_app_id()),
        'frame-x': number(frame.x),
        'frame-y': number(frame.y),
        'frame-width': number(frame.width),
        'frame-height': number(frame.height),
        'buffer-x': number(buffer.x),
        'buffer-y': number(buffer.y),
        'buffer-width': number(buffer.width),
        'buffer-height': number(buffer.height),
        'x11': new GLib.Variant('b', window.get_client_type() === Meta.WindowClientType.X11),
    };
}

class TandrelShell {
    enable() {
        // One keyboard for the whole session: a new device each time makes browsers blur and
        // refocus.
        const seat = Clutter.get_default_backend().get_default_seat();
        this._keyboard = seat.create_virtual_device(Clutter.InputDeviceType.KEYBOARD_DEVICE);
        this._exported = Gio.DBusExportedObject.wrapJSObject(INTERFACE, this);
        this._exported.export(Gio.DBus.session, OBJECT_PATH);
        this._nameId = Gio.bus_own_name_on_connection(Gio.DBus.session, BUS_NAME,
            Gio.BusNameOwnerFlags.NONE, null, null);
        this._window = null;
        this._windowSignals = [];
        this._focusSignal = global.display.connect('notify::focus-window',
            () => this._follow(global.display.focus_window));
        this._follow(global.display.focus_window);
    }

    disable() {
        this._follow(null, false);
        global.display.disconnect(this._focusSignal);
        this._focusSignal = 0;
        Gio.bus_unown_name(this._nameId);
        this._nameId = 0;
        this._exported.unexport();
        this._exported = null;
        this._keyboard.run_dispose();
        this._keyboard = null;
    }

    // Watches the window in front for moves and resizes, and says so.
    _follow(window, tell = true) {
        for (const id of this._windowSignals)
            this._window.disconnect(id);
        this._windowSignals = [];
        this._window = window;
        if (window) {
            const changed = () => this._tell();
            this._windowSignals = [
                window.connect('position-changed', changed),
                window.connect('size-changed', changed),
                window.connect('unmanaged', () => this._follow(null)),
            ];
        }
        if (tell)
            this._tell();
    }

    _tell() {
        this._exported.emit_signal('FocusedWindowChanged',
            new GLib.Variant('(a{sv})', [describe(this._window)]));
    }

    FocusedWindow() {
        return describe(this._window);
    }

    _press(keyvals) {
        if (!this._keyboard)
            return false;
        let time = GLib.get_monotonic_time();
        for (const keyval of keyvals)
            this._keyboard.notify_keyval(time++, keyval, Clutter.KeyState.PRESSED);
        for (const keyval of [...keyvals].reverse())
            this._keyboard.notify_keyval(time++, keyval, Clutter.KeyState.RELEASED);
        return true;
    }

    Paste() {
        return this._press([Clutter.KEY_Control_L, Clutter.KEY_v]);
    }

    Submit() {
        return this._press([Clutter.KEY_Return]);
    }
}

function init() {
    return new TandrelShell();
}
