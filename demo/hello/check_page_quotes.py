#!/usr/bin/env python3
"""Checks that a documentation page quotes every Java file of the hello application whole.

    check_page_quotes.py PAGE SOURCE_DIR

A quote is a line starting with the file's path from SOURCE_DIR in backquotes, then a blank line and
a ```java block whose text must equal the file's.
"""
import pathlib
import re
import sys

page_path, source_dir = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
page = page_path.read_text(encoding='utf-8')
quotes = {m.group(1): m.group(2)
          for m in re.finditer(r'^`([^`\n]+\.java)`[^\n]*\n\n```java\n(.*?)^```$', page,
                               re.MULTILINE | re.DOTALL)}
files = sorted(str(p.relative_to(source_dir))
               for p in (source_dir / 'demo' / 'hello' / 'java').rglob('*.java'))
failures = []
for name in files:
    if name not in quotes:
        failures.append('%s does not quote %s' % (page_path.name, name))
    elif quotes[name] != (source_dir / name).read_text(encoding='utf-8'):
        failures.append('%s quotes %s other than it is' % (page_path.name, name))
for name in sorted(set(quotes) - set(files)):
    failures.append('%s quotes %s, which is not a file of the application' % (page_path.name, name))
if not files:
    failures.append('no Java files under %s' % (source_dir / 'demo' / 'hello' / 'java'))
if failures:
    sys.exit('\n'.join(failures))
print('%s quotes the %d files of the hello application as they are' % (page_path.name, len(files)))
