#!/usr/bin/env python3
"""The song the DAW stage has Ardour play, and what its exports must sound like.

  daw_check.py plan DIR             writes DIR/PART.plan for make_session.lua
                                    and lists the parts
  daw_check.py session-range FILE   makes the range marker the session range
                                    in a saved .ardour file
  daw_check.py analyse DIR          checks the exports DIR/PART.wav
  daw_check.py same DIR DIR PART... checks two sets of exports of the parts
                                    are the same samples

Every part is a session of its own with one MIDI track and its own
fennrow.vst3, playing in its own stretch of one timeline; its export covers
that stretch, and the checks put the exports back on the timeline. (With
several tracks in a session, ardour7-export on this kind of machine rendered
only the last three tracks, Ardour's own synth as well: one track a session.)
"""
import re
import sys

RATE = 48000
SAMPLES_PER_BEAT = 24000  # Ardour's default tempo, 120 beats per minute
NOTE_BEATS = 1.5          # each note is held this long, then 0.5 beat of rest

# (index in the host's parameter list, value); the host lists fennrow's
# parameters in this order: Weight, Drive, Tone, Punch, Punch time, Shape, ...
WEIGHT, DRIVE, TONE, PUNCH, PUNCH_TIME, SHAPE, GLIDE, PLUCK = 0, 1, 2, 3, 4, 5, 8, 13

# The factory sound chosen in the host's program menu and its values as the
# host's parameters; it has no motion or arc, so it sounds the same wherever
# in the song it plays.
PROGRAM = "Boom 808"
PROGRAM_VALUES = [(WEIGHT, 0.9), (DRIVE, 0.7), (TONE, 0.4), (PUNCH, 0.8), (PUNCH_TIME, 0.12),
                  (SHAPE, 0.55), (GLIDE, 0.15)]
# The sound saved as a host preset, far from Init on every value it sets.
PRESET_VALUES = [(WEIGHT, 0.2), (DRIVE, 1.0), (TONE, 0.85), (PUNCH, 0.0), (SHAPE, 0.1), (PLUCK, 0.6)]

LINE = [28, 33, 38, 43, 48, 57]  # E1 .. A3: notes whose pitch is measured
PHRASE = [33, 40]                # A1, E2: the phrase each sound plays
TONE_LOW, TONE_HIGH = 0.1, 0.9

# How close two renders must be to count as the same sound. They are usually
# the same samples; once in about twenty runs a program loaded through Ardour
# rendered 49.5 dB from its values set one by one (cause not yet known), while
# a sound that is not the one meant is within a few dB of its own level away.
SAME_SOUND_DB = -40.0


def phrase(start):
    return [(pitch, start + 2 * i) for i, pitch in enumerate(PHRASE)]


# name, how the sound is set, notes (pitch, start beat), extra plan lines
PARTS = [
    # No punch: its pitch sweep would still bend the start of the held part.
    ("Line", "params", [(p, 2 * i) for i, p in enumerate(LINE)], [f"param {PUNCH} 0"]),
    # The phrase twice, Tone automated low, then high from beat 16 on (the
    # lane goes up in the rest before it).
    ("Tone", "automate", phrase(12) + phrase(16),
     [f"point {TONE} 0 {TONE_LOW}", f"point {TONE} 15.75 {TONE_LOW}", f"point {TONE} 16 {TONE_HIGH}"]),
    ("Init", "params", phrase(20), []),
    ("Program", "program", phrase(24), [f"program {PROGRAM}"]),
    ("ProgramParams", "params", phrase(28), [f"param {i} {v}" for i, v in PROGRAM_VALUES]),
    ("Preset", "preset", phrase(32), [f"param {i} {v}" for i, v in PRESET_VALUES]),
    ("PresetParams", "params", phrase(36), [f"param {i} {v}" for i, v in PRESET_VALUES]),
]


def part_range(notes):
    """The stretch a part's export covers: its notes and a rest after the last."""
    return notes[0][1], notes[-1][1] + 2


def write_plan(folder):
    for name, how, notes, extra in PARTS:
        start, end = part_range(notes)
        lines = [f"rate {RATE}", f"samples_per_beat {SAMPLES_PER_BEAT}", f"range {start} {end}",
                 f"part {name} {how}"]
        lines += [f"note {pitch} {start} {NOTE_BEATS}" for pitch, start in notes]
        lines += extra
        with open(f"{folder}/{name}.plan", "w") as f:
            f.write("\n".join(lines) + "\n")
        print(name)


