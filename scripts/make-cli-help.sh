#!/usr/bin/env bash
# Writes the help page of the command line from the built lumora-cli's own
# --help texts, so the page says what the program does:
#   scripts/make-cli-help.sh build/lumora-cli > app/resources/help/commandline.html
set -euo pipefail
cli=${1:?usage: make-cli-help.sh PATH/TO/lumora-cli}

escape() { sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g'; }

commands=$("$cli" --help | awk '/^commands:/ {on = 1; next} on && /^  [a-z]/ {print $1}')

cat <<'HEAD'
<!DOCTYPE html>
<html>
<head>
<meta charset="utf-8">
<title>The command line: lumora-cli</title>
<link rel="stylesheet" type="text/css" href="help.css">
</head>
<body>
<p><a href="index.html">Contents</a></p>
<h1>The command line: lumora-cli</h1>
<p><code>lumora-cli</code> does every job of the viewer that needs no person,
from a shell or a script: it reads plot files, builds walls, measures
volumes, exports, converts X files and draws pictures without a window.
Progress goes to the terminal's error stream; a failure ends with the
program's message and a non-zero exit status (2 for a wrong command
line).</p>
<p>The window itself takes one argument, a plot file to open:
<code>lumora cave.plt</code>.</p>
HEAD
echo "<pre>"
"$cli" --help | escape
echo "</pre>"
echo "<ul>"
for c in $commands; do echo "<li><a href=\"#$c\">$c</a></li>"; done
echo "</ul>"
for c in $commands; do
  echo "<h2 id=\"$c\">lumora-cli $c</h2>"
  echo "<pre>"
  "$cli" "$c" --help | escape
  echo "</pre>"
done
cat <<'TAIL'
</body>
</html>
TAIL
