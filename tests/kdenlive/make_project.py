#!/usr/bin/env python3
"""Writes a Kdenlive 22.12 project as Kdenlive itself saves a new one (two audio and
two video tracks, its internal mixers), with two colour clips of 10 s: "First" on the
lower video track V1 from 0 s, "Second" on V2 from 4 s; no composition yet.
Usage: make_project.py OUTPUT"""
import os
import sys
from xml.sax.saxutils import escape, quoteattr

FPS = 25
CLIP_FRAMES = 250
SECOND_CLIP_START = 4 * FPS


def clock(frames):
    return f"00:00:{frames // FPS:02d}.{frames % FPS * 1000 // FPS:03d}"


def properties(pairs, indent="  "):
    return "".join(f'{indent}<property name="{name}">{escape(str(value))}</property>\n' for name, value in pairs)


def element(tag, attributes, body=""):
    attrs = "".join(f" {name}={quoteattr(str(value))}" for name, value in attributes)
    return f" <{tag}{attrs}>\n{body} </{tag}>\n" if body else f" <{tag}{attrs}/>\n"


def colour_clip(producer, colour, name, bin_id):
    return element("producer", [("id", producer), ("in", clock(0)), ("out", clock(CLIP_FRAMES - 1))], properties([
        ("length", CLIP_FRAMES), ("eof", "pause"), ("resource", colour), ("aspect_ratio", 1),
        ("mlt_service", "color"), ("kdenlive:clipname", name), ("kdenlive:duration", "00:00:10:00"),
        ("kdenlive:id", bin_id), ("kdenlive:clip_type", 0), ("mlt_image_format", "rgba")]))


def entry(producer):
    return f'  <entry producer="{producer}" in="{clock(0)}" out="{clock(CLIP_FRAMES - 1)}"/>\n'


# Kdenlive's sound filters on every audio track and on the whole timeline, switched off.
def sound_filters(first_id, count):
    filters = [[("window", 75), ("max_gain", "20dB"), ("mlt_service", "volume"), ("internal_added", 237),
                ("disable", 1)],
               [("channel", -1), ("mlt_service", "panner"), ("internal_added", 237), ("start", 0.5),
                ("disable", 1)],
               [("iec_scale", 0), ("mlt_service", "audiolevel"), ("dbpeak", 1), ("disable", 1)]]
    return "".join(" " + element("filter", [("id", f"filter{first_id + i}")], properties(f, "   "))
                   for i, f in enumerate(filters[:count]))


def track(index, audio, body):
    """A Kdenlive track: a tractor of two playlists, the first holding `body`."""
    playlists = "".join(element("playlist", [("id", f"playlist{2 * index + i}")],
                                (properties([("kdenlive:audio_track", 1)]) if audio else "") + (body if i == 0 else ""))
                        for i in range(2))
    settings = ([("kdenlive:audio_track", 1)] if audio else []) + [
        ("kdenlive:trackheight", 74), ("kdenlive:timeline_active", 1), ("kdenlive:collapsed", 0),
        ("kdenlive:thumbs_format", ""), ("kdenlive:audio_rec", "")]
    tracks = "".join(f'  <track hide="{"video" if audio else "audio"}" producer="playlist{2 * index + i}"/>\n'
                     for i in range(2))
    return playlists + element("tractor", [("id", f"tractor{index}"), ("in", clock(0))],
                               properties(settings) + tracks + (sound_filters(3 * index, 3) if audio else ""))


def mixer(index, track_number, audio):
    settings = [("a_track", 0), ("b_track", track_number)]
    settings += ([("mlt_service", "mix"), ("kdenlive_id", "mix"), ("internal_added", 237), ("always_active", 1),
                  ("accepts_blanks", 1), ("sum", 1)] if audio else
                 [("compositing", 0), ("distort", 0), ("rotate_center", 0), ("mlt_service", "qtblend"),
                  ("always_active", 1), ("internal_added", 237)])
    return " " + element("transition", [("id", f"transition{index}")], properties(settings, "   "))


def project(root):
    documents = [("activeTrack", 2), ("audioChannels", 2), ("audioTarget", -1), ("compositing", 1),
                 ("disablepreview", 0), ("documentid", 1700000000000), ("enableTimelineZone", 0),
                 ("enableexternalproxy", 0), ("enableproxy", 0), ("externalproxyparams", ""),
                 ("generateimageproxy", 0), ("generateproxy", 0), ("kdenliveversion", "22.12.3"), ("position", 0),
                 ("previewextension", ""), ("previewparameters", ""), ("profile", "atsc_1080p_25"),
                 ("proxyextension", ""), ("proxyimageminsize", 2000), ("proxyimagesize", 800),
                 ("proxyminsize", 1000), ("proxyparams", ""), ("proxyresize", 640), ("scrollPos", 0),
                 ("seekOffset", 30000), ("version", "1.04"), ("verticalzoom", 1), ("videoTarget", -1),
                 ("zonein", 0), ("zoneout", 75), ("zoom", 4)]
    main_bin = properties([("kdenlive:docproperties." + name, value) for name, value in documents] +
                          [("kdenlive:expandedFolders", ""), ("kdenlive:documentnotes", ""),
                           ("kdenlive:docproperties.groups", "[\n]\n"), ("xml_retain", 1)])
    xml = "<?xml version='1.0' encoding='utf-8'?>\n"
    xml += f'<mlt LC_NUMERIC="C" producer="main_bin" version="7.12.0" root={quoteattr(root)}>\n'
    xml += (' <profile frame_rate_num="25" sample_aspect_num="1" display_aspect_den="9" colorspace="709" '
            'progressive="1" description="HD 1080p 25 fps" display_aspect_num="16" frame_rate_den="1" '
            'width="1920" height="1080" sample_aspect_den="1"/>\n')
    xml += colour_clip("producer0", "0xd03030ff", "First", 2) + colour_clip("producer1", "0x3050d0ff", "Second", 3)
    xml += element("playlist", [("id", "main_bin")], main_bin + entry("producer0") + entry("producer1"))
    xml += element("producer", [("id", "black_track"), ("in", clock(0)), ("out", "00:20:00.000")], properties([
        ("length", 2147483647), ("eof", "continue"), ("resource", "black"), ("aspect_ratio", 1),
        ("mlt_service", "color"), ("mlt_image_format", "rgba"), ("set.test_audio", 0)]))
    xml += track(0, True, "") + track(1, True, "")
    xml += track(2, False, entry("producer0"))
    xml += track(3, False, f'  <blank length="{clock(SECOND_CLIP_START)}"/>\n' + entry("producer1"))
    timeline = '  <track producer="black_track"/>\n' + "".join(f'  <track producer="tractor{i}"/>\n' for i in range(4))
    timeline += "".join(mixer(i, i + 1, i < 2) for i in range(4))
    timeline += sound_filters(6, 2)
    xml += element("tractor", [("id", "tractor4"), ("in", clock(0)), ("out", "00:20:00.000")], timeline)
    return xml + "</mlt>\n"


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_project.py OUTPUT")
    out = os.path.abspath(sys.argv[1])
    with open(out, "w", encoding="utf-8") as f:
        f.write(project(os.path.dirname(out)))


if __name__ == "__main__":
    main()
