#!/usr/bin/env python3
"""Runs two xmlpp binaries on the same random documents and compares them.

Usage: differential.py OLD_XMLPP NEW_XMLPP COUNT SEED WORKDIR [--jobs N]
       differential.py OLD_XMLPP NEW_XMLPP COUNT SEED WORKDIR --only MODE:INDEX

For each mode (default and -xhtml) it writes COUNT small documents (under
about 4 KB, with the include files they name) and runs both binaries on each
with the same arguments, in the same folder, with the same environment and
the same program name. It compares the output file's bytes (or its
absence), standard output, standard error, the exit status and any file a
run leaves beside its output. About seven documents in ten are meant to
run cleanly; the others carry a malformed piece of XML or a misused
directive, so that error paths are compared too.

Document number I of mode M is generated from random.Random("SEED:M:I")
alone, so any document can be written again on its own with --only, which
keeps its folder as WORKDIR/case-M-I. The first differing documents are
saved under WORKDIR/diffs with both runs' results. The exit status is 1
when any document differs.

The date and time macros, `Day`, `Month` and `Year` and `VosselDir` are
never named: their values depend on the moment or on where each binary
lives, so they would differ between two correct runs.

This is a tool for comparing builds by hand, not a test of the suite.
"""
import argparse
import collections
import concurrent.futures
import os
import queue
import random
import shutil
import subprocess
import sys
import threading
import time

TIMEOUT = 20
SAVED_DIFFS = 20
SHOWN_DIFFS = 5
PREVIOUS_OUTPUT = b"previous output\n"

ELEMENT_NAMES = ["r", "item", "folder", "file", "option", "part", "x:y", "_u", "node-1", "case", "default"]
MACRO_NAMES = ["A", "N", "B", "L", "E", "X", "S", "Z", "M", "T", "U", "Q", "C1", "D", "K", "undef"]

# Command-line items of the default mode: escapes, an item without "=",
# values that refer to other macros, a self reference and a cycle.
DEFAULT_CLI_ITEMS = ["A=x", "N=4", "B=", "L=a,b", "E=$(A)/bin", "X=p=q", "S=x\\;y", "Z", "M=3", "T=yes",
                     "A=y", "U=\u00e9", "D= sp", "Q=$(Q)", "C1=$(C2);C2=$(C1)", "K=2"]
XHTML_CLI_ITEMS = ["lang=de", "lang=en", "platform=PPC", "WHO=you", "X=a=b", "noeq", "", "T=yes",
                   "A=x", "host=WIN", "ide=Other", "B="]
XHTML_MACROS = ["platform", "host", "build", "release", "ide", "ide_branding", "host_os", "lang", "WHO",
                "X", "T", "A", "B", "undef", "INC", "STOP"]


def xml_escape(text, quote='"'):
    text = text.replace("&", "&amp;").replace("<", "&lt;")
    return text.replace(quote, "&quot;" if quote == '"' else "&apos;")


class Case:
    """One document: its files, its arguments and what the generator put in it."""

    def __init__(self, mode, index, kind):
        self.mode = mode
        self.index = index
        self.kind = kind
        self.files = {}  # relative path -> text or bytes; a path ending in "/" is a folder
        self.args = []  # OUT stands for the run's own output file
        self.previous = False  # an older output exists before the run
        self.tags = set()


OUT = object()


class Generator:
    """What the generators of both modes share: the random source and attribute syntax."""

    def __init__(self, rng, case, error_rate):
        self.rng = rng
        self.case = case
        self.error_rate = error_rate
        self.budget = 0
        self.loop_depth = 0
        self.defined = []  # names that an xmldef met so far stores

    def chance(self, p):
        return self.rng.random() < p

    def pick(self, seq):
        return self.rng.choice(seq)

    def misuse(self):
        return self.chance(self.error_rate)

    def attr(self, name, value):
        quote = '"' if '"' not in value or "'" in value else "'"
        if quote in value:
            value = value.replace(quote, "&quot;")
        return " %s=%s%s%s" % (name, quote, value, quote)

    def tag(self, name):
        self.case.tags.add(name)
        return name

    def prolog(self, declaration_share, declarations, doctype_share, doctypes):
        """A byte-order mark, an XML declaration and a DOCTYPE, each only sometimes."""
        text = "\ufeff" if self.chance(0.05) else ""
        if self.chance(declaration_share):
            text += self.pick(declarations)
        if self.chance(doctype_share):
            text += self.pick(doctypes)
        return text

    def list_value(self, items):
        return ",".join(self.pick(items) for _ in range(self.rng.randint(0, 3))) + self.pick(["", "", ",", ",,"])


