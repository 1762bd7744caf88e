# bash completion for rollvane-cli: interface options, commands, each command's options and the
# values they take (port names, test names, message kinds, attribute texts, paper widths).
# tests/install checks these lists against the program's own --help texts.

_rollvane_cli_reply()
{
    # The words that start with what is typed, quoted so that "Printer Class" and
    # "1 dot Underline" stay one word each.
    local cur=$1 word
    shift
    COMPREPLY=()
    for word in "$@"; do
        [[ $word == "$cur"* ]] && COMPREPLY+=("$(printf '%q' "$word")")
    done
}

_rollvane_cli()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=""
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    local interface_options="--port --ip --baud --parity --data-bits --stop-bits --flow --trace --help"
    # Global options, also offered after the command.
    local global_options="--json --quiet --verbose --version"
    local commands="status load-printer change-settings print-config download-images print-image
        define-message prepare-logo test-print demo-print demo-check diff discover fleet"

    # The command: the first word that is neither an interface option nor its value.
    local i command="" word
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        case $word in
            --port | --ip | --baud | --parity | --data-bits | --stop-bits | --flow) ((i++)) ;;
            -*) ;;
            *) command=$word; break ;;
        esac
    done

    case $prev in
        --port) _rollvane_cli_reply "$cur" COM{1..20} LPT1 ORNUSB "Printer Class" LAN; return ;;
        --baud) _rollvane_cli_reply "$cur" 115200 57600 38400 19200 9600 4800 2400 1200; return ;;
        --parity) _rollvane_cli_reply "$cur" NONE ODD EVEN; return ;;
        --data-bits) _rollvane_cli_reply "$cur" 7 8; return ;;
        --stop-bits) _rollvane_cli_reply "$cur" 1 2; return ;;
        --flow) _rollvane_cli_reply "$cur" Xon/Xoff DTR/DSR; return ;;
        --ip) COMPREPLY=($(compgen -A hostname -- "$cur")); return ;;
        --line1 | --line2 | --width | --usb-select-type) COMPREPLY=(); return ;;
        --timeout | --range | --subnet) COMPREPLY=(); return ;;
        --paper) _rollvane_cli_reply "$cur" 80 58; return ;;
        --font) _rollvane_cli_reply "$cur" 1 2; return ;;
        --side) _rollvane_cli_reply "$cur" front back both; return ;;
        --underline) _rollvane_cli_reply "$cur" "No Underline" "1 dot Underline" "2 dot Underline"; return ;;
        --double-height | --double-width | --emphasized | --inverse) _rollvane_cli_reply "$cur" ON OFF; return ;;
        --color) _rollvane_cli_reply "$cur" Color Black; return ;;
        --preview | --image | -o | --output) COMPREPLY=($(compgen -f -- "$cur")); return ;;
        --targets) COMPREPLY=($(compgen -f -- "$cur")); return ;;
        --out) COMPREPLY=($(compgen -d -- "$cur")); return ;;
        --parallel) COMPREPLY=(); return ;;
    esac

    if [[ -z $command ]]; then
        if [[ $cur == -* ]]; then
            _rollvane_cli_reply "$cur" $interface_options $global_options
        else
            _rollvane_cli_reply "$cur" $commands
        fi
        return
    fi

    local options="" values=() files=false
    case $command in
        status) options="--raw" ;;
        load-printer) options="-o --output" ;;
        change-settings) options="--usb-select-type --dry-run"; files=true ;;
        download-images) options="--image --preview --paper --font" ;;
        define-message)
            options="--line1 --line2 --underline --double-height --double-width --emphasized --color --inverse"
            values=(top bottom reprint) ;;
        prepare-logo) options="--width --paper --font --dither"; files=true ;;
        test-print)
            options="--paper --side"
            values=(all-h rolling-ascii duty-12.5 duty-25 duty-50 duty-75 duty-100 config-printout) ;;
        demo-print)
            options="--preview"
            # The numbers of the demo files in the current folder.
            local demo
            for demo in Demo*.txt; do
                [[ -e $demo ]] && demo=${demo#Demo} && values+=("${demo%.txt}")
            done ;;
        demo-check) options="--preview"; files=true ;;
        diff) files=true ;;
        discover) options="--timeout --range --subnet --identify" ;;
        fleet)
            options="--targets --range --subnet --out --parallel --dry-run"
            # The action first; after it, apply's settings file.
            values=(load apply status)
            files=true
            local action
            for action in "${COMP_WORDS[@]:i+1:COMP_CWORD-i-1}"; do
                [[ $action == load || $action == apply || $action == status ]] && values=()
            done ;;
    esac
    if [[ $cur == -* ]]; then
        _rollvane_cli_reply "$cur" $options --help $global_options
    elif ((${#values[@]})); then
        _rollvane_cli_reply "$cur" "${values[@]}"
    elif $files; then
        COMPREPLY=($(compgen -f -- "$cur"))
    else
        COMPREPLY=()
    fi
}

complete -F _rollvane_cli rollvane-cli
