# SPDX-License-Identifier: GPL-2.0-or-later
# bash completion of tastor-cli: its commands and options, the key names "tastor-cli
# keyname" prints, the macros of "tastor-cli macros", the languages of the program folder,
# and files and folders where a command takes them. The commands and options come from the
# tastor-cli being completed (--help-completion), so they are those of the program there;
# the folder options already on the line (--program-dir, --user-dir, --lang) are passed on,
# so that key names and macros are those the command will see. Options go before the
# command or after it, as "--opt value" or "--opt=value" (which bash splits at the "=").

# The candidates that start with the word being completed, quoted for the command line.
_tastor_cli_reply() {
    local cur=$1 quote='' word
    shift
    case $cur in
        \"* | \'*) quote=${cur:0:1}; cur=${cur:1} ;;
        *) cur=${cur//\\/} ;;
    esac
    COMPREPLY=()
    for word in "$@"; do
        [[ $word == "$cur"* ]] || continue
        if [[ -n $quote ]]; then
            COMPREPLY+=("$quote$word$quote")
        else
            COMPREPLY+=("$(printf '%q' "$word")")
        fi
    done
}

# The key names of "tastor-cli keyname", one a line.
_tastor_cli_keys() {
    local line
    "$@" keyname 2>/dev/null | while IFS= read -r line; do
        [[ $line =~ ^0x[0-9A-Fa-f]+\ \ (.+)$ ]] && printf '%s\n' "${BASH_REMATCH[1]}"
    done
}

# The macros of "tastor-cli macros": each by its name and, inside folders, as Folder/Name.
_tastor_cli_macros() {
    local line indent depth name
    local -a folders=()
    "$@" macros 2>/dev/null | while IFS= read -r line; do
        [[ $line =~ ^(\ +)(.*)$ ]] || continue
        indent=${#BASH_REMATCH[1]}
        name=${BASH_REMATCH[2]}
        depth=$(( indent / 2 - 1 ))
        if [[ $name =~ ^\[(.*)\]$ ]]; then
            folders=("${folders[@]:0:depth}" "${BASH_REMATCH[1]}")
        elif [[ $name =~ ^(.*)\ \ id\ 0x[0-9A-Fa-f]+, ]]; then
            name=${BASH_REMATCH[1]}
            printf '%s\n' "$name"
            if (( depth > 0 )); then
                local IFS=/
                printf '%s\n' "${folders[*]:0:depth}/$name"
            fi
        fi
    done | sort -u
}

# The lighting modes ("mode") or colour groups ("group") "tastor-cli lighting --help" lists,
# by name: its lines "  NUMBER  NAME" (and more after two blanks) under the list's title.
_tastor_cli_lighting() {
    local which=$1 line in=0
    shift
    "$@" lighting --help 2>/dev/null | while IFS= read -r line; do
        case $line in
            "Lighting modes "*) [[ $which == mode ]] && in=1 || in=0; continue ;;
            "Colour groups "*) [[ $which == group ]] && in=1 || in=0; continue ;;
        esac
        if (( in )) && [[ $line =~ ^\ +[0-9]+\ \ (.+)$ ]]; then
            printf '%s\n' "${BASH_REMATCH[1]%%  *}"
        elif [[ $line != " "* ]]; then
            in=0
        fi
    done
}

# The languages with texts in the program folder (en is text.xml itself).
_tastor_cli_languages() {
    local folder=$1 entry
    for entry in "$folder"translations/*/text.xml; do
        [[ -e $entry ]] || continue
        entry=${entry%/text.xml}
        printf '%s\n' "${entry##*/}"
    done
}

# Whether an option takes a value in a list of words ("--profile=N"): prints the value's
# name ("N") and succeeds.
_tastor_cli_value_of() {
    local option=$1 word
    for word in $2; do
        if [[ $word == "$option="* ]]; then
            printf '%s' "${word#*=}"
            return 0
        fi
    done
    return 1
}

