#!/usr/bin/env python3
"""Checks a project that Kdenlive saved after our composition was added: the
composition is there with every parameter of its description, list parameters hold
one of their items as text, switches 0 or 1, numbers as keyframes, and Completion
runs from 0 at the composition's first frame to 1 at its last. Prints one line; exits
1 with the reason when anything is wrong.
Usage: check_saved.py PROJECT DESCRIPTION [FPS]"""
import re
import sys
import xml.etree.ElementTree as ET


def fail(message):
    print(message)
    sys.exit(1)


def frames(clock, fps):
    """A Kdenlive/MLT time: a frame number or HH:MM:SS.mmm."""
    if re.fullmatch(r"-?\d+", clock):
        return int(clock)
    match = re.fullmatch(r"(\d+):(\d+):(\d+(?:\.\d+)?)", clock)
    if not match:
        fail(f"not a time: {clock!r}")
    hours, minutes, seconds = match.groups()
    return round((int(hours) * 3600 + int(minutes) * 60 + float(seconds)) * fps)


def keyframes(text, fps):
    """(frame, value) pairs of an MLT animation; a constant is one pair at 0."""
    pairs = []
    for part in text.split(";"):
        if "=" not in part:
            pairs.append((0, float(part)))
            continue
        key, value = part.split("=", 1)
        pairs.append((frames(key.rstrip("|~$-"), fps), float(value)))
    return pairs


def main():
    if len(sys.argv) not in (3, 4):
        fail("usage: check_saved.py PROJECT DESCRIPTION [FPS]")
    fps = float(sys.argv[3]) if len(sys.argv) == 4 else 25.0
    try:
        project = ET.parse(sys.argv[1]).getroot()
        description = ET.parse(sys.argv[2]).getroot()
    except (OSError, ET.ParseError) as error:
        fail(f"cannot read: {error}")
    service = description.get("tag")
    found = [t for t in project.iter("transition")
             if any(p.get("name") == "mlt_service" and p.text == service for p in t.findall("property"))]
    if len(found) != 1:
        fail(f"{len(found)} compositions {service} in the saved project, not 1")
    composition = found[0]
    values = {p.get("name"): (p.text or "") for p in composition.findall("property")}
    if values.get("kdenlive_id") != service:
        fail(f"kdenlive_id is {values.get('kdenlive_id')!r}")
    first = frames(composition.get("in", "0"), fps)
    last = frames(composition.get("out", "0"), fps)
    if last <= first:
        fail(f"the composition spans frames {first} to {last}")
    params = description.findall("parameter")
    for param in params:
        name, kind = param.get("name"), param.get("type")
        if name not in values:
            fail(f"no {name!r} in the saved composition")
        value = values[name]
        # Nothing but the composition was added: every other value is still the default.
        if kind == "list" and value not in param.get("paramlist").split(";"):
            fail(f"{name} is {value!r}, not one of its items")
        if kind in ("list", "bool", "keywords") and value != param.get("default"):
            fail(f"{name} is {value!r}, not its default {param.get('default')!r}")
        if kind == "animated":
            try:
                keys = keyframes(value, fps)
            except ValueError:
                fail(f"{name} is {value!r}, not keyframes")
            if name != "Completion" and any(v != float(param.get("default")) for _, v in keys):
                fail(f"{name} is {value!r}, not its default {param.get('default')}")
    completion = keyframes(values["Completion"], fps)
    span = last - first
    if len(completion) < 2 or [completion[0], completion[-1]] != [(0, 0.0), (span, 1.0)]:
        fail(f"Completion is {values['Completion']!r}: not keyframed from 0 at frame 0 to 1 at frame {span}")
    print(f"{service} from frame {first} to {last} with all {len(params)} parameters, "
          f"Completion {values['Completion']}")


if __name__ == "__main__":
    main()