class DefaultGenerator(Generator):
    """Documents for the default mode: its reader, walk, expressions and writer."""

    PIECES = ["x", "y", "a,b", "4", "yes", "ARM", "core", "net usb", " ", "", "$(A)", "$(N)", "$(B:none)",
              "$(Z::$(A))", "$(undef:$(A))", "$(L)", "$(E)", "$(X)", "$(S)", "$$", "5$", "$()", "$x", "$(U)",
              "$(C1)", "$(Q)", "$(B:f(1))", "&amp;", "&lt;", "&gt;", "&quot;", "&apos;", "&#65;", "&#x42;",
              "&#x263a;", "&bogus;", "&#9;", "&#10;", "&#;", "&#x;", "\u00e9", "\u20ac", "\udcff", "\t", "\n",
              "\r\n", ">", "<"]
    LOOP_PIECES = ["$(i)", "$(i_alpha)", "$(i_hex)", "$(i_ap)", "$(i_ap_hex)", "$(j)", "$(j_alpha)",
                   "$(i:none)", "$(a)", "$(b)", "$(z)", "$(FOREACH_COUNT)"]
    ATOMS = ["0", "1", "2", "7", "42", "010", "09", "0x1F", "0x", "0b101", "0b", "0b102", "10UL", "3U", "1.5",
             "2.0", '"abc"', '"abd"', '"5"', '"a\\"b"', "$(N)", "$(M)", "$(K)", "$(A)", "$(B)", "FOO", "@r0",
             "4294967295", "9223372036854775807", "99999999999999999999", "0xFFFFFFFFFFFFFFFFF", "-1"]
    BINARY = ["+", "-", "*", "/", "%", "<<", ">>", "&", "^", "|", "&&", "||", "<", "<=", ">", ">=", "==", "!=",
              "+", "-", "*", "<", "==", "&&"]
    RARE_BINARY = [">>>", ",", "=", "+=", "? 1 :", "<<="]
    COMPARE = ["<", "<=", ">", ">=", "==", "!="]

    def value(self, loop=False):
        pieces = self.PIECES + (self.LOOP_PIECES * 3 if loop else [])
        text = "".join(self.pick(pieces) for _ in range(self.rng.randint(1, 3)))
        if self.chance(0.03):
            text += "pre$(A"  # an unterminated reference
        return text

    def attrs(self, loop=False):
        names = ["a", "b", "name", "path", "Z", "v", "_x", "id", "value"]
        out = ""
        for _ in range(self.rng.randint(0, 3)):
            out += self.attr(self.pick(names), self.value(loop))
        if self.chance(0.03):
            out += " flag"  # a name without a value is dropped
        return out

    def expression(self, depth=0):
        r = self.rng.random()
        if depth > 3 or r < 0.35:
            text = self.pick(self.ATOMS)
        elif r < 0.5:
            text = self.pick(["-", "!", "~", "+", "++", "(int)", "(unsigned)", "sizeof "]) + self.expression(depth + 1)
        elif r < 0.6:
            text = "(" + self.expression(depth + 1) + ")"
        else:
            op = self.pick(self.RARE_BINARY) if self.chance(0.04) else self.pick(self.BINARY)
            space = self.pick([" ", " ", "", "\u00a0"]) if not self.chance(0.02) else "\t"
            text = self.expression(depth + 1) + space + op + space + self.expression(depth + 1)
        return text

    def condition(self):
        if self.chance(0.8):
            text = "%s %s %s" % (self.expression(1), self.pick(self.COMPARE), self.expression(1))
            if self.chance(0.3):
                text = "(%s) %s (%s %s %s)" % (text, self.pick(["&&", "||", "==", "&", "^"]), self.expression(2),
                                               self.pick(self.COMPARE), self.expression(2))
            return text
        return self.expression()

    def children(self, depth, loop=False):
        out = []
        for _ in range(self.rng.randint(1 if depth < 3 else 0, 4)):
            if self.budget <= 0:
                break
            out.append(self.pick(["\n", " ", "", "\n  "]) + self.node(depth + 1, loop))
        return "".join(out) + self.pick(["\n", ""])

    def node(self, depth, loop=False):
        self.budget -= 1
        r = self.rng.random()
        if r < 0.08:
            return self.pick(["text ", "a &amp; b", "&#233;", "]]> >", "\u00e9\u20ac", "&bogus", "$(A)"])
        if r < 0.12:
            return self.pick(["<!-- c -->", "<!-- a -- b -->", "<!---->", "<!-- x --->", "<?pi data?>",
                              "<?xm version=\"9\"?>", "<!DOCTYPE inner>"])
        if r < 0.17:
            return "<![CDATA[%s]]>" % self.pick(["raw <b> & ]]", "", "\u00e9", "x]]y", "$(A)"])
        if depth < 7 and r < 0.55:
            return self.directive(depth, loop)
        name = self.pick(ELEMENT_NAMES)
        if depth >= 7 or self.chance(0.3):
            return "<%s%s%s/>" % (name, self.attrs(loop), self.pick(["", " "]))
        end = self.pick([name, name, name, name[:1], ""])
        return "<%s%s>%s</%s>" % (name, self.attrs(loop), self.children(depth, loop), end)

    def wrap(self, name, attrs, depth, loop):
        return "<%s%s>%s</%s>" % (self.tag(name), attrs, self.children(depth, loop), name)

    def directive(self, depth, loop):
        kind = self.pick(["if", "ifnot", "ifex", "ifdef", "ifndef", "switch", "include", "define", "define",
                          "xmldef", "xmlput", "for", "foreach"])
        return getattr(self, "make_" + kind)(kind, depth, loop)

    def make_if(self, name, depth, loop):
        count = self.pick([0, 2]) if self.misuse() else 1
        attrs = ""
        for _ in range(count):
            values = ["x", "y", "4", "", "a", "b", "a,b", " x", "$(A)", "yes", "\u00e9", "p=q"]
            attrs += self.attr(self.pick(MACRO_NAMES), self.list_value(values))
        return self.wrap(name, attrs, depth, loop)

    make_ifnot = make_if

    def make_ifex(self, name, depth, loop):
        attrs = self.attr("expression", xml_escape(self.condition())) if self.chance(0.93) else \
            self.pick(["", ' expression=""'])
        return self.wrap(name, attrs, depth, loop)

    def make_ifdef(self, name, depth, loop):
        names = MACRO_NAMES + ["", "VosselDir", "HostOS", "i", "INNER", "STOP"]
        attrs = self.attr("name", self.pick(names)) if self.chance(0.95) else ""
        return self.wrap(name, attrs, depth, loop)

    make_ifndef = make_ifdef

    def make_switch(self, name, depth, loop):
        out = []
        for _ in range(self.rng.randint(0, 4)):
            r = self.rng.random()
            if r < 0.6:
                value = self.list_value(["x", "y", "4", "", "a,b", "$(A)", "yes", "3"])
                out.append("<%s%s>%s</case>" % (self.tag("case"), self.attr("value", value),
                                                self.children(depth + 1, loop)))
            elif r < 0.85:
                out.append("<%s>%s</default>" % (self.tag("default"), self.children(depth + 1, loop)))
            else:
                out.append(self.node(depth + 1, loop))
        attrs = self.attr("name", self.pick(MACRO_NAMES)) if self.chance(0.95) else ""
        return "<%s%s>%s</switch>" % (self.tag(name), attrs, "\n".join(out))

    INCLUDES = ["inc/part.xml", "inc/env.xml", "inc/decl.xml", "inc/rootif.xml", "inc/$(HostOS).xml",
                "inc/$(A:x).xml", "inc/sub/a.xml", "inc/self.xml", "inc/defs.xml", "inc/gen0.xml", "inc/gen1.xml",
                "./inc/part.xml", "inc/crlf.xml", "inc/$(TargetID)$(HostDLLExt).xml"]
    BAD_INCLUDES = ["inc/missing.xml", "inc/empty.xml", "inc/ws.xml", "inc/bad1.xml", "inc/bad2.xml",
                    "inc/bad3.xml", "inc", "/nonexistent/abs.xml", "inc/$(undef).xml", "inc/$(Time",
                    "inc/$(HostArch)$(HostEXE)-$(Micro)-$(HostArchClass)$(HostDLL).xml"]

    def make_include(self, name, depth, loop):
        attrs = ""
        if not self.misuse() or self.chance(0.3):
            filename = self.pick(self.BAD_INCLUDES if self.misuse() or self.chance(0.02) else self.INCLUDES)
            if filename == "inc/defs.xml":
                self.defined.append("incfrag")
            attrs += self.attr("filename", filename)
        if self.chance(0.3):
            attrs += ' no_root=""'
        if self.chance(0.3):
            attrs += self.attr("macros", self.pick(["A=1;B=2", "A=1;\nB=2", "A=1&#10;;N=9", "STOP=1", "N=\\;"]))
        if self.chance(0.2):
            attrs += ' expand_macros=""'
        if self.chance(0.2):
            attrs += ' inherit_attributes="a;b;;c" a="$(A)" b="2"'
        return "<%s%s/>" % (self.tag(name), attrs)

    def make_define(self, name, depth, loop):
        attrs = ""
        if not self.misuse() or self.chance(0.5):
            attrs += self.attr("name", self.pick(MACRO_NAMES + ["i", "Date"]))
        choice = self.rng.random()
        if self.misuse():
            choice = 2.0  # neither value nor expression
        if choice < 0.45:
            attrs += self.attr("value", self.value(loop))
        elif choice < 0.7:
            attrs += self.attr("expression", xml_escape(self.expression()))
        elif choice < 0.85:
            attrs += self.attr("hex_expression", xml_escape(self.expression()))
        elif choice < 1.0:
            attrs += self.attr("value", self.value(loop)) + self.attr("expression", "1+1")
        if self.chance(0.08):
            attrs += self.attr("expand_macros", self.pick(["Yes", "yes", "No", ""]))
        return "<%s%s/>" % (self.tag(name), attrs)

    def make_xmldef(self, name, depth, loop):
        attrs = ""
        if self.chance(0.95):
            fragment = self.pick(["frag", "f2", "$(A)", "x"])
            self.defined.append(fragment)
            attrs = self.attr("name", fragment)
        return self.wrap(name, attrs, depth, loop)

    def make_xmlput(self, name, depth, loop):
        misuse = self.misuse()
        if not self.defined and not misuse:
            return self.make_xmldef("xmldef", depth, loop) + "\n" + self.make_xmlput(name, depth, loop)
        names = self.defined + (["nowhere", "frag", "x"] if misuse else [])
        attrs = self.attr("name", self.pick(names)) if self.chance(0.95) else ""
        if self.chance(0.3):
            attrs += self.attr("macros", self.pick(["A=1", "A=1;N=2", "A=\n1"]))
        if self.chance(0.2):
            attrs += ' expand_macros=""'
        return self.wrap(name, attrs, depth, loop) if self.chance(0.2) else "<%s%s/>" % (self.tag(name), attrs)

    def loop_body(self, depth):
        self.loop_depth += 1
        out = []
        for _ in range(self.rng.randint(0 if self.misuse() else 1, 3)):
            if self.chance(0.08):
                out.append("<![CDATA[cut]]>")
            elif self.loop_depth < 2 and self.chance(0.2):
                out.append(self.directive(depth + 1, True))
            else:
                name = self.pick(ELEMENT_NAMES)
                inner = self.children(depth + 1, True) if self.chance(0.4) else ""
                out.append("<%s%s>%s</%s>" % (name, self.attr("n", self.value(True)) + self.attrs(True), inner,
                                              name))
        self.loop_depth -= 1
        return "\n".join(out)

    def make_for(self, name, depth, loop):
        fields = {
            "index": self.pick(["i", "i", "j"]),
            "start": self.pick(["0", "0", "1", "2", "$(K)", "0x1", "1+1", "-1", "bad"]),
            "end": self.pick(["0", "3", "4", "$(N)", "2*2", "5", "0b11", "junk", "$(M)"]),
            "incr": self.pick(["1", "1", "2", "1+0", "$(K:1)", "-1"] + (["0"] if self.chance(0.1) else [])),
        }
        if self.misuse():
            del fields[self.pick(list(fields))]
        attrs = "".join(self.attr(k, xml_escape(v)) for k, v in fields.items())
        for option in ("add", "sub", "mul"):
            if self.chance(0.2):
                attrs += self.attr(option, self.pick(["16", "-3", "$(N)", "2", "bad", "1.5", "0x10"]))
        return "<%s%s>%s</for>" % (self.tag(name), attrs, self.loop_body(depth))

    def make_foreach(self, name, depth, loop):
        split = self.pick([",", ",", ";", "--"])
        attrs = "" if split == "," and self.chance(0.7) else self.attr("split_by", split)
        lists = self.rng.sample(["a", "b", "z", "FOO", "A"], self.rng.randint(0, 3))
        for list_name in lists:
            items = self.rng.sample(["x", "y", "p", "q", "1", "2", "abc", "", "$(A)"], self.rng.randint(0, 3))
            attrs += self.attr(list_name, split.join(items) + self.pick(["", split, "\n"]))
        if self.chance(0.2):
            attrs += ' expand_macros=""' + self.attr("L2", "$(L)")
        if self.chance(0.2):
            attrs += self.attr("exclude_entries", self.pick(["p", "x"] + (["r"] if self.misuse() else [])))
        if self.chance(0.15):
            attrs += self.attr("exclude_wildcard", self.pick(["b", "?", "[xy]", "[", "a*c", "\\"]))
        return "<%s%s>%s</foreach>" % (self.tag(name), attrs, self.loop_body(depth))

    def document(self, budget):
        self.budget = budget
        prolog = self.prolog(0.4, ['<?xml version="1.0" encoding="UTF-8"?>\n', "<?xml version='1.0'?>\n",
                                   '<?xml encoding="latin1"?>\n', "<?xml version=1.0?>\n", "<?xml?>\n"],
                             0.15, ["<!DOCTYPE r>\n", '<!DOCTYPE r SYSTEM "r.dtd">\n', "<!DOC r>\n"])
        if self.chance(0.1):
            prolog += "<!-- before -->\n"
        if self.chance(0.04):
            body = self.directive(1, False)  # a directive as the outermost element
        else:
            body = "<root%s>%s</root>" % (self.attrs(), self.children(1))
        if self.chance(0.03):
            body += "\n<second/>"
        text = prolog + body + self.pick(["\n", "", "\ntrailing"])
        if self.chance(0.08):
            text = text.replace("\n", "\r\n")
        return text


