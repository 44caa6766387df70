#pragma once

#include "sample/Dirt.h"
#include "sample/Random.h"
#include "sample/SampleWriter.h"
#include "sample/SqlFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orrin::sample {

struct CivilDate {
    int year = 0;
    int month = 0;
    int day = 0;
};
// "YYYY-MM-DD", the storage form of a date.
std::string dateText(const CivilDate& date);
int daysInMonth(int year, int month);

// The rows of one agent's Orrin database, drawn from a seed: the agent, the masters, the families
// with their clients, and the policies. SampleWriter owns the file; this class fills it.
class SourceSample {
  public:
    SourceSample(const SampleOptions& options, const SampleWriter::Progress& progress);

    SampleCounts write(SqlFile& file);

  private:
    struct Person {
        std::int32_t persCode = 0;
        std::string firstName;
        std::string name;
        CivilDate birth;
        char sex = 'M';
        bool adult = true;
    };
    struct FamilyInfo {
        std::string code;
        std::string surname;
        std::vector<Person> members;
        bool married = false;
        std::int32_t location = 0;
    };

    void writeAgents(SqlFile& file);
    void writeMasters(SqlFile& file);
    void writeFamilies(SqlFile& file);
    void writePolicies(SqlFile& file);

    CivilDate randomDate(int fromYear, int toYear);
    std::string personName(char sex, const std::string& surname);
    std::string telephone();
    std::string mobile();

    SampleOptions m_options;
    const SampleWriter::Progress& m_progress;
    Random m_random;
    Dirt m_dirt;
    SampleCounts m_counts;

    std::string m_agentCode;
    std::vector<std::string> m_otherAgents;
    std::vector<std::string> m_branches;
    std::vector<FamilyInfo> m_families;
};

} // namespace orrin::sample
