"""Reads a workbook's first sheet with readers we did not write: xlrd for .xls,
openpyxl for .xlsx. Prints one line per number cell, row by row:
    N <value as Python repr> <the text its number format shows, decimal comma>
and one line per printed page (between the manual page breaks):
    P <height in points> <width in pixels at 96 dpi> <narrowest column, pixels> <highest empty row, points>
"""
import sys
from decimal import Decimal, ROUND_HALF_UP


def shown(value, code):
    # A spreadsheet rounds the value's shortest decimal form, not its binary one.
    d = Decimal(repr(float(value)))
    if code == 'General':
        text = format(d.normalize(), 'f')
    else:
        whole, _, decimals = code.partition('.')
        text = str(abs(d).quantize(Decimal(1).scaleb(-len(decimals)), rounding=ROUND_HALF_UP))
        integer, _, fraction = text.partition('.')
        text = integer.zfill(len(whole)) + ('.' + fraction if decimals else '')
        if d < 0 and text.strip('0.'):
            text = '-' + text
    return text.replace('.', ',')


def read_xls(path):
    import xlrd
    book = xlrd.open_workbook(path, formatting_info=True)
    sheet = book.sheet_by_index(0)
    numbers = []
    used = set()
    for r in range(sheet.nrows):
        for c in range(sheet.row_len(r)):
            cell = sheet.cell(r, c)
            if cell.ctype != xlrd.XL_CELL_EMPTY:
                used.add(r)
            if cell.ctype == xlrd.XL_CELL_NUMBER:
                code = book.format_map[book.xf_list[cell.xf_index].format_key].format_str
                numbers.append((cell.value, code))
    for rlo, rhi, _, _ in sheet.merged_cells:
        used.update(range(rlo, rhi))
    rows = max(list(sheet.rowinfo_map) + [sheet.nrows - 1]) + 1
    heights = [sheet.rowinfo_map[r].height / 20 if r in sheet.rowinfo_map else 12.75 for r in range(rows)]
    # Column widths in 1/256 of a digit (7 pixels), the padding counted in.
    widths = [w.width / 256 * 7 for _, w in sorted(sheet.colinfo_map.items())]
    breaks = [b[0] for b in sheet.horizontal_page_breaks]
    return numbers, heights, used, widths, breaks


def read_xlsx(path):
    import openpyxl
    from openpyxl.utils import get_column_letter
    sheet = openpyxl.load_workbook(path).worksheets[0]
    numbers = []
    used = {r - 1 for r, _ in sheet._cells}  # the cells the file holds, blank ones with their looks too
    for row in sheet.iter_rows():
        for cell in row:
            if cell.data_type == 'n' and cell.value is not None:
                numbers.append((cell.value, cell.number_format))
    for merged in sheet.merged_cells.ranges:
        used.update(range(merged.min_row - 1, merged.max_row))
    rows = sheet.max_row
    heights = [sheet.row_dimensions[r + 1].height or 15 for r in range(rows)]
    # In digits, the padding counted in too.
    widths = [sheet.column_dimensions[get_column_letter(c + 1)].width * 7 for c in range(sheet.max_column)]
    breaks = [b.id for b in sheet.row_breaks.brk]
    return numbers, heights, used, widths, breaks


path = sys.argv[1]
numbers, heights, used, widths, breaks = (read_xlsx if path.endswith('.xlsx') else read_xls)(path)
for value, code in numbers:
    print('N', repr(value), shown(value, code))
edges = [0] + breaks + [len(heights)]
for first, end in zip(edges, edges[1:]):
    empty = [heights[r] for r in range(first, end) if r not in used]
    print('P', sum(heights[first:end]), sum(widths), min(widths), max(empty, default=0))
