#include "sample/SampleCommand.h"

#include "platform/Utf8Path.h"
#include "store/KnownDatabases.h"
#include "store/SqlCipherForm.h"

#include <charconv>
#include <cmath>
#include <vector>

namespace orrin::sample {

namespace {

constexpr std::int64_t kMaxPolicies = 10'000'000;

template <typename Number> Number parseWhole(std::string_view flag, std::string_view text)
{
    Number value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        throw UsageError(std::string(flag) + " needs a whole number, not \"" + std::string(text) + "\"");
    return value;
}

double parseRate(std::string_view text)
{
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
        value < 0.0 || value > 1.0)
        throw UsageError("--dirty needs a share from 0 to 1, not \"" + std::string(text) + "\"");
    return value;
}

} // namespace

std::string sampleUsage()
{
    return "Usage: orrin-import-sample --out DIR [--policies N] [--seed S] [--dirty RATE] [--bonus-db FILE] "
           "[--format F] [--force]\n"
           "       orrin-import-sample --bonus-db FILE [--format F] [--force]\n"
           "\n"
           "Writes a sample agent's databases: DIR/zrv.accdb (the Orrin source) and DIR/LIC.mdb (the "
           "Calvane\n"
           "target with its plans, NewBonus and FINALBONUS tables and a few rows of an earlier import).\n"
           "With --bonus-db, also (or only) the bonus database, the target's bonus tables in a file of their "
           "own.\n"
           "\n"
           "  --out DIR        folder to write into (created when missing)\n"
           "  --policies N     number of policies (default 1000); about one family per five policies\n"
           "  --seed S         the same seed writes the same data (default 1)\n"
           "  --dirty RATE     share of awkward values: empty, Null, blank, too long, lower-case,\n"
           "                   quoted, unknown plans (default 0.02; 0 for clean data)\n"
           "  --bonus-db FILE  write the bonus database to FILE\n"
           "  --format F       access (default): real Access files, zrv.accdb encrypted with the Orrin\n"
           "                   password, the .mdb files with the Calvane database password;\n"
           "                   sqlcipher: the program's own SQLCipher files (the same rows)\n"
           "  --force          replace files that exist\n"
           "  --help           show this text\n";
}

SampleCommandLine parseSampleCommandLine(std::span<const std::string_view> arguments)
{
    SampleCommandLine line;
    line.options.format = SampleFormat::Access;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string_view flag = arguments[i];
        std::optional<std::string_view> attached;
        if (const auto equals = flag.find('='); flag.starts_with("--") && equals != std::string_view::npos) {
            attached = flag.substr(equals + 1);
            flag = flag.substr(0, equals);
        }
        auto value = [&]() -> std::string_view {
            if (attached)
                return *attached;
            if (i + 1 >= arguments.size())
                throw UsageError(std::string(flag) + " needs a value");
            return arguments[++i];
        };
        auto noValue = [&] {
            if (attached)
                throw UsageError(std::string(flag) + " takes no value");
        };
        if (flag == "--help" || flag == "-h") {
            noValue();
            line.help = true;
        } else if (flag == "--force") {
            noValue();
            line.force = true;
        } else if (flag == "--out") {
            const auto text = value();
            if (text.empty())
                throw UsageError("--out needs a folder");
            line.out = platform::pathFromUtf8(text);
        } else if (flag == "--bonus-db") {
            const auto text = value();
            if (text.empty())
                throw UsageError("--bonus-db needs a file name");
            line.bonusDb = platform::pathFromUtf8(text);
        } else if (flag == "--policies") {
            line.options.policies = parseWhole<std::int64_t>(flag, value());
            if (line.options.policies < 0 || line.options.policies > kMaxPolicies)
                throw UsageError("--policies must lie between 0 and " + std::to_string(kMaxPolicies));
        } else if (flag == "--seed") {
            line.options.seed = parseWhole<std::uint64_t>(flag, value());
        } else if (flag == "--format") {
            const auto text = value();
            if (text == "access")
                line.options.format = SampleFormat::Access;
            else if (text == "sqlcipher" && !store::kSqlCipherBuilt)
                throw UsageError("--format sqlcipher: " + store::kNoSqlCipherForm);
            else if (text == "sqlcipher")
                line.options.format = SampleFormat::SqlCipher;
            else
                throw UsageError("--format is access or sqlcipher, not \"" + std::string(text) + "\"");
        } else if (flag == "--dirty") {
            line.options.dirtyRate = parseRate(value());
        } else {
            throw UsageError("unknown argument \"" + std::string(arguments[i]) + "\"");
        }
    }
    if (!line.help && !line.out && !line.bonusDb)
        throw UsageError("nothing to write: give --out DIR, --bonus-db FILE or both");
    return line;
}

int runSampleCommand(std::span<const std::string_view> arguments, std::ostream& out, std::ostream& err)
{
    SampleCommandLine line;
    try {
        line = parseSampleCommandLine(arguments);
    } catch (const UsageError& e) {
        err << "orrin-import-sample: " << e.what() << "\n" << sampleUsage();
        return 2;
    }
    if (line.help) {
        out << sampleUsage();
        return 0;
    }

    std::vector<std::filesystem::path> targets;
    std::filesystem::path source, target;
    if (line.out) {
        source = *line.out / std::string(kOrrinFileName);
        target = *line.out / std::string(kCalvaneFileName);
        targets = {source, target};
    }
    if (line.bonusDb) {
        for (const auto& other : targets) {
            if (std::filesystem::weakly_canonical(other) ==
                std::filesystem::weakly_canonical(*line.bonusDb)) {
                err << "orrin-import-sample: the bonus database cannot be " << other.string() << "\n";
                return 2;
            }
        }
        targets.push_back(*line.bonusDb);
    }
    // Refuse before writing anything, so that a refusal leaves no new file either.
    if (!line.force) {
        for (const auto& file : targets) {
            std::error_code ec;
            if (std::filesystem::exists(file, ec)) {
                err << "orrin-import-sample: " << file.string() << " exists (use --force to replace it)\n";
                return 1;
            }
        }
    }

    try {
        if (line.out) {
            std::filesystem::create_directories(*line.out);
            SampleWriter writer(line.options);
            writer.setReplaceExisting(line.force);
            if (line.options.policies >= 10'000) {
                writer.setProgress([&err](std::string_view what, std::int64_t done, std::int64_t total) {
                    err << "orrin-import-sample: " << what << " " << done << " of " << total << "\n";
                });
            }
            const SampleCounts counts = writer.writeSource(source);
            writer.writeTarget(target);
            out << source.string() << ": " << counts.agents << " agents, " << counts.locations
                << " locations, " << counts.branches << " branches, " << counts.companies << " companies, "
                << counts.families << " families, " << counts.clients << " clients, " << counts.policies
                << " policies, " << counts.dirtyValues << " awkward values\n";
            out << target.string() << ": plans, NewBonus, FINALBONUS and rows of an earlier import\n";
        }
        if (line.bonusDb) {
            if (line.bonusDb->has_parent_path())
                std::filesystem::create_directories(line.bonusDb->parent_path());
            SampleWriter::writeBonusDatabase(*line.bonusDb, line.force, line.options.format);
            out << line.bonusDb->string() << ": NewBonus and FINALBONUS\n";
        }
    } catch (const std::exception& e) {
        err << "orrin-import-sample: " << e.what() << "\n";
        return 1;
    }
    return 0;
}

} // namespace orrin::sample