def make_session_range(path):
    # make_session.lua leaves one range marker over the song; Lua cannot make
    # the session range that ardour7-export renders, so the marker becomes it.
    with open(path) as f:
        text = f.read()
    marker = re.compile(r'(<Location [^>]*?)name="[^"]*"([^>]*?)flags="IsRangeMarker"')
    text, count = marker.subn(r'\1name="session"\2flags="IsSessionRange"', text)
    if count != 1:
        sys.exit(f"session-range: {path} holds {count} range markers, not 1")
    with open(path, "w") as f:
        f.write(text)


def read_wav(path):
    """A 32-bit float WAV (ardour7-export -b float) as a (frames, channels) array."""
    import numpy as np
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        sys.exit(f"{path}: not a WAV file")
    pos, fmt, samples = 12, None, None
    while pos + 8 <= len(data):
        tag, size = data[pos:pos + 4], int.from_bytes(data[pos + 4:pos + 8], "little")
        body = data[pos + 8:pos + 8 + size]
        if tag == b"fmt ":
            fmt = (int.from_bytes(body[0:2], "little"), int.from_bytes(body[2:4], "little"),
                   int.from_bytes(body[4:8], "little"), int.from_bytes(body[14:16], "little"))
        elif tag == b"data":
            samples = body
        pos += 8 + size + (size & 1)
    if fmt is None or samples is None:
        sys.exit(f"{path}: no fmt or data chunk")
    code, channels, rate, bits = fmt
    if code != 3 or bits != 32 or rate != RATE:
        sys.exit(f"{path}: format {code}, {bits} bits, {rate} Hz; expected float, 32 bits, {RATE} Hz")
    return np.frombuffer(samples, dtype="<f4").reshape(-1, channels).astype(np.float64)


def beat(b):
    return int(round(b * SAMPLES_PER_BEAT))


def note_sustain(mono, start):
    """The held part of a note: past its pitch punch and attack, before its release."""
    return mono[beat(start) + int(0.2 * RATE):beat(start + NOTE_BEATS) - int(0.03 * RATE)]


