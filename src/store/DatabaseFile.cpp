#include "store/DatabaseFile.h"

#include "platform/Utf8Path.h"
#include "store/Connection.h"
#include "store/SqlCipherForm.h"
#include "store/SqlText.h"
#include "store/SqliteHandle.h"
#include "store/StoreError.h"

#include <algorithm>
#include <system_error>
#include <vector>

namespace orrin::store {

namespace {

// "\" becomes "/", and a run of separators becomes one ("C:/x//zrv.accdb" is "C:/x/zrv.accdb").
std::string normalizedSeparators(std::string_view dataSource)
{
    std::string result;
    result.reserve(dataSource.size());
    for (char c : dataSource) {
        if (c == '\\')
            c = '/';
        if (c == '/' && !result.empty() && result.back() == '/')
            continue;
        result += c;
    }
    return result;
}

// Removes a database file that could not be completed, with its journal.
void removeQuietly(const std::filesystem::path& path)
{
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    std::filesystem::remove(path.string() + "-journal", ignored);
}

} // namespace

std::filesystem::path resolveDataSource(std::string_view dataSource)
{
    const std::filesystem::path path = platform::pathFromUtf8(normalizedSeparators(dataSource));
    std::error_code error;
    if (path.empty() || std::filesystem::exists(path, error))
        return path;

    const std::string name = path.filename().string();
    const std::filesystem::path folder = path.parent_path();
    const std::filesystem::path searched = folder.empty() ? std::filesystem::path(".") : folder;
    if (name.empty() || !std::filesystem::is_directory(searched, error))
        return path;

    std::vector<std::string> matches;
    for (const auto& entry : std::filesystem::directory_iterator(searched, error)) {
        const std::string candidate = entry.path().filename().string();
        if (equalsIgnoringCase(candidate, name))
            matches.push_back(candidate);
    }
    if (matches.empty())
        return path;
    if (matches.size() > 1) {
        std::sort(matches.begin(), matches.end());
        std::string names;
        for (const auto& match : matches)
            names += (names.empty() ? "'" : ", '") + match + "'";
        throw Error(code::General,
                    "Cannot open '" + path.string() +
                        "': several files in its folder differ from that name only in letter case (" + names +
                        ").");
    }
    return folder / platform::pathFromUtf8(matches.front());
}

void createDatabase(const std::filesystem::path& path, const std::string& password,
                    std::string_view schemaSql)
{
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(path, error))) {
        throw Error(code::General,
                    "Cannot create the database '" + path.string() + "': the file already exists.");
    }
    // A password asks for the SQLCipher form; a build without it says so before making any file.
    if (!password.empty() && !kSqlCipherBuilt)
        throw Error(code::General,
                    "Cannot create the database '" + path.string() + "': " + kNoSqlCipherForm + ".");

    sqlite3* raw = nullptr;
    const int opened =
        sqlite3_open_v2(path.string().c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    DatabaseHandle db(raw);
    if (opened != SQLITE_OK) {
        const std::string message = db ? sqlite3_errmsg(db.get()) : sqlite3_errstr(opened);
        db.reset();
        removeQuietly(path);
        throw Error(code::General, "Cannot create the database '" + path.string() + "': " + message + ".");
    }

    const std::string schema(schemaSql);
    const auto fail = [&](const std::string& what) {
        const std::string message = sqlite3_errmsg(db.get());
        db.reset();
        removeQuietly(path);
        throw Error(code::General,
                    "Cannot create the database '" + path.string() + "': " + what + ": " + message + ".");
    };
    if (!password.empty() && keyDatabase(db.get(), password) != SQLITE_OK)
        fail("the password could not be set");
    if (sqlite3_exec(db.get(), "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
        fail("the schema could not be written");
    if (sqlite3_exec(db.get(), schema.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        fail("the schema was rejected");
    if (sqlite3_exec(db.get(), "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        fail("the schema could not be written");
    if (sqlite3_close(db.get()) != SQLITE_OK)
        fail("the file could not be closed");
    (void)db.release();
}

void replayJournal(const std::filesystem::path& path, const std::string& password, LockWaits* waits)
{
    const std::string journal = path.string() + "-journal";
    const std::string keep = " The journal must stay beside the database: the next program to open "
                             "the database rolls the unfinished import back from it.";
    try {
        Connection reopened;
        reopened.setLockWaits(waits);
        reopened.openFile(path, password, OpenMode::ReadWrite);
        reopened.close();
    } catch (const Error& failure) {
        throw Error(code::General,
                    "The journal '" + journal + "' could not be replayed: " + failure.description() + keep);
    }
    std::error_code error;
    const auto journalSize = std::filesystem::file_size(journal, error);
    if (!error && journalSize > 0) {
        throw Error(code::General, "The journal '" + journal + "' is still there after replaying it." + keep);
    }
}

} // namespace orrin::store
