// Benchmark of the pager on large files: for each kind of page storage it writes a file of about
// 100 MB (a template's pages repeated, stored through the kind's codec), then times opening it,
// a first pass over every page (decoding) and a second one (kept pages), and prints the figures
// with the process's peak memory.
//
//   bench_jet_pager [SAMPLES_DIR] [MEGABYTES]

#include "jet/pager/FileProtection.h"
#include "jet/pager/PageFile.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

using namespace orrin::jet;

namespace {

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

long peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// Writes pageCount pages: the template's first page under protection, then its other pages over
// and over, each stored through the codec.
void writeBigFile(const PageFile& source, ProtectedStart& start, std::uint32_t pageCount,
                  const std::filesystem::path& out)
{
    std::ofstream file(out, std::ios::binary);
    std::vector<std::uint8_t> page;
    for (std::uint32_t n = 0; n < pageCount; ++n) {
        const auto plain = n == 0 ? std::span<const std::uint8_t>(start.firstPage)
                                  : source.page(1 + (n - 1) % (source.pageCount() - 1));
        page.assign(plain.begin(), plain.end());
        start.codec->encode(n, page);
        file.write(reinterpret_cast<const char*>(page.data()), static_cast<std::streamsize>(page.size()));
    }
}

} // namespace

int main(int argc, char** argv)
{
    const std::filesystem::path samples = argc > 1 ? argv[1] : ORRIN_ACCESS_SAMPLES;
    const long megabytes = argc > 2 ? std::atol(argv[2]) : 100;
    const auto pageCount = static_cast<std::uint32_t>(megabytes * 1024 * 1024 / 4096);
    struct Kind {
        const char* name;
        const char* sample;
        const char* templatePassword;
        const char* password;
    };
    const Kind kinds[] = {
        {"Jet 4, plain", "jet4/types-2000.mdb", "", ""},
        {"Jet 4, database password", "jet4/types-2000.mdb", "", "QZMRAKS"},
        {"Jet 4, RC4 encoded", "encrypted/none--jet4-rc4-encoded.mdb", "", ""},
        {"ACE, agile encryption", "templates/empty-ace-2010.accdb", "", "QZMRAKS"},
    };
    const auto folder =
        std::filesystem::temp_directory_path() / ("orrin-pager-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::printf("%-28s %8s %10s %12s %12s %10s\n", "file", "MB", "open s", "decode MB/s", "again MB/s",
                "peak MB");
    for (const auto& kind : kinds) {
        const auto path = folder / "big";
        {
            const auto source = PageFile::open(samples / kind.sample, kind.templatePassword);
            auto start = protectNewFile(source->page(0), kind.password, kind.sample);
            writeBigFile(*source, start, pageCount, path);
        }
        const double size = static_cast<double>(std::filesystem::file_size(path)) / (1024 * 1024);
        auto t = std::chrono::steady_clock::now();
        const auto file = PageFile::open(path, kind.password);
        const double open = secondsSince(t);
        std::uint64_t sum = 0;
        double passes[2];
        for (double& pass : passes) {
            t = std::chrono::steady_clock::now();
            for (std::uint32_t n = 0; n < file->pageCount(); ++n)
                sum += file->page(n)[0];
            pass = secondsSince(t);
        }
        std::printf("%-28s %8.1f %10.3f %12.0f %12.0f %10ld   (%llu)\n", kind.name, size, open,
                    size / passes[0], size / passes[1], peakMegabytes(),
                    static_cast<unsigned long long>(sum));
        std::filesystem::remove(path);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
