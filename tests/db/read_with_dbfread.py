"""Prints a dBase table as an independent reader sees it.

First line: encoding and record count. Then one line per record, fields separated
by tabs, each NAME=KIND:VALUE with KIND i (int), f (float), s (text) or n (empty).
"""
import sys

from dbfread import DBF


def cell(value):
    if value is None:
        return "n:"
    if isinstance(value, bool):
        raise SystemExit("unexpected logical field")
    if isinstance(value, int):
        return "i:%d" % value
    if isinstance(value, float):
        return "f:%r" % value
    return "s:" + value


def main(path):
    table = DBF(path, load=True)
    out = sys.stdout
    out.write("%s %d %s\n" % (table.encoding, len(table.records), ",".join(table.field_names)))
    for record in table.records:
        out.write("\t".join("%s=%s" % (name, cell(value)) for name, value in record.items()) + "\n")


if __name__ == "__main__":
    main(sys.argv[1])