class XhtmlGenerator(Generator):
    """Pages for the -xhtml mode: HTML-like content and this mode's directives."""

    TEXTS = ["Hello", "a &amp; b", "&lt;tag&gt;", "caf\u00e9", "&#233;", "&#160;", "\u00a0", "&#8364;",
             "\u20ac", "&#x1F600;", "\U0001F600", "&quot;q&apos;", "  ", "\n", "$(ide)", "5 > 3", "\udcff"]
    VALUES = ["x", "$(ide)", "$(ide_url)/$(release)/", "$(WHO:everyone)", "$(undef::$(ide))", "a &amp; b",
              "caf\u00e9", "$$", "$(lang)", "$(platform)", "&#160;", "50%", ""]
    ELEMENTS = ["div", "p", "span", "b", "i", "code", "ul", "li", "table", "tr", "td", "h1", "section"]

    def attrs(self):
        out = ""
        names = ["class", "id", "title", "href", "style", "lang"]
        used = []
        for _ in range(self.rng.randint(0, 3)):
            name = self.pick(names)
            if name in used:
                continue
            used.append(name)
            out += self.attr(name, self.pick(self.VALUES))
        if used and self.chance(0.2):
            out += self.attr("expand_attributes", ",".join(self.rng.sample(used + ["missing"], 1 + (len(used) > 1))))
        return out

    def children(self, depth):
        out = []
        for _ in range(self.rng.randint(1 if depth < 3 else 0, 4)):
            if self.budget <= 0:
                break
            out.append(self.pick(["\n", "", " "]) + self.node(depth + 1))
        return "".join(out)

    def node(self, depth):
        self.budget -= 1
        r = self.rng.random()
        if r < 0.2:
            return self.pick(self.TEXTS)
        if r < 0.25:
            return self.pick(["<!-- note -->", "<![CDATA[a < b & c]]>", "<?pi data?>", "<br/>",
                              '<img src="$(ide).png" alt=""/>'])
        if depth < 7 and r < 0.6:
            return self.directive(depth)
        name = self.pick(self.ELEMENTS)
        return "<%s%s>%s</%s>" % (name, self.attrs(), self.children(depth), name)

    def wrap(self, name, attrs, depth):
        return "<%s%s>%s</%s>" % (self.tag(name), attrs, self.children(depth), name)

    def directive(self, depth):
        kind = self.pick(["if", "ifnot", "ifdef", "ifndef", "switch", "define", "define_macro",
                          "expand_definition", "expand_definition", "include", "include"])
        return getattr(self, "make_" + kind)(kind, depth)

    def make_if(self, name, depth):
        count = self.pick([0, 2]) if self.misuse() else 1
        attrs = ""
        for _ in range(count):
            values = ["ARM", "PPC", "UNIX", "RELEASE", "5.2", "Tovrin", "de", "you", "", " ARM", "yes"]
            attrs += self.attr(self.pick(XHTML_MACROS), self.list_value(values))
        return self.wrap(name, attrs, depth)

    make_ifnot = make_if

    def make_ifdef(self, name, depth):
        attrs = self.attr("name", self.pick(XHTML_MACROS + ["", "VosselDir", "HostOS"])) if self.chance(0.95) else ""
        return self.wrap(name, attrs, depth)

    make_ifndef = make_ifdef

    def make_switch(self, name, depth):
        out = []
        for _ in range(self.rng.randint(0, 4)):
            r = self.rng.random()
            if r < 0.6:
                value = self.list_value(["ARM", "PPC", "UNIX", "WIN", "de", "", "x"])
                out.append("<%s%s>%s</case>" % (self.tag("case"), self.attr("value", value), self.children(depth + 1)))
            elif r < 0.85:
                out.append("<%s>%s</default>" % (self.tag("default"), self.children(depth + 1)))
            else:
                out.append(self.node(depth + 1))
        attrs = self.attr("name", self.pick(XHTML_MACROS)) if self.chance(0.95) else ""
        return "<%s%s>%s</switch>" % (self.tag(name), attrs, "".join(out))

    def make_define(self, name, depth):
        attrs = ""
        if not self.misuse():
            attrs += self.attr("name", self.pick(XHTML_MACROS))
        if not self.misuse():
            attrs += self.attr("value", self.pick(self.VALUES + ["Widget Pro", "Two Words Here"]))
        return "<%s%s/>" % (self.tag(name), attrs)

    make_define_macro = make_define

    def make_expand_definition(self, name, depth):
        attrs = self.attr("name", self.pick(XHTML_MACROS)) if self.chance(0.95) else ""
        if self.chance(0.4):
            attrs += self.attr("default", self.pick(["no beta", "", "D\u00e9faut", "$(ide)"]))
        if self.chance(0.3):
            attrs += ' lowercase=""'
        if self.chance(0.3):
            attrs += ' underscore_spaces="no"'
        return "<%s%s/>" % (self.tag(name), attrs)

    TEXT_FILES = ["inc/hello.c", "inc/latin1.txt", "inc/utf8.txt", "inc/nul.txt", "inc/crlf.txt", "inc/empty.txt"]
    XML_FILES = ["inc/note.xml", "inc/env.xml", "inc/dir.xml", "inc/self.xml", "inc/gen0.xml", "inc/gen1.xml",
                 "./inc/note.xml", "inc/sub/a.xml"]
    BAD_FILES = ["inc/missing.xml", "inc/bad.xml", "inc/empty.xml", "inc", "/nonexistent/abs.xml", "inc/nul.txt"]

    def make_include(self, name, depth):
        attrs = ""
        text = self.chance(0.35)
        if not self.misuse() or self.chance(0.3):
            if self.misuse():
                filename = self.pick(self.BAD_FILES)
            elif text:
                filename = self.pick(self.TEXT_FILES)
            else:
                filename = self.pick(self.XML_FILES)
            if self.chance(0.1):
                filename, expand = self.pick([("inc/$(HostOS).xml", ' expand_macros=""'),
                                              ("inc/$(lang:de).xml", ' expand_attributes="filename"'),
                                              ("inc/$(HostOS).xml", "")])
                attrs += expand
            attrs = self.attr("filename", filename) + attrs
        if text:
            attrs += ' type="text"'
            for option, values in (("tag", ["", "pre", "code", "div"]), ("class", ["code", ""]), ("id", ["i1"]),
                                   ("style", ["color: red"]),
                                   ("encoding", ["", "latin1", "UTF-8", "ISO-8859-1", "bogus", "UTF-16"])):
                if self.chance(0.3):
                    attrs += self.attr(option, self.pick(values))
        else:
            if self.chance(0.05):
                attrs += ' type="TEXT"'
            if self.chance(0.3):
                attrs += ' no_root=""'
            if self.chance(0.3):
                attrs += self.attr("macros", self.pick(["WHO=you", "WHO=you;\nX=1", "STOP=1", "A=1;B=2"]))
            if self.chance(0.3):
                attrs += ' expand_macros=""'
        return "<%s%s/>" % (self.tag(name), attrs)

    def document(self, budget):
        self.budget = budget
        prolog = self.prolog(0.2, ['<?xml version="1.0" encoding="UTF-8"?>\n', '<?xml version="1.0"?>\n'],
                             0.2, ["<!DOCTYPE html>\n", '<!DOCTYPE html PUBLIC "-//W3C//DTD XHTML 1.0//EN" "x.dtd">\n'])
        if self.chance(0.05):
            body = self.directive(1)  # a directive as the document element
        elif self.chance(0.5):
            body = "<html%s>\n<head><title>%s</title></head>\n<body%s>%s</body>\n</html>" % (
                self.attr("lang", "en") if self.chance(0.3) else "", self.pick(["Page", "caf\u00e9", ""]),
                self.attrs(), self.children(2))
        else:
            name = self.pick(self.ELEMENTS)
            body = "<%s%s>%s</%s>" % (name, self.attrs(), self.children(1), name)
        return prolog + body + self.pick(["\n", "", "\n<!-- end -->\n"])


