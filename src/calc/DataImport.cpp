// The calculation module's own state: where the error log goes, which bonus database the bonus-year
// lookups read, and the connections those lookups keep open for a run.

#include "calc/DataImport.h"

#include "store/ConnectionText.h"
#include "store/DatabaseFile.h"
#include "store/KnownDatabases.h"
#include "store/StoreError.h"
#include "value/Clock.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <system_error>

namespace orrin::calc {

namespace fs = std::filesystem;

namespace {

constexpr const char* kLogFileName = "Error Log.txt";
constexpr const char* kLogFolderName = "orrin-import";
constexpr const char* kLineEnd = "\r\n";

// An environment variable that holds an absolute path (the XDG rules ignore relative ones).
std::optional<fs::path> absoluteFromEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        return std::nullopt;
    fs::path path(value);
    if (!path.is_absolute())
        return std::nullopt;
    return path;
}

// Error number in print form: a blank where a minus sign would stand, the digits, a blank.
std::string printForm(std::int32_t number)
{
    return (number < 0 ? "" : " ") + std::to_string(number) + " ";
}

std::string reasonOf(int savedErrno)
{
    return savedErrno != 0 ? std::string(std::strerror(savedErrno)) : std::string("write failed");
}

// A data source exists when the file, or a name differing only in letter case, is there; a name that
// matches several files counts as present (the open then names them).
bool dataSourceExists(const fs::path& path)
{
    try {
        std::error_code ec;
        return fs::exists(store::resolveDataSource(path.string()), ec);
    } catch (const Error&) {
        return true;
    }
}

// The device and inode of a file, following symbolic links; nothing when it cannot be read (a
// missing file is no database file at all).
std::optional<std::pair<std::uint64_t, std::uint64_t>> fileIdentity(const fs::path& file)
{
    struct stat status {};
    if (file.empty() || ::stat(file.c_str(), &status) != 0)
        return std::nullopt;
    return std::pair<std::uint64_t, std::uint64_t>{static_cast<std::uint64_t>(status.st_dev),
                                                   static_cast<std::uint64_t>(status.st_ino)};
}

} // namespace

DataImport::DataImport()
    : m_logFile(defaultLogFile()), m_bonusDatabase(defaultBonusDatabase()),
      m_bonusConnectionText(bonusConnectionTextOf(m_bonusDatabase))
{
}

DataImport::~DataImport()
{
    try {
        closeLookupConnections();
    } catch (...) {
        // A destructor must not throw; the connections are gone with the objects anyway.
    }
}

fs::path DataImport::defaultLogFile()
{
    if (auto state = absoluteFromEnvironment("XDG_STATE_HOME"))
        return *state / kLogFolderName / kLogFileName;
    if (auto home = absoluteFromEnvironment("HOME"))
        return *home / ".local" / "state" / kLogFolderName / kLogFileName;
    std::error_code ec;
    fs::path temporary = fs::temp_directory_path(ec);
    if (ec)
        temporary = "/tmp";
    return temporary / kLogFileName;
}

void DataImport::setLogFile(fs::path file)
{
    m_logFile = std::move(file);
}

// One entry is six lines with CR LF ends; the file is opened for the entry and closed after it, so an
// entry is complete on disk before the procedure goes on. The date is read before the time. The
// default log's folder is made when missing; a file that cannot be opened or written is an Error
// naming it, which leaves the procedure that tried to log.
void DataImport::LogError(const Error& error, const std::string& label)
{
    // The default log is always named kLogFileName: any other name spares working the default out.
    if (m_logFile.filename() == kLogFileName && m_logFile == defaultLogFile() && m_logFile.has_parent_path()) {
        std::error_code ec;
        fs::create_directories(m_logFile.parent_path(), ec);
        // A folder that cannot be made shows up as a failure to open the file, just below.
    }

    const std::string date = clock().longDate();
    const std::string time = clock().longTime();
    std::string entry;
    entry += "Date : " + date + kLineEnd;
    entry += "Time : " + time + kLineEnd;
    entry += "Err.Number      : " + printForm(error.number()) + kLineEnd;
    entry += "Err.Source      : " + label + kLineEnd;
    entry += "Err.Description : " + error.description() + kLineEnd;
    entry += kLineEnd;

    auto fail = [&](int savedErrno) {
        throw Error(err::FileError,
                    "Cannot write the error log '" + m_logFile.string() + "': " + reasonOf(savedErrno));
    };

    errno = 0;
    std::ofstream log(m_logFile, std::ios::binary | std::ios::app);
    if (!log.is_open())
        fail(errno);
    errno = 0;
    log.write(entry.data(), static_cast<std::streamsize>(entry.size()));
    log.flush();
    if (!log)
        fail(errno);
    errno = 0;
    log.close();
    if (!log)
        fail(errno);
    ++m_logEntries;
}

