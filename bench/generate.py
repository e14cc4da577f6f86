#!/usr/bin/env python3
"""Writes deterministic benchmark inputs for xmlpp.

Usage: generate.py KIND SIZE_MB OUTPUT
Kinds:
  project    attribute-heavy project file (folders of files with build options)
  directives project file full of conditionals, macro references, foreach
             and includes (of four part files written beside OUTPUT)
  siblings   one root with SIZE-dependent number of sibling elements
  deep       many subtrees nested 100 levels deep (indentation makes the output
             grow with the square of the depth, so deeper trees measure the disk)
  loops      small input whose for/foreach expansion produces SIZE MB of output
  includes   a file that includes SIZE MB of small files (about 1 KB each),
             written into the folder OUTPUT-parts
  chain      a chain of includes, each file including the next (about 8 KB
             each, 128 files per MB), written into the folder OUTPUT-parts
  xhtml      documentation page for the -xhtml mode
The same arguments always give the same bytes (a fixed pseudo-random seed).
"""
import os
import random
import sys

WORDS = ["core", "drivers", "hal", "net", "usb", "crypto", "fs", "board", "boot", "util", "log", "sched",
         "timer", "uart", "spi", "i2c", "adc", "dma", "gpio", "flash"]


def project(out, size, rnd):
    out.write('<?xml version="1.0" encoding="UTF-8"?>\n<project name="firmware" version="5.2" target="ARM">\n')
    n = 0
    while out.tell() < size:
        folder = rnd.choice(WORDS)
        out.write('  <folder name="%s%d" filter="*.c;*.h">\n' % (folder, n))
        for i in range(rnd.randint(5, 30)):
            name = "%s_%s_%04d" % (folder, rnd.choice(WORDS), rnd.randint(0, 9999))
            out.write('    <file path="src/%s/%s.c" type="source" build="yes" optimise="-O%d" '
                      'define="MODULE_%s=1"/>\n' % (folder, name, rnd.randint(0, 3), name.upper()))
        out.write('  </folder>\n')
        n += 1
    out.write('</project>\n')


