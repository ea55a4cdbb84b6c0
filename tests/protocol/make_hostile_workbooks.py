#!/usr/bin/python3
# Writes workbooks a reader must refuse into the folder given: a zip bomb, a sheet of a
# million rows, a cell of 1 MB, a shared-string index past the end, one long shared
# string in every cell of 20,001 rows and a cover sheet before the data. Also one it
# must read: date and time cells with their formats.
import os
import sys
import zipfile

MAIN = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"'
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"


def workbook(name, sheet_data, shared=None, styles=None, second_sheet=None):
    with zipfile.ZipFile(os.path.join(sys.argv[1], name), "w", zipfile.ZIP_DEFLATED) as z:
        sheets = '<sheet name="T" sheetId="1" r:id="rId1"/>'
        rels = f'<Relationship Id="rId1" Type="{REL}/worksheet" Target="worksheets/sheet1.xml"/>'
        if second_sheet is not None:
            sheets += '<sheet name="U" sheetId="2" r:id="rId4"/>'
            rels += f'<Relationship Id="rId4" Type="{REL}/worksheet" Target="worksheets/sheet2.xml"/>'
            z.writestr("xl/worksheets/sheet2.xml",
                       f"<worksheet {MAIN}><sheetData>{second_sheet}</sheetData></worksheet>")
        z.writestr("xl/workbook.xml", f'<workbook {MAIN} xmlns:r="{REL}"><sheets>{sheets}</sheets></workbook>')
        if shared is not None:
            rels += f'<Relationship Id="rId2" Type="{REL}/sharedStrings" Target="sharedStrings.xml"/>'
            z.writestr("xl/sharedStrings.xml", f"<sst {MAIN}>{shared}</sst>")
        if styles is not None:
            rels += f'<Relationship Id="rId3" Type="{REL}/styles" Target="styles.xml"/>'
            z.writestr("xl/styles.xml", f"<styleSheet {MAIN}>{styles}</styleSheet>")
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
row = "".join(f'<c r="{c}{{r}}" t="s"><v>0</v></c>' for c in "ABCDEFGHIJ")
workbook("multiply.xlsx", header + "".join(f'<row r="{r}">' + row.format(r=r) + "</row>" for r in range(2, 20003)),
         "<si><t>" + "x" * 9000 + "</t></si>")
workbook("cover.xlsx", '<row r="3"><c r="B3" t="inlineStr"><is><t>Deckblatt</t></is></c></row>',
         second_sheet=header + '<row r="2"><c r="A2"><v>7</v></c></row>')
# A date, a run time as a time of day with tenths, a clock time, a plain number, and a
# date and time in a format of the workbook's own with quoted text.
styles = ('<numFmts count="2"><numFmt numFmtId="164" formatCode="mm:ss.0"/>'
          '<numFmt numFmtId="165" formatCode="dd/mm/yyyy\\ hh:mm &quot;Uhr&quot;"/></numFmts>'
          '<cellXfs count="6"><xf numFmtId="0"/><xf numFmtId="14"/><xf numFmtId="164"/><xf numFmtId="21"/>'
          '<xf numFmtId="2"/><xf numFmtId="165"/></cellXfs>')
workbook("dates.xlsx", header + '<row r="2"><c r="A2"><v>1</v></c><c r="B2" s="1"><v>45444</v></c>'
         '<c r="C2" s="2"><v>5.2083333333333E-05</v></c><c r="D2" s="3"><v>0.52083333333333337</v></c>'
         '<c r="E2" s="4"><v>2.5</v></c><c r="F2" s="5"><v>45444.75</v></c></row>', styles=styles)
print("ok")
