#pragma once

// The example's text catalog copied whole into a table of a test database, with a data-link catalog
// beside it naming the table and the text catalog's roles.

#include "catalog/DidADOData.h"
#include "catalog/Didascii.h"
#include "platform/ui/StringGrid.h"

#include "OdbcTestSupport.h"

#include <gtest/gtest.h>

#include <string>

inline std::string SqlText(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("''") : std::string(1, c);
    return quoted + "'";
}

inline void WriteExampleDataLink(const TestDatabase& database, const std::string& textCatalog, const std::string& link)
{
    didASCII text;
    TStringGrid grid;
    ASSERT_TRUE(text.Open(textCatalog, &grid));
    std::string sql = "CREATE TABLE SampleProducts(";
    for (int col = 0; col < grid.ColCount(); ++col)
        sql += (col ? ", c" : "c") + std::to_string(col) + " TEXT";
    sql += ");";
    for (int row = 1; row < grid.RowCount(); ++row) {
        sql += "INSERT INTO SampleProducts VALUES(";
        for (int col = 0; col < grid.ColCount(); ++col)
            sql += (col ? ", " : "") + SqlText(grid.Cells(col, row));
        sql += ");";
    }
    database.Client(sql);
    didADOData written;
    written.roles = text.roles;
    written.fieldCount = grid.ColCount();
    written.recordCount = grid.RowCount() - 1;
    written.connectionString =
        "Provider=MSDASQL.1;Persist Security Info=False;Extended Properties=\"" + database.ConnectionString() + "\"";
    written.tableName = "SampleProducts";
    ASSERT_TRUE(written.SaveToFile(link, nullptr, text.units, ""));
}
