#!/usr/bin/env python3
"""Prints the table of the measures the program is held to, from the JSON
results bench/run-all.sh wrote into the folders given as arguments: one
column of figures per folder (a run), headed by the machine's load average
during that run, so a quiet run and a loaded one stand side by side. The
goal is judged on the first folder's figures."""
import json, os, sys

folders = sys.argv[1:]


def load_of(folder):
    try:
        with open(os.path.join(folder, 'load')) as f:
            return f.read().strip()
    except OSError:
        return '?'


def results(folder, name):
    path = os.path.join(folder, name + '.json')
    if not os.path.exists(path):
        return []
    with open(path) as f:
        return json.load(f).get('benchmarks', [])


def find(folder, name, prefix):
    for b in results(folder, name):
        if b.get('name', '').startswith(prefix) and 'error_occurred' not in b:
            return b
    return None


def value(folder, name, prefix, counter):
    b = find(folder, name, prefix)
    return b.get(counter) if b else None


rows = []


# Each measure: a function of one folder giving (text, met or None).
def row(measure, goal, figure):
    cells, met = [], None
    for i, folder in enumerate(folders):
        text, ok = figure(folder)
        cells.append(text)
        if i == 0:
            met = ok
    rows.append([measure, goal] + cells + ['-' if met is None else ('yes' if met else 'NO')])


def ratio(name, prefix, tool, goal):
    def figure(folder):
        b = find(folder, name, prefix)
        if not b:
            return 'not run', None
        med, best = b.get('ratio_median', 0), b.get('ratio_best', 0)
        key = tool.replace(' ', '_').replace('-', '') + '_median_s'
        return ('%.2fx median, %.2fx best (%.2f s vs %s %.2f s)' %
                (med, best, b.get('ours_median_s', 0), tool, b.get(key, 0)), med <= goal)
    return figure


def find_figure(folder):
    ms = value(folder, 'find_bench', 'BM_FindOnlyHitInLastCard', 'ms_per_find')
    return ('not run', None) if ms is None else ('%.2f s' % (ms / 1000), ms <= 300)


def letters_figure(folder):
    b = find(folder, 'list_bench-1000000', 'BM_FilterEveryLetter')
    if not b:
        return 'not run', None
    worst = b.get('slowest_letter_median_ms', 0)
    letter = chr(int(b.get('slowest_letter', ord('?'))))
    where = 'first pixels on the X server' if b.get('through_x_server') else 'end of the repaint (no X server)'
    text = ("slowest letter '%s' %.1f ms median, letters' mean %.1f ms, 'e' then 'r' %.1f ms, worst single %.1f ms (%s)" %
            (letter, worst, b.get('letters_mean_of_medians_ms', 0), b.get('second_letter_er_median_ms', 0),
             b.get('worst_single_ms', 0), where))
    return text, worst <= 16 and b.get('second_letter_er_median_ms', 0) <= 16


def memory_figure(folder):
    peak = value(folder, 'program_bench-1000000', 'BM_OpenToWindowShown', 'peak_rss_to_shown_MB')
    shown = value(folder, 'program_bench-1000000', 'BM_OpenToWindowShown', 'rss_when_shown_MB')
    b = find(folder, 'list_bench-1000000', 'BM_FilterEveryLetter')
    growth = b.get('growth_while_filtering_MB') if b else None
    if peak is None and growth is None:
        return 'not run', None
    parts, total = [], None
    if peak is not None:
        parts.append('%.0f MB peak opening, %.0f MB when shown' % (peak, shown))
    if growth is not None:
        parts.append('+%.0f MB at most while typing 28 letters' % growth)
    if peak is not None and growth is not None:
        total = max(peak, shown + growth)
        parts.append('so %.0f MB at most while used' % total)
    return ', '.join(parts), None if total is None else total <= 300


def holds(folder):
    b = find(folder, 'program_bench-1000000', 'BM_OpenToWindowShown')
    if not b:
        return 'not run', None
    return ('%.0f bytes of RTF a card on average, %.0f MB of bodies, card file %.0f MB' %
            (b.get('body_bytes_per_card', 0), b.get('bodies_MB', 0), b.get('card_file_MB', 0)), None)


row('open 1,000,000 cards to the first painted window, against unzip', '<= 1.5x',
    ratio('program_bench-1000000', 'BM_OpenToWindowShown', 'unzip', 1.5))
row('open 100,000 cards to the first painted window, against unzip', '<= 1.5x',
    ratio('program_bench-100000', 'BM_OpenToWindowShown', 'unzip', 1.5))
row('Find across 100,000 cards, only hit in the last card, key to the selected card', '<= 0.3 s', find_figure)
row('Replace All, 1,000 hits in 100,000 cards, against unzip -p', '<= 2.0x',
    ratio('find_bench', 'BM_ReplaceAll', 'unzip_p', 2.0))
row('save on exit of 1,000,000 cards, against zip -9', '<= 1.2x',
    ratio('program_bench-1000000', 'BM_SaveOnExit', 'zip9', 1.2))
row('filter at 1,000,000 cards: every letter a-z typed into an empty filter, key to the first pixels', '<= 16 ms',
    letters_figure)
row('memory with 1,000,000 cards, opening and while filtering', '<= 300 MB', memory_figure)
row('what the 1,000,000-card file holds (real text of about 100 bytes a card behind the RTF header)', '-', holds)

head = ['measure', 'goal'] + ['load %s' % load_of(f) for f in folders] + ['met']
widths = [max(len(r[i]) for r in rows + [head]) for i in range(len(head))]
line = lambda r: '| ' + ' | '.join(r[i].ljust(widths[i]) for i in range(len(head))) + ' |'
print(line(head))
print('|' + '|'.join('-' * (w + 2) for w in widths) + '|')
for r in rows:
    print(line(r))
print()
print('Columns: one run each, headed by the load average (1, 5, 15 minutes) at its start and end; '
      'the goal is judged on the first column.')