def measure_pitch(x, expected_hz):
    """The fundamental of a periodic stretch, in Hz.

    The period is the lag of the best self-match, first searched within four
    semitones of the expected period, then refined over as many periods as the
    stretch holds (a parabola through the peak), which puts the error far
    below a hundredth of a cent for a steady tone."""
    import numpy as np
    x = x - x.mean()

    def match(lag):
        a, b = x[:len(x) - lag], x[lag:]
        return float(np.dot(a, b) / np.sqrt(np.dot(a, a) * np.dot(b, b) + 1e-30))

    p0 = RATE / expected_hz
    lags = range(int(p0 * 2 ** (-4 / 12)), int(p0 * 2 ** (4 / 12)) + 1)
    period = max(lags, key=match)
    periods = max(1, int((len(x) // 2) / period))
    centre = max(range(periods * period - periods, periods * period + periods + 1), key=match)
    ym, y0, yp = match(centre - 1), match(centre), match(centre + 1)
    offset = 0.5 * (ym - yp) / (ym - 2 * y0 + yp) if ym - 2 * y0 + yp != 0 else 0.0
    return RATE * periods / (centre + offset)


def brightness(x):
    """Spectral centroid in Hz."""
    import numpy as np
    spectrum = np.abs(np.fft.rfft((x - x.mean()) * np.hanning(len(x))))
    freqs = np.fft.rfftfreq(len(x), 1 / RATE)
    return float((spectrum * freqs).sum() / (spectrum.sum() + 1e-30))


def stretch(audio, start_beat):
    """The stereo samples of one phrase, from its first note to the next phrase."""
    return audio[beat(start_beat):beat(start_beat + 2 * len(PHRASE))]


def difference_db(a, b):
    """How far b is from a: the energy of b - a against the energy of a, in dB."""
    import numpy as np
    return 10 * np.log10(float(((b - a) ** 2).sum()) / (float((a ** 2).sum()) + 1e-30) + 1e-30)


def analyse(folder):
    import numpy as np
    song_end = max(part_range(notes)[1] for _, _, notes, _ in PARTS)
    audio = np.zeros((beat(song_end), 2))
    failures = []
    for name, _, notes, _ in PARTS:
        path = f"{folder}/{name}.wav"
        part = read_wav(path)
        start, end = part_range(notes)
        if part.shape != (beat(end) - beat(start), 2):
            failures.append(f"{path} holds {part.shape} samples, not its range's {beat(end) - beat(start)} frames of 2")
            continue
        if not np.isfinite(part).all():
            failures.append(f"{path} holds samples that are not finite")
            continue
        audio[beat(start):beat(end)] += part
    mono = audio.mean(axis=1)
    starts = {name: notes[0][1] for name, _, notes, _ in PARTS}

    # Every note at its pitch, A4 = 440 Hz, equal temperament.
    worst = 0.0
    for pitch, start in PARTS[0][2]:
        expected = 440.0 * 2 ** ((pitch - 69) / 12)
        held = note_sustain(mono, start)
        if np.abs(held).max() < 1e-3:
            failures.append(f"note {pitch} at beat {start} is silent")
            continue
        cents = 1200 * np.log2(measure_pitch(held, expected) / expected)
        worst = max(worst, abs(cents))
        print(f"daw: note {pitch} ({expected:.2f} Hz) at beat {start}: {cents:+.3f} cents")
        if abs(cents) > 1.0:
            failures.append(f"note {pitch} at beat {start} is {cents:+.2f} cents off")
    print(f"daw: worst pitch error {worst:.3f} cents")

    # The automated Tone is heard: the same notes are brighter after the step.
    for (pitch, low), (_, high) in zip(phrase(12), phrase(16)):
        b_low, b_high = brightness(note_sustain(mono, low)), brightness(note_sustain(mono, high))
        print(f"daw: note {pitch} with Tone {TONE_LOW}: {b_low:.0f} Hz centroid, with Tone {TONE_HIGH}: {b_high:.0f} Hz")
        if not b_high > 1.5 * b_low:
            failures.append(f"the Tone automation is not heard on note {pitch} ({b_low:.0f} Hz, then {b_high:.0f} Hz)")

    # A sound chosen through the host plays just as its values set one by one
    # through the host's parameters, and plainly unlike Init.
    init = stretch(audio, starts["Init"])
    if np.abs(init).max() < 1e-3:
        failures.append("the Init phrase is silent")
    for chosen, by_values, what in [("Program", "ProgramParams", f"the factory program {PROGRAM}"),
                                    ("Preset", "PresetParams", "the preset saved through Ardour")]:
        heard, meant = stretch(audio, starts[chosen]), stretch(audio, starts[by_values])
        from_meant, from_init = difference_db(meant, heard), difference_db(init, meant)
        heard_text = ("the same samples as" if not np.any(heard != meant)
                      else f"{from_meant:.1f} dB from")
        print(f"daw: {what}: {heard_text} its values set one by one, which are {from_init:.1f} dB from Init")
        if from_init < -3:
            failures.append(f"the values of {what} sound like Init ({from_init:.1f} dB)")
        if from_meant > SAME_SOUND_DB:
            failures.append(f"{what} is not heard: it is {from_meant:.1f} dB from its values "
                            f"({difference_db(init, heard):.1f} dB from Init)")

    for failure in failures:
        print(f"daw: FAILED: {failure}", file=sys.stderr)
    return not failures


def same(folder_a, folder_b, names):
    ok = True
    for name in names:
        path_a, path_b = f"{folder_a}/{name}.wav", f"{folder_b}/{name}.wav"
        a, b = read_wav(path_a), read_wav(path_b)
        if a.shape != b.shape:
            print(f"daw: FAILED: {path_b} holds {b.shape} samples, {path_a} {a.shape}", file=sys.stderr)
            ok = False
            continue
        differing = int((a != b).any(axis=1).sum())
        if not differing:
            print(f"daw: the reopened session {name} renders the same samples")
        elif difference_db(a, b) <= SAME_SOUND_DB:
            print(f"daw: the reopened session {name} renders the same sound: {differing} of {len(a)} "
                  f"frames differ, {difference_db(a, b):.1f} dB")
        else:
            print(f"daw: FAILED: the reopened session {name} sounds different: {differing} of {len(a)} "
                  f"frames differ, {difference_db(a, b):.1f} dB", file=sys.stderr)
            ok = False
    return ok


def main(argv):
    commands = {
        "plan": (1, lambda a: write_plan(a[0]) or True),
        "session-range": (1, lambda a: make_session_range(a[0]) or True),
        "analyse": (1, lambda a: analyse(a[0])),
        "same": (None, lambda a: same(a[0], a[1], a[2:])),
    }
    if len(argv) < 2 or argv[1] not in commands or len(argv) - 2 != (commands[argv[1]][0] or len(argv) - 2):
        sys.exit(__doc__)
    return 0 if commands[argv[1]][1](argv[2:]) else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
