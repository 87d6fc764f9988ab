#!/usr/bin/env python3
"""Checks the packager's guide (docs/packagers-guide.md) against what it describes.

- Every block fenced as "```ini sample" or "```ini minimal" quotes the sample scripts
  examples/orlavin/setup.inf or examples/minimal/setup.inf: each of its lines must stand in that
  script, in the same order and under the same section header as in the block.
- Every name in the second column of the guide's vocabulary table must occur in a string
  literal of the program's sources (src/), so that a renamed key or section cannot leave the
  guide describing a name the program no longer reads.
- The command-line options of the vocabulary table are exactly those the program parses (the
  exit codes are checked with the deployment contract, check_deployment.py).
- Every link to a place in the guide (#...) names one of its headings.
- The guide's table of findings has an example of every finding that "/check" (src/check)
  reports, and no example that matches none of them.

Usage: check_guide.py [top of the source tree]; prints each problem and exits 1 when any.
"""
import os
import re
import sys

TOP = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                      os.path.join(os.path.dirname(__file__), '..', '..', '..'))
GUIDE = os.path.join(TOP, 'docs', 'packagers-guide.md')
QUOTED_SCRIPTS = {
    'sample': os.path.join(TOP, 'examples', 'orlavin', 'setup.inf'),
    'minimal': os.path.join(TOP, 'examples', 'minimal', 'setup.inf'),
}
FENCE = re.compile(r'^(\s*)```(\S*)\s*(\S*)\s*$')
HEADER = re.compile(r'^\[([^\]]+)\]')
# A printf conversion of the program's formats, as the findings of src/check use them.
CONVERSION = re.compile(r'(%(?:%|[-+ #0]*\d*(?:\.\d+)?(?:l|ll|h)?[sdiuxXc]))')
problems = []


def read(path):
    with open(path, encoding='utf-8', errors='replace') as f:
        return f.read()


def fenced_blocks(text):
    """(language, tag, first line number, lines) of every fenced block, indentation removed."""
    lines = text.split('\n')
    i = 0
    while i < len(lines):
        m = FENCE.match(lines[i])
        if not m or not m.group(2):
            i += 1
            continue
        indent, language, tag = len(m.group(1)), m.group(2), m.group(3)
        start = i + 1
        body = []
        i += 1
        while i < len(lines) and not FENCE.match(lines[i]):
            body.append(lines[i][indent:] if lines[i][:indent].strip() == '' else lines[i])
            i += 1
        yield language, tag, start, body
        i += 1


def script_lines(path):
    """(section, line) for every line of a script, right-trimmed; section is lower case."""
    section = None
    result = []
    for line in read(path).split('\n'):
        line = line.rstrip()
        m = HEADER.match(line)
        if m:
            section = m.group(1).lower()
        result.append((section, line))
    return result


def check_quotes(text):
    for language, tag, start, body in fenced_blocks(text):
        if language != 'ini' or tag not in QUOTED_SCRIPTS:
            continue
        path = QUOTED_SCRIPTS[tag]
        if not os.path.exists(path):
            problems.append('guide line %d quotes %s, which does not exist' % (start, path))
            continue
        lines = script_lines(path)
        position = 0
        section = None
        for offset, quoted in enumerate(body):
            quoted = quoted.rstrip()
            if not quoted.strip():
                continue
            m = HEADER.match(quoted)
            if m:
                section = m.group(1).lower()
            found = None
            for index in range(position, len(lines)):
                file_section, file_line = lines[index]
                if file_line == quoted and (m or section is None or file_section == section):
                    found = index
                    break
            if found is None:
                where = ' in [%s]' % section if section and not m else ''
                problems.append('guide line %d: not in %s%s (or out of order): %s'
                                % (start + offset + 1, os.path.relpath(path, TOP), where, quoted))
            else:
                position = found + 1


def source_literals():
    literals = set()
    for root, _, files in os.walk(os.path.join(TOP, 'src')):
        for name in files:
            if name.endswith(('.cpp', '.h')):
                for literal in re.findall(r'"((?:[^"\\\n]|\\.)*)"', read(os.path.join(root, name))):
                    literals.add(literal.replace('\\\\', '\\'))
    return literals


def vocabulary_rows(text):
    m = re.search(r'<!-- vocabulary:begin -->(.*?)<!-- vocabulary:end -->', text, re.S)
    if not m:
        problems.append('the guide has no vocabulary table between its markers')
        return []
    rows = []
    for line in m.group(1).split('\n'):
        cells = [c.strip() for c in line.strip().strip('|').split('|')]
        if len(cells) >= 2 and not set(cells[1]) <= set('-: '):
            rows.append(cells)
    return rows


