#!/bin/bash
# Drives the bash completion of the tools as bash would on Tab, against the
# real programs' --help and a folder of scenario files.
# Arguments: the completion file, scenario-compile, scenario-inspect,
# scenario-decompile, a scratch folder (emptied first).
set -u
source "$1"
compile=$2 inspect=$3 decompile=$4 work=$5
rm -rf "$work" && mkdir -p "$work/scen" "$work/scenery" || exit 1
for file in Colle_Ferrato_linea.txt Colle_Ferrato_2291-.txt Colle_Ferrato_2293-.txt Val_linea.txt Val_7-.txt; do
  : > "$work/scen/$file"
done

failures=0
# check EXPECTED WORD... : the words of a command line, the last one being
# completed; EXPECTED is what completion offers, sorted, one blank between.
check() {
  local expected=$1
  shift
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  local prev=
  ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
  _scenario_tools "${COMP_WORDS[0]}" "${COMP_WORDS[COMP_CWORD]}" "$prev"
  local found
  found=$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ')
  found=${found% }
  if [[ $found != "$expected" ]]; then
    echo "FAILED: ${*:2}: expected '$expected', found '$found'"
    failures=$((failures + 1))
  fi
}

check "--line" "$compile" --li
check "--watch" "$compile" --wa
check "--json" "$inspect" --j
check "--folder" "$inspect" --fo
check "" "$inspect" --wa
check "--help" "$inspect" --he
check "Colle_Ferrato Val" "$compile" "$work/scen" -l ""
check "Colle_Ferrato" "$compile" -t 7 "$work/scen" --line C
check "2291 2293" "$compile" "$work/scen" --line Colle_Ferrato -t ""
check "7" "$compile" "$work/scen" --line Val -t ""
check "2291 2293 7" "$inspect" -d "$work/scen" --train ""
check "$work/scen $work/scenery" "$compile" -o "$work/sc"
check "$work/scen $work/scenery" "$inspect" --json "$work/sc"
check "--no-verify" "$decompile" --no
check "$work/scen $work/scenery" "$decompile" --output "$work/sc"
check "2291 2293 7" "$decompile" "$work/scen" -t ""

if ((failures > 0)); then exit 1; fi
echo "every completion as expected"
