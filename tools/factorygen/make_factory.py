#!/usr/bin/env python3
"""Builds src/data/FactoryPrograms.cpp, the unit's 200 factory programs.

Each sound starts from an archetype (clean, crunch, lead, bass ...) and changes
only what makes it that sound. The script checks every record against the
unit's limits before it writes anything, so a bad edit fails here rather than
on the unit. The generated .cpp is committed; the build never runs this.

    python3 tools/factorygen/make_factory.py [output.cpp]
"""

import os
import sys

NAME_LENGTH = 10

# Record bytes 10-29 in order; 30 and 31 are always 0.
FIELDS = ["cat", "on", "dyn", "amp", "cab", "mod", "dly", "rev",
          "dk", "mid", "ck", "mk", "dl", "rk", "gain", "bass", "treble",
          "level", "nr", "time"]

SECTION_BITS = {"D": 1, "A": 2, "C": 4, "M": 8, "E": 16, "R": 32}

# Highest type each section may use, and the highest one the table must reach.
TYPE_LIMITS = {"dyn": 26, "amp": 25, "cab": 22, "mod": 45, "dly": 24, "rev": 9}
REQUIRED_MAXIMA = {"dyn": 26, "amp": 25, "cab": 22, "mod": 43, "dly": 23, "rev": 9}

LIMITED_DYNAMICS = {0, 2, 7, 9, 17, 19, 20, 21}

# The speaker each amp is normally heard through.
AMP_CABINET = {0: 1, 1: 2, 2: 6, 3: 5, 4: 3, 5: 19, 6: 10, 7: 10, 8: 9, 9: 6,
               10: 9, 11: 11, 12: 12, 13: 21, 14: 0, 15: 4, 16: 10, 17: 9,
               18: 10, 19: 12, 20: 15, 21: 16, 22: 15, 23: 14, 24: 13, 25: 13}

ARCHETYPES = {
    "clean": dict(on="DACR", dyn=0, dk=12, amp=5, gain=8, mid=15, bass=14, treble=18,
                  mod=0, mk=10, dly=5, dl=8, time=18, rev=8, rk=12, ck=15, level=22, nr=3),
    "funk": dict(on="DACR", dyn=22, dk=18, amp=5, gain=9, mid=16, bass=13, treble=20,
                 mod=9, mk=14, dly=0, dl=8, time=16, rev=0, rk=8, ck=14, level=22, nr=4),
    "crunch": dict(on="DACR", dyn=1, dk=12, amp=6, gain=17, mid=18, bass=16, treble=18,
                   mod=0, mk=10, dly=5, dl=8, time=20, rev=1, rk=10, ck=16, level=20, nr=9),
    "blues": dict(on="DACR", dyn=5, dk=14, amp=1, gain=14, mid=18, bass=15, treble=17,
                  mod=8, mk=12, dly=8, dl=10, time=22, rev=8, rk=12, ck=15, level=21, nr=7),
    "lead": dict(on="DACER", dyn=17, dk=16, amp=10, gain=24, mid=18, bass=16, treble=20,
                 mod=0, mk=10, dly=5, dl=12, time=23, rev=3, rk=14, ck=17, level=20, nr=14),
    "metal": dict(on="DACR", dyn=11, dk=18, amp=12, gain=26, mid=10, bass=22, treble=20,
                  mod=3, mk=8, dly=5, dl=8, time=18, rev=0, rk=8, ck=18, level=19, nr=18),
    "fuzz": dict(on="DACR", dyn=14, dk=22, amp=1, gain=10, mid=16, bass=18, treble=16,
                 mod=6, mk=8, dly=8, dl=10, time=20, rev=8, rk=10, ck=14, level=20, nr=10),
    "fx": dict(on="DACMR", dyn=1, dk=8, amp=6, gain=14, mid=16, bass=15, treble=18,
               mod=3, mk=8, dly=5, dl=10, time=22, rev=1, rk=10, ck=15, level=21, nr=8),
    "pitch": dict(on="DACMR", dyn=17, dk=14, amp=10, gain=22, mid=18, bass=15, treble=19,
                  mod=19, mk=27, dly=5, dl=10, time=22, rev=3, rk=12, ck=16, level=20, nr=12),
    "ambient": dict(on="DACMER", dyn=0, dk=14, amp=5, gain=10, mid=15, bass=14, treble=17,
                    mod=16, mk=14, dly=14, dl=16, time=40, rev=4, rk=20, ck=15, level=21, nr=5),
    "acoustic": dict(on="DACR", dyn=25, dk=16, amp=13, gain=8, mid=15, bass=14, treble=18,
                     mod=0, mk=8, dly=1, dl=6, time=20, rev=1, rk=10, ck=15, level=22, nr=3),
    # Amp 25 reuses its knobs: mid = VCF, gain = threshold, bass = synth level,
    # treble = oscillator.
    "synth": dict(on="DAER", dyn=0, dk=18, amp=25, gain=14, mid=20, bass=24, treble=5,
                  mod=0, mk=10, dly=5, dl=12, time=22, rev=3, rk=12, ck=15, level=21, nr=8),
    "bass": dict(on="DACR", dyn=19, dk=14, amp=22, gain=10, mid=15, bass=20, treble=15,
                 mod=42, mk=8, dly=20, dl=8, time=20, rev=0, rk=6, ck=15, level=22, nr=4),
}

