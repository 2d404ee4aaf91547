#!/usr/bin/env bash
# The bash completion of vorlane-cli, with bash-completion's helpers stood in
# for: what each command line offers at the cursor (the last word).
# Usage: CompletionTest.sh path/to/vorlane-cli.bash
set -u

_init_completion() {
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD - 1]}
    words=("${COMP_WORDS[@]}")
    cword=$COMP_CWORD
}
_filedir() { COMPREPLY=("<files${1:+ $1}>"); }
compopt() { :; }
# shellcheck source=/dev/null
source "$1"

failures=0
expect() {
    local want=$1
    shift
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _vorlane_cli
    local got=
    ((${#COMPREPLY[@]})) && got=$(printf '%s|' "${COMPREPLY[@]}")
    if [[ $got != "$want" ]]; then
        echo "FAIL: $* -> '$got', expected '$want'"
        failures=$((failures + 1))
    fi
}

expect 'write|read|verify|blank-check|erase|lock|reset|info|' vorlane-cli ''
expect 'blank-check|' vorlane-cli -q b
expect '<files @(hex|HEX|ihx|IHX|bin|BIN)>|' vorlane-cli --port sim:/tmp/chip.bin write ''
expect '<files>|' vorlane-cli --range 0:FF read ''
expect '1|2|3|' vorlane-cli --trace t.txt lock ''
expect '' vorlane-cli erase ''
expect '--format|' vorlane-cli write fw.hex --fo
expect 'bin|hex|' vorlane-cli read out --format ''
expect '0|1|2|3|' vorlane-cli write fw.hex --lock ''
expect 'sim|sim:|' vorlane-cli --port s
expect 'arduino:/dev/null|' vorlane-cli --port arduino:/dev/nul
expect 'Clock\ Pin=|' vorlane-cli --set Clo
expect 'ResetActive=|Reset\ Pin=|Reset\ Time=|' vorlane-cli --set Reset
expect 'Up\ Time=|' vorlane-cli --set 'Up\ '
expect 'at89s51|at89s52|at89s53|' vorlane-cli write fw.hex --device at89s
expect 'Device=|' vorlane-cli --set Dev
expect 'Crystal=|' vorlane-cli --set Cr

if ((failures)); then
    echo "$failures completion case(s) failed"
    exit 1
fi
echo "all completion cases pass"