def check_vocabulary(text):
    literals = source_literals()
    names = []
    for cells in vocabulary_rows(text):
        names.extend(re.findall(r'`([^`]+)`', cells[1]))
    if len(names) < 40:
        problems.append('the vocabulary table names only %d names' % len(names))
    for name in names:
        # A whole word of a literal: "MakeIcon" must not pass because "MakeIcons" is there.
        word = re.compile(r'(?<![A-Za-z0-9])' + re.escape(name) + r'(?![A-Za-z0-9])')
        if not any(word.search(literal) for literal in literals):
            problems.append('vocabulary name `%s` is in no string literal of src/' % name)

    documented = set(n for n in names if n.startswith('/'))
    parsed = set(re.findall(r'\{"(/[^"]+)",\s*\d+,\s*OptionKind',
                            read(os.path.join(TOP, 'src', 'app', 'CommandLine.cpp'))))
    if not parsed:
        problems.append('no options found in src/app/CommandLine.cpp')
    for option in sorted(parsed - documented):
        problems.append('option %s is parsed but not in the guide' % option)
    for option in sorted(documented - parsed):
        problems.append('option %s is in the guide but not parsed' % option)


def checker_formats():
    """(severity, format) of every finding that the checker (src/check) reports."""
    literal = re.compile(r'\s*"((?:[^"\\\n]|\\.)*)"')
    formats = []
    folder = os.path.join(TOP, 'src', 'check')
    for name in sorted(os.listdir(folder)):
        if not name.endswith('.cpp'):
            continue
        source = read(os.path.join(folder, name))
        for call in re.finditer(r'\bReport(?:AtLine)?\(', source):
            first = source.find('"', call.end())
            if first < 0 or source.find(';', call.end()) < first:
                continue  # a declaration or definition, not a call
            severity = re.search(r'Severity::(Error|Warning)', source[call.end():first])
            parts, position = [], first
            while True:
                m = literal.match(source, position)
                if not m:
                    break
                parts.append(m.group(1))
                position = m.end()
            formats.append((severity.group(1).lower() if severity else '?',
                            ''.join(parts).replace('\\"', '"').replace('\\\\', '\\')))
    return formats


def check_findings(text):
    """The guide's table of findings shows each finding the checker reports, and no other."""
    m = re.search(r'<!-- findings:begin -->(.*?)<!-- findings:end -->', text, re.S)
    if not m:
        problems.append('the guide has no table of findings between its markers')
        return
    examples = re.findall(r'^\| (error|warning) \| `([^`]+)` \|', m.group(1), re.M)
    formats = checker_formats()
    if len(formats) < 40:
        problems.append('only %d findings found in src/check' % len(formats))
    patterns = []
    for severity, fmt in formats:
        # Split with the conversion captured: text and conversions alternate, text first.
        pieces = CONVERSION.split(fmt)
        regex = ''.join(re.escape(piece) if i % 2 == 0 else ('%' if piece == '%%' else '.+')
                        for i, piece in enumerate(pieces))
        patterns.append((severity, fmt, re.compile(regex + r'\Z')))
    for severity, fmt, pattern in patterns:
        if not any(kind == severity and pattern.match(example) for kind, example in examples):
            problems.append('%s "%s" of src/check has no example in the guide' % (severity, fmt))
    for kind, example in examples:
        if not any(kind == severity and pattern.match(example)
                   for severity, _, pattern in patterns):
            problems.append('the guide\'s %s "%s" is reported nowhere in src/check'
                            % (kind, example))


def check_anchors(text):
    outside_code = re.sub(r'```.*?```', '', text, flags=re.S)
    slugs = set()
    for heading in re.findall(r'^#+ (.+)$', outside_code, re.M):
        # The slug the repository's web view gives a heading: lower case, punctuation dropped,
        # blanks turned into hyphens.
        slugs.add(re.sub(r'[^a-z0-9 _-]', '', heading.strip().lower()).replace(' ', '-'))
    for anchor in re.findall(r'\]\(#([^)]+)\)', outside_code):
        if anchor not in slugs:
            problems.append('link to #%s names no heading of the guide' % anchor)


def main():
    text = read(GUIDE)
    check_quotes(text)
    check_anchors(text)
    check_vocabulary(text)
    check_findings(text)
    for problem in problems:
        print(problem)
    print('%s: %d problem(s)' % (os.path.relpath(GUIDE, TOP), len(problems)))
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