# Two sounds that must match the unit's own bytes 10-29 exactly.
CROWN_LEAD = [0, 47, 17, 10, 9, 0, 0, 2, 18, 4, 21, 10, 0, 12, 30, 30, 22, 19, 19, 0]
ORBIT_PAD = [0, 27, 0, 25, 13, 3, 14, 6, 27, 25, 28, 6, 15, 10, 20, 19, 5, 23, 9, 57]

# (name, archetype or verbatim bytes, changes), with a heading string before
# each group. Guitar sounds fill 0-99 and 115-174, bass sounds 100-114 and
# 175-199.
GUITAR = [
    "Showcase",
    ("CROWN LEAD", CROWN_LEAD, {}),
    "Cleans",
    ("CRYSTAL", "clean", dict(amp=4, rev=6, rk=14)),
    ("NIGHT JAZZ", "clean", dict(on="ACR", amp=0, gain=5, treble=10, bass=18, rev=1, rk=10)),
    ("TWEED BELL", "clean", dict(amp=1, gain=10, rk=15)),
    ("SPRING TWN", "clean", dict(amp=2, rk=18, treble=20)),
    ("CHIME", "clean", dict(on="DACMR", amp=3, gain=12, mod=1, mk=8, rev=3, rk=10)),
    ("STUDIO CLN", "clean", dict(dyn=21, dk=15, rev=2, rk=10)),
    ("CHORUS CLN", "clean", dict(on="DACMR", cab=6, mod=1, mk=9)),
    ("WIDE CLEAN", "clean", dict(on="DACMER", amp=4, cab=7, mod=2, mk=7, dly=6, time=19)),
    ("COUNTRY", "clean", dict(on="DACER", dk=20, amp=2, cab=3, dly=0, dl=12, time=21, rk=8, treble=22)),
    ("PARA CLEAN", "clean", dict(amp=15, gain=2, mid=18, rev=6)),
    ("SPARKLE", "clean", dict(dyn=3, dk=10, amp=4, cab=2, rev=7, rk=14)),
    ("POOLSIDE", "clean", dict(on="DACMR", amp=1, mod=7, mk=16, rk=16)),
    "Funk and filters",
    ("FUNK WAH", "funk", dict(dk=20, cab=4)),
    ("QUACK", "funk", dict(dyn=23, amp=15, gain=3)),
    ("AUTO FUNK", "funk", dict(on="DACMR", dyn=0)),
    ("ENV FILTER", "funk", dict(on="DACMR", dyn=21, dk=14, mod=10, mk=20)),
    ("STEP SEQ", "funk", dict(on="DACMR", dyn=9, dk=12, mod=12, mk=18)),
    ("TALKER", "funk", dict(on="DACMR", dyn=0, dk=12, amp=16, gain=1, mod=36, mk=15)),
    "Crunch",
    ("BRIT CRNCH", "crunch", {}),
    ("STACK ROAR", "crunch", dict(dyn=4, dk=14, gain=22)),
    ("BROWN TONE", "crunch", dict(amp=8, gain=20)),
    ("EDGE", "crunch", dict(on="DACER", amp=3, gain=18, dly=8, dl=12)),
    ("RHYTHM 1", "crunch", dict(amp=16, gain=2)),
    ("RHYTHM 2", "crunch", dict(amp=8, cab=11, gain=15, nr=10)),
    ("GARAGE", "crunch", dict(dyn=13, dk=14, amp=1, cab=8, gain=22, rev=8)),
    ("POWER CHRD", "crunch", dict(dyn=10, dk=10, amp=7, gain=21, nr=11)),
    ("SWEET SPOT", "crunch", dict(amp=9, gain=16)),
    ("OPEN BACK", "crunch", dict(dyn=5, amp=2, cab=18, gain=19)),
    ("ROCKSTEADY", "crunch", dict(on="DACER", gain=19, dly=0, dl=10, time=22)),
    ("CRUNCH VIB", "crunch", dict(on="DACMR", amp=8, mod=8, mk=14)),
    "Blues and overdrive",
    ("BLUES BOX", "blues", {}),
    ("GREEN TONE", "blues", dict(dk=18, amp=2, cab=3)),
    ("WARM BLUES", "blues", dict(dyn=6, dk=16, amp=9)),
    ("HOT ROAD", "blues", dict(dyn=8, dk=20, amp=3)),
    ("SLIDE", "blues", dict(dyn=7, dk=20, rev=6, treble=20)),
    ("JUKE JOINT", "blues", dict(cab=0, rev=1, rk=8)),
    ("DUST ROAD", "blues", dict(dyn=6, amp=2, gain=16, rk=16)),
    ("MIDNIGHT", "blues", dict(on="DACER", dk=10, amp=9, gain=12, rev=3)),
    ("PARA BLUES", "blues", dict(amp=17, gain=3, mid=20)),
    ("SMOKE", "blues", dict(dyn=8, amp=7, gain=12, rev=1)),
    "Leads",
    ("SOLO STACK", "lead", {}),
    ("SINGING", "lead", dict(dyn=7, dk=22, amp=7, dly=8)),
    ("BIG LEAD", "lead", dict(gain=28, dly=6, rev=4)),
    ("SMOOTH", "lead", dict(dk=14, amp=9, gain=22, treble=15, dly=9, time=25)),
    ("FUSION", "lead", dict(on="DACMER", amp=18, gain=3, mid=20, mk=12)),
    ("SHRED", "lead", dict(dyn=8, dk=18, amp=11, gain=26, time=18, nr=16)),
    ("SKY HIGH", "lead", dict(dly=14, dl=16, time=30, rev=4, rk=18)),
    ("LEGATO", "lead", dict(dk=24, amp=7)),
    ("WAILING", "lead", dict(on="DACMER", mod=34, mk=18)),
    ("80S LEAD", "lead", dict(on="DACMER", amp=11, mod=1, dly=6, time=22)),
    ("DOTTED", "lead", dict(dly=21, dl=14, time=20)),
    ("FEEDBACK", "lead", dict(on="DACR", dyn=7, dk=27, amp=12, gain=28, nr=10)),
    "Metal",
    ("IRON WALL", "metal", {}),
    ("DJENT", "metal", dict(dyn=1, dk=16, amp=11, gain=24, mid=14, nr=21)),
    ("THRASH", "metal", dict(dyn=12, dk=22, mid=6)),
    ("SCOOPED", "metal", dict(amp=19, gain=1, mid=4, bass=24)),
    ("DOOM", "metal", dict(dyn=12, dk=26, gain=30, bass=26, treble=14, rev=3, rk=12)),
    ("CHUG", "metal", dict(amp=11, gain=22, nr=20)),
    ("BLACK ICE", "metal", dict(dk=24, rev=5, rk=14)),
    ("GRINDER", "metal", dict(dyn=13, dk=26, amp=11, gain=28)),
    ("NU METAL", "metal", dict(on="DACMR", amp=19, gain=0, mid=8)),
    ("HIGH GAIN", "metal", dict(on="DACER", dyn=2, dk=14, amp=11, gain=30)),
    "Fuzz",
    ("WOOLLY", "fuzz", {}),
    ("VINTAGE FZ", "fuzz", dict(dyn=15, dk=24, amp=3)),
    ("OCTAFUZZ", "fuzz", dict(dyn=16, dk=20, amp=6)),
    ("FUZZ STACK", "fuzz", dict(dk=28, amp=6, gain=16)),
    ("FUZZ PHASE", "fuzz", dict(on="DACMR", dyn=15)),
    ("SPLATTER", "fuzz", dict(dyn=16, dk=30, amp=14)),
    "Modulation",
    ("FLANGE", "fx", {}),
    ("JET PLANE", "fx", dict(mod=4, mk=5, amp=8, gain=20)),
    ("PHASE ONE", "fx", dict(mod=5, mk=12, amp=2, gain=8)),
    ("OLD PHASE", "fx", dict(mod=6, mk=6, amp=9)),
    ("TREMOLAND", "fx", dict(dyn=0, dk=12, mod=7, mk=18, amp=1, gain=9, rev=8, rk=14)),
    ("WARBLE", "fx", dict(dyn=0, mod=8, mk=16, amp=2, gain=8)),
    ("ROTOR", "fx", dict(mod=14, mk=22, amp=9, gain=12, cab=20)),
    ("SLOW ROTOR", "fx", dict(mod=14, mk=10, amp=3, cab=18)),
    ("PANORAMA", "fx", dict(on="DACMER", mod=15, mk=14, amp=5, gain=9, dly=7, dl=12)),
    ("RING BELL", "fx", dict(mod=11, mk=20, amp=5, gain=10, cab=3)),
    ("CRUSHED", "fx", dict(mod=32, mk=18, amp=14)),
    ("COMB JET", "fx", dict(mod=38, mk=14, amp=8, gain=18)),
    "Pitch and harmony",
    ("OCTAVE UP", "pitch", {}),
    ("DOWN TUNE", "pitch", dict(mk=12, amp=12, gain=24, nr=16)),
    ("DETUNE", "pitch", dict(dyn=0, mod=20, mk=15, amp=5, gain=9)),
    ("FIFTHS", "pitch", dict(mod=20, mk=22)),
    ("TWIN HARM", "pitch", dict(mod=22, mk=9, gain=24)),
    ("HARMONY E", "pitch", dict(mod=23, mk=4)),
    ("FOURTHS", "pitch", dict(mod=24, mk=7)),
    ("DUAL LEAD", "pitch", dict(on="DACMER", mod=25, mk=2)),
    "Ambient",
    ("SWELLS", "ambient", {}),
    ("VIOLINIST", "ambient", dict(mod=17, mk=10, amp=10, gain=20, dly=8, time=24, nr=12)),
    ("CATHEDRAL", "ambient", dict(on="DACMR", amp=4, mod=2, mk=6, rev=5, rk=24)),
    ("SHIMMER", "ambient", dict(dly=23, dl=18, time=45, rk=22)),
    ("REVERSO", "ambient", dict(amp=8, gain=16, dly=12, dl=20, time=30, nr=9)),
    ("VOLUME PAD", "ambient", dict(mod=33, mk=20, dly=19, rev=9)),
    "Acoustic and lo-fi",
    ("ACOUSTIC", "acoustic", {}),
    ("PIEZO", "acoustic", dict(on="DACMR", dk=12, cab=22)),
    ("AM RADIO", "acoustic", dict(on="DACMR", dyn=1, amp=14, mod=31, mk=16, rev=2)),
    ("TELEPHONE", "acoustic", dict(on="DACMR", dyn=10, dk=12, amp=14, mod=31, mk=24, rev=0)),
    ("12 STRING", "acoustic", dict(on="DACMR", mod=20, mk=27)),
    "cleans",
    ("JAZZ BOX", "clean", dict(on="ACR", amp=0, gain=6, treble=8, rev=1, rk=8)),
    ("ARCHTOP", "clean", dict(on="ACR", amp=0, cab=3, treble=11, rev=3, rk=8)),
    ("CHICKEN", "clean", dict(on="DACER", dk=22, amp=2, dly=0, dl=10, time=20, treble=24)),
    ("NASHVILLE", "clean", dict(on="DACER", dyn=2, dk=16, amp=4, dly=1, dl=10, time=20)),
    ("SURF", "clean", dict(amp=2, rk=26, treble=22)),
    ("DREAM POP", "clean", dict(on="DACMER", amp=4, mod=1, mk=6, dly=6, dl=14, time=28, rev=4, rk=20)),
    ("INDIE", "clean", dict(on="DACMR", amp=3, gain=14, mod=7, mk=20)),
    ("SOUL CLEAN", "clean", dict(on="DACMR", dyn=9, dk=14, mod=14, mk=14)),
    ("PARA FUNK", "clean", dict(dyn=21, dk=18, amp=15, gain=4, mid=22)),
    ("STRUMMER", "clean", dict(dyn=2, amp=4, cab=19, rev=2)),
    ("LULLABY", "clean", dict(on="ACMR", amp=0, mod=8, mk=8, rev=6, rk=18)),
    ("DOUBLED", "clean", dict(on="DACER", dly=2, dl=18, time=8)),
    "drive",
    ("CLASSIC RK", "crunch", dict(dk=10, gain=20)),
    ("HARD ROCK", "crunch", dict(dyn=8, dk=14, amp=7, gain=23, nr=12)),
    ("STADIUM", "lead", dict(amp=10, dly=6, time=24, rev=9, rk=16)),
    ("PUNK", "crunch", dict(dyn=10, dk=20, gain=26, cab=11, nr=14)),
    ("GRUNGE", "crunch", dict(dyn=11, dk=14, amp=8, gain=22, nr=13)),
    ("STONER", "fuzz", dict(dk=26, amp=12, gain=20, bass=26)),
    ("MODERN RK", "crunch", dict(dyn=2, dk=10, amp=11, gain=22, nr=13)),
    ("BRIT LEAD", "lead", dict(dk=18, amp=7, gain=25, dly=8, time=22)),
    ("PARA ROCK", "crunch", dict(dyn=4, dk=14, amp=17, gain=2, mid=22)),
    ("PARA SOLO", "lead", dict(dk=20, amp=18, gain=4, mid=24)),
    ("TAPE LEAD", "lead", dict(dyn=7, dk=18, amp=9, gain=22, dly=9, dl=14, time=25)),
    ("MULTI TAP", "lead", dict(dly=11, dl=14, time=30)),
    "modulation and filters",
    ("DEEP CHRS", "fx", dict(mod=2, mk=4, amp=4, gain=8)),
    ("SWIRL", "fx", dict(mod=6, mk=10, amp=8, gain=16)),
    ("JET WASH", "fx", dict(mod=4, mk=2, amp=11, gain=24, nr=16)),
    ("TREM DRIVE", "fx", dict(mod=7, mk=22, amp=9, gain=18)),
    ("ORGAN TONE", "fx", dict(dyn=0, dk=20, mod=14, mk=24, amp=5, gain=10, cab=20)),
    ("SITAR SIM", "fx", dict(dyn=25, dk=14, mod=38, mk=22, amp=13, gain=8)),
    ("SPACE FILT", "fx", dict(on="DACMER", mod=10, mk=26, dly=15, dl=12, time=24)),
    ("ROBOT", "fx", dict(on="DACMER", mod=11, mk=28, amp=5, gain=8, dly=16, dl=12, time=12)),
    ("VOICE BOX", "fx", dict(mod=37, mk=14, amp=16, gain=3)),
    ("EXCITED", "fx", dict(dyn=0, mod=39, mk=16, amp=4, gain=8)),
    ("SHAPED", "fx", dict(mod=41, mk=20, amp=8, gain=18)),
    ("WAH LEAD", "lead", dict(on="DACMER", mod=34, mk=20)),
    "ambient",
    ("OCEAN", "ambient", dict(dly=22, dl=18, mk=12, rk=22)),
    ("HALO", "ambient", dict(on="DACER", dly=23, dl=20, time=50, rev=9, rk=24)),
    ("GLACIER", "ambient", dict(mod=33, mk=22, dl=18, time=60)),
    ("NEBULA", "ambient", dict(mod=1, mk=4, dly=19, dl=20, time=70, rev=5, rk=26)),
    ("AURORA", "ambient", dict(mod=2, mk=5, dly=13, time=35)),
    ("DUCKER", "lead", dict(dly=17, dl=18, time=26)),
    ("WIDE ECHO", "ambient", dict(on="DACER", dly=18, time=32, rev=3)),
    ("TAPE WOW", "ambient", dict(on="DACER", amp=1, dly=10, time=28, rev=8, rk=14)),
    ("LONG TAIL", "ambient", dict(on="DACER", dly=5, dl=14, time=99, rev=5, rk=28)),
    "synth",
    ("ORBIT PAD", ORBIT_PAD, {}),
    ("SYNTH LEAD", "synth", {}),
    ("SAW WAVE", "synth", dict(treble=3, mid=16)),
    ("SINE FLUTE", "synth", dict(treble=4, mid=24, dly=8, rev=4, rk=16)),
    ("OCTA SYNTH", "synth", dict(treble=1, mid=18, bass=26)),
    ("BRASSY", "synth", dict(dk=20, treble=11, mid=22)),
    ("SQUELCH", "synth", dict(on="DAMER", treble=13, mid=28, mod=9, mk=20)),
    ("WHISTLE", "synth", dict(treble=7, mid=30, gain=12)),
    ("DEEP SYNTH", "synth", dict(treble=0, mid=10, bass=27, gain=16)),
    "harmony and special",
    ("HARMONY G", "pitch", dict(mod=26, mk=7)),
    ("HARMONY C", "pitch", dict(mod=27, mk=0)),
    ("HARMONY F", "pitch", dict(mod=28, mk=5)),
    ("TWO OCTAVE", "pitch", dict(mk=29)),
    ("SUB OCTAVE", "pitch", dict(dyn=1, mod=29, mk=20, amp=6, gain=18)),
    ("DIVE DOWN", "pitch", dict(mk=0, amp=11)),
]

