"""Opens a file the program wrote in LibreOffice (headless, saved again as CSV) and
compares the sum of every column's numbers there with the sum the file itself holds,
read by an independent reader: xlrd (.xls), openpyxl (.xlsx), the csv module (our
';' and decimal-comma .csv) or dbfread (.dbf). A number LibreOffice took for text is
missing from its sum. Prints one line per numeric column, "column N: sum S (K numbers)";
exits 1 on any difference.
Usage: libreoffice_sums.py FILE WORK_DIR
"""
import csv
import os
import subprocess
import sys

# Our CSV is ';'-separated UTF-8 with a decimal comma: read as a Russian user's Calc would.
IMPORT = {'.csv': 'Text - txt - csv (StarCalc):59,34,76,1,,1049'}
# Comma-separated UTF-8, text cells quoted, values as stored rather than as shown.
EXPORT = 'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,true,true,false'


def number(text):
    try:
        return float(text.replace(',', '.'))
    except ValueError:
        return None


def add(sums, column, value):
    if value is not None and not isinstance(value, bool):
        count, total = sums.get(column, (0, 0.0))
        sums[column] = (count + 1, total + float(value))


def written_sums(path, ext):
    sums = {}
    if ext == '.xls':
        import xlrd
        sheet = xlrd.open_workbook(path).sheet_by_index(0)
        for r in range(sheet.nrows):
            for c in range(sheet.row_len(r)):
                if sheet.cell(r, c).ctype == xlrd.XL_CELL_NUMBER:
                    add(sums, c, sheet.cell(r, c).value)
    elif ext == '.xlsx':
        import openpyxl
        for row in openpyxl.load_workbook(path).worksheets[0].iter_rows():
            for cell in row:
                if isinstance(cell.value, (int, float)):
                    add(sums, cell.column - 1, cell.value)
    elif ext == '.csv':
        with open(path, encoding='utf-8-sig', newline='') as f:
            for row in csv.reader(f, delimiter=';'):
                for c, field in enumerate(row):
                    add(sums, c, number(field))
    else:
        from dbfread import DBF
        for record in DBF(path, encoding='cp1251'):
            for c, value in enumerate(record.values()):
                if isinstance(value, (int, float)):
                    add(sums, c, value)
    return sums


def libreoffice_sums(path, ext, work):
    command = ['soffice', '--headless', '-env:UserInstallation=file://' + os.path.join(work, 'profile')]
    if ext in IMPORT:
        command.append('--infilter=' + IMPORT[ext])
    out = os.path.join(work, 'libreoffice')
    subprocess.run(command + ['--convert-to', EXPORT, '--outdir', out, path], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    converted = os.path.join(out, os.path.splitext(os.path.basename(path))[0] + '.csv')
    with open(converted, encoding='utf-8', newline='') as f:
        return unquoted_sums(f.read())


def unquoted_sums(text):
    """The sums of the fields LibreOffice wrote unquoted, that is as numbers or dates."""
    sums, row, column, field, quoted, i = {}, 0, 0, '', False, 0
    while i <= len(text):
        ch = text[i] if i < len(text) else '\n'
        if quoted and ch == '"' and text[i + 1:i + 2] == '"':
            field += '"'
            i += 1
        elif ch == '"':
            quoted = not quoted
            field = field if quoted else None
        elif quoted:
            field += ch
        elif ch in ',\n':
            if field:
                add(sums, column, number(field))
            column, field = (column + 1, '') if ch == ',' else (0, '')
        elif field is not None:
            field += ch
        i += 1
    return sums


def main(path, work):
    ext = os.path.splitext(path)[1].lower()
    ours, theirs = written_sums(path, ext), libreoffice_sums(path, ext, work)
    bad = False
    for column in sorted(set(ours) | set(theirs)):
        a, b = ours.get(column, (0, 0.0)), theirs.get(column, (0, 0.0))
        same = a[0] == b[0] and abs(a[1] - b[1]) <= 1e-9 * max(1.0, abs(a[1]))
        print('column %d: sum %r (%d numbers)%s' % (column, a[1], a[0],
                                                     '' if same else ' but LibreOffice: %r (%d)' % (b[1], b[0])))
        bad = bad or not same
    sys.exit(1 if bad or not ours else 0)


if __name__ == '__main__':
    main(sys.argv[1], sys.argv[2])
