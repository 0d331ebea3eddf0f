#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# The layers of src/: a folder includes only the folders below it, and the
# system's libraries are included only by the system seam's own sides.
# Usage: check_layers.py SOURCE_DIR
import os
import re
import sys

# From the bottom up; a folder may include itself and any folder before it.
ORDER = ['base', 'system', 'output', 'helpfile', 'topics', 'text', 'topicmap', 'pictures', 'rtf', 'project', 'html', 'chm',
         'driver', 'ui']
# Headers of system libraries, by the folders allowed to include them.
SYSTEM_HEADERS = {
    re.compile(r'^(iconv\.h|unicode/|Magick\+\+|uchardet/|chm_lib\.h|spawn\.h)'): ('src/system/linux/',),
    re.compile(r'^(windows\.h|wincodec\.h|shlobj\.h|shellapi\.h|mlang\.h)$', re.I): ('src/system/windows/', 'src/ui/'),
}

src = os.path.join(sys.argv[1], 'src')
problems = []
for root, _, files in os.walk(src):
    for name in files:
        path = os.path.join(root, name)
        rel = os.path.relpath(path, sys.argv[1])
        layer = rel.split('/')[1]
        if layer not in ORDER:
            problems.append(f'{rel}: the folder {layer} has no place in the layers')
            continue
        allowed = set(ORDER[:ORDER.index(layer) + 1])
        with open(path, encoding='utf-8', errors='replace') as f:
            for number, line in enumerate(f, 1):
                own = re.match(r'\s*#\s*include\s+"([a-z_]+)/', line)
                if own and own.group(1) not in allowed:
                    problems.append(f'{rel}:{number}: {layer} includes {own.group(1)}, a layer above it')
                system = re.match(r'\s*#\s*include\s+<([^>]+)>', line)
                if system:
                    for pattern, places in SYSTEM_HEADERS.items():
                        if pattern.match(system.group(1)) and not rel.startswith(places):
                            problems.append(f'{rel}:{number}: <{system.group(1)}> outside {", ".join(places)}')
print('\n'.join(problems) if problems else f'layers hold: {" < ".join(ORDER)}')
sys.exit(1 if problems else 0)