BASS = [
    "Bass",
    ("DEEP BASS", "bass", {}),
    ("FINGER", "bass", dict(dk=12, cab=13)),
    ("PICK BASS", "bass", dict(dyn=20, dk=18, amp=23, treble=20)),
    ("SLAP", "bass", dict(dk=20, amp=20, gain=3, mid=10, bass=22, treble=22)),
    ("VINTAGE BS", "bass", dict(on="ACR", amp=24, treble=10)),
    ("ROCK BASS", "bass", dict(dyn=18, dk=12, amp=21, gain=2)),
    ("GROWL", "bass", dict(dyn=18, dk=20, gain=18, cab=16, nr=7)),
    ("FUZZ BASS", "bass", dict(dyn=26, dk=22, amp=23, nr=9)),
    ("CHORUS BS", "bass", dict(on="DACMR", mk=10)),
    ("FLANGE BS", "bass", dict(on="DACMR", mod=43, mk=6)),
    ("ENV BASS", "bass", dict(dyn=24, dk=18, amp=20, gain=1)),
    ("FILTER BS", "bass", dict(on="DACMR", mod=13, mk=16)),
    ("OCTAVE BS", "bass", dict(on="DACMR", mod=30, mk=18)),
    ("FRETLESS", "bass", dict(on="DACMR", dk=16, mk=6, rev=1, rk=10, treble=12)),
    ("DUB BASS", "bass", dict(on="DACER", amp=24, bass=26, treble=6, dl=14, time=30)),
    "bass",
    ("DIRECT", "bass", dict(on="DAR", amp=23)),
    ("ROUND BASS", "bass", dict(cab=13, treble=10)),
    ("PUNCHY", "bass", dict(dyn=20, dk=20, amp=20, gain=2, mid=20)),
    ("MODERN BS", "bass", dict(amp=23, bass=22, treble=22, mid=10)),
    ("8X10 ROCK", "bass", dict(dyn=18, amp=21, gain=3, cab=16)),
    ("DRIVE BASS", "bass", dict(dyn=18, dk=22, gain=20, nr=8)),
    ("SUB BASS", "bass", dict(on="DACMR", amp=24, mod=30, mk=24)),
    ("WAH BASS", "bass", dict(on="DACMR", mod=35, mk=16)),
    ("FUNK BASS", "bass", dict(dyn=24, dk=22, amp=20, gain=1, mid=18)),
    ("SYNTH BASS", "synth", dict(on="DACR", treble=0, mid=14, gain=10, bass=24, rev=0, rk=6)),
    ("SYN BASS 2", "synth", dict(on="DACR", treble=8, mid=20, gain=12, rev=0, rk=6)),
    ("EXCITE BS", "bass", dict(on="DACMR", mod=40, mk=18)),
    ("SWELL BASS", "bass", dict(on="DACMER", mod=18, mk=16)),
    ("PICCOLO", "bass", dict(on="DACMR", mod=21, mk=27)),
    ("FUZZ BOMB", "bass", dict(dyn=26, dk=28, amp=21, gain=4, nr=10)),
    ("JET BASS", "bass", dict(on="DACMR", mod=43, mk=12, amp=23)),
    ("PHASE BASS", "bass", dict(on="DACMR", mod=5, mk=8)),
    ("DUB ECHO", "bass", dict(on="DACER", dl=16, time=25, rev=8, rk=10)),
    ("REGGAE", "bass", dict(amp=24, treble=4, bass=26)),
    ("UPRIGHT", "bass", dict(dyn=25, amp=24, cab=13, rev=1, rk=8)),
    ("BASS SOLO", "bass", dict(on="DACMER", dyn=18, dk=10, mk=10, dl=12)),
    ("BRIGHT BS", "bass", dict(dyn=3, dk=10, amp=23, treble=26)),
    ("STUDIO BS", "bass", dict(dyn=21, dk=14)),
    ("OLD SCHOOL", "bass", dict(on="ACR", amp=24, cab=13, treble=12)),
    ("GRIND BASS", "bass", dict(on="DACMR", dyn=26, dk=18, amp=21, gain=2, mod=30, mk=12)),
]

