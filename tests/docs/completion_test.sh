#!/bin/bash
# Runs the bash completion of xmlpp on command lines typed up to the cursor
# and compares the candidates with the expected ones; checks that every
# program's completion file registers a completion for that program.
# Needs bash-completion (scripts/test.sh installs it): without it the test
# fails rather than skips.
#
# Usage: completion_test.sh COMPLETIONS_DIR PROGRAM...
set -u
completions=$1
shift
framework=/usr/share/bash-completion/bash_completion
if [[ ! -r $framework ]]; then
    echo "FAIL: $framework is missing (apt-get install bash-completion)"
    exit 1
fi
# shellcheck disable=SC1090
source "$framework"
failures=0
checks=0

for program in "$@"; do
    ((checks++))
    # shellcheck disable=SC1090
    source "$completions/$program"
    complete -p "$program" >/dev/null 2>&1 || { echo "FAIL $completions/$program registers no completion for $program"; ((failures++)); }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
mkdir sub
touch notes.txt sub/a.xml
cat >in.xml <<'XML'
<project name="$(name:demo)" version="$(VERSION)" cost="$$(price)">
  <if platform="linux,macos"><file path="$(SRC)/a.c"/></if>
  <ifnot   debug="1"><opt/></ifnot>
  <ifdef name="WAYLAND"><lib/></ifdef>
  <switch name='arch'><case value="x"/></switch>
  <define name="SRC" value="src"/>
  <for index="i" start="0" end="2" incr="1"><r n="$(i)"/></for>
  <foreach core="m0,m4" board="a"><c n="$(core)" b="$(board)"/></foreach>
  <ifex expression="$(N) &gt; 2"/>
</project>
XML
cat >sub/page.xml <<'XML'
<html lang="$(lang)" expand_attributes="lang">
  <ifndef name="theme"><define_macro name="theme" value="dark"/></ifndef>
  <define_macro name="own" value="1"/><p title="$(own)" expand_attributes="title"/>
  <expand_definition name="Year"/>
</html>
XML

# Splits LINE into COMP_WORDS as bash does for the cases below: words end
# at unquoted blanks, and outside quotes each run of = and : is a word of
# its own; a line ending in a blank has an empty last word.
split_line() {
    local line=$1 word
    COMP_WORDS=()
    for word in $line; do
        if [[ $word == [\"\']* ]]; then
            COMP_WORDS+=("$word")
        else
            while [[ $word =~ ^([^=:]*)([=:]+)(.*)$ ]]; do
                [[ -n ${BASH_REMATCH[1]} ]] && COMP_WORDS+=("${BASH_REMATCH[1]}")
                COMP_WORDS+=("${BASH_REMATCH[2]}")
                word=${BASH_REMATCH[3]}
            done
            [[ -n $word ]] && COMP_WORDS+=("$word")
        fi
    done
    [[ $line == *' ' ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE=$line
    COMP_POINT=${#line}
}

# compopt works only inside a completion started by readline; here it
# records the options that the completion asks for.
compopt() { options+=" $*"; }

# expect LINE EXPECTED: the sorted candidates, separated by blanks. Macro
# candidates (ending in =) must come with -o nospace, for the value.
expect() {
    local line=$1 expected=$2 actual options=""
    ((checks++))
    split_line "$line"
    COMPREPLY=()
    local program=${COMP_WORDS[0]}
    "_${program//-/_}" "$program" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    actual=$(printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | paste -sd' ')
    if [[ $actual != "$expected" ]]; then
        echo "FAIL [$line]: expected [$expected], got [$actual]"
        ((failures++))
    elif [[ $actual == *= && $options != *"-o nospace"* ]]; then
        echo "FAIL [$line]: macro candidates without -o nospace"
        ((failures++))
    fi
}

all_names='N= VERSION= WAYLAND= arch= debug= name= platform='
expect 'xmlpp -x' '-xhtml'
expect 'xmlpp ' '-xhtml in.xml notes.txt sub'
expect 'xmlpp n' 'notes.txt'
expect 'xmlpp -xhtml s' 'sub'
expect 'xmlpp in.xml ' 'in.xml notes.txt sub'
expect 'xmlpp -xhtml in.xml ' 'in.xml notes.txt sub'
expect 'xmlpp in.xml out.xml "' "$all_names"
expect "xmlpp in.xml out.xml 'a" 'arch='
expect 'xmlpp in.xml out.xml V' 'VERSION='
expect 'xmlpp in.xml out.xml "VERSION=1;debug=2;' \
    'VERSION=1;debug=2;N= VERSION=1;debug=2;WAYLAND= VERSION=1;debug=2;arch= VERSION=1;debug=2;name= VERSION=1;debug=2;platform='
expect 'xmlpp in.xml out.xml "VERSION=1;WAYLAND;W' ''
expect 'xmlpp in.xml out.xml VERSION=1\;a' 'arch='
expect 'xmlpp in.xml out.xml "VERSION=1' ''
expect 'xmlpp in.xml out.xml "" ' ''
expect 'xmlpp -xhtml in.xml out.xml "' "$all_names"
expect 'xmlpp -xhtml sub/page.xml out.html "' 'Year= lang= theme='
expect 'xmlpp sub/page.xml out.html "' 'lang= own= theme='
expect 'xmlpp missing.xml out.xml "' ''
expect 'xmlpp-check -' '-- --depfile --doctype-file --help --keep-unchanged --macros-file --no-output --quiet --version --werror -MF -xhtml'
expect 'xmlpp-check --macros-file list.txt -' '-- --depfile --doctype-file --help --keep-unchanged --macros-file --no-output --quiet --version --werror -MF -xhtml'
expect 'xmlpp-check --depfile ' 'in.xml notes.txt sub'
expect 'xmlpp-check -MF deps.d --quiet ' '-xhtml in.xml notes.txt sub'
expect 'xmlpp-check --werror in.xml out.xml "' "$all_names"
expect 'xmlpp-check -- -xhtml in.xml ' 'in.xml notes.txt sub'
expect 'xmlpp-check --quiet -xhtml sub/page.xml out.html "lang=de;' 'lang=de;Year= lang=de;theme='
expect 'xmlpp-check -- -' '-xhtml'

echo "$((checks - failures)) passed, $failures failed"
((failures == 0))