fs::path DataImport::defaultBonusDatabase()
{
    std::error_code ec;
    fs::path program = fs::read_symlink("/proc/self/exe", ec);
    fs::path folder = ec ? fs::current_path(ec) : program.parent_path();
    const fs::path beside = folder / std::string(kBonusFileName);
    const fs::path installed =
        (folder / ".." / "share" / "orrin-import" / std::string(kBonusFileName)).lexically_normal();
    for (const fs::path& candidate : {beside, installed}) {
        if (dataSourceExists(candidate))
            return candidate;
    }
    return beside;
}

void DataImport::setBonusDatabase(fs::path file)
{
    m_bonusDatabase = std::move(file);
    m_bonusConnectionText = bonusConnectionTextOf(m_bonusDatabase);
}

void DataImport::setKeepPlanRows(bool keep)
{
    m_keepPlanRows = keep;
    m_keptPlanRows.clear();
    m_bonusRows.clear();
    m_bonusRowsTried = nullptr;
    m_sbRows.clear();
}

// The rows are read on the first lookup of a database; a table that cannot be kept is not tried again
// on the same database, and its lookups run on the engine.
const NewBonusRows* DataImport::keptBonusRows()
{
    if (!m_keepPlanRows || gDB == nullptr || !gDB->isOpen() || gDB->transactionLost())
        return nullptr;
    if (!m_bonusRows.holds(gDB)) {
        if (m_bonusRowsTried == gDB)
            return nullptr;
        m_bonusRowsTried = gDB;
        if (!m_bonusRows.load(*gDB))
            return nullptr;
    }
    return &m_bonusRows;
}

void DataImport::closeLookupConnections()
{
    m_adoptedConnections.clear();
    m_sharedTarget = nullptr;
    m_sharedTexts.clear();
    auto connections = std::move(m_lookupConnections);
    m_lookupConnections.clear();
    for (auto& [text, connection] : connections) {
        if (connection && connection->isOpen())
            connection->close();
    }
}

void DataImport::releaseLookupConnection(const store::Connection& connection)
{
    std::erase_if(m_adoptedConnections, [&](const auto& entry) { return entry.second == &connection; });
    if (m_sharedTarget == &connection) {
        m_sharedTarget = nullptr;
        m_sharedTexts.clear();
    }
}

// A connection that is not open, or whose file can no longer be found, is not lent: the lookups
// then open their own connections as before.
void DataImport::shareTargetConnection(store::Connection& connection, std::string password)
{
    m_sharedTarget = nullptr;
    m_sharedTexts.clear();
    if (!connection.isOpen())
        return;
    const auto identity = fileIdentity(connection.path());
    if (!identity)
        return;
    m_sharedTarget = &connection;
    m_sharedPassword = std::move(password);
    m_sharedFile = *identity;
}

// Whether a connection text names the shared file is worked out once per text (resolving a name
// may search its folder); a text whose name cannot be resolved (several names differ only in
// letter case) throws as its open would, and is worked out again on the next call. The same file
// with another password is refused as the engine would refuse it, without touching the file.
store::Connection* DataImport::sharedTargetFor(const std::string& connectionText)
{
    if (m_sharedTarget == nullptr || !m_sharedTarget->isOpen())
        return nullptr;
    auto known = m_sharedTexts.find(connectionText);
    if (known == m_sharedTexts.end()) {
        const store::ConnectionText text = store::ConnectionText::parse(connectionText);
        const auto identity = fileIdentity(store::resolveDataSource(text.dataSource));
        std::optional<std::string> password;
        if (identity && *identity == m_sharedFile)
            password = text.password;
        known = m_sharedTexts.emplace(connectionText, std::move(password)).first;
    }
    if (!known->second)
        return nullptr;
    if (*known->second != m_sharedPassword)
        throw Error(store::code::General, "Cannot open '" + m_sharedTarget->fileName() +
                                              "': not a valid password, or not a database file.");
    return m_sharedTarget;
}

// The open connection for a connection text: a lent one while it is open (by its text, or the shared
// target when the text names the target's file), otherwise one of the lookups' own, opened
// read-only on first use. A connection that fails to open is not kept, so the next lookup tries
// again (and its failure is logged again).
store::Connection* DataImport::lookupConnection(const std::string& connectionText)
{
    if (auto adopted = m_adoptedConnections.find(connectionText); adopted != m_adoptedConnections.end()) {
        if (adopted->second->isOpen())
            return adopted->second;
    }
    if (store::Connection* target = sharedTargetFor(connectionText))
        return target;
    if (auto found = m_lookupConnections.find(connectionText); found != m_lookupConnections.end()) {
        if (found->second && found->second->isOpen())
            return found->second.get();
        m_lookupConnections.erase(found);
    }
    auto connection = std::make_unique<store::Connection>();
    connection->open(connectionText, store::OpenMode::ReadOnly);
    store::Connection* opened = connection.get();
    m_lookupConnections.emplace(connectionText, std::move(connection));
    return opened;
}

} // namespace orrin::calc