# Where those two sounds must sit.
FIXED_ENTRIES = {0: CROWN_LEAD, 160: ORBIT_PAD}


def tone_offset(index, salt):
    """A small, repeatable nudge (-2..+2) so sounds of one archetype differ."""
    return (index * 37 + salt * 11) % 5 - 2


def build_body(index, name, source, changes, category):
    if isinstance(source, list):
        if changes:
            sys.exit(f"{name}: verbatim entries take no changes")
        if source[0] != category:
            sys.exit(f"{name}: verbatim category {source[0]} does not fit entry {index}")
        return list(source)

    p = dict(ARCHETYPES[source])
    for key in ("mid", "bass", "treble", "ck"):
        if key not in changes and not (p.get("amp") == 25 and key != "ck"):
            p[key] = max(0, min(30, p[key] + tone_offset(index, len(key))))
    p.update(changes)
    if p.get("cab") is None or ("amp" in changes and "cab" not in changes):
        p["cab"] = AMP_CABINET[p["amp"]]
    p["cat"] = category
    p["on"] = sum(SECTION_BITS[c] for c in p["on"])
    return [p[f] for f in FIELDS]


def check(index, name, body):
    v = dict(zip(FIELDS, body))

    def fail(why):
        sys.exit(f"entry {index} ({name}): {why}")

    if len(name) > NAME_LENGTH or any(not (32 <= ord(c) <= 94) for c in name):
        fail("name not encodable in 10 characters")
    if not 1 <= v["on"] <= 63:
        fail("no section on, or bits 6-7 set")
    for key, top in TYPE_LIMITS.items():
        if not 0 <= v[key] <= top:
            fail(f"{key} type {v[key]} out of range")
    for key in ("dk", "mid", "ck", "mk", "dl", "rk", "gain", "bass", "treble", "level", "nr"):
        if not 0 <= v[key] <= 30:
            fail(f"{key} {v[key]} out of range")
    if v["nr"] > 21:
        fail("noise reduction above 21")
    if not 0 <= v["time"] <= 99:
        fail("delay time out of range")
    if v["dyn"] in LIMITED_DYNAMICS and v["dk"] > 27:
        fail("dynamics knob above 27")
    if 15 <= v["amp"] <= 21 and v["gain"] > 4:
        fail("mid-frequency selector above 4")
    if v["amp"] == 25 and (v["gain"] > 27 or v["treble"] > 15):
        fail("synth threshold or oscillator out of range")
    mod, mk = v["mod"], v["mk"]
    if ((16 <= mod <= 18 or mod == 33) and mk > 27) or (19 <= mod <= 21 and mk > 29) \
            or (22 <= mod <= 28 and mk > 11):
        fail("modulation knob above its type's limit")


