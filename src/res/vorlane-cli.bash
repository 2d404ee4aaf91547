# bash completion for vorlane-cli                          -*- shell-script -*-

# Bash puts a reply in place of what follows the word's last ':' or '='
# (when those break words, as they do by default): each reply loses what
# comes before it in $cur, or `--port sim:a:<Tab>` would read sim:a:sim:a:...
_vorlane_cli_trim()
{
    local breaks= c
    for c in : =; do
        [[ $COMP_WORDBREAKS == *"$c"* ]] && breaks+=$c
    done
    [[ $breaks && $cur == *["$breaks"]* ]] || return
    local head=${cur%"${cur##*["$breaks"]}"}
    local i
    for i in "${!COMPREPLY[@]}"; do
        COMPREPLY[i]=${COMPREPLY[i]#"$head"}
    done
}

# Replies for a port: the forms, a simulated chip's models, files, options.
_vorlane_cli_port()
{
    local models="s51 s52 s53" options=
    local prefix=${cur%"${cur##*:}"} name=${cur##*:}
    case $cur in
        *,*)
            # An option after the form: ",access=N", ",xtal=F", ",baud=N", a pin.
            [[ $cur == sim* ]] && options="access= xtal="
            [[ $cur == arduino:* ]] && options=baud=
            [[ $cur == gpio* ]] && options="rst= sck= mosi= miso= rst-active-low"
            [[ $cur == ftdi* ]] && options="rst= sck= mosi= miso="
            local last=${cur##*,}
            if [[ $cur == ftdi* && $last == *=* ]]; then
                COMPREPLY=($(compgen -P "${cur%=*}=" -W "TXD RXD RTS CTS DTR DSR DCD RI" -- "${last#*=}"))
                return
            fi
            COMPREPLY=($(compgen -P "${cur%,*}," -W "$options" -- "$last"))
            return
            ;;
        gpio:/*:* | gpio:gpiochip*:*)
            # The lines after the chip.
            COMPREPLY=($(compgen -P "$prefix" -W "rst=" -- "$name"))
            return
            ;;
        gpio:*)
            COMPREPLY=($(compgen -P gpio: -W "$(compgen -f /dev/gpiochip)" -- "${cur#gpio:}"))
            return
            ;;
        sim:* | ppdev:* | arduino:*)
            # A file (or, right after "sim:", a model) in the rest of the word.
            [[ $cur == sim:* && $prefix == sim: ]] &&
                COMPREPLY=($(compgen -P sim: -S : -W "$models" -- "$name"))
            [[ $cur == ppdev: ]] && name=/dev/parport
            [[ $cur == arduino: ]] && name=/dev/tty
            local file quoted
            while IFS= read -r file; do
                [[ -d $file ]] && file+=/
                printf -v quoted %q "$file"
                COMPREPLY+=("$prefix$quoted")
            done < <(compgen -f -- "$name")
            return
            ;;
    esac
    COMPREPLY=($(compgen -W "auto ppdev ppdev: direct sim sim: usbasp arduino: gpio gpio: ftdi ftdi: none" -- "$cur"))
}

_vorlane_cli()
{
    local cur prev words cword split
    _init_completion -s -n =: || return

    local commands="write read verify blank-check erase lock reset info"
    local options="--port --trace --device --format --range --erase --lock --set --quiet --help --version -q -h -V"
    local valued="--port|--trace|--device|--format|--range|--lock|--set"

    case $prev in
        --port)
            _vorlane_cli_port
            _vorlane_cli_trim
            compopt -o nospace
            return
            ;;
        --trace)
            _filedir
            return
            ;;
        --format)
            COMPREPLY=($(compgen -W "bin hex" -- "$cur"))
            return
            ;;
        --device)
            COMPREPLY=($(compgen -W "at89s51 at89s52 at89s53" -- "$cur"))
            return
            ;;
        --lock)
            COMPREPLY=($(compgen -W "0 1 2 3" -- "$cur"))
            return
            ;;
        --range)
            return
            ;;
        --set)
            # NAME=VALUE; the stored names hold spaces: matched unescaped,
            # offered escaped.
            local name=${cur//\\ / }
            if [[ $name == *=* ]]; then
                case ${name%%=*} in
                    "Clock Pin" | "Data Pin" | "Reset Pin") COMPREPLY=($(compgen -W "0 1 2 3 4 5 6 7" -- "${name#*=}")) ;;
                    Device) COMPREPLY=($(compgen -W "51 52 53" -- "${name#*=}")) ;;
                    LPT) COMPREPLY=($(compgen -W "0x378 0x278 0x3BC" -- "${name#*=}")) ;;
                esac
                return
            fi
            local IFS=$'\n'
            local names=(LPT ResetActive "Clock Pin" "Data Pin" "Reset Pin" "First Time 2" "Reset Time" \
                "Up Time" "Down Time" "Written Time" "SCK state" "DIN state" "DOUT state" "Poll Write End" Device Crystal)
            COMPREPLY=($(compgen -W "${names[*]/%/=}" -- "$name"))
            COMPREPLY=("${COMPREPLY[@]// /\\ }")
            compopt -o nospace
            return
            ;;
    esac
    # `--opt=<Tab>` of an option that takes no value.
    $split && return

    # The command is the first word that is neither an option nor an
    # option's value; what follows it is its argument.
    local i command= given=0 ended=
    for ((i = 1; i < cword; i++)); do
        if [[ ! $ended && ${words[i]} == -* ]]; then
            [[ ${words[i]} == -- ]] && ended=1
            [[ ${words[i]} == @($valued) ]] && ((i++))
        elif [[ $command ]]; then
            ((given++))
        else
            command=${words[i]}
        fi
    done

    if [[ ! $ended && $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi
    ((given)) && return
    case $command in
        "") COMPREPLY=($(compgen -W "$commands" -- "$cur")) ;;
        write | verify) _filedir '@(hex|HEX|ihx|IHX|bin|BIN)' ;;
        read) _filedir ;;
        lock) COMPREPLY=($(compgen -W "1 2 3" -- "$cur")) ;;
    esac
} &&
    complete -F _vorlane_cli vorlane-cli

# ex: filetype=sh
