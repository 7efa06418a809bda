#!/usr/bin/env python3
"""An accessibility client on the AT-SPI bus, speaking D-Bus through gdbus.

Finds the application named on the command line, prints the names of its
menu bar's items ("MENUBAR File|Edit"), opens the item named by the second
argument through its "Open" action, prints the items of the menu that
appears ("MENU ..."), and runs the menu item named by the third argument
through its "Execute" action ("EXECUTED"). Exits non-zero with a message on
the first thing that does not answer as expected.
"""
import re
import subprocess
import sys
import time

REGISTRY = 'org.a11y.atspi.Registry'
ROOT = '/org/a11y/atspi/accessible/root'
ACCESSIBLE = 'org.a11y.atspi.Accessible'


def gdbus(bus, dest, path, method, *args):
    done = subprocess.run(['gdbus', 'call', *bus, '--dest', dest, '--object-path', path, '--method', method,
                           *args], capture_output=True, text=True, timeout=30)
    if done.returncode != 0:
        raise RuntimeError(f'{method} on {path}: {done.stderr.strip()}')
    return done.stdout.strip()


def unquote(text):
    return text.encode('latin-1', 'backslashreplace').decode('unicode_escape')


class Node:
    def __init__(self, bus, dest, path):
        self.bus, self.dest, self.path = bus, dest, path

    def call(self, method, *args):
        return gdbus(self.bus, self.dest, self.path, method, *args)

    def children(self):
        out = self.call(ACCESSIBLE + '.GetChildren')
        return [Node(self.bus, d, p) for d, p in re.findall(r"\('([^']*)', (?:objectpath )?'([^']*)'\)", out)]

    def name(self):
        out = self.call('org.freedesktop.DBus.Properties.Get', ACCESSIBLE, 'Name')
        m = re.search(r"<'(.*)'>", out)
        return unquote(m.group(1)) if m else ''

    def role(self):
        m = re.search(r"\('(.*)',\)", self.call(ACCESSIBLE + '.GetRoleName'))
        return m.group(1) if m else ''

    def actions(self):
        out = self.call('org.a11y.atspi.Action.GetActions')
        return [unquote(a) for a, _, _ in re.findall(r"\('([^']*)', '([^']*)', '([^']*)'\)", out)]

    def do(self, action):
        names = self.actions()
        if action not in names:
            raise RuntimeError(f'no action {action} on {self.name()!r}: {names}')
        out = self.call('org.a11y.atspi.Action.DoAction', str(names.index(action)))
        if 'true' not in out:
            raise RuntimeError(f'{action} on {self.name()!r} answered {out}')


def find(node, role, depth=0):
    if node.role() == role:
        return node
    if depth < 8:
        for child in node.children():
            found = find(child, role, depth + 1)
            if found:
                return found
    return None


def child_named(node, name):
    return next((c for c in node.children() if c.name() == name), None)


def wait_for(what, get, seconds=30):
    end = time.monotonic() + seconds
    while True:
        found = get()
        if found or time.monotonic() > end:
            if not found:
                raise RuntimeError(f'no {what} after {seconds} s')
            return found
        time.sleep(0.1)


def main():
    app_name, menu_name, item_name = sys.argv[1:4]
    out = gdbus(['--session'], 'org.a11y.Bus', '/org/a11y/bus', 'org.a11y.Bus.GetAddress')
    bus = ['--address', re.search(r"\('(.*)',\)", out).group(1)]
    registry = Node(bus, REGISTRY, ROOT)
    app = wait_for('application ' + app_name, lambda: child_named(registry, app_name))
    bar = wait_for('menu bar', lambda: find(app, 'menu bar'))
    items = bar.children()
    print('MENUBAR ' + '|'.join(i.name() for i in items), flush=True)

    menu_item = next(i for i in items if i.name() == menu_name)
    menu_item.do('Open')
    print('OPENED ' + menu_name, flush=True)
    popup = wait_for('menu', lambda: next((c for c in menu_item.children() if c.role() == 'popup menu'), None))
    entries = popup.children()
    print('MENU ' + '|'.join(e.name().split('\t')[0] for e in entries), flush=True)
    entry = next(e for e in entries if e.name().split('\t')[0] == item_name)
    entry.do('Execute')
    print('EXECUTED ' + item_name, flush=True)


if __name__ == '__main__':
    try:
        main()
    except Exception as error:  # a client that fails says why
        print('FAILED ' + str(error), flush=True)
        sys.exit(1)
