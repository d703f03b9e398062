// What the dialog tests do to the shared entry list: read a cell, click a column header, select
// by name.
#pragma once

#include <QHeaderView>
#include <QTest>
#include <string>
#include <vector>

#include "BankFixture.h"
#include "EntryListView.h"

// What a cell shows, at a display row.
inline QString CellText(const TEntryListView& list, int row, int column) {
    return list.model()->index(row, column).data().toString();
}

// Clicks the middle of a column's header.
inline void ClickHeader(TEntryListView& list, int column) {
    QHeaderView* header = list.horizontalHeader();
    const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(x, header->height() / 2));
}

// Selects the rows whose first column holds one of the names.
inline void SelectByName(TEntryListView& list, const Strings& names) {
    std::vector<size_t> rows;
    for (size_t r = 0; r < list.Rows().size(); ++r)
        for (const std::string& n : names)
            if (list.Rows()[r].Text(0) == n) rows.push_back(r);
    list.SelectRows(rows);
}
