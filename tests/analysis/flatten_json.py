# Prints every value of a JSON document as "path value", in the document's order:
# numbers with 17 significant digits, so equal lines mean equal doubles.
import json
import sys


def walk(path, value):
    if isinstance(value, dict):
        for key, item in value.items():
            walk(f"{path}.{key}" if path else key, item)
    elif isinstance(value, list):
        print(path, f"[{len(value)}]")
        for i, item in enumerate(value):
            walk(f"{path}[{i}]", item)
    elif value is None:
        print(path, "null")
    elif isinstance(value, bool):
        print(path, "true" if value else "false")
    elif isinstance(value, (int, str)):
        print(path, value)
    else:
        print(path, "%.17g" % value)


walk("", json.load(sys.stdin))