def mutate(rng, text, xhtml):
    """Breaks the document's XML in one or two places."""
    for _ in range(rng.randint(1, 2)):
        where = rng.randint(0, len(text))
        r = rng.random()
        if r < 0.2:
            text = text[:where]
        elif r < 0.35:
            end = text.find("</", where)
            if end >= 0:
                text = text[:end + 2] + rng.choice(["zz", "roo", "r", "item"]) + text[end + 2:]
        elif r < 0.5:
            start = text.find("<", where)
            close = text.find(">", start)
            if start >= 0 and close > start and text[close - 1] != "/":
                text = text[:close] + rng.choice([" a=1", " b='2' b='3'", ".x", " 9z=\"1\"", " c=\"1\" c=\"1\""]) \
                    + text[close:]
        elif r < 0.6:
            close = text.find(">", where)
            if close >= 0:
                text = text[:close] + text[close + 1:]
        elif r < 0.7:
            text = text[:where] + rng.choice(["</x>", "<unclosed>", "<a><b></a>", "<", "&", "]]>", "\x00"]) \
                + text[where:]
        elif r < 0.8 and xhtml:
            text = text[:where] + rng.choice(["&nbsp;", "&bogus;", "<p a='1' a='2'/>", "\u00e9\udce9"]) + text[where:]
        elif r < 0.9:
            noise = [rng.randint(1, 255) for _ in range(rng.randint(1, 8))]
            text = text[:where] + "".join(chr(b if b < 128 else 0xDC00 + b) for b in noise) + text[where:]
        else:
            text = rng.choice(["", "   \n", "plain text", "<", "<!-- only a comment -->"])
    return text