_tastor_cli() {
    local -a words=()
    local cur=${COMP_WORDS[COMP_CWORD]} prev=''
    (( COMP_CWORD > 0 )) && prev=${COMP_WORDS[COMP_CWORD-1]}
    local program=${COMP_WORDS[0]}
    local table
    table=$("$program" --help-completion 2>/dev/null) || return 0

    # The words of the table: "global ..." and "command NAME ...".
    local -A command_words=()
    local global='' kind name rest
    local -a commands=()
    while read -r kind name rest; do
        if [[ $kind == global ]]; then
            global="$name $rest"
        elif [[ $kind == command ]]; then
            commands+=("$name")
            command_words[$name]=$rest
        fi
    done <<< "$table"

    # The line before the cursor: the command, its positional arguments, and the options
    # to pass on to the listing commands. The value of an option is the next word, or the
    # one after the "=" bash split off.
    local -a pass=()
    local command='' word value i=1 next positional=0 program_dir=''
    while (( i < COMP_CWORD )); do
        word=${COMP_WORDS[i]}
        next=$(( i + 1 ))
        [[ ${COMP_WORDS[next]} == = ]] && (( next += 1 ))
        if value=$(_tastor_cli_value_of "$word" "$global"); then
            pass+=("$word" "${COMP_WORDS[next]}")
            [[ $word == --program-dir ]] && program_dir=${COMP_WORDS[next]%/}/
            (( i = next + 1 ))
            continue
        fi
        # A command's option takes its value there, and before the command's name too.
        local own="${command_words[*]}"
        [[ -n $command ]] && own=${command_words[$command]}
        if [[ $word == --* ]] && _tastor_cli_value_of "$word" "$own" > /dev/null; then
            (( i = next + 1 ))
            continue
        fi
        if [[ $word == --simulate ]]; then
            pass+=("$word")
        elif [[ $word != -* ]]; then
            if [[ -z $command ]]; then
                command=$word
            else
                (( positional += 1 ))
            fi
        fi
        (( i += 1 ))
    done
    if [[ -z $program_dir ]]; then
        local real
        real=$(readlink -f "$(type -P "$program")" 2>/dev/null) && program_dir=${real%/*}/
    fi

    # The value of an option.
    local value_name=''
    (( COMP_CWORD > 1 )) && [[ $prev == = ]] && prev=${COMP_WORDS[COMP_CWORD-2]}
    if [[ $prev == -* ]]; then
        value_name=$(_tastor_cli_value_of "$prev" "$global") ||
            { [[ -n $command ]] && value_name=$(_tastor_cli_value_of "$prev" "${command_words[$command]}"); }
    fi
    if [[ -n $value_name ]]; then
        case $prev in
            --program-dir | --user-dir)
                compopt -o filenames 2>/dev/null
                mapfile -t COMPREPLY < <(compgen -d -- "$cur") ;;
            --lang) mapfile -t words < <(_tastor_cli_languages "$program_dir"); _tastor_cli_reply "$cur" "${words[@]}" ;;
            --macro) mapfile -t words < <(_tastor_cli_macros "$program" "${pass[@]}"); _tastor_cli_reply "$cur" "${words[@]}" ;;
            --combo) mapfile -t words < <(_tastor_cli_keys "$program" "${pass[@]}"); _tastor_cli_reply "$cur" "${words[@]}" ;;
            --profile) _tastor_cli_reply "$cur" 1 2 3 ;;
            --mode | --group)
                mapfile -t words < <(_tastor_cli_lighting "${prev#--}" "$program" "${pass[@]}")
                _tastor_cli_reply "$cur" "${words[@]}" ;;
            --probe)
                compopt -o filenames 2>/dev/null
                mapfile -t COMPREPLY < <(compgen -f -- "$cur") ;;
            *) COMPREPLY=() ;;
        esac
        return 0
    fi

    if [[ $cur == -* ]]; then
        local list=$global
        [[ -n $command ]] && list="${command_words[$command]} --help"
        for word in $list; do
            [[ $word == -* ]] && words+=("${word%%=*}")
        done
        _tastor_cli_reply "$cur" "${words[@]}"
        return 0
    fi
    if [[ -z $command ]]; then
        _tastor_cli_reply "$cur" "${commands[@]}"
        return 0
    fi

    # A positional argument: the slot of the command's usage at this place.
    local -a slots=()
    for word in ${command_words[$command]}; do
        [[ $word == -* ]] || slots+=("$word")
    done
    (( ${#slots[@]} )) || return 0
    local slot=${slots[positional]}
    [[ -z $slot && ${slots[-1]} == *... ]] && slot=${slots[-1]}
    case $slot in
        KEY) mapfile -t words < <(_tastor_cli_keys "$program" "${pass[@]}"); _tastor_cli_reply "$cur" "${words[@]}" ;;
        NAME) if [[ $command == export-macro ]]; then
                  mapfile -t words < <(_tastor_cli_macros "$program" "${pass[@]}"); _tastor_cli_reply "$cur" "${words[@]}"
              fi ;;
        FILE*)
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -f -- "$cur") ;;
        *\|*) IFS='|' read -r -a words <<< "$slot"; _tastor_cli_reply "$cur" "${words[@]}" ;;
    esac
    return 0
}

complete -F _tastor_cli tastor-cli
