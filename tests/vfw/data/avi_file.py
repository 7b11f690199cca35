"""The AVI container the clip scripts share: one video stream of key frames,
ten a second, with an index.
"""
import struct


def chunk(fourcc, body):
    return fourcc + struct.pack("<I", len(body)) + body + (b"\0" if len(body) % 2 else b"")


def listed(kind, body):
    return chunk(b"LIST", kind + body)


def avi(handler, width, height, frames, strf, frame_rect=(0, 0, 0, 0), name=None):
    """The file's bytes: `handler` the codec's four characters, `frames` the
    frames' data, `strf` the stream format, `frame_rect` the stream header's
    rectangle (all 0: the whole picture), `name` an optional stream name."""
    count = len(frames)
    avih = struct.pack("<14I", 100000, 0, 0, 0x10, count, 0, 1, 0, width, height, 0, 0, 0, 0)
    strh = b"vids" + handler + struct.pack("<IHHIIIIIIIIhhhh", 0, 0, 0, 0, 1, 10, 0, count, 0,
                                           0xFFFFFFFF, 0, *frame_rect)
    movi, index = b"", b""
    for data in frames:
        index += b"00dc" + struct.pack("<III", 0x10, 4 + len(movi), len(data))
        movi += chunk(b"00dc", data)
    strl = chunk(b"strh", strh) + chunk(b"strf", strf)
    if name is not None:
        strl += chunk(b"strn", name.encode() + b"\0")
    body = listed(b"hdrl", chunk(b"avih", avih) + listed(b"strl", strl))
    body += listed(b"movi", movi) + chunk(b"idx1", index)
    return b"RIFF" + struct.pack("<I", 4 + len(body)) + b"AVI " + body
