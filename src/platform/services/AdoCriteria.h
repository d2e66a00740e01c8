#pragma once

#include "platform/services/OdbcBackend.h"

#include <memory>
#include <string_view>
#include <vector>

// The order of values the cursor sorts by: nulls first, then numbers, texts (without regard to the
// case of Latin letters, then exactly) and bytes each in their own order; values of unlike kinds by kind.
int AdoCompareValues(const Variant& a, const Variant& b);

// A filter or search criteria text, read once against a recordset's columns and then matched against
// its rows in memory; criteria never reach the data source as SQL.
//
// A condition is "field op value", op one of = <> < > <= >= LIKE; conditions join with AND and OR (AND
// binds first) and group in parentheses. Field names are plain or in [ ]. Values are numbers (with "."
// whatever the locale), True and False, 'text' ('' for a quote), #YYYY-MM-DD[ HH:MM:SS]# (or #text#
// against a text field) and NULL, which only = and <> take. LIKE takes * and % as wildcards; texts
// compare without regard to letter case. A null field matches only "= NULL".
class AdoCriteria {
public:
    // Raises "Invalid filter or search criteria: <text>" for a text it cannot read, and ADO's
    // item-not-found failure for a field the columns lack.
    AdoCriteria(std::string_view text, const std::vector<OdbcColumn>& columns);

    bool Matches(const OdbcRow& row) const;

    struct Node;

private:
    std::shared_ptr<const Node> root_;
};