def encode(text):
    return text.encode("utf-8", "surrogateescape")


def default_files(case, rng, error_rate):
    files = {
        "inc/part.xml": '<part a="$(A)" n="$(N:0)"><item v="$(i:none)"/><ifdef name="A"><hasA/></ifdef></part>\n',
        "inc/env.xml": '<?xml version="1.0"?>\n<envelope x="1"><e1 a="$(A)"/><e2/><define name="IN" value="1"/>'
                       '<ifdef name="IN"><e3/></ifdef></envelope>\n',
        "inc/decl.xml": '<?xml version="1.1" encoding="ISO-8859-1"?>\n<!DOCTYPE decl>\n<decl/>\n',
        "inc/empty.xml": "",
        "inc/ws.xml": "  \n\t\n",
        "inc/bad1.xml": "<a/>\n<b>\n</c>\n",
        "inc/bad2.xml": "<a>\n</b>\n",
        "inc/bad3.xml": "<a x=1/>\n",
        "inc/rootif.xml": '<if A="x"><k/></if>\n',
        "inc/linux.xml": '<os name="$(HostOS)" a="$(A)"/>\n',
        "inc/x.xml": "<xfile/>\n",
        "inc/8.so.xml": "<target/>\n",
        "inc/sub/a.xml": '<suba><include filename="b.xml"/></suba>\n',
        "inc/sub/b.xml": '<subb v="$(A)"/>\n',
        "inc/self.xml": '<self d="$(STOP:0)"><ifndef name="STOP"><include filename="self.xml" macros="STOP=1"/>'
                        "</ifndef></self>\n",
        "inc/defs.xml": '<envelope><xmldef name="incfrag"><fromInc a="$(A)"/></xmldef></envelope>\n',
        "inc/crlf.xml": "\ufeff<crlf a='1\r\n2'>\r\n<c/>\r\n</crlf>\r\n",
    }
    for n in range(2):
        sub = DefaultGenerator(rng, case, error_rate)
        sub.budget = 6
        files["inc/gen%d.xml" % n] = "<gen%d%s>%s</gen%d>\n" % (n, sub.attrs(), sub.children(2), n)
    return files


