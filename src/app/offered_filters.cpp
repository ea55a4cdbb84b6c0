// The file types a protocol dialog offers, picked from its full filter with their original
// indexes, and the lookups between index and filter text.

#include "app/offered_filters.h"

#include "settings/save_dialog_filter.h"

#include <QFileInfo>

QString OfferedFilters::nameFilterFor(int filterIndex) const {
    const qsizetype at = indexes.indexOf(filterIndex);
    if (at >= 0)
        return nameFilters.at(at);
    return nameFilters.value(0);
}

int OfferedFilters::filterIndexOf(const QString& nameFilter) const {
    const qsizetype at = nameFilters.indexOf(nameFilter);
    return at >= 0 ? indexes.at(at) : 0;
}

OfferedFilters offeredFilters(const QString& filter, const QList<int>& available) {
    OfferedFilters offered;
    const QStringList all = nameFiltersOf(filter);
    for (int i = 0; i < all.size(); ++i) {
        const int index = i + 1;
        if (available.contains(index)) {
            offered.nameFilters.append(all.at(i));
            offered.indexes.append(index);
        }
    }
    return offered;
}

int savedTypeOf(const QString& filePath, int selectedType) {
    const QString suffix = QFileInfo(filePath).suffix().toLower();
    if (suffix == u"txt")
        return 1;
    if (suffix == u"xlsx")
        return 2;
    if (suffix == u"docx")
        return 3;
    if (suffix == u"html" || suffix == u"htm")
        return 4;
    return selectedType;
}

bool isWorkbookFile(const QString& filePath) {
    const QString suffix = QFileInfo(filePath).suffix().toLower();
    return suffix == u"xlsx" || suffix == u"xls";
}
