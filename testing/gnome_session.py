# SPDX-License-Identifier: MIT
"""GNOME Shell for the private desktop: gnome-shell nested in the X display, with Tandrel's shell
extension from the source tree installed and enabled for the session's user before it starts,
and what the test asks of it (which window has the focus, and where) answered by that
extension over the session bus, as Tandrel itself asks.

Quirks of GNOME Shell 43 here: it aborts without a system bus (a private one is given) and
reads logind's state from /run/systemd when that exists (it is hidden under an empty tmpfs in a
mount namespace of its own); its Xwayland lets in only holders of a cookie that mutter writes in
XDG_RUNTIME_DIR; headless, keys never reached the browser, so it runs nested.
"""
import os
import re
import shutil
import subprocess
import time

HERE = os.path.dirname(os.path.abspath(__file__))
EXTENSION_UUID = "tandrel@tandrel.github.io"
EXTENSION_SOURCE = os.path.join(HERE, "..", "data", "gnome-shell", EXTENSION_UUID)
BUS_NAME = "io.github.tandrel.Shell"
OBJECT_PATH = "/io/github/tandrel/Shell"
WAYLAND_SOCKET = "wayland-tandrel"
START_TIMEOUT = 60.0  # gnome-shell with software rendering, its extension and Xwayland
POLL = 0.1
OVERVIEW_TIMEOUT = 15.0  # from the extension answering until the overview shows


class GnomeShellError(Exception):
    pass


def chown_tree(path, user):
    for root, folders, files in os.walk(path):
        for name in [root] + [os.path.join(root, n) for n in folders + files]:
            os.chown(name, user.pw_uid, user.pw_gid)


def install_extension(home, user):
    """The extension as a user installs it, and enabled in the settings the shell reads at
    start (a keyfile: the session's other programs keep GSettings in memory)."""
    extensions = os.path.join(home, ".local", "share", "gnome-shell", "extensions")
    os.makedirs(extensions, exist_ok=True)
    shutil.copytree(EXTENSION_SOURCE, os.path.join(extensions, EXTENSION_UUID))
    settings = os.path.join(home, ".config", "glib-2.0", "settings")
    os.makedirs(settings, exist_ok=True)
    with open(os.path.join(settings, "keyfile"), "w") as f:
        f.write("[org/gnome/shell]\nenabled-extensions=['%s']\n"
                "welcome-dialog-last-shown-version='999'\n" % EXTENSION_UUID)
    if user:
        chown_tree(os.path.join(home, ".local"), user)
        chown_tree(os.path.join(home, ".config"), user)


def shell_argv(gnome_shell, user):
    """gnome-shell in a mount namespace of its own where /run/systemd is empty, as the user."""
    command = "mount -t tmpfs tmpfs /run/systemd && exec \"$@\""
    if os.geteuid() == 0:
        argv = ["unshare", "--mount", "--", "sh", "-c", command, "sh"]
        if user and user.pw_uid != 0:
            argv += ["setpriv", "--reuid=%d" % user.pw_uid, "--regid=%d" % user.pw_gid,
                     "--clear-groups", "--"]
    else:
        argv = ["unshare", "--mount", "--map-current-user", "--", "sh", "-c", command, "sh"]
    return argv + [gnome_shell, "--wayland", "--nested", "--wayland-display", WAYLAND_SOCKET]


def shell_environment(env, system_bus, screen):
    return dict(env, GSETTINGS_BACKEND="keyfile", DBUS_SYSTEM_BUS_ADDRESS=system_bus,
                XDG_SESSION_TYPE="wayland", XDG_CURRENT_DESKTOP="GNOME",
                MUTTER_DEBUG_DUMMY_MODE_SPECS="%dx%d" % screen, NO_AT_BRIDGE="0")


