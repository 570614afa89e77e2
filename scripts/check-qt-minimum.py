#!/usr/bin/env python3
"""Lists what core/ and src/ use of Qt that is newer than the Qt they claim to need.

The Qt 5 reference (Debian: qtbase5-doc-html) notes of every class, function, enum and value added
during Qt 5 "This ... was introduced in Qt 5.N", and of some changes "Since Qt 5.N, ...". This reads
those notes for QtCore, QtGui and QtWidgets. For the functions, constructors and enum values among
them whose names the sources use, clang-query finds every call, construction and use in the
sources and the overload it takes; a use counts when that overload is a newer one (a function
template's: any call with as many arguments). A newer class, or a macro, counts where its name is
a word of the sources.

Prints each use, and exits 1 when there is any; prints nothing and exits 0 when there is none.
Usage: scripts/check-qt-minimum.py [--minimum 5.4] [--docs /usr/share/qt5/doc] [DIR...]
Needs clang-query (Debian: clang-tools) and pkg-config with Qt 5's development files.
"""

import argparse
import html
import os
import pathlib
import re
import subprocess
import sys

# Newer overloads that a newer Qt picks where an older Qt has one of its own that does the same.
REVIEWED = {
    "QString QString::arg(QLatin1String a, int fieldWidth = 0, QChar fillChar = QLatin1Char(' '))"
    " const": 'Qt 5.4 takes the QLatin1String as a QString',
    'int QStringList::indexOf(QLatin1String str, int from = 0) const':
        'Qt 5.4 takes the QLatin1String as a QString',
    'QStringList QString::split(QChar sep, Qt::SplitBehavior behavior = Qt::KeepEmptyParts, '
    'Qt::CaseSensitivity cs = Qt::CaseSensitive) const':
        'Qt 5.4 has split(QChar, QString::SplitBehavior = KeepEmptyParts); a value of '
        'Qt::SplitBehavior given is listed on its own',
    'template <typename T> T qFromLittleEndian(const void *src)':
        'Qt 5.4 takes a const uchar *, which is what is given',
}

NOTE = re.compile(r'This (\w+)(?: value)?(?: was| has been)? (?:introduced|added)'
                  r'(?: or modified)? in Qt (\d+)\.(\d+)|Since Qt (\d+)\.(\d+)')


def text_of(fragment):
    fragment = re.sub(r'<br */?>', ' ', fragment)
    return ' '.join(html.unescape(re.sub(r'<[^>]+>', '', fragment)).split())


def newer_notes(fragment, minimum):
    """The versions after minimum that the notes in a piece of a page give."""
    versions = []
    for note in NOTE.finditer(text_of(fragment)):
        major, minor = (note.group(2), note.group(3)) if note.group(2) else note.groups()[3:]
        if (int(major), int(minor)) > minimum:
            versions.append(f'{major}.{minor}')
    return versions


def read_docs(docs, minimum):
    """{qualified name: [(signature, version)]} for what came after minimum."""
    newer = {}
    for module in ('qtcore', 'qtgui', 'qtwidgets'):
        for page in sorted((docs / module).glob('*.html')):
            content = page.read_text(encoding='utf-8', errors='replace')
            title = re.search(r'<h1 class="title">(.*?)</h1>', content)
            if not title:
                continue
            title = text_of(title.group(1))
            words = title.split()
            scope = words[0] if words[-1] in ('Class', 'Struct', 'Namespace') else ''
            _, *blocks = content.split('<!-- $$$')
            note = re.search(r'This (?:class|struct) was introduced in Qt (\d+)\.(\d+)', content)
            if scope and note and (int(note.group(1)), int(note.group(2))) > minimum:
                newer.setdefault(scope, []).append((title, f'{note.group(1)}.{note.group(2)}'))
            for block in blocks:
                heading = re.search(r'<h3 class="\w+"[^>]*>(.*?)</h3>', block, re.S)
                if not heading:
                    continue
                signature = text_of(heading.group(1))
                names = re.findall(r'<span class="name">(.*?)</span>', heading.group(1))
                names = [text_of(name).split('::')[-1] for name in names]
                values = []
                for row in re.findall(r'<tr>(.*?)</tr>', block, re.S):
                    value = re.search(r'<code>([\w:]+)</code>', row)
                    if not value:
                        continue
                    values.append(value.group(1))
                    # A value added to an enum later is noted in its own row.
                    for version in newer_notes(row, minimum)[:1]:
                        newer.setdefault(value.group(1), []).append((value.group(1), version))
                text = re.sub(r'<table.*?</table>', '', block, flags=re.S)
                for version in newer_notes(text, minimum)[:1]:
                    for name in names:
                        qualified = f'{scope}::{name}' if scope else name
                        newer.setdefault(qualified, []).append((signature, version))
                    # An enum new or changed since: each of its values, to be looked at.
                    if signature.startswith('enum '):
                        for value in values:
                            newer.setdefault(value, []).append((f'{value} of {signature}',
                                                                version))
    return newer


