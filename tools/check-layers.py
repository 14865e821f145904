#!/usr/bin/env python3
"""Fails when a layer of the service includes a header of a layer it may not use.

Usage: tools/check-layers.py [SERVICE_DIR]

The layers a layer may use are the LAYERS of its seo_site_layer() in the service's
CMakeLists.txt, so the build and this check read one list.
"""
import pathlib
import re
import sys

service = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent / "service")
cmake = (service / "CMakeLists.txt").read_text()

allowed = {}
for name, body in re.findall(r"seo_site_layer\((\w+)(.*?)\)", cmake, re.S):
    below = re.search(r"LAYERS\s+([\w\s]+?)(?:\n\s*[A-Z]+\s|$)", body)
    allowed[name] = {name, *(below.group(1).split() if below else [])}

faults = []
for layer, may_use in sorted(allowed.items()):
    for source in sorted((service / layer).glob("*")):
        for number, line in enumerate(source.read_text().splitlines(), 1):
            included = re.match(r'\s*#\s*include\s+"(\w+)/', line)
            if included and included.group(1) in allowed and included.group(1) not in may_use:
                faults.append(f"{source.relative_to(service)}:{number}: the {layer} layer includes {line.split()[-1]}")

stray = [p.name for p in service.iterdir() if p.is_dir() and p.name not in allowed and p.name != "data"]
if stray:
    faults.append(f"folders that are no layer: {', '.join(stray)}")

print("\n".join(faults) if faults else f"{len(allowed)} layers, no include upward")
sys.exit(1 if faults else 0)