def xhtml_files(case, rng, error_rate):
    files = {
        "inc/note.xml": '<div class="note" title="$(WHO:everyone)">\n<p>Read <b>this</b>.</p>\n</div>\n',
        "inc/env.xml": "<envelope><p>a</p><p>b</p></envelope>\n",
        "inc/dir.xml": '<div><ifdef name="WHO"><p>who</p></ifdef><define name="INC" value="1"/>'
                       '<expand_definition name="WHO" default="nobody"/></div>\n',
        "inc/bad.xml": "<div><p></div>\n",
        "inc/empty.xml": "",
        "inc/hello.c": "int main(void) { return 0 < 1 && 2 > 1; }\n",
        "inc/latin1.txt": b"caf\xe9 \xa0 na\xefve\n",
        "inc/utf8.txt": "caf\u00e9 \u20ac \U0001F600\n",
        "inc/nul.txt": b"before\x00after",
        "inc/crlf.txt": b"a\r\nb\r\n",
        "inc/empty.txt": b"",
        "inc/linux.xml": "<p>linux</p>\n",
        "inc/de.xml": "<p>Willkommen</p>\n",
        "inc/sub/a.xml": '<div><include filename="b.xml"/></div>\n',
        "inc/sub/b.xml": "<p>b</p>\n",
        "inc/self.xml": '<div><ifndef name="STOP"><define name="STOP" value="1"/><include filename="self.xml"/>'
                        "</ifndef></div>\n",
    }
    for n in range(2):
        sub = XhtmlGenerator(rng, case, error_rate)
        sub.budget = 6
        files["inc/gen%d.xml" % n] = "<div>%s</div>\n" % sub.children(2)
    return files


