#!/usr/bin/python3
# Prints what an independent reader (openpyxl) sees in a workbook, as JSON: the names of its
# sheets, the first (or the one indexed by a second argument) sheet's name and orientation, the document properties, and every cell of the used
# range with its value, type, boldness, number format and left border style.
import json
import sys

import openpyxl

book = openpyxl.load_workbook(sys.argv[1])
sheet = book.worksheets[int(sys.argv[2]) if len(sys.argv) > 2 else 0]
cells = []
for row in sheet.iter_rows(min_row=1, max_row=sheet.max_row, max_col=sheet.max_column):
    cells.append([{
        "value": cell.value,
        "type": type(cell.value).__name__,
        "bold": bool(cell.font and cell.font.b),
        "format": cell.number_format,
        "border": cell.border.left.style if cell.border and cell.border.left else None,
    } for cell in row])
print(json.dumps({
    "sheets": book.sheetnames,
    "sheet": sheet.title,
    "orientation": sheet.page_setup.orientation,
    "author": book.properties.creator,
    "title": book.properties.title,
    "subject": book.properties.subject,
    "widths": [sheet.column_dimensions[chr(ord("A") + i)].width for i in range(10)],
    "cells": cells,
}, ensure_ascii=False))
