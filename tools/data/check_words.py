#!/usr/bin/env python3
# -*- coding: utf-8 -*-
"""Check data/Base/Words.Dat (Windows-1251, CR LF).

Run:  python3 tools/data/check_words.py [path]
Exits with status 1 and lists the problems if any rule is broken.
"""
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT = os.path.normpath(os.path.join(HERE, '..', '..', 'data', 'Base', 'Words.Dat'))

LOWER = re.compile('[a-zа-яё]')
FORBIDDEN_IN_ANSWER = set(';^@_')


def depth_of(line):
    d = 0
    while d < len(line) and line[d] == '_':
        d += 1
    return d


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else DEFAULT
    raw = open(path, 'rb').read()
    errors = []
    if not raw.endswith(b'\r\n'):
        errors.append('file does not end with CR LF')
    if re.search(rb'(?<!\r)\n', raw) or re.search(rb'\r(?!\n)', raw):
        errors.append('line ends other than CR LF found')
    text = raw.decode('cp1251')
    lines = text.split('\r\n')
    if lines and lines[-1] == '':
        lines.pop()
    if not lines or not lines[0].strip():
        errors.append('line 0: header missing')

    mains = 0
    unanswered = 0
    close_lines = []
    depths = [None]  # depth per line index; header has none
    mains_with_d1 = set()
    mains_with_d2 = set()
    depth2_lines = 0
    current_main = None
    keys_seen = {}

    for no in range(1, len(lines)):
        ln = lines[no]
        where = 'line %d' % no
        if not ln:
            errors.append(where + ': empty line')
            depths.append(None)
            continue
        d = depth_of(ln)
        depths.append(d)
        body = ln[d:]
        if body.count('^') != 1:
            errors.append(where + ': must have exactly one "^": %r' % ln)
            continue
        key, answers = body.split('^')
        if not key.strip() or key != key.strip():
            errors.append(where + ': empty key or blanks at its ends: %r' % key)
        if LOWER.search(key):
            errors.append(where + ': key has lower-case letters: %r' % key)
        if ';' in key or '@' in key or '_' in key:
            errors.append(where + ': key has a forbidden character: %r' % key)
        if '  ' in key:
            errors.append(where + ': key has double blanks: %r' % key)

        closing = answers.endswith('@')
        if closing:
            close_lines.append(no)
            answers = answers[:-1]
            if d != 0:
                errors.append(where + ': "@" on a branch line')
        if answers:
            if not answers.endswith(';'):
                errors.append(where + ': answers must end with ";": %r' % ln)
            parts = answers.split(';')[:-1]
            for a in parts:
                if not a.strip():
                    errors.append(where + ': empty answer in %r' % ln)
                elif FORBIDDEN_IN_ANSWER & set(a):
                    errors.append(where + ': forbidden character in answer %r' % a)
        elif closing:
            errors.append(where + ': "@" without answers')

        if d == 0:
            current_main = no
            if answers:
                mains += 1
                k = key
                if k in keys_seen:
                    errors.append(where + ': key %r repeats line %d' % (k, keys_seen[k]))
                keys_seen[k] = no
            else:
                unanswered += 1
        else:
            if not answers:
                errors.append(where + ': branch line without answers')
            # nearest line above of depth d-1, before any line of depth < d-1
            ok = False
            for j in range(no - 1, 0, -1):
                dj = depths[j]
                if dj is None:
                    continue
                if dj == d - 1:
                    ok = True
                    break
                if dj < d - 1:
                    break
            if not ok:
                errors.append(where + ': depth-%d branch has no parent of depth %d' % (d, d - 1))
            if current_main is None:
                errors.append(where + ': branch before any main line')
            elif d == 1:
                mains_with_d1.add(current_main)
            elif d == 2:
                mains_with_d2.add(current_main)
                depth2_lines += 1
            # a branch must not hang under an unanswered main line
            if current_main is not None:
                mk = lines[current_main]
                if mk.endswith('^'):
                    errors.append(where + ': branch under an unanswered line')

    if len(close_lines) != 1:
        errors.append('exactly one line must end with "@", found %d: %r' % (len(close_lines), close_lines))
    if mains < 150:
        errors.append('only %d main phrase lines (need 150)' % mains)
    if len(mains_with_d1) < 20:
        errors.append('only %d main lines with depth-1 branches (need 20)' % len(mains_with_d1))
    if len(mains_with_d2) < 5:
        errors.append('only %d main lines with depth-2 branches (need 5)' % len(mains_with_d2))
    if not 5 <= unanswered <= 10:
        errors.append('%d unanswered lines (want 5 to 10)' % unanswered)

    print('file:                          %s' % path)
    print('lines (with header):           %d' % len(lines))
    print('main phrase lines:             %d' % mains)
    print('unanswered lines:              %d' % unanswered)
    print('branch lines depth 1:          %d' % sum(1 for x in depths if x == 1))
    print('branch lines depth 2:          %d' % depth2_lines)
    print('main lines with depth-1:       %d' % len(mains_with_d1))
    print('main lines with depth-2:       %d' % len(mains_with_d2))
    print('close line ("@"):              %s' % ', '.join(
        '%d %s' % (n, lines[n].split('^')[0]) for n in close_lines))
    if errors:
        print('\nPROBLEMS:')
        for e in errors:
            print('  ' + e)
        sys.exit(1)
    print('OK')


if __name__ == '__main__':
    main()