def read_sources(directories):
    """The sources, and the words of their code with what precedes each."""
    files, words = [], []
    for directory in directories:
        for path in sorted(pathlib.Path(directory).rglob('*')):
            if path.suffix not in ('.cpp', '.h'):
                continue
            files.append(path)
            for number, line in enumerate(path.read_text(encoding='utf-8').splitlines(), 1):
                code = re.sub(r'//.*', '', re.sub(r'"(?:\\.|[^"\\])*"', '""', line))
                for match in re.finditer(r'(\.|->|::)?\s*\b(\w+)\b', code):
                    words.append((match.group(2), match.group(1) or '', path, number))
    return files, words


def parameters(signature):
    """The parameter types of a signature, without names or defaults."""
    signature = re.sub(r'\)\s*(const|noexcept|&|&&|override|\s)*$', ')', signature.strip("' "))
    depth, start = 0, None
    for i in range(len(signature) - 1, -1, -1):
        depth += {')': 1, '(': -1}.get(signature[i], 0)
        if depth == 0:
            start = i
            break
    inner, types, depth, part = signature[start + 1:-1], [], 0, ''
    for c in inner + ',':
        depth += {'<': 1, '(': 1, '>': -1, ')': -1}.get(c, 0)
        if c == ',' and depth == 0:
            part = re.sub(r'\s*=.*$', '', part).strip()
            part = re.sub(r'(?<=[\w&*>.])\s+\w+$', '', part)
            if part:
                types.append(re.sub(r'\s*([&*])\s*', r'\1', part))
            part = ''
        else:
            part += c
    return types


def takes(documented, used, template):
    """Whether the overload used is the one documented. A function template's parameter types
    are compared only in number, and a parameter pack takes any number."""
    if '(' not in documented:
        return True
    if documented.startswith('template') != template:
        return False
    expected, given = parameters(documented), parameters(used)
    if not template:
        return expected == given
    return any('...' in type for type in expected) or len(expected) == len(given)


