#!/usr/bin/env python3
"""Generate the sounds of Cpu chat into ../../data/Sound/.

Standard library only.  16-bit PCM, mono, 22050 Hz, peak about 0.5.
Run:  python3 tools/data/make_sounds.py
"""
import math
import os
import struct
import wave

RATE = 22050
PEAK = 0.5
HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.normpath(os.path.join(HERE, '..', '..', 'data', 'Sound'))


def smooth_edges(x, attack, release):
    """Raised-cosine fade in and fade out (seconds) so nothing clicks."""
    n = len(x)
    a = max(1, int(attack * RATE))
    r = max(1, int(release * RATE))
    for i in range(min(a, n)):
        x[i] *= 0.5 - 0.5 * math.cos(math.pi * i / a)
    for i in range(min(r, n)):
        x[n - 1 - i] *= 0.5 - 0.5 * math.cos(math.pi * i / r)
    return x


def tone(freq_of_t, dur, harmonics=((1, 1.0),), decay=0.0):
    """A tone whose frequency may change with time (phase accumulated)."""
    n = int(dur * RATE)
    out = []
    phase = 0.0
    for i in range(n):
        t = i / RATE
        phase += 2 * math.pi * freq_of_t(t) / RATE
        v = sum(a * math.sin(k * phase) for k, a in harmonics)
        if decay:
            v *= math.exp(-decay * t)
        out.append(v)
    return out


def silence(dur):
    return [0.0] * int(dur * RATE)


def mix_at(base, part, start):
    s = int(start * RATE)
    need = s + len(part)
    if len(base) < need:
        base.extend([0.0] * (need - len(base)))
    for i, v in enumerate(part):
        base[s + i] += v
    return base


def normalize(x, peak=PEAK):
    m = max(abs(v) for v in x) or 1.0
    return [v * peak / m for v in x]


def save(name, x):
    x = normalize(x)
    os.makedirs(OUT, exist_ok=True)
    path = os.path.join(OUT, name)
    frames = b''.join(struct.pack('<h', int(round(v * 32767))) for v in x)
    with wave.open(path, 'wb') as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(frames)
    print('%-14s %4d ms %6d bytes' % (name, 1000 * len(x) // RATE, os.path.getsize(path)))


def keyboard():
    # ~30 ms soft click: two damped high partials plus a little body.
    x = tone(lambda t: 1900.0, 0.030, ((1, 1.0), (1.63, 0.5)), decay=160.0)
    body = tone(lambda t: 420.0, 0.030, decay=120.0)
    x = [a + 0.4 * b for a, b in zip(x, body)]
    return smooth_edges(x, 0.0015, 0.008)


def button3():
    # ~120 ms rising two-tone blip: 660 Hz then 990 Hz.
    h = ((1, 1.0), (2, 0.15))
    a = smooth_edges(tone(lambda t: 660.0, 0.055, h), 0.004, 0.012)
    b = smooth_edges(tone(lambda t: 990.0, 0.065, h), 0.004, 0.025)
    x = []
    mix_at(x, a, 0.0)
    mix_at(x, b, 0.055)
    return x


def button2():
    # ~150 ms swish: a soft upward chirp with a light shimmer.
    dur = 0.150

    def f(t):
        return 500.0 + 2200.0 * (t / dur) ** 1.5

    x = tone(f, dur, ((1, 1.0), (3, 0.12)))
    # bell-shaped loudness curve
    x = [v * math.sin(math.pi * i / len(x)) ** 2 for i, v in enumerate(x)]
    return smooth_edges(x, 0.003, 0.010)


def button1():
    # ~300 ms low wobble: 140 Hz with slow vibrato and tremolo.
    dur = 0.300

    def f(t):
        return 140.0 + 25.0 * math.sin(2 * math.pi * 12.0 * t)

    x = tone(f, dur, ((1, 1.0), (2, 0.35), (3, 0.1)))
    x = [v * (0.75 + 0.25 * math.sin(2 * math.pi * 12.0 * i / RATE + 1.0))
         for i, v in enumerate(x)]
    return smooth_edges(x, 0.015, 0.080)


def bell(freq, dur, decay):
    return smooth_edges(
        tone(lambda t: freq, dur, ((1, 1.0), (2.0, 0.25), (3.01, 0.08)), decay=decay),
        0.003, 0.030)


def cpusound():
    # ~250 ms gentle chime: E6 then B5 overlapping.
    x = []
    mix_at(x, bell(1318.5, 0.160, 14.0), 0.0)
    mix_at(x, bell(987.8, 0.170, 12.0), 0.080)
    return x


def close():
    # ~700 ms descending tune: G5, E5, C5.
    x = []
    notes = ((784.0, 0.0, 0.25), (659.3, 0.22, 0.25), (523.3, 0.44, 0.26))
    for freq, start, dur in notes:
        mix_at(x, bell(freq, dur, 6.0), start)
    return smooth_edges(x, 0.002, 0.060)


def main():
    save('KeyBoard.wav', keyboard())
    save('Button3.wav', button3())
    save('Button2.wav', button2())
    save('Button1.wav', button1())
    save('CpuSound.wav', cpusound())
    save('Close.wav', close())


if __name__ == '__main__':
    main()
