#pragma once

#include "value/Variant.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace orrin::testing {

// A fresh temporary folder, removed with everything in it when the object goes.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }
    // The folder as the window would hold it: ending in a separator.
    std::string folderText() const { return m_path.string() + "/"; }

  private:
    std::filesystem::path m_path;
};

using Row = std::vector<std::pair<std::string, Variant>>; // field name, value (in the row's order)

// Empty databases from the project's schemas, with the applications' passwords.
std::filesystem::path createSourceDb(const std::filesystem::path& folder); // folder/zrv.accdb
std::filesystem::path createTargetDb(const std::filesystem::path& folder); // folder/LIC.mdb
// A bonus database (the target schema, holding only what the test inserts) at the given file.
std::filesystem::path createBonusDb(const std::filesystem::path& file);

// Inserts rows through plain SQL (not through the store's conversions): values are bound as they
// are (text as text, numbers as numbers, dates in their storage text, Null as NULL).
void insertRows(const std::filesystem::path& file, const std::string& password, const std::string& table,
                const std::vector<Row>& rows);
// Runs a SELECT and returns every row, each value read by its column's declared type.
std::vector<std::vector<Variant>> query(const std::filesystem::path& file, const std::string& password,
                                        const std::string& sql);
// Runs any statement.
void execute(const std::filesystem::path& file, const std::string& password, const std::string& sql);

// The description of the Error that action throws (and its number, when asked), or "(no error)".
std::string errorText(const std::function<void()>& action, std::int32_t* number = nullptr);

std::string sourcePassword();
std::string targetPassword();

} // namespace orrin::testing
