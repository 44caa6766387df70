#include "store/access/RelationshipRules.h"

#include "store/SqlText.h"

namespace orrin::store::access {

namespace {

// "access_key(N, T.x, ...)": the key the parent's index gives the columns (of table, or
// unqualified when table is empty), in the index's order.
std::string keyOf(const std::string& table, const std::vector<std::string>& columns, const ParentKey& key)
{
    std::string out = "access_key(" + std::to_string(key.number);
    for (const std::size_t pair : key.pairs)
        out += ", " + (table.empty() ? "" : table + ".") + quoteIdentifier(columns[pair]);
    return out + ")";
}

// "A.x = B.y AND ..." over the column pairs, or "access_key(N, A.x, ...) = access_key(N, B.y, ...)"
// through the parent's index.
std::string matching(const std::string& left, const std::vector<std::string>& leftColumns,
                     const std::string& right, const std::vector<std::string>& rightColumns,
                     const std::optional<ParentKey>& key)
{
    std::string out;
    if (key)
        return keyOf(left, leftColumns, *key) + " = " + keyOf(right, rightColumns, *key);
    for (std::size_t i = 0; i < leftColumns.size(); ++i)
        out += (i == 0 ? "" : " AND ") + left + "." + quoteIdentifier(leftColumns[i]) + " = " + right + "." +
               quoteIdentifier(rightColumns[i]);
    return out;
}

std::string columnList(const std::vector<std::string>& columns)
{
    std::string out;
    for (const auto& c : columns)
        out += (out.empty() ? "" : ", ") + quoteIdentifier(c);
    return out;
}

} // namespace

std::vector<std::string> relationshipTriggers(const jet::Relationship& r,
                                              const std::optional<ParentKey>& parentKey)
{
    if (!r.enforced() || r.columns.empty() || r.columns.size() != r.referencedColumns.size())
        return {};
    std::optional<ParentKey> key = parentKey;
    if (key && key->pairs.size() != r.columns.size())
        key.reset();
    for (std::size_t i = 0; key && i < key->pairs.size(); ++i)
        if (key->pairs[i] >= r.columns.size())
            key.reset();
    const std::string child = quoteIdentifier(r.table);
    const std::string parent = quoteIdentifier(r.referencedTable);
    const std::string prefix = r.name + "__";
    std::string keyPresent;
    for (const auto& c : r.columns)
        keyPresent +=
            (keyPresent.empty() ? "" : " AND ") + std::string("NEW.") + quoteIdentifier(c) + " IS NOT NULL";
    const std::string orphan =
        "SELECT RAISE(ABORT, " +
        quoteText("You cannot add or change a record because a related record is required "
                  "in table '" +
                  r.referencedTable + "'.") +
        ") WHERE " + keyPresent + " AND NOT EXISTS (SELECT 1 FROM " + parent + " AS p WHERE " +
        matching("p", r.referencedColumns, "NEW", r.columns, key) + "); ";
    const std::string related = quoteText("The record cannot be deleted or changed because table '" +
                                          r.table + "' includes related records.");
    const std::string children = "EXISTS (SELECT 1 FROM " + child + " AS c WHERE " +
                                 matching("c", r.columns, "OLD", r.referencedColumns, key) + ")";
    std::string keyChanged;
    for (const auto& c : r.referencedColumns)
        keyChanged += (keyChanged.empty() ? "" : " OR ") + std::string("NEW.") + quoteIdentifier(c) +
                      " IS NOT OLD." + quoteIdentifier(c);

    std::vector<std::string> out;
    // The children are found by their keys in the parent's order through an index of their own,
    // so that deleting or re-keying a parent does not read the whole child table.
    if (key)
        out.push_back("CREATE INDEX " + quoteIdentifier(prefix + "child_keys") + " ON " + child + " (" +
                      keyOf("", r.columns, *key) + ")");
    out.push_back("CREATE TRIGGER " + quoteIdentifier(prefix + "child_insert") + " AFTER INSERT ON " + child +
                  " BEGIN " + orphan + "END");
    out.push_back("CREATE TRIGGER " + quoteIdentifier(prefix + "child_update") + " AFTER UPDATE OF " +
                  columnList(r.columns) + " ON " + child + " BEGIN " + orphan + "END");
    if (r.cascadeDeletes()) {
        out.push_back("CREATE TRIGGER " + quoteIdentifier(prefix + "parent_delete") + " AFTER DELETE ON " +
                      parent + " BEGIN DELETE FROM " + child + " WHERE " +
                      matching(child, r.columns, "OLD", r.referencedColumns, key) + "; END");
    } else {
        out.push_back("CREATE TRIGGER " + quoteIdentifier(prefix + "parent_delete") + " BEFORE DELETE ON " +
                      parent + " WHEN " + children + " BEGIN SELECT RAISE(ABORT, " + related + "); END");
    }
    if (r.cascadeUpdates()) {
        std::string set;
        for (std::size_t i = 0; i < r.columns.size(); ++i)
            set += (i == 0 ? "" : ", ") + quoteIdentifier(r.columns[i]) + " = NEW." +
                   quoteIdentifier(r.referencedColumns[i]);
        out.push_back("CREATE TRIGGER " + quoteIdentifier(prefix + "parent_update") + " AFTER UPDATE OF " +
                      columnList(r.referencedColumns) + " ON " + parent + " WHEN " + keyChanged +
                      " BEGIN UPDATE " + child + " SET " + set + " WHERE " +
                      matching(child, r.columns, "OLD", r.referencedColumns, key) + "; END");
    } else {
        out.push_back("CREATE TRIGGER " + quoteIdentifier(prefix + "parent_update") + " AFTER UPDATE OF " +
                      columnList(r.referencedColumns) + " ON " + parent + " WHEN (" + keyChanged + ") AND " +
                      children + " BEGIN SELECT RAISE(ABORT, " + related + "); END");
    }
    return out;
}

} // namespace orrin::store::access
