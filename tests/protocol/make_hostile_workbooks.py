#!/usr/bin/python3
# Writes workbooks a reader must refuse into the folder given: a zip bomb, a sheet of a
# million rows, a cell of 1 MB and a shared-string index past the end.
import os
import sys
import zipfile

MAIN = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"'
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"


def workbook(name, sheet_data, shared=None):
    with zipfile.ZipFile(os.path.join(sys.argv[1], name), "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("xl/workbook.xml", f'<workbook {MAIN} xmlns:r="{REL}"><sheets>'
                   '<sheet name="T" sheetId="1" r:id="rId1"/></sheets></workbook>')
        rels = f'<Relationship Id="rId1" Type="{REL}/worksheet" Target="worksheets/sheet1.xml"/>'
        if shared is not None:
            rels += f'<Relationship Id="rId2" Type="{REL}/sharedStrings" Target="sharedStrings.xml"/>'
            z.writestr("xl/sharedStrings.xml", f"<sst {MAIN}>{shared}</sst>")
        z.writestr("xl/_rels/workbook.xml.rels",
                   f'<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">{rels}'
                   "</Relationships>")
        z.writestr("xl/worksheets/sheet1.xml", f"<worksheet {MAIN}><sheetData>{sheet_data}</sheetData></worksheet>")


header = '<row r="1"><c r="A1" t="inlineStr"><is><t>Nr.</t></is></c></row>'
workbook("bomb.xlsx", header + " " * (80 * 1024 * 1024))
workbook("rows.xlsx", "".join(f"<row><c><v>{n}</v></c></row>" for n in range(1, 1000001)))
workbook("cell.xlsx", header + '<row r="2"><c r="A2" t="inlineStr"><is><t>' + "x" * (1024 * 1024)
         + "</t></is></c></row>")
workbook("index.xlsx", header + '<row r="2"><c r="A2" t="s"><v>7</v></c></row>', "<si><t>1</t></si>")
print("ok")
