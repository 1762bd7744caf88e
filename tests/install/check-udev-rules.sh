#!/usr/bin/env bash
# check-udev-rules.sh FILE: the syntax of a udev rules file, for udev versions without
# "udevadm verify": each rule a comma-separated list of KEY{ATTR}OP"VALUE" with a known key and an
# operator the key allows, at least one match and one assignment.
set -euo pipefail
status=0
n=0
while IFS= read -r line || [ -n "$line" ]; do
  n=$((n + 1))
  [[ $line =~ ^[[:space:]]*(#|$) ]] && continue
  [[ $line == *\\ ]] && { echo "line $n: continued lines are not checked"; status=1; continue; }
  rest=$line matches=0 assigns=0
  while [ -n "$rest" ]; do
    if [[ $rest =~ ^[[:space:]]*([A-Z_]+)(\{[^}\"]+\})?[[:space:]]*(==|!=|\+=|-=|:=|=)[[:space:]]*\"([^\"\\]|\\.)*\"[[:space:]]*(,|$) ]]; then
      key=${BASH_REMATCH[1]} attr=${BASH_REMATCH[2]} op=${BASH_REMATCH[3]}
      rest=${rest:${#BASH_REMATCH[0]}}
    else
      echo "line $n: cannot read '$rest'"
      status=1
      break
    fi
    case $key in
      ACTION | DEVPATH | KERNEL | KERNELS | NAME | SYMLINK | SUBSYSTEM | SUBSYSTEMS | DRIVER | DRIVERS | TAG | TAGS | TEST | PROGRAM | RESULT | CONST)
        needs_attr=no ;;
      ATTR | ATTRS | SYSCTL | ENV | IMPORT | RUN) needs_attr=maybe ;;
      OWNER | GROUP | MODE | LABEL | GOTO | OPTIONS | SECLABEL) needs_attr=no ;;
      *) echo "line $n: unknown key $key"; status=1; continue ;;
    esac
    if [ "$needs_attr" = no ] && [ -n "$attr" ] && [ "$key" != TEST ]; then
      echo "line $n: $key takes no {attribute}"
      status=1
    fi
    if [[ $key =~ ^(ATTR|ATTRS|ENV|SYSCTL|IMPORT)$ ]] && [ -z "$attr" ]; then
      echo "line $n: $key needs an {attribute}"
      status=1
    fi
    case $op in
      == | !=)
        matches=$((matches + 1))
        [[ $key =~ ^(IMPORT|RUN|LABEL|GOTO|OPTIONS|OWNER|GROUP|MODE|SECLABEL)$ ]] &&
          { echo "line $n: $key cannot be compared"; status=1; } ;;
      *)
        assigns=$((assigns + 1))
        [[ $key =~ ^(ACTION|DEVPATH|KERNELS|SUBSYSTEM|SUBSYSTEMS|DRIVER|DRIVERS|ATTRS|TAGS|TEST|RESULT|CONST|KERNEL)$ ]] &&
          { echo "line $n: $key cannot be assigned"; status=1; } ;;
    esac
  done
  if [ "$matches" -eq 0 ] || [ "$assigns" -eq 0 ]; then
    echo "line $n: a rule needs a match and an assignment"
    status=1
  fi
done <"$1"
exit $status
