#!/usr/bin/env bash
# make_batch_docs on an awkward help text: lines troff would take for requests,
# backslashes, an option whose explanation follows a single space, a failing
# program. Usage: batch_docs_test.sh MAKE_BATCH_DOCS
set -euo pipefail
tool=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "batch_docs_test: $*" >&2; exit 1; }

cat >"$work/program" <<'PROGRAM'
#!/bin/sh
case $1 in
--help) cat <<'HELP'
Usage: program [OPTIONS] FILE...

Does things to files: the ones ending in
.jpg or
'quoted names, and C:\new\dir paths.

Options:
  -p, --preset P       the preset
  -l, --a-very-long-option VALUE the explanation after one space
      --flag           a flag:
                       --flag twice
                       Another sentence (on its own line)

Exit status: 0 done; 3 not.

Statuses:
  0    all done
  64   wrong usage, explained on
       a second line
  130  stopped

Examples:
  program --preset 2 .hidden
HELP
;;
--list-presets) printf 'Presets:\n   1  ONE      10x20\n  12  TWO+     30x40\n';;
*) exit 64;;
esac
PROGRAM
chmod +x "$work/program"

"$tool" "$work/program" 9.9 "$work/page.1" "$work/completion" || fail "the generator failed"
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=200 man --warnings -l "$work/page.1" 2>&1 >"$work/page.txt")
[ -z "$warnings" ] || fail "troff warnings: $warnings"
for text in "program - does things to files" ".jpg or 'quoted names, and C:\\new\\dir paths." \
            "-l, --a-very-long-option VALUE" "the explanation after one space" "0 done; 3 not." \
            "program --preset 2 .hidden" "Another sentence (on its own line)" \
            "wrong usage, explained on a second line"; do
  grep -qF -- "$text" "$work/page.txt" || fail "the page lost: $text"
done
# Numbered entries are a tagged list, with the number in bold.
grep -qxF '\fB64\fR' "$work/page.1" || fail "a numbered entry is not tagged: $(cat "$work/page.1")"
grep -qE '^ +130 +stopped$' "$work/page.txt" || fail "the numbered entries lost their layout"
! grep -qw 130 "$work/completion" || fail "a status number is offered as a word to complete"
# The presets after --preset; nothing after another option with a value.
grep -qF -- "-l|--a-very-long-option)" "$work/completion" || fail "options with values not recognised"
grep -qF "'ONE 10x20 TWO+ 30x40'" "$work/completion" || fail "the completion misses the presets"

# A program that fails leaves no documents behind it, and the build stops.
printf '#!/bin/sh\nexit 1\n' >"$work/broken"
chmod +x "$work/broken"
! "$tool" "$work/broken" 9.9 "$work/broken.1" "$work/broken.bash" 2>/dev/null || fail "a failing program was documented"
[ ! -e "$work/broken.1" ] || fail "a page was written for a failing program"
echo "batch_docs_test: ok"