def sounds(entries):
    """Pairs each sound with the group heading that opens it, if any."""
    result, heading = [], None
    for entry in entries:
        if isinstance(entry, str):
            heading = entry
        else:
            result.append((heading, entry))
            heading = None
    return result


def build_table():
    guitar, bass = sounds(GUITAR), sounds(BASS)
    if len(guitar) != 160 or len(bass) != 40:
        sys.exit(f"need 160 guitar and 40 bass sounds, have {len(guitar)} and {len(bass)}")
    ordered = guitar[:100] + bass[:15] + guitar[100:] + bass[15:]
    table = []
    for index, (heading, (name, source, changes)) in enumerate(ordered):
        category = 1 if 100 <= index <= 114 or index >= 175 else 0
        body = build_body(index, name, source, changes, category)
        check(index, name, body)
        table.append((heading, name, body))

    for index, body in FIXED_ENTRIES.items():
        if table[index][2] != body:
            sys.exit(f"entry {index} is {table[index][1]}, not the reference sound")
    names = [name for _, name, _ in table]
    if len(set(names)) != len(names):
        sys.exit("duplicate names: " + ", ".join(sorted({n for n in names if names.count(n) > 1})))
    bodies = [tuple(body[1:]) for _, _, body in table]
    if len(set(bodies)) != len(bodies):
        sys.exit("two entries share every parameter")
    for key, top in REQUIRED_MAXIMA.items():
        highest = max(body[FIELDS.index(key)] for _, _, body in table)
        if highest != top:
            sys.exit(f"highest {key} type is {highest}, must be {top}")
    first, last = FIELDS.index("dk"), FIELDS.index("nr")
    if not any(30 in body[first:last + 1] for _, _, body in table):
        sys.exit("no knob reaches 30")
    return table