def default_args(rng, kind):
    cli = ";".join(rng.sample(DEFAULT_CLI_ITEMS, rng.randint(0, 6))) + rng.choice(["", "", ";", ";;"])
    if kind == "misused" and rng.random() < 0.25:
        return rng.choice([[], ["in.xml"], ["nofile.xml", OUT], ["in.xml", "nodir/out.xml", cli], ["in.xml", "adir"],
                           ["-XHTML", "in.xml", OUT], ["inc", OUT]])
    r = rng.random()
    if r < 0.25:
        return ["in.xml", OUT]
    if r < 0.9:
        return ["in.xml", OUT, cli]
    if r < 0.97:
        return ["in.xml", OUT, cli, rng.choice(["html", "", "foo bar", "\u00e9"])]
    return ["in.xml", OUT, cli, "html", "extra"]


def xhtml_args(rng, kind):
    cli = ";".join(rng.sample(XHTML_CLI_ITEMS, rng.randint(0, 5))) + rng.choice(["", ";"])
    if kind == "misused" and rng.random() < 0.25:
        return rng.choice([["-xhtml"], ["-xhtml", "in.xml"], ["-xhtml", "nofile.xml", OUT],
                           ["-xhtml", "in.xml", "nodir/out.html", cli], ["-xhtml", "in.xml", "adir"]])
    r = rng.random()
    if r < 0.3:
        return ["-xhtml", "in.xml", OUT]
    if r < 0.97:
        return ["-xhtml", "in.xml", OUT, cli]
    return ["-xhtml", "in.xml", OUT, cli, "extra"]


def make_case(seed, mode, index):
    rng = random.Random("%s:%s:%d" % (seed, mode, index))
    r = rng.random()
    kind = "valid" if r < 0.7 else "malformed" if r < 0.85 else "misused"
    case = Case(mode, index, kind)
    error_rate = 0.15 if kind == "misused" else 0.0
    xhtml = mode == "xhtml"
    generator_class = XhtmlGenerator if xhtml else DefaultGenerator
    for budget in (60, 30, 12, 3):
        case.tags = set()
        text = generator_class(rng, case, error_rate).document(budget)
        if len(encode(text)) < 3500:
            break
    if kind == "malformed":
        text = mutate(rng, text, xhtml)
    case.files["in.xml"] = text
    case.files.update((xhtml_files if xhtml else default_files)(case, rng, error_rate))
    case.files["adir/"] = b""
    case.args = (xhtml_args if xhtml else default_args)(rng, kind)
    case.previous = rng.random() < 0.2
    return case


ENV = {"PATH": "/usr/bin:/bin", "LC_ALL": "C.UTF-8", "LANG": "C.UTF-8", "TZ": "UTC"}


def listing(folder):
    found = set()
    for root, dirs, names in os.walk(folder):
        for name in dirs + names:
            found.add(os.path.relpath(os.path.join(root, name), folder))
    return found


def run_binary(binary, label, case, folder):
    """Runs one binary on the case in its folder; returns what can be compared."""
    out_name = label + ".out"
    args = [out_name if a is OUT else a for a in case.args]
    if case.previous and OUT in case.args:
        with open(os.path.join(folder, out_name), "wb") as f:
            f.write(PREVIOUS_OUTPUT)
    before = listing(folder)
    try:
        p = subprocess.run(["xmlpp"] + args, executable=binary, cwd=folder, env=ENV, stdin=subprocess.DEVNULL,
                           capture_output=True, timeout=TIMEOUT)
        status, stdout, stderr = p.returncode, p.stdout, p.stderr
    except subprocess.TimeoutExpired:
        status, stdout, stderr = "timeout", b"", b""
    left = sorted(listing(folder) - before - {out_name})
    output = None
    if OUT in case.args and os.path.isfile(os.path.join(folder, out_name)):
        with open(os.path.join(folder, out_name), "rb") as f:
            output = f.read()
    return {"status": status, "stdout": stdout, "stderr": stderr, "output": output, "left": left,
            "command": ["xmlpp"] + args}


