// Feeds arbitrary instalment texts (the plan row's two-digit groups of years and percentages) and
// plan numbers through the policy calculations, the way the run calls them for a pending policy
// row. Whatever the texts hold, the calculations must log and go on: no crash, no exception out of
// UpdatePolicySchedule, at most eight instalments from the groups (twenty for the built-in plan 152
// schedule), each numbered within its schedule.
//
// Input: the plan row's Term text, a newline, its benefit text, a newline, the policy's plan and
// term texts separated by a newline (missing parts are empty).

#include "calc/DataImport.h"
#include "sample/Schemas.h"
#include "store/Connection.h"
#include "store/DatabaseFile.h"
#include "store/Recordset.h"
#include "value/DateValue.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

constexpr const char* kPassword = "QZMRAKS";

struct World {
    std::filesystem::path folder;
    std::unique_ptr<orrin::store::Connection> target;
    std::unique_ptr<orrin::calc::DataImport> module;
};

World& world()
{
    static World w = [] {
        World made;
        std::string pattern = (std::filesystem::temp_directory_path() / "orrin-fuzz-XXXXXX").string();
        require(mkdtemp(pattern.data()) != nullptr);
        made.folder = pattern;
        orrin::store::createDatabase(made.folder / "LIC.mdb", kPassword, orrin::schemas::kTargetSchema);
        orrin::store::createDatabase(made.folder / "lic.mdb", kPassword, orrin::schemas::kTargetSchema);
        made.target = std::make_unique<orrin::store::Connection>();
        made.target->openFile(made.folder / "LIC.mdb", kPassword, orrin::store::OpenMode::ReadWrite);
        made.target->execute("INSERT INTO plans (plan, PlanName, pflag, premage, PremTerm, Term, benefit) "
                             "VALUES (14, 'Fuzz plan', 'A', 0, 15, NULL, NULL)");
        made.module = std::make_unique<orrin::calc::DataImport>();
        made.module->setLogFile(made.folder / "Error Log.txt");
        made.module->setBonusDatabase(made.folder / "lic.mdb");
        return made;
    }();
    return w;
}

std::vector<std::string_view> lines(std::string_view text, std::size_t count)
{
    std::vector<std::string_view> parts;
    while (parts.size() + 1 < count) {
        const auto newline = text.find('\n');
        if (newline == std::string_view::npos)
            break;
        parts.push_back(text.substr(0, newline));
        text.remove_prefix(newline + 1);
    }
    parts.push_back(text);
    parts.resize(count);
    return parts;
}

std::int64_t countOf(orrin::store::Connection& db, std::string_view sql)
{
    orrin::store::Statement& statement = db.statement(sql);
    require(statement.step());
    const orrin::Variant value = statement.column(0);
    statement.reset();
    return static_cast<std::int64_t>(value.number());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    World& w = world();
    // The log must be a regular file of the user's; it is emptied for every input so it never grows.
    std::error_code missing; // before the first entry there is no file yet
    std::filesystem::resize_file(w.module->logFile(), 0, missing);
    const auto parts = lines(std::string_view(reinterpret_cast<const char*>(data), size), 4);
    orrin::store::Connection& db = *w.target;

    db.beginTransaction();
    {
        orrin::store::Statement& update = db.statement("UPDATE plans SET Term = ?, benefit = ?");
        update.bind(1, parts[0].empty() ? orrin::Variant::null() : orrin::Variant(parts[0]));
        update.bind(2, orrin::Variant(parts[1]));
        update.step();
        update.reset();

        orrin::store::Recordset policies;
        policies.open("Policies", db);
        policies.addNew();
        policies.setField("policy_no", orrin::Variant("P1"));
        policies.setField("Issue_Dt", orrin::Variant(orrin::makeDate(2001, 4, 1)));
        // The plan and the term come from the input: the field's own conversion may refuse them.
        for (const auto& [field, value] : {std::pair{"Plan", parts[2]}, std::pair{"Term", parts[3]}}) {
            try {
                policies.setField(field, orrin::Variant(value.empty() ? std::string_view("14") : value));
            } catch (const orrin::Error&) {
            }
        }
        policies.setField("PPT", orrin::Variant("15"));
        policies.setField("Sum", orrin::Variant(100000.0));
        policies.setField("Payment", orrin::Variant("Y"));

        w.module->UpdatePolicySchedule(db, policies);

        const std::int64_t rows = countOf(db, "SELECT count(*) FROM SB");
        require(rows <= 20);
        require(countOf(db, "SELECT count(*) FROM SB WHERE i_no < 1 OR i_no > 20") == 0);
        try {
            policies.update();
        } catch (const orrin::Error&) {
        }
        policies.close();
    }
    db.rollback();
    return 0;
}