HEADER = """\
// Generated by tools/factorygen/make_factory.py from its sound archetypes;
// change the script and run it again rather than editing the rows by hand.

#include "FactoryPrograms.h"

namespace vr
{
namespace
{
// Record bytes 10-29; bytes 30 and 31 are always 0.
using ProgramBody = std::array<std::uint8_t, kRecordSize - kNameLength - 2>;

constexpr ProgramRecord program (const char (&name)[kNameLength + 1], const ProgramBody& body) noexcept
{
    ProgramRecord record{};
    for (size_t i = 0; i < static_cast<size_t> (kNameLength); ++i)
        record[i] = static_cast<std::uint8_t> (name[i] - ' ');
    for (size_t i = 0; i < body.size(); ++i)
        record[static_cast<size_t> (kNameLength) + i] = body[i];
    return record;
}

// Columns: category, on/off mask, types (dynamics, amp, cabinet, modulation,
// delay, reverb), knobs (dynamics, middle, cabinet, modulation, FX level,
// reverb, gain, bass, treble), level, NR, delay time.
// clang-format off
constexpr std::array<ProgramRecord, kNumFactoryPrograms> table {
"""

FOOTER = """\
};
// clang-format on
} // namespace

const std::array<ProgramRecord, kNumFactoryPrograms>& factoryTable() noexcept
{
    return table;
}

const ProgramRecord& factoryProgram (int programNumber) noexcept
{
    jassert (programNumber >= kNumUserPrograms && programNumber < kNumPrograms);
    // Kept inside the table whatever the caller passes.
    const int index = programNumber < kNumUserPrograms
                          ? 0
                          : juce::jmin (programNumber - kNumUserPrograms, kNumFactoryPrograms - 1);
    return table[static_cast<size_t> (index)];
}
} // namespace vr
"""


def write_cpp(table, path):
    # Group headings carry the program number of the group's first sound.
    starts = [i for i, (heading, _, _) in enumerate(table) if heading] + [len(table)]
    lines = []
    for index, (heading, name, body) in enumerate(table):
        if heading:
            end = starts[starts.index(index) + 1] - 1
            numbers = f"{200 + index}" if end == index else f"{200 + index}-{200 + end}"
            lines.append(f"    // {numbers}: {heading.lower()}")
        numbers = ", ".join(f"{b:2d}" for b in body)
        comma = "," if index < len(table) - 1 else ""
        lines.append(f'    program ("{name:<{NAME_LENGTH}}", {{{numbers}}}){comma}')
    with open(path, "w", encoding="ascii", newline="\n") as out:
        out.write(HEADER + "\n".join(lines) + "\n" + FOOTER)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    default = os.path.join(here, "..", "..", "src", "data", "FactoryPrograms.cpp")
    path = sys.argv[1] if len(sys.argv) > 1 else default
    write_cpp(build_table(), os.path.normpath(path))


if __name__ == "__main__":
    main()