def compiled_uses(files, names, directories):
    """(file, line, qualified name, type) of each call, construction or enum value of the names."""
    scopes = {}
    for name in names:
        scope, _, member = name.rpartition('::')
        scopes.setdefault(scope, set()).add(member)
    matchers = ['set output dump', 'enable output diag']
    # A function template's specializations are told apart from other functions by their binding.
    kinds = {'': 'unless(hasAnyTemplateArgument(templateArgument()))',
             ' template': 'hasAnyTemplateArgument(templateArgument())'}
    for scope, members in sorted(scopes.items()):
        listed = ', '.join(f'"{member}"' for member in sorted(members))
        qualified = ', '.join(f'"{scope}::{member}"' if scope else f'"::{member}"'
                              for member in sorted(members))
        if scope in ('', 'Qt'):
            callee = f'functionDecl(hasAnyName({qualified})'
        else:
            callee = f'cxxMethodDecl(hasAnyName({listed}), ofClass(hasName("{scope}"))'
        binding = scope or 'global'
        for kind, matcher in kinds.items():
            matchers.append(f'm callExpr(isExpansionInMainFile(), callee({callee}, {matcher})'
                            f'.bind("{binding}{kind}")))')
            if scope.split('::')[-1] in members:
                matchers.append(f'm cxxConstructExpr(isExpansionInMainFile(), hasDeclaration('
                                f'cxxConstructorDecl(ofClass(hasName("{scope}")), {matcher})'
                                f'.bind("{scope}{kind}")))')
        matchers.append(f'm declRefExpr(isExpansionInMainFile(), to(enumConstantDecl('
                        f'hasAnyName({qualified})).bind("{binding}")))')
    flags = subprocess.run(['pkg-config', '--cflags', 'Qt5Widgets'], check=True,
                           capture_output=True, text=True).stdout.split()
    flags += ['-std=c++17', '-fPIC', '-DQT_NO_CAST_FROM_ASCII']
    # Each header on its own too, for what it does inline.
    flags += ['-xc++', *(f'-I{directory}' for directory in ('core', *directories))]
    query = subprocess.run(['clang-query', *map(str, files), '--', *flags],
                           input='\n'.join(matchers) + '\n', capture_output=True, text=True)
    # What it could not read, it would pass over without a word.
    if query.returncode != 0 or ': error: ' in query.stderr:
        sys.exit(f'clang-query could not read the sources:\n{query.stderr}')
    uses = []
    for match in query.stdout.split('\nMatch #')[1:]:
        # Where the call stands in the sources, also where it starts in a macro.
        root = re.search(r'^(\S+):(\d+):\d+: note: "root" binds here', match, re.M)
        bound = re.search(r'Binding for "([^"]+)":\n\w+Decl [^\n]*?> (?:line:\d+:)?(?:col:)?\d+ '
                          r'(?:\w+ )*?(\S+) (\'[^\']*\')', match)
        if root and bound:
            scope, _, template = bound.group(1).partition(' ')
            scope = '' if scope == 'global' else scope + '::'
            uses.append((os.path.relpath(root.group(1)), int(root.group(2)),
                         scope + bound.group(2), bound.group(3), bool(template)))
    return uses


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--minimum', default='5.4')
    parser.add_argument('--docs', default='/usr/share/qt5/doc')
    parser.add_argument('directories', nargs='*', default=['core', 'src'])
    arguments = parser.parse_args()
    minimum = tuple(int(part) for part in arguments.minimum.split('.'))
    docs = pathlib.Path(arguments.docs)
    if not (docs / 'qtcore').is_dir():
        sys.exit(f'{docs}/qtcore is missing: install qtbase5-doc-html')

    newer = read_docs(docs, minimum)
    files, words = read_sources(arguments.directories)
    used = {word for word, *_ in words}
    members = {word for word, before, *_ in words if before}
    # Members and global functions are left to the compiler, which tells the overloads apart.
    def looked_for(name):
        scope, _, member = name.rpartition('::')
        if member.startswith('operator'):
            return not scope or scope.split('::')[-1] in used
        constructor = scope and member == scope.split('::')[-1]
        return member in (used if constructor or not scope else members)

    names = sorted(name for name in newer if looked_for(name))
    found, called = [], set()
    for path, number, name, overload, template in compiled_uses(files, names,
                                                                arguments.directories):
        called.add(name)
        for signature, version in newer[name]:
            if takes(signature, overload, template) and signature not in REVIEWED:
                found.append((path, number, f'{name} {overload} is Qt {version}: {signature}'))
    # Classes, and macros and other global names that are never called.
    for word, before, path, number in words:
        if before or word in called:
            continue
        for signature, version in newer.get(word, []):
            if signature not in REVIEWED:
                found.append((str(path), number, f'{word} is Qt {version}: {signature}'))
    for path, number, what in sorted(set(found)):
        print(f'{path}:{number}: {what}')
    return 1 if found else 0


if __name__ == '__main__':
    sys.exit(main())