def directives(out, size, rnd):
    stem = os.path.splitext(out.name)[0]
    parts = ["%s-part%d.xml" % (stem, k) for k in range(4)]
    for k, part in enumerate(parts):
        with open(part, "w") as part_file:
            part_file.write('<part name="p%d" platform="$(platform)">\n  <if platform="ARM">\n'
                            '    <module name="$(module)" core="$(core:m4)"/>\n  </if>\n</part>\n' % k)
    out.write('<?xml version="1.0"?>\n<project name="$(product:demo)" platform="$(platform)">\n')
    out.write('  <define name="base" value="src/$(platform)"/>\n')
    n = 0
    while out.tell() < size:
        word = rnd.choice(WORDS)
        out.write('  <if platform="ARM,PPC">\n    <folder name="%s%d" root="$(base)/%s">\n' % (word, n, word))
        for i in range(rnd.randint(3, 12)):
            out.write('      <file path="$(base)/%s/f%d.c" opt="$(opt:-O2)" debug="$(debug::off)"/>\n' % (word, i))
        out.write('    </folder>\n  </if>\n')
        out.write('  <ifnot platform="ARM"><folder name="never%d"/></ifnot>\n' % n)
        if n % 4 == 0:
            out.write('  <foreach variant="debug,release" core="m0,m4">\n'
                      '    <config name="%s-$(variant)-$(core)" index="$(FOREACH_COUNT)"/>\n  </foreach>\n' % word)
        if n % 8 == 0:
            out.write('  <ifex expression="%d &lt; 0x%x &amp;&amp; 1 == 1"><check n="%d"/></ifex>\n' % (n, n + 1, n))
        if n % 64 == 0:
            out.write('  <include filename="%s" macros="module=%s%d" no_root="yes"/>\n'
                      % (os.path.basename(parts[n // 64 % 4]), word, n))
        n += 1
    out.write('</project>\n')


def siblings(out, size, rnd):
    out.write('<list>\n')
    i = 0
    while out.tell() < size:
        out.write('<item id="%d" value="%d"/>\n' % (i, rnd.randint(0, 1 << 30)))
        i += 1
    out.write('</list>\n')


def deep(out, size, rnd):
    out.write('<root>\n')
    while out.tell() < size:
        depth = 100
        for d in range(depth):
            out.write('<level d="%d">' % d)
        out.write('<leaf v="%d"/>' % rnd.randint(0, 99))
        out.write('</level>' * depth)
        out.write('\n')
    out.write('</root>\n')


def loops(out, size, rnd):
    # Each output element is about 60 bytes; the loop bounds follow the size.
    count = max(1, size // 60)
    outer = max(1, count // 1000)
    out.write('<generated>\n')
    out.write('  <foreach block="%s">\n' % ",".join("b%d" % i for i in range(outer)))
    out.write('    <for index="i" start="0" end="1000" incr="1" add="0x1000" mul="16">\n')
    out.write('      <register block="$(block)" name="R$(i)" address="$(i_ap_hex)"/>\n')
    out.write('    </for>\n  </foreach>\n</generated>\n')


def part_folder(out, rnd, n, count):
    """A folder element of `count` file elements, about 100 bytes each."""
    word = rnd.choice(WORDS)
    out.write('  <folder name="%s%d">\n' % (word, n))
    for i in range(count):
        out.write('    <file path="src/%s/%s_%04d.c" type="source" opt="-O%d"/>\n'
                  % (word, rnd.choice(WORDS), rnd.randint(0, 9999), rnd.randint(0, 3)))
    out.write('  </folder>\n')


def parts_folder(path):
    folder = path + "-parts"
    os.makedirs(folder, exist_ok=True)
    return folder


def includes(out, size, rnd):
    # Every part is its own file; the main file includes each once. A run
    # counts at least 64 KiB of its budget per include, which leaves room
    # for about 32,000 includes: 20 MB is about 20,000.
    folder = parts_folder(out.name)
    count = max(1, size // 1024)
    out.write('<project name="includes">\n')
    for n in range(count):
        name = "p%05d.xml" % n
        with open(os.path.join(folder, name), "w") as part:
            part.write('<part n="%d">\n' % n)
            part_folder(part, rnd, n, 16)
            part.write('</part>\n')
        out.write('  <include filename="%s/%s" no_root="1"/>\n' % (os.path.basename(folder), name))
    out.write('</project>\n')


def chain(out, size, rnd):
    # File k holds a folder and includes file k+1 in its place, unwrapped,
    # so that the output stays flat; 2,000 includes inside each other is the
    # bound, which 15 MB stays below.
    folder = parts_folder(out.name)
    count = max(1, size // 8192)
    out.write('<project name="chain">\n  <include filename="%s/c00000.xml" no_root="1"/>\n</project>\n'
              % os.path.basename(folder))
    for n in range(count):
        with open(os.path.join(folder, "c%05d.xml" % n), "w") as part:
            part.write('<part n="%d">\n' % n)
            part_folder(part, rnd, n, 132)
            if n + 1 < count:
                part.write('  <include filename="c%05d.xml" no_root="1"/>\n' % (n + 1))
            part.write('</part>\n')


def xhtml(out, size, rnd):
    out.write('<html>\n<head><title>Manual</title></head>\n<body>\n')
    n = 0
    while out.tell() < size:
        out.write('<h2 id="s%d">Section %d of <expand_definition name="ide"/></h2>\n' % (n, n))
        out.write('<if platform="ARM"><p class="arm">Runs on ARM, release <expand_definition name="release"/>.</p></if>\n')
        out.write('<ifnot platform="ARM"><p>never</p></ifnot>\n')
        for i in range(rnd.randint(2, 6)):
            out.write('<p>Paragraph %d with caf\u00e9 text and a <a href="#s%d">link</a>.</p>\n' % (i, n))
        n += 1
    out.write('</body>\n</html>\n')


KINDS = {"project": project, "directives": directives, "siblings": siblings, "deep": deep, "loops": loops,
         "includes": includes, "chain": chain, "xhtml": xhtml}


def main():
    if len(sys.argv) != 4 or sys.argv[1] not in KINDS:
        sys.exit(__doc__)
    kind, size, path = sys.argv[1], int(float(sys.argv[2]) * 1024 * 1024), sys.argv[3]
    rnd = random.Random(20261206)
    if kind == "loops":
        with open(path, "w") as out:
            loops(out, size, rnd)
        return
    with open(path, "w", encoding="utf-8") as out:
        KINDS[kind](out, size, rnd)


if __name__ == "__main__":
    main()
