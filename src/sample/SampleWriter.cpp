#include "sample/SampleWriter.h"

#include "sample/AccessCopy.h"
#include "sample/Schemas.h"
#include "sample/SourceSample.h"
#include "sample/SqlFile.h"
#include "sample/TargetSample.h"
#include "store/DatabaseFile.h"
#include "store/KnownDatabases.h"

#include <stdexcept>
#include <system_error>

namespace orrin::sample {

namespace {

// Writes a new database at file through a partial file beside it, renamed into place only when
// everything is written: a failure (or an interrupted write) never leaves a half-filled database
// under the real name, and a file being replaced stays intact until the new one is complete. The
// Access form is filled as the SQLCipher form first, in a file of its own that is removed after
// the copy.
struct AccessForm {
    AccessTemplate from;
    const std::vector<IndexColumns>& indexes;
};

template <typename Fill>
void writeNewDatabase(const std::filesystem::path& file, bool replace, const std::string& password,
                      const char* schema, SampleFormat format, const AccessForm& access, Fill&& fill)
{
    std::error_code ec;
    if (!replace && std::filesystem::exists(file, ec))
        throw std::runtime_error("refusing to overwrite " + file.string());
    std::filesystem::path partial = file;
    partial += ".partial";
    std::filesystem::path rows = file;
    rows += ".rows-partial";
    std::filesystem::remove(partial, ec);
    std::filesystem::remove(rows, ec);
    const std::filesystem::path& sqlFile = format == SampleFormat::Access ? rows : partial;
    // The rows of an Access file pass through a scratch SQL file, which a build without the SQLCipher
    // form writes without a key.
    const std::string sqlPassword = format == SampleFormat::Access && !store::kSqlCipherBuilt ? "" : password;
    try {
        store::createDatabase(sqlFile, sqlPassword, schema);
        {
            SqlFile sql(sqlFile, sqlPassword);
            fill(sql);
            if (format == SampleFormat::Access)
                copyToAccess(sql.handle(), access.from, partial, password, access.indexes);
        }
        std::filesystem::remove(rows, ec);
        std::filesystem::rename(partial, file);
    } catch (...) {
        std::filesystem::remove(partial, ec);
        std::filesystem::remove(rows, ec);
        throw;
    }
}

} // namespace

SampleWriter::SampleWriter(SampleOptions options) : m_options(options)
{
    if (m_options.policies < 0)
        throw std::invalid_argument("the number of policies cannot be negative");
    if (!(m_options.dirtyRate >= 0.0 && m_options.dirtyRate <= 1.0))
        throw std::invalid_argument("the dirty rate lies between 0 and 1");
}

SampleCounts SampleWriter::writeSource(const std::filesystem::path& file) const
{
    SampleCounts counts;
    writeNewDatabase(file, m_replace, std::string(kOrrinPassword), schemas::kSourceSchema, m_options.format,
                     {AccessTemplate::Ace2010, orrinIndexes()}, [&](SqlFile& sql) {
                         SourceSample source(m_options, m_progress);
                         counts = source.write(sql);
                     });
    return counts;
}

void SampleWriter::writeTarget(const std::filesystem::path& file) const
{
    writeNewDatabase(file, m_replace, std::string(kCalvanePassword), schemas::kTargetSchema, m_options.format,
                     {AccessTemplate::Jet4, calvaneIndexes()}, [&](SqlFile& sql) {
                         sql.begin();
                         writePlans(sql);
                         writeBonusTables(sql);
                         writeStaleRows(sql, m_options.seed);
                         sql.commit();
                     });
}

void SampleWriter::writeBonusDatabase(const std::filesystem::path& file, bool replaceExisting,
                                      SampleFormat format)
{
    writeNewDatabase(file, replaceExisting, std::string(kCalvanePassword), schemas::kTargetSchema, format,
                     {AccessTemplate::Jet4, calvaneIndexes()}, [](SqlFile& sql) {
                         sql.begin();
                         writeBonusTables(sql);
                         sql.commit();
                     });
}

} // namespace orrin::sample
