#!/usr/bin/env bash
# vorlane-cli's bash completion as a user meets it: a real interactive bash
# with bash-completion loaded, typed at through a pseudo-terminal (script(1)).
# Each case types a line up to the cursor, then M-* (insert-completions) puts
# every reply on the line as readline would, and Enter runs a stand-in
# vorlane-cli that prints its arguments, one [..] each; they are compared as a
# set, in whatever order readline sorts the replies.
# Usage: CompletionTest.sh path/to/vorlane-cli.bash path/to/vorlane-cli
set -u
completion=$(realpath "$1")
binary=$(realpath "$2")
framework=/usr/share/bash-completion/bash_completion
[[ -r $framework ]] || { echo "FAIL: $framework missing (scripts/install-deps installs bash-completion)"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/files" "$work/files/sub"
cd "$work/files" || exit 1
touch fw.hex fw.bin notes.txt chip.bin
cat >"$work/rc" <<EOF
source $framework
source $completion
vorlane-cli() { printf 'ARGS:'; printf '[%s]' "\$@"; echo; }
PS1='$ '
EOF
printf '%s\n' 'set show-all-if-ambiguous on' 'set completion-query-items 0' 'set page-completions off' \
    'set bell-style none' >"$work/inputrc"

# What the tool itself takes: every form's name and every --set name.
forms=$("$binary" --port '?' info 2>&1 | sed -n 's/.*is not one of //p' | tr -d '[]' | sed 's/ or /, /')
form_names=$(sed 's/, /\n/g' <<<"$forms" | sed 's/[:,].*//' | sort -u)
set_names=$("$binary" --set Unknown=1 info 2>&1 | grep -o '"[^"]*"' | tr -d '"')
[[ $form_names && $set_names ]] || { echo "FAIL: no forms or names from $binary"; exit 1; }

# The line typed before M-*, and the arguments the line then runs with.
cases=(
    'vorlane-cli er' '[erase]'
    'vorlane-cli -q b' '[-q][blank-check]'
    'vorlane-cli --port sim:/tmp/chip.bin er' '[--port][sim:/tmp/chip.bin][erase]'
    'vorlane-cli --range 0:FF read fw' '[--range][0:FF][read][fw.bin][fw.hex]'
    'vorlane-cli --device at89s52 er' '[--device][at89s52][erase]'
    'vorlane-cli --device=at89s52 --trace t.txt lock ' '[--device=at89s52][--trace][t.txt][lock][1][2][3]'
    'vorlane-cli write f' '[write][fw.bin][fw.hex]'
    'vorlane-cli write fw.hex ' '[write][fw.hex]'
    'vorlane-cli erase ' '[erase]'
    'vorlane-cli -q write fw.hex --lo' '[-q][write][fw.hex][--lock]'
    'vorlane-cli write fw.hex --lock ' '[write][fw.hex][--lock][0][1][2][3]'
    'vorlane-cli read out --format=h' '[read][out][--format=hex]'
    'vorlane-cli --device=at89s5' '[--device=at89s51][at89s52][at89s53]'
    'vorlane-cli --port s' '[--port][sim][sim:]'
    'vorlane-cli --port sim:s' '[--port][sim:s51:][s52:][s53:][sub/]'
    'vorlane-cli --port sim:s51:ch' '[--port][sim:s51:chip.bin]'
    'vorlane-cli --port=sim:s52:c' '[--port=sim:s52:chip.bin]'
    'vorlane-cli --port sim:chip.bin,a' '[--port][sim:chip.bin,access=]'
    'vorlane-cli --port sim,a' '[--port][sim,access=]'
    'vorlane-cli --port sim:s52,access=2us,x' '[--port][sim:s52,access=2us,xtal=]'
    'vorlane-cli --port=sim:s53:chip.bin,acc' '[--port=sim:s53:chip.bin,access=]'
    'vorlane-cli --port arduino:/dev/nul' '[--port][arduino:/dev/null]'
    'vorlane-cli --port arduino:/dev/null,b' '[--port][arduino:/dev/null,baud=]'
    'vorlane-cli --port gpio:/dev/gpiochip0:rst=17,m' '[--port][gpio:/dev/gpiochip0:rst=17,miso=][17,mosi=]'
    'vorlane-cli --port ftdi,rst=D' '[--port][ftdi,rst=DCD][DSR][DTR]'
    'vorlane-cli --set Clo' '[--set][Clock Pin=]'
    'vorlane-cli --set Clock\ Pin=' '[--set][Clock Pin=0][1][2][3][4][5][6][7]'
    'vorlane-cli --set Device=5' '[--set][Device=51][52][53]'
    'vorlane-cli --set=Up' '[--set=Up Time=]'
    'vorlane-cli --set Cr' '[--set][Crystal=]'
    'vorlane-cli --port ' "[--port]$(printf '[%s]' auto direct none ppdev ppdev: sim sim: usbasp arduino: gpio gpio: ftdi ftdi:)"
    'vorlane-cli --set ' "[--set]$(while read -r n; do printf '[%s=]' "$n"; done <<<"$set_names")"
)

# "[b][a]" as "a", "b" lines, sorted.
words() { sed 's/^\[//; s/\]$//; s/\]\[/\n/g' <<<"$1" | LC_ALL=C sort; }

input=
for ((i = 0; i < ${#cases[@]}; i += 2)); do
    input+="${cases[i]}"$'\e*\n'
done
input+=$'exit\n'
output=$(printf '%s' "$input" |
    HOME=$work INPUTRC=$work/inputrc LC_ALL=C TERM=dumb timeout 60 script -qfec "bash --rcfile $work/rc -i" /dev/null |
    tr -d '\r' | sed -n 's/^.*ARGS://p')
mapfile -t got <<<"$output"

failures=0
for ((i = 0; i < ${#cases[@]}; i += 2)); do
    line=${got[i / 2]-}
    if [[ $(words "$line") != "$(words "${cases[i + 1]}")" ]]; then
        echo "FAIL: ${cases[i]}<M-*> ran with '$line', expected '${cases[i + 1]}'"
        failures=$((failures + 1))
    fi
done

# Every form the tool takes is offered after --port.
offered=${got[${#cases[@]} / 2 - 2]-}
while read -r name; do
    [[ $offered == *"[$name]"* || $offered == *"[$name:]"* ]] || {
        echo "FAIL: --port form $name is not offered ($offered)"
        failures=$((failures + 1))
    }
done <<<"$form_names"

if ((failures)); then
    echo "$failures completion case(s) failed"
    exit 1
fi
echo "all $((${#cases[@]} / 2)) completion cases pass in a real bash"
