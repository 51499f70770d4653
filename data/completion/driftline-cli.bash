# bash completion for driftline-cli. Commands and options are read from the program's own --help,
# so the completion always matches the installed program.

_driftline_cli_commands()
{
    "$1" --help 2>/dev/null | awk '/^Commands:/ { on = 1; next } on && /^  [a-z]/ { print $1 } on && /^$/ { on = 0 }'
}

_driftline_cli_options()
{
    "$1" "$2" --help 2>/dev/null | grep -oE -- '(^|[[ |])(--[a-z][a-z-]*|-o)' | sed 's/^[[ |]//' | sort -u
}

_driftline_cli()
{
    local cur prev program command
    cur="${COMP_WORDS[COMP_CWORD]}"
    prev="${COMP_WORDS[COMP_CWORD-1]}"
    program="${COMP_WORDS[0]}"
    COMPREPLY=()

    if [ "$COMP_CWORD" -eq 1 ]; then
        COMPREPLY=($(compgen -W "$(_driftline_cli_commands "$program") --help --version" -- "$cur"))
        return 0
    fi
    command="${COMP_WORDS[1]}"

    case "$prev" in
        --root)
            compopt -o filenames 2>/dev/null
            COMPREPLY=($(compgen -d -- "$cur"))
            return 0 ;;
        --ini)
            compopt -o filenames 2>/dev/null
            COMPREPLY=($(compgen -f -X '!*.[iI][nN][iI]' -- "$cur") $(compgen -d -- "$cur"))
            return 0 ;;
        --x|--y)
            COMPREPLY=($(compgen -W "Time Azimuth Altitude RightAscension Declination Beta Lambda Volts" -- "$cur"))
            return 0 ;;
        -o|--output)
            compopt -o filenames 2>/dev/null
            COMPREPLY=($(compgen -f -- "$cur"))
            return 0 ;;
    esac

    if [[ "$cur" == -* ]]; then
        COMPREPLY=($(compgen -W "$(_driftline_cli_options "$program" "$command") --help" -- "$cur"))
        return 0
    fi
    # Log files, and folders to reach them.
    compopt -o filenames 2>/dev/null
    COMPREPLY=($(compgen -f -X '!*.log' -- "$cur") $(compgen -d -- "$cur"))
    return 0
}

complete -F _driftline_cli driftline-cli
