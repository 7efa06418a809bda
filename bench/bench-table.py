#!/usr/bin/env python3
"""Prints the table of the measures the program is held to, from the JSON
results bench/run-all.sh wrote into the folder given as the argument."""
import glob, json, os, sys

folder = sys.argv[1]


def results(name):
    path = os.path.join(folder, name + '.json')
    if not os.path.exists(path):
        return []
    with open(path) as f:
        return json.load(f).get('benchmarks', [])


def find(name, prefix):
    for b in results(name):
        if b.get('name', '').startswith(prefix) and 'error_occurred' not in b:
            return b
    return None


def value(name, prefix, counter):
    b = find(name, prefix)
    return b.get(counter) if b else None


rows = []


def row(measure, now, goal, ok):
    rows.append((measure, now, goal, '-' if ok is None else ('yes' if ok else 'NO')))


def ratio_row(measure, name, prefix, tool, goal):
    b = find(name, prefix)
    if not b:
        row(measure, 'not run', '<= %.1fx' % goal, None)
        return
    med, best = b.get('ratio_median', 0), b.get('ratio_best', 0)
    now = '%.2fx median, %.2fx best (%.2f s vs %s %.2f s)' % (med, best, b.get('ours_median_s', 0), tool,
                                                               b.get(tool.replace(' ', '_').replace('-', '') + '_median_s', 0))
    row(measure, now, '<= %.1fx' % goal, med <= goal)


ratio_row('open 1,000,000 cards to the first painted window, against unzip', 'program_bench-1000000',
          'BM_OpenToWindowShown', 'unzip', 1.5)
ratio_row('open 100,000 cards to the first painted window, against unzip', 'program_bench-100000',
          'BM_OpenToWindowShown', 'unzip', 1.5)
ms = value('find_bench', 'BM_FindOnlyHitInLastCard', 'ms_per_find')
row('Find across 100,000 cards, only hit in the last card, key to the selected card',
    'not run' if ms is None else '%.2f s' % (ms / 1000), '<= 0.3 s', None if ms is None else ms <= 300)
ratio_row('Replace All across 100,000 cards, against unzip -p', 'find_bench', 'BM_ReplaceAll', 'unzip_p', 2.0)
ratio_row('save on exit of 1,000,000 cards, against zip -9', 'program_bench-1000000', 'BM_SaveOnExit', 'zip9', 1.2)
first = [b for b in results('list_bench-1000000') if b.get('name', '').startswith('BM_FilterKeyToRepaint')]
if first:
    worst = max(first, key=lambda b: b.get('first_repaint_median_ms', 0))
    frame = max(b.get('longest_frame_median_ms', 0) for b in first)
    now = '%.1f ms at worst (%s), longest frame %.1f ms' % (worst.get('first_repaint_median_ms', 0),
                                                          worst['name'].split('/')[1], frame)
    row('filter keystroke at 1,000,000 cards, key to the first repaint of the list', now, '<= 16 ms',
        worst.get('first_repaint_median_ms', 0) <= 16 and frame <= 16)
else:
    row('filter keystroke at 1,000,000 cards, key to the first repaint of the list', 'not run', '<= 16 ms', None)
peak = value('program_bench-1000000', 'BM_OpenToWindowShown', 'peak_rss_to_shown_MB')
shown = value('program_bench-1000000', 'BM_OpenToWindowShown', 'rss_when_shown_MB')
row('peak memory while opening 1,000,000 cards', 'not run' if peak is None else '%.0f MB (%.0f MB when shown)' % (peak, shown),
    '<= 300 MB', None if peak is None else peak <= 300)

widths = [max(len(r[i]) for r in rows + [('measure', 'now', 'goal', 'met')]) for i in range(4)]
line = lambda r: '| ' + ' | '.join(r[i].ljust(widths[i]) for i in range(4)) + ' |'
print(line(('measure', 'now', 'goal', 'met')))
print('|' + '|'.join('-' * (w + 2) for w in widths) + '|')
for r in rows:
    print(line(r))
