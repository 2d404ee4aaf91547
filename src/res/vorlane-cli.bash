# bash completion for vorlane-cli                          -*- shell-script -*-

_vorlane_cli()
{
    local cur prev words cword
    _init_completion -n = || return

    local commands="write read verify blank-check erase lock reset info"
    local options="--port --trace --device --format --range --erase --lock --set --quiet --help --version"

    case $prev in
        --port)
            COMPREPLY=($(compgen -W "auto ppdev direct sim none ppdev:/dev/parport sim: arduino:/dev/tty" -- "$cur"))
            [[ $cur == ppdev:* ]] && COMPREPLY=($(compgen -P ppdev: -f -- "${cur#ppdev:}"))
            [[ $cur == arduino:* ]] && COMPREPLY=($(compgen -P arduino: -f -- "${cur#arduino:}"))
            [[ $cur == sim:* ]] && COMPREPLY=($(compgen -P sim: -f -- "${cur#sim:}"))
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
            # The stored names hold spaces: matched unescaped, offered escaped.
            local IFS=$'\n'
            local names=(LPT ResetActive "Clock Pin" "Data Pin" "Reset Pin" "Reset Time" "Up Time" \
                "Down Time" "Written Time" "SCK state" "DIN state" "Poll Write End" Device Crystal)
            COMPREPLY=($(compgen -W "${names[*]/%/=}" -- "${cur//\\ / }"))
            COMPREPLY=("${COMPREPLY[@]// /\\ }")
            compopt -o nospace
            return
            ;;
    esac

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi

    # The command is the first word that is neither an option nor an
    # option's value.
    local i command=
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            --port | --trace | --format | --range | --lock | --set) ((i++)) ;;
            -*) ;;
            *)
                command=${words[i]}
                break
                ;;
        esac
    done

    case $command in
        "") COMPREPLY=($(compgen -W "$commands" -- "$cur")) ;;
        write | verify) _filedir '@(hex|HEX|ihx|IHX|bin|BIN)' ;;
        read) _filedir ;;
        lock) COMPREPLY=($(compgen -W "1 2 3" -- "$cur")) ;;
    esac
} &&
    complete -F _vorlane_cli vorlane-cli

# ex: filetype=sh
