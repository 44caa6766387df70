#pragma once

#include "store/SqlCipherForm.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string_view>

namespace orrin::sample {

// How the databases are stored: real Access files (an encrypted .accdb, Jet 4 .mdb files with their
// database password), or the program's own SQLCipher files under the same names.
enum class SampleFormat { Access, SqlCipher };

// The form written when none is named: SQLCipher where the build has it, else Access.
inline constexpr SampleFormat kDefaultSampleFormat =
    store::kSqlCipherBuilt ? SampleFormat::SqlCipher : SampleFormat::Access;

struct SampleOptions {
    std::int64_t policies = 1000;
    std::uint64_t seed = 1;
    // Share of the values that may be awkward (empty, Null, blank, too long, lower-case, quoted,
    // unknown plan...) that actually are: 0 writes clean data only, 1 makes every one awkward.
    double dirtyRate = 0.02;
    // The form of the files; the rows are the same in both.
    SampleFormat format = kDefaultSampleFormat;
};

// What a source database holds after writeSource.
struct SampleCounts {
    std::int64_t agents = 0;
    std::int64_t locations = 0;
    std::int64_t branches = 0;
    std::int64_t companies = 0;
    std::int64_t families = 0;
    std::int64_t clients = 0;
    std::int64_t marriages = 0; // Client2 rows
    std::int64_t mobiles = 0;   // Client4 rows
    std::int64_t policies = 0;
    // Values that were allowed to be awkward, and those that were made awkward.
    std::int64_t dirtyCandidates = 0;
    std::int64_t dirtyValues = 0;
};

// Writes a realistic agent's databases: the Orrin source (zrv.accdb), the Calvane target (LIC.mdb)
// with its reference tables and some stale rows, and the bonus database. The same options write the
// same table contents every time, in either form (the files' bytes differ: each encrypted file has
// its own salt). The Access form is the SQLCipher form copied into files made from Access's own
// empty databases, with the indexes the applications' databases have (AccessCopy).
// Each write creates a new file and refuses an existing one unless told to replace it; the file
// appears under its name only when it is complete, so a failure leaves any earlier file as it was.
class SampleWriter {
  public:
    // Called now and then while policies are written: done of total.
    using Progress = std::function<void(std::string_view what, std::int64_t done, std::int64_t total)>;

    explicit SampleWriter(SampleOptions options);

    void setProgress(Progress progress) { m_progress = std::move(progress); }
    // Replace existing files instead of refusing them.
    void setReplaceExisting(bool replace) { m_replace = replace; }

    // The source database, with the Orrin password and schema.
    SampleCounts writeSource(const std::filesystem::path& file) const;
    // The target database, with the Calvane password and schema: plans, NewBonus and FINALBONUS
    // filled, and a few stale rows in the tables a run clears.
    void writeTarget(const std::filesystem::path& file) const;
    // The bonus database (target schema and password) holding the NewBonus and FINALBONUS rows.
    static void writeBonusDatabase(const std::filesystem::path& file, bool replaceExisting = false,
                                   SampleFormat format = kDefaultSampleFormat);

    const SampleOptions& options() const { return m_options; }

  private:
    SampleOptions m_options;
    Progress m_progress;
    bool m_replace = false;
};

} // namespace orrin::sample
