#pragma once

#include "migration/MigrationRun.h"

#include <filesystem>
#include <string>

namespace orrin::wizard {

// The title of the window before a run and of every message box the wizard shows.
inline constexpr const char* kWizardTitle = "Orrin Data Import Wizard";

// The controls' design-time texts.
inline constexpr const char* kOrrinDbCaption = "Orrin Database";
inline constexpr const char* kAgentDbCaption = "Calvane Database";
inline constexpr const char* kImportCaption = "Start Data Import Wizard";
inline constexpr const char* kOrrinDbDefault = "C:\\Zarvo\\Data\\zrv.accdb";
inline constexpr const char* kAgentDbDefault = "C:\\Calvane\\LIC.mdb";
inline constexpr const char* kStepNumbers[3] = {"1.", "2.", "3."};

// The two file dialogs. Each offers its classic filter (the Orrin one, a description alone, lists
// every file), then every Access database, then every file.
inline constexpr const char* kChooseOrrinTitle = "Choose Orrin Database";
inline constexpr const char* kChooseOrrinFilter =
    "Orrin Database (zrv.accdb)||Access databases (*.accdb *.mdb)|*.accdb;*.mdb|All files|*";
inline constexpr const char* kChooseAgentTitle = "Choose Calvane Database";
inline constexpr const char* kChooseAgentFilter =
    "Calvane Database (lic.mdb)|lic.mdb|Access databases (*.accdb *.mdb)|*.accdb;*.mdb|All files|*";

inline constexpr const char* kBothPathsMessage = "Please choose both database paths !!!";
inline constexpr const char* kSuccessMessage = "Orrin Data Import successful !!!";
inline constexpr const char* kStopQuestion =
    "An import is running. Do you want to stop it? Nothing will be changed in the Calvane database.";

// The text of the question asked when a statement of the run fails.
std::string errorQuestionText(const std::string& description);
// The completion message for a finished run: the success line, and below it the warning given
// before the run (the bonus database's, none when empty), the target's rules that were not applied,
// and what went wrong when the run was not clean.
std::string completionText(const migration::RunReport& report, const std::string& warning = {});
// What is wrong with the bonus database ("The bonus database "X" was not found", or "... cannot be
// read (reason)": empty, a folder, not a database, the wrong password, damaged); empty when the
// lookups can read it. The file is opened once.
std::string bonusProblem(const std::filesystem::path& bonusDatabase);
// The line the completion message adds for that problem (empty for none).
std::string bonusWarning(const std::string& problem);
// The Yes/No question asked before a run whose bonus database has a problem: Yes runs, No ends the
// program with nothing written.
std::string bonusQuestionText(const std::string& problem);
// Why the run ended when the database engine gave up its transaction, or a database did not open
// (nothing was kept); with the journal that could not be replayed, when one could not.
std::string abandonedText(const std::string& reason, const std::string& recoveryFailure = {});
// The run failed in a way it could not report itself (out of memory, say).
std::string failureText(const std::string& failure);

} // namespace orrin::wizard