def write_case(case, folder):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for path, data in case.files.items():
        full = os.path.join(folder, path)
        if path.endswith("/"):
            os.makedirs(full, exist_ok=True)
            continue
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "wb") as f:
            f.write(encode(data) if isinstance(data, str) else data)


FIELDS = ("status", "stdout", "stderr", "output", "left")


def run_case(case, folder, old, new):
    write_case(case, folder)
    a = run_binary(old, "old", case, folder)
    b = run_binary(new, "new", case, folder)
    differing = [field for field in FIELDS if a[field] != b[field]]
    return a, b, differing


def save_diff(case, folder, a, b, differing, target):
    shutil.rmtree(target, ignore_errors=True)
    shutil.copytree(folder, target)
    with open(os.path.join(target, "report.txt"), "w", encoding="utf-8", errors="backslashreplace") as f:
        f.write("differing: %s\n" % ", ".join(differing))
        for label, r in (("old", a), ("new", b)):
            f.write("%s: %s\n  status %s\n  stderr %r\n  left %s\n" % (label, " ".join(map(repr, r["command"])),
                                                                       r["status"], r["stderr"], r["left"]))


def status_class(status):
    return str(status) if status in (0, 1) else "other"


def run_mode(mode, args, slots):
    stats = collections.Counter()
    placed = collections.Counter()
    placed_ok = collections.Counter()
    diffs = []
    lock = threading.Lock()

    def work(index):
        slot = slots.get()
        try:
            case = make_case(args.seed, mode, index)
            folder = os.path.join(args.workdir, slot)
            a, b, differing = run_case(case, folder, args.old, args.new)
            with lock:
                stats[status_class(a["status"])] += 1
                stats["kind " + case.kind] += 1
                for tag in case.tags:
                    placed[tag] += 1
                    if a["status"] == 0 and b["status"] == 0:
                        placed_ok[tag] += 1
                if differing:
                    diffs.append((index, differing, a, b))
                    if len(diffs) <= SAVED_DIFFS:
                        save_diff(case, folder, a, b, differing,
                                  os.path.join(args.workdir, "diffs", "%s-%d" % (mode, index)))
        finally:
            slots.put(slot)

    started = time.time()
    with concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
        for future in [pool.submit(work, i) for i in range(args.count)]:
            future.result()
    elapsed = time.time() - started

    print("mode %s: %d documents in %.0f s (valid %d, malformed %d, misused %d)" % (
        mode, args.count, elapsed, stats["kind valid"], stats["kind malformed"], stats["kind misused"]))
    print("  old binary's statuses: 0: %d, 1: %d, other: %d" % (stats["0"], stats["1"], stats["other"]))
    print("  documents that differ: %d" % len(diffs))
    print("  documents holding each directive (and those of them that ended with status 0 in both runs):")
    for tag in sorted(placed, key=lambda t: -placed[t]):
        print("    %-18s %5.1f%%  (%5.1f%%)" % (tag, 100.0 * placed[tag] / args.count,
                                               100.0 * placed_ok[tag] / args.count))
    for index, differing, a, b in sorted(diffs)[:SHOWN_DIFFS]:
        print("  differs: %s document %d (%s); old status %s stderr %r; new status %s stderr %r" % (
            mode, index, ", ".join(differing), a["status"], a["stderr"][:200], b["status"], b["stderr"][:200]))
    return len(diffs)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("old")
    parser.add_argument("new")
    parser.add_argument("count", type=int)
    parser.add_argument("seed")
    parser.add_argument("workdir")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--only", help="MODE:INDEX, one document kept in WORKDIR/case-MODE-INDEX")
    args = parser.parse_args()
    args.old, args.new, args.workdir = map(os.path.abspath, (args.old, args.new, args.workdir))
    os.makedirs(args.workdir, exist_ok=True)

    if args.only:
        mode, index = args.only.split(":")
        case = make_case(args.seed, mode, int(index))
        folder = os.path.join(args.workdir, "case-%s-%s" % (mode, index))
        a, b, differing = run_case(case, folder, args.old, args.new)
        for label, r in (("old", a), ("new", b)):
            print("%s: %s -> status %s, stderr %r, left %s" % (label, " ".join(map(repr, r["command"])),
                                                              r["status"], r["stderr"], r["left"]))
        print("differing: %s" % (", ".join(differing) or "nothing"))
        return 1 if differing else 0

    shutil.rmtree(os.path.join(args.workdir, "diffs"), ignore_errors=True)
    total = 0
    for mode in ("default", "xhtml"):
        slots = queue.Queue()
        for n in range(args.jobs):
            slots.put("slot%d" % n)
        total += run_mode(mode, args, slots)
    print("differing documents in all: %d%s" % (total, " (saved under %s)" % os.path.join(args.workdir, "diffs")
                                                 if total else ""))
    return 1 if total else 0


if __name__ == "__main__":
    sys.exit(main())
