# Bash completion for the scenario tools (scenario-compile, scenario-inspect
# and every tool that shares their command line). Installed once per tool
# under share/bash-completion/completions/, where bash-completion finds it
# by the tool's name.
#
# The options come from the tool's own --help, so they follow the tool. The
# values: a line name or a train number from the files of the folder the
# command line names (the argument, or -d), folders for DIR, files for FILE.

# The tool's options, one a line: the short letter (or -), the long name
# and the name of its value (or -).
_scenario_tools_options() {
  local line
  "$1" --help 2>/dev/null | while IFS= read -r line; do
    if [[ $line =~ ^\ \ (-([A-Za-z]),\ |\ \ \ \ )--([a-z-]+)(\ ([A-Z]+))? ]]; then
      printf '%s %s %s\n' "${BASH_REMATCH[2]:--}" "${BASH_REMATCH[3]}" "${BASH_REMATCH[5]:--}"
    fi
  done
}

# The value name of an option as typed (-l, --line, a prefix of --line); -
# for one that takes no value or is unknown.
_scenario_tools_value_of() {
  local option=$1 short long value
  while read -r short long value; do
    if [[ $option == "-$short" || ( $option == --* && ${#option} -gt 2 && --$long == "$option"* ) ]]; then
      printf '%s' "$value"
      return
    fi
  done <<< "$2"
  printf '%s' -
}

_scenario_tools() {
  local command=$1 cur=$2 prev=$3
  local options folder=. line= i word value
  options=$(_scenario_tools_options "$command")
  COMPREPLY=()

  # What the words before the cursor say: the folder and the line name.
  for ((i = 1; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    if [[ $word == -?* ]]; then
      value=$(_scenario_tools_value_of "${word%%=*}" "$options")
      [[ $value == - || $word == *=* || ( $word != --* && ${#word} -gt 2 ) ]] && continue
      ((i++))
      case $value in
        DIR) [[ $word == -d || $word == --f* ]] && folder=${COMP_WORDS[i]} ;;
        NAME) line=${COMP_WORDS[i]} ;;
      esac
    else
      folder=$word
    fi
  done
  folder=${folder/#\~/$HOME}

  if [[ $prev == -?* && $cur != -* ]]; then
    value=$(_scenario_tools_value_of "$prev" "$options")
    case $value in
      NAME | NUMBER)
        local file names=() stem
        for file in "$folder"/*_linea.txt "$folder"/*_linea.dat "$folder"/*-.txt "$folder"/*.sim; do
          [[ -f $file ]] || continue
          file=${file##*/}
          case $file in
            *_linea.txt | *_linea.dat) [[ $value == NAME ]] && names+=("${file%_linea.*}") ;;
            *)
              stem=${file%-.txt}
              stem=${stem%.sim}
              if [[ $value == NUMBER ]]; then
                if [[ -n $line ]]; then
                  [[ $stem == "$line"_?* ]] && names+=("${stem#"$line"_}")
                else
                  names+=("${stem##*_}")
                fi
              fi
              ;;
          esac
        done
        local IFS=$'\n'
        COMPREPLY=($(compgen -W "$(printf '%s\n' "${names[@]}" | sort -u)" -- "$cur"))
        return
        ;;
      DIR) COMPREPLY=($(compgen -d -- "$cur")); return ;;
      FILE) COMPREPLY=($(compgen -f -- "$cur")); return ;;
      -) ;;
      *) return ;;
    esac
  fi

  if [[ $cur == -* ]]; then
    local short long words=
    while read -r short long value; do
      words+=" --$long"
      [[ $short != - ]] && words+=" -$short"
    done <<< "$options"
    COMPREPLY=($(compgen -W "$words" -- "$cur"))
  else
    COMPREPLY=($(compgen -d -- "$cur"))
  fi
}

complete -o filenames -F _scenario_tools scenario-compile scenario-inspect scenario-decompile
