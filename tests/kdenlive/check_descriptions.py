#!/usr/bin/env python3
"""Checks the Kdenlive descriptions the build wrote against the plug-ins themselves:
both parse as XML and describe their plug-in's MLT service; every parameter is there
in the plug-in's order under the name, type and default that `melt -query` reports;
every list item is one that the plug-in lists and accepts (set, then read back); every
number's range, divided by its factor, is taken by the plug-in as it is; the defaults
are in the plug-in's units (Kdenlive multiplies them by the factor).
Prints "skipped: ..." and exits 0 when melt is missing.
Usage: check_descriptions.py FREI0R_DIR TRANSITION_XML EFFECT_XML"""
import ctypes
import os
import re
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ET

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def melt_query(kind, service, frei0r_dir):
    """The parameters melt reports: a list of dicts of their fields."""
    env = dict(os.environ, FREI0R_PATH=frei0r_dir)
    text = subprocess.run(["melt", "-query", f"{kind}={service}"], env=env, capture_output=True,
                          text=True, timeout=120).stdout
    params = []
    inside = False
    for line in text.splitlines():
        if line.startswith("parameters:"):
            inside = True
            continue
        if not inside:
            continue
        match = re.match(r"  (?:(- )|  )(\w+): ?(.*)$", line)
        if not match:
            if line and not line.startswith(" "):
                inside = False
            continue
        if match.group(1):
            params.append({})
        if params:
            value = match.group(3).strip()
            if len(value) >= 2 and value[0] == value[-1] == '"':
                value = value[1:-1]
            params[-1][match.group(2)] = value
    return params


class Plugin:
    """The plug-in's module through its frei0r functions, as a host calls them."""

    def __init__(self, path):
        self.lib = ctypes.CDLL(path)
        self.lib.f0r_init()
        self.lib.f0r_construct.restype = ctypes.c_void_p
        self.lib.f0r_construct.argtypes = [ctypes.c_uint, ctypes.c_uint]
        self.lib.f0r_set_param_value.argtypes = [ctypes.c_void_p, ctypes.c_void_p, ctypes.c_int]
        self.lib.f0r_get_param_value.argtypes = [ctypes.c_void_p, ctypes.c_void_p, ctypes.c_int]
        self.lib.f0r_destruct.argtypes = [ctypes.c_void_p]
        self.instance = self.lib.f0r_construct(16, 16)
        if not self.instance:
            raise RuntimeError(f"{path}: f0r_construct gave no instance")

    def set_text(self, index, text):
        value = ctypes.c_char_p(text.encode())
        self.lib.f0r_set_param_value(self.instance, ctypes.byref(value), index)

    def text(self, index):
        value = ctypes.c_char_p()
        self.lib.f0r_get_param_value(self.instance, ctypes.byref(value), index)
        return (value.value or b"").decode()

    def set_number(self, index, number):
        value = ctypes.c_double(number)
        self.lib.f0r_set_param_value(self.instance, ctypes.byref(value), index)

    def number(self, index):
        value = ctypes.c_double(float("nan"))
        self.lib.f0r_get_param_value(self.instance, ctypes.byref(value), index)
        return value.value

    def close(self):
        self.lib.f0r_destruct(self.instance)


def close_to(a, b):
    return abs(a - b) <= 1e-9 + 1e-5 * abs(b)


def check_description(path, root_tag, module, kind, frei0r_dir):
    service = f"frei0r.{module}"
    try:
        root = ET.parse(path).getroot()
    except (OSError, ET.ParseError) as error:
        check(False, f"{path}: not well-formed XML: {error}")
        return
    check(root.tag == root_tag, f"{path}: root <{root.tag}>, not <{root_tag}>")
    check(root.get("tag") == service and root.get("id") == service, f"{path}: tag/id are not {service}")
    check(bool(root.findtext("name")), f"{path}: no name")
    params = root.findall("parameter")
    reported = melt_query(kind, service, frei0r_dir)
    if not check(len(reported) == len(params) == 26,
                 f"{path}: {len(params)} parameters described, melt reports {len(reported)}"):
        return
    plugin = Plugin(os.path.join(frei0r_dir, module + ".so"))
    for index, (param, melt) in enumerate(zip(params, reported)):
        name, kind_of = param.get("name"), param.get("type")
        where = f"{path}: parameter {index} {name!r}"
        check(name == melt.get("title"), f"{where}: melt calls it {melt.get('title')!r}")
        check(param.findtext("name") == name, f"{where}: shown as {param.findtext('name')!r}")
        melt_type = melt.get("type")
        if kind_of == "animated":
            check(melt_type == "float", f"{where}: animated, but melt says {melt_type}")
            factor, low, high = (float(param.get(a)) for a in ("factor", "min", "max"))
            default = float(param.get("default"))
            check(close_to(default, float(melt.get("default", "nan"))),
                  f"{where}: default {default} is not the plug-in's {melt.get('default')} (plug-in units)")
            check(low <= default * factor <= high, f"{where}: default {default} x {factor} outside {low} to {high}")
            for end in (low, high):
                plugin.set_number(index, end / factor)
                check(close_to(plugin.number(index), end / factor),
                      f"{where}: the plug-in turns {end / factor} into {plugin.number(index)}")
            if param.get("value") is not None:
                for key in param.get("value").split(";"):
                    frame, _, value = key.partition("=")
                    check(re.fullmatch(r"-?\d+", frame) and low <= float(value) * factor <= high,
                          f"{where}: keyframe {key!r}")
        elif kind_of == "list":
            check(melt_type == "string", f"{where}: a list, but melt says {melt_type}")
            items = param.get("paramlist").split(";")
            check(param.findtext("paramlistdisplay", "").split(",") == items,
                  f"{where}: shown items differ from the items")
            check(param.get("default") == melt.get("default") and param.get("default") in items,
                  f"{where}: default {param.get('default')!r}, melt says {melt.get('default')!r}")
            listed = re.match(r"one of (.*) \(or its number", melt.get("description", ""))
            check(listed and listed.group(1).split(", ") == items,
                  f"{where}: items {items} are not those the plug-in lists: {melt.get('description')!r}")
            for item in reversed(items):  # the first item last, so that each one is a change
                plugin.set_text(index, item)
                check(plugin.text(index) == item, f"{where}: the plug-in does not take {item!r}")
        elif kind_of == "bool":
            check(melt_type == "boolean", f"{where}: a switch, but melt says {melt_type}")
            check(param.get("default") == melt.get("default"), f"{where}: default {param.get('default')!r}")
        elif kind_of == "keywords":
            check(melt_type == "string", f"{where}: a text, but melt says {melt_type}")
            check(param.get("default") == "" and not param.get("paramlist"), f"{where}: not an empty text")
        else:
            check(False, f"{where}: type {kind_of!r} is not one Kdenlive builds a panel from here")
    plugin.close()


def main():
    if len(sys.argv) != 4:
        sys.exit("usage: check_descriptions.py FREI0R_DIR TRANSITION_XML EFFECT_XML")
    if shutil.which("melt") is None:
        print("skipped: melt not found")
        return
    frei0r_dir = os.path.abspath(sys.argv[1])
    transition, effect = sys.argv[2:]
    check_description(transition, "transition", "tilesweep_transition", "transition", frei0r_dir)
    check_description(effect, "effect", "tilesweep", "filter", frei0r_dir)
    for failure in failures:
        print(failure)
    if failures:
        sys.exit(1)
    print("both descriptions agree with the plug-ins")


if __name__ == "__main__":
    main()