def xwayland_of(shell_pid):
    """The display and cookie file of the Xwayland that mutter started, from its command line;
    None until it runs."""
    children = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as stat:
                parent = int(stat.read().rsplit(")", 1)[1].split()[1])
            with open("/proc/%s/cmdline" % entry, "rb") as f:
                argv = f.read().decode("utf-8", "replace").split("\0")
        except (OSError, ValueError, IndexError):
            continue
        children.setdefault(parent, []).append((int(entry), argv))
    pending = [shell_pid]
    while pending:
        for pid, argv in children.get(pending.pop(), []):
            if argv and os.path.basename(argv[0]) == "Xwayland" and len(argv) > 1:
                auth = argv[argv.index("-auth") + 1] if "-auth" in argv else None
                return argv[1], auth
            pending.append(pid)
    return None


def focused_window(dbus_send, env, run_as):
    """What the extension says of the window in front: a dict of its fields, empty when none;
    None while the extension does not answer."""
    result = subprocess.run([dbus_send, "--session", "--print-reply", "--reply-timeout=5000",
                             "--dest=" + BUS_NAME, OBJECT_PATH, BUS_NAME + ".FocusedWindow"],
                            env=env, capture_output=True, text=True, timeout=30, **run_as)
    if result.returncode != 0:
        return None
    fields = {}
    for key, kind, value in re.findall(r'string "([^"]+)"\s+variant\s+(\w+) ("[^"]*"|\S+)',
                                       result.stdout):
        fields[key] = value.strip('"') if kind == "string" else (
            value == "true" if kind == "boolean" else int(value))
    return fields


def page_origin(window, placed_by_browser):
    """Where the page's own idea of its place counts from, in a window the shell describes: the
    buffer's corner, where Firefox counts its viewport from. Otherwise the page guesses from its
    outer size, which is its buffer with client-side shadows, and takes the shadow below for as
    deep as the side ones: the shell's frame and buffer tell how much deeper it is."""
    if placed_by_browser:
        return window["buffer-x"], window["buffer-y"]
    side = window["frame-x"] - window["buffer-x"]
    below = (window["buffer-y"] + window["buffer-height"]) - (
        window["frame-y"] + window["frame-height"])
    return window["buffer-x"], window["buffer-y"] - (below - side)


def wait_for_extension(dbus_send, env, run_as, process, log_tail):
    deadline = time.monotonic() + START_TIMEOUT
    while focused_window(dbus_send, env, run_as) is None:
        if process.poll() is not None:
            raise GnomeShellError("gnome-shell exited with status %s: %s"
                                  % (process.returncode, log_tail()))
        if time.monotonic() > deadline:
            raise GnomeShellError("Tandrel's shell extension did not answer within %ds: %s"
                                  % (START_TIMEOUT, log_tail()))
        time.sleep(POLL)


def overview_active(dbus_send, env, run_as):
    result = subprocess.run([dbus_send, "--session", "--print-reply", "--reply-timeout=5000",
                             "--dest=org.gnome.Shell", "/org/gnome/Shell",
                             "org.freedesktop.DBus.Properties.Get", "string:org.gnome.Shell",
                             "string:OverviewActive"], env=env, capture_output=True, text=True,
                            timeout=30, **run_as)
    return "boolean true" in result.stdout


def leave_overview(dbus_send, env, run_as):
    """GNOME Shell starts in the overview, where new windows get no keyboard focus: back to the
    desktop once it has shown, as a user's first Escape would."""
    deadline = time.monotonic() + OVERVIEW_TIMEOUT
    while not overview_active(dbus_send, env, run_as):
        if time.monotonic() > deadline:
            return
        time.sleep(POLL)
    deadline = time.monotonic() + START_TIMEOUT
    while overview_active(dbus_send, env, run_as):
        if time.monotonic() > deadline:
            raise GnomeShellError("GNOME Shell stayed in its overview")
        subprocess.run([dbus_send, "--session", "--print-reply", "--dest=org.gnome.Shell",
                        "/org/gnome/Shell", "org.freedesktop.DBus.Properties.Set",
                        "string:org.gnome.Shell", "string:OverviewActive",
                        "variant:boolean:false"], env=env, capture_output=True, timeout=30,
                       **run_as)
        time.sleep(POLL)
