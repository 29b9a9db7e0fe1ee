#!/usr/bin/env python3
"""Writes the seed inputs of fuzz_receive (layout at the top of fuzz_receive.cpp) into corpus/.

Each seed is an exchange a unit really has with the program, so that the fuzzer starts from the
deep states (a receiver found, the line switched, polling with settings pending) instead of
having to guess a whole series of checksummed replies.
"""
import pathlib
import random

HERE = pathlib.Path(__file__).resolve().parent

# Command codes, as the detector echoes them at the start of a reply.
SETBR, REQSTATE, REQVERS, REQID = 1, 4, 38, 100
REQSIGNAL, REQPOR, REQREJ, REQLIT, REQSKOR, REQSIGPOR, REQSTNASTR = 101, 102, 103, 104, 105, 106, 107
SETPOR, SETREG, SETLIT, SETSKOR, SETADDR = 112, 113, 114, 115, 6

SEARCHING, RECEIVER, TRANSMITTER = 0, 1, 2
DEJ, UST, VKLPIT = 0, 1, 2
SETTINGS_PENDING = 0x10


def reply(code, *data, start=b"!"):
    payload = [code, *data]
    payload.append(sum(payload) & 0xFF)
    return start + "".join(f"{b:02X}" for b in payload).encode() + b"\r"


def refused(code, *data):
    return reply(code, *data, start=b"?")


def chunk(raw):
    """One chunk as the port delivers it (at most 128 bytes)."""
    assert 1 <= len(raw) <= 128
    return bytes([len(raw) - 1]) + raw


def chunked(raw, rng):
    """The same bytes in the pieces a slow line hands over."""
    out = b""
    while raw:
        n = rng.randint(1, min(5, len(raw)))
        out += chunk(raw[:n])
        raw = raw[n:]
    return out


def pause(ms):
    steps = max(1, min(64, (ms + 49) // 50))
    return bytes([0x80 | (steps - 1)])


def situation(where, mode=DEJ, settings=None):
    """settings: {index in kSettings: value}"""
    if settings is None:
        return bytes([where | mode << 2])
    mask = sum(1 << k for k in settings)
    return bytes([where | mode << 2 | SETTINGS_PENDING, mask, *(settings[k] for k in sorted(settings))])


def identification(ident, mode=DEJ):
    """The identification series' replies, in the order the program asks."""
    return [
        reply(REQID, ident, 1),
        reply(REQVERS, 2, 17),
        reply(REQLIT, 3),
        reply(REQPOR, 7),
        reply(REQSKOR, 1),
        reply(REQREJ, mode),
        reply(REQSTATE, 0, 0, 0, 0),
    ]


DEJ_POLL = [
    reply(REQSTATE, 0, 0, 0, 0),
    reply(REQSTNASTR, 0),
    reply(REQSIGNAL, 80),
    reply(REQSTNASTR, 1),
    reply(REQREJ, DEJ),
    reply(REQSTNASTR, 0),
    reply(REQSIGPOR, 120),
    reply(REQSTNASTR, 0),
]
UST_POLL = [reply(REQSTATE, 0, 0, 0, 0), reply(REQSIGNAL, 90), reply(REQREJ, UST), reply(REQSIGNAL, 153)]


def seeds():
    rng = random.Random(14)
    whole = lambda replies: b"".join(chunk(r) for r in replies)
    yield "search_receiver", situation(SEARCHING) + whole(identification(5)) + whole([reply(SETBR, 4)]) \
        + pause(900) + whole(DEJ_POLL)
    yield "search_receiver_ust", situation(SEARCHING, UST) + whole(identification(7, UST)) + pause(900) \
        + whole(UST_POLL)
    yield "search_transmitter", situation(SEARCHING) + whole(identification(32)[:3]) \
        + whole([reply(REQID, 32, 1)] * 3)
    yield "search_chunked", situation(SEARCHING) + chunked(b"".join(identification(5)[:4]), rng)
    yield "search_missed_reply", situation(SEARCHING) + pause(1000) + whole(identification(5)[:2]) \
        + pause(2000) + whole(identification(5)[2:])
    yield "poll_dej", situation(RECEIVER, DEJ) + whole(DEJ_POLL * 2)
    yield "poll_ust", situation(RECEIVER, UST) + whole(UST_POLL * 2)
    yield "poll_vklpit", situation(RECEIVER, VKLPIT) + whole(UST_POLL)
    yield "poll_transmitter", situation(TRANSMITTER) + whole([reply(REQID, 32, 1)] * 4)
    yield "poll_chunked", situation(RECEIVER, DEJ) + chunked(b"".join(DEJ_POLL), rng)
    yield "poll_refusal", situation(RECEIVER, DEJ) + whole([refused(REQSTATE, 0, 0, 0, 0)] * 2) \
        + whole(DEJ_POLL[:2]) + whole([refused(REQSTNASTR, 0)])
    yield "poll_bad_three_times", situation(RECEIVER, DEJ) + whole([reply(REQSTATE, 0, 0, 0, 0)[:-1] + b"\n"] * 3) \
        + whole(identification(5)[:3])
    yield "poll_link_lost", situation(RECEIVER, DEJ) + whole(DEJ_POLL[:3]) + pause(2100) + whole(identification(5)[:2])
    # Every setting pending at once, then each taken in turn between two polls.
    yield "poll_settings", situation(RECEIVER, DEJ, {0: 0, 1: 0, 2: 3, 3: 2, 4: 9, 5: 11}) \
        + whole([reply(REQSTATE, 0, 0, 0, 0), reply(SETREG), reply(REQSTATE, 0, 0, 0, 0), reply(SETLIT),
                 reply(REQSIGNAL, 80), reply(SETSKOR), reply(REQREJ, UST), reply(SETADDR, 9),
                 reply(REQSIGNAL, 70), reply(SETPOR), reply(REQSTATE, 0, 0, 0, 0)])
    # The user sets the threshold while polling.
    yield "poll_user_threshold", situation(RECEIVER, DEJ) + whole(DEJ_POLL[:2]) + bytes([0xC5, 9]) \
        + whole([reply(REQSIGNAL, 80), reply(SETPOR)]) + whole(DEJ_POLL[3:5])
    yield "noise", situation(RECEIVER, DEJ) + chunk(bytes(rng.randrange(256) for _ in range(100))) \
        + whole(DEJ_POLL[:2])


def main():
    corpus = HERE / "corpus"
    corpus.mkdir(exist_ok=True)
    for old in corpus.iterdir():
        old.unlink()
    for name, data in seeds():
        (corpus / name).write_bytes(data)


if __name__ == "__main__":
    main()
