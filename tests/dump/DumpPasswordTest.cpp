// orrin-import-dump without --password: a file with none opens as it is, the applications' own
// files open with their own database passwords, and a file with another password is still refused.

#include "dump/DumpCommand.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <unistd.h>

namespace orrin::dump {
namespace {

namespace fs = std::filesystem;
const fs::path kSamples = ORRIN_ACCESS_SAMPLES;

TEST(DumpPassword, WithoutOneTheApplicationsOwnPasswordsAreTried)
{
    // The sample writer's files in both forms, each with its application's password.
    const fs::path folder = fs::temp_directory_path() / ("orrin-dump-password-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    const char* dir = std::getenv("ORRIN_TEST_BINARY_DIR");
    const fs::path sample = fs::path(dir != nullptr ? dir : ".") / "src" / "orrin-import-sample";
    for (const char* format : {"access", "sqlcipher"}) {
        const std::string command = sample.string() + " --out '" + (folder / format).string() +
                                    "' --policies 5 --format " + format + " > /dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    struct Case {
        fs::path file;
        std::vector<std::string> extra;
        int status;
        const char* firstLine; // of the output, or of the error
    };
    const Case cases[] = {
        {folder / "access/LIC.mdb", {}, 0, "{\"format\":\"Jet 4\"}"},
        {folder / "access/zrv.accdb", {}, 0, "{\"format\":\"ACE 14\"}"},
        {folder / "sqlcipher/LIC.mdb", {}, 0, "{\"format\":\"SQLCipher\"}"},
        {folder / "sqlcipher/zrv.accdb", {}, 0, "{\"format\":\"SQLCipher\"}"},
        {kSamples / "agent/access/LIC.mdb", {}, 0, "{\"format\":\"Jet 4\"}"},
        {kSamples / "encrypted/password--jet4-2003-password.mdb", {}, 1, nullptr},
        {kSamples / "encrypted/password--jet4-2003-password.mdb",
         {"--password", "password"},
         0,
         "{\"format\":\"Jet 4\"}"},
        // A password given is the only one tried.
        {folder / "access/LIC.mdb", {"--password", "wrong"}, 1, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.string() + (c.extra.empty() ? "" : " " + c.extra.back()));
        std::vector<std::string> arguments{c.file.string()};
        arguments.insert(arguments.end(), c.extra.begin(), c.extra.end());
        std::ostringstream out, err;
        EXPECT_EQ(runDump(arguments, out, err), c.status) << err.str();
        if (c.status == 0) {
            EXPECT_EQ(out.str().substr(0, out.str().find('\n')), c.firstLine);
        } else {
            EXPECT_NE(err.str().find("password"), std::string::npos) << err.str();
        }
    }
    fs::remove_all(folder);
}

} // namespace
} // namespace orrin::dump
