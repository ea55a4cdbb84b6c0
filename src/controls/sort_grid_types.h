// Value types shared by the grid's data and its widget. Plain values, any thread.

#pragma once

#include <QString>

#include <functional>

enum TSortStyle { ssAutomatic, ssNormal, ssNumeric, ssNumericExtended, ssDateTime, ssTime, ssCustom };

enum TSortDirection { sdAscending, sdDescending };

// Compares two key texts (already lower-cased in A to Z unless the sort is case
// sensitive): negative, zero or positive.
using TCustomCompare = std::function<int(const QString&, const QString&)>;

// How the grid sorts. CustomCompare is used by ssCustom and emptied after every
// sort, so an owner using ssCustom sets it again from OnGetSortStyle.
struct TSortOptions {
    bool CanSort = true;
    QString SecondaryIndex; // comma-separated column numbers, further sort keys
    TSortStyle SortStyle = ssAutomatic;
    bool SortCaseSensitive = false;
    int SortCol = 0;
    TSortDirection SortDirection = sdAscending;
    // The column an owner ranks by, which need not be the one the view is sorted by.
    int RankCol = 0;
    bool UpdateOnSizeChange = false;
    TCustomCompare CustomCompare;
};

// A block of cells, inclusive on all sides.
struct TGridRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    bool operator==(const TGridRect&) const = default;
};

enum TPrintRange { prAll, prSelected };

// Printing settings. Kept as values only: the program prints through its HTML page.
struct TPrintOptions {
    QString JobTitle;
    QString PageTitle;
    int Copies = 1;
    TPrintRange PrintRange = prAll;
    int FromRow = 0;
    int ToRow = 0;
    int PreviewPage = 0;
};
